// Registry script engine: reads numbered registry lines of a configuration section and writes
// them into the registry, one key and value per line.
#include "services/registry_script.h"

#include <cstring>

#include "common/text.h"
#include "shared/trace.h"
#include "shared/path_macros.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/registry.h"

namespace {

// The root key a root field names.
RegKey SelectRoot(const char16_t* field) {
  if (TextEqualNoCase(field, kScriptRootClasses)) return kRegClassesRoot;
  if (TextEqualNoCase(field, kScriptRootUser)) return kRegCurrentUser;
  return kRegLocalMachine;
}

// Writes the value of one line from its data field on (rest points at the data field).
void SetScriptValue(RegKey key, const char16_t* name, const char16_t* type, const char16_t* rest) {
  char16_t data[kScriptFieldSize];
  uint32_t at = ParseFieldN(rest, data, kScriptFieldSize);

  if (TextEqual(type, kScriptTypeString) || TextEqual(type, kScriptTypeExpandString)) {
    const bool expand = TextEqual(type, kScriptTypeExpandString);
    const uint32_t chars = static_cast<uint32_t>(TextLength(data));
    if (chars == 0) {
      if (expand) Trace(u"%s, %s, %s", kScriptExpandLabel, data, rest);
      return;
    }
    // Strings go in without their terminating zero: twice the character count.
    SysRegSetValue(key, name, expand ? kRegTypeExpandSz : kRegTypeSz, reinterpret_cast<const uint8_t*>(data),
                   chars * 2);
    if (expand) Trace(u"%s, %s, err = %d", kScriptExpandLabel, data, static_cast<int>(SysGetLastError()));
    return;
  }

  if (TextEqual(type, kScriptTypeDword)) {
    char16_t number[kScriptNumberSize];
    TextCopy(number, kScriptNumberSize, data);
    int32_t value = TextToInt(number);
    uint8_t bytes[4];
    std::memcpy(bytes, &value, sizeof bytes);  // little-endian, as the registry keeps DWORDs
    SysRegSetValue(key, name, kRegTypeDword, bytes, 4);
    return;
  }

  // Binary: this field and every following one, each the low byte of its hexadecimal number.
  uint8_t bytes[kScriptMaxBinaryFields];
  uint32_t count = 0;
  for (;;) {
    bytes[count++] = static_cast<uint8_t>(TextHexToUInt(data) & 0xFF);
    if (rest[at] == 0 || count == kScriptMaxBinaryFields) break;
    rest += at + 1;
    at = ParseFieldN(rest, data, kScriptFieldSize);
  }
  SysRegSetValue(key, name, kRegTypeBinary, bytes, count);
}

// Sets the value that the rest of a line after its key path describes ("name, type code,
// data...") in the open key; a rest with too few fields sets nothing.
void ApplyScriptValue(RegKey key, const char16_t* rest) {
  char16_t name[kScriptNameSize];
  uint32_t at = ParseFieldN(rest, name, kScriptNameSize);
  if (rest[at] == 0) return;
  rest += at + 1;

  char16_t type[kScriptFieldSize];
  at = ParseFieldN(rest, type, kScriptFieldSize);
  if (rest[at] == 0) return;
  rest += at + 1;

  SetScriptValue(key, name, type, rest);
}

// Applies one line of a registry script: its key is created and closed here, whatever the
// rest of the line holds.
void ApplyScriptLine(const char16_t* line) {
  char16_t field[kScriptFieldSize];
  const char16_t* rest = line;

  uint32_t at = ParseFieldN(rest, field, kScriptFieldSize);
  if (rest[at] == 0) return;
  RegKey root = SelectRoot(field);
  rest += at + 1;

  at = ParseFieldN(rest, field, kScriptFieldSize);
  RegKey key = nullptr;
  if (SysRegCreateKey(root, field, kKeyAllAccess, &key, nullptr) != 0) return;
  if (rest[at] != 0) ApplyScriptValue(key, rest + at + 1);
  SysRegCloseKey(key);
}

}  // namespace

int AddRegistrySection(const char16_t* file, const char16_t* section) {
  if (!file || !section) return 0;
  char16_t line[kScriptLineSize];
  for (uint32_t n = 1;; ++n) {
    char16_t key[16];
    TextFormat(key, 16, u"%u", n);
    if (SysReadProfileString(section, key, u"", line, kScriptLineSize, file) == 0) break;
    ApplyScriptLine(line);
  }
  return 1;
}
