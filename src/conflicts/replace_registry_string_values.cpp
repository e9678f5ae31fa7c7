// ReplaceRegistryStringValues: subkeys from the last index down, then the key's own values.
#include "conflicts/replace_registry_string_values.h"

#include "common/text.h"

namespace {

constexpr uint32_t kNameSize = 256;     // 255 characters and the terminator
constexpr uint32_t kDataBytes = 512;

// Values matched since the program started.
int g_MatchedValues = 0;

// Whether data (size bytes, zero-terminated or not) holds text equal to oldText, without case.
bool DataEquals(const uint8_t* data, uint32_t size, const char16_t* oldText) {
  char16_t text[kDataBytes / 2 + 1];
  const uint32_t chars = size / 2;
  for (uint32_t i = 0; i < chars; ++i) text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  text[chars] = 0;
  return TextEqualNoCase(text, oldText);
}

void ReplaceInKey(RegKey root, const char16_t* path, const char16_t* oldText, const char16_t* newText) {
  RegKey key = nullptr;
  if (SysRegOpenKey(root, path, kKeyAllAccess, &key) != 0) return;

  uint32_t count = 0;
  for (;;) {
    char16_t name[kNameSize];
    uint32_t length = kNameSize;
    if (SysRegEnumKey(key, count, name, &length) != 0) break;
    ++count;
  }
  while (count > 0) {
    --count;
    char16_t name[kNameSize];
    uint32_t length = kNameSize;
    if (SysRegEnumKey(key, count, name, &length) == 0) ReplaceInKey(key, name, oldText, newText);
  }

  for (uint32_t index = 0;; ++index) {
    char16_t name[kNameSize];
    uint8_t data[kDataBytes];
    uint32_t nameLength = kNameSize, size = kDataBytes, type = 0;
    if (SysRegEnumValue(key, index, name, &nameLength, &type, data, &size) != 0) break;
    if (type != kRegTypeSz || !DataEquals(data, size, oldText)) continue;
    ++g_MatchedValues;
    if (newText[0] == 0) continue;
    SysRegSetValue(key, name, type, reinterpret_cast<const uint8_t*>(newText),
                   static_cast<uint32_t>((TextLength(newText) + 1) * sizeof(char16_t)));
  }
  SysRegCloseKey(key);
}

}  // namespace

int ReplaceRegistryStringValues(RegKey root, const char16_t* path, const char16_t* oldText, const char16_t* newText) {
  ReplaceInKey(root, path, oldText, newText);
  return g_MatchedValues > 0 ? 1 : 0;
}
