// Registry services on real Windows: the RegXxxExW functions with their own result codes, or
// the A functions on the ANSI road, with names and string data converted.
#include "platform/registry.h"

#include <cstring>
#include <vector>

#include "platform/win32/win32_internal.h"

using win32::AnsiText;
using win32::OnAnsiRoad;
using win32::Wide;

namespace {

// The seam's key token as the system's key handle, and back.
HKEY ToHkey(RegKey key) { return reinterpret_cast<HKEY>(key); }
RegKey ToRegKey(HKEY key) { return reinterpret_cast<RegKey>(key); }

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// ANSI value data of a string type as the wide data the W functions hand back (win32::WidenData).
LONG WidenData(const std::vector<char>& ansi, DWORD bytes, uint8_t* data, uint32_t* size) {
  return win32::WidenData(ansi.data(), bytes, data, size);
}

// RegQueryValueExA: binary data as it is, string data read whole and widened.
int32_t QueryValueAnsi(HKEY key, const char16_t* name, uint32_t* type, uint8_t* data, uint32_t* size) {
  AnsiText ansiName(name);
  DWORD kind = 0, bytes = 0;
  LONG rc = RegQueryValueExA(key, ansiName, nullptr, &kind, nullptr, &bytes);
  if (rc != ERROR_SUCCESS) return rc;
  if (type) *type = kind;
  if (!IsText(kind)) {
    DWORD room = size ? *size : 0;
    rc = RegQueryValueExA(key, ansiName, nullptr, nullptr, data, size ? &room : nullptr);
    if (size && (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA)) *size = room;
    return rc;
  }
  std::vector<char> ansi(bytes + 1);
  rc = RegQueryValueExA(key, ansiName, nullptr, nullptr, reinterpret_cast<BYTE*>(ansi.data()), &bytes);
  if (rc != ERROR_SUCCESS) return rc;
  return WidenData(ansi, bytes, data, size);
}

// RegEnumValueA: the name converted back, string data widened as QueryValueAnsi does.
int32_t EnumValueAnsi(HKEY key, uint32_t index, char16_t* name, uint32_t* nameLen, uint32_t* type, uint8_t* data,
                      uint32_t* dataSize) {
  std::vector<char> ansiName(static_cast<size_t>(*nameLen) * 2 + 2);
  DWORD length = static_cast<DWORD>(ansiName.size());
  DWORD kind = 0, bytes = 0;
  LONG rc = RegEnumValueA(key, index, ansiName.data(), &length, nullptr, &kind, nullptr, &bytes);
  if (rc != ERROR_SUCCESS) return rc;
  std::vector<char> ansi(bytes + 1);
  length = static_cast<DWORD>(ansiName.size());
  rc = RegEnumValueA(key, index, ansiName.data(), &length, nullptr, &kind, reinterpret_cast<BYTE*>(ansi.data()),
                     &bytes);
  if (rc != ERROR_SUCCESS) return rc;
  const uint32_t chars = win32::WideLength(ansiName.data(), static_cast<int>(length));
  if (chars >= *nameLen) return ERROR_MORE_DATA;
  *nameLen = win32::ToWide(name, *nameLen, ansiName.data(), static_cast<int>(length));
  if (type) *type = kind;
  if (IsText(kind)) return WidenData(ansi, bytes, data, dataSize);
  const uint32_t room = dataSize ? *dataSize : 0;
  if (dataSize) *dataSize = bytes;
  if (!data) return ERROR_SUCCESS;
  if (bytes > room) return ERROR_MORE_DATA;
  std::memcpy(data, ansi.data(), bytes);
  return ERROR_SUCCESS;
}

}  // namespace

// RegOpenKeyExW. *out is null when the key could not be opened.
int32_t SysRegOpenKey(RegKey root, const char16_t* path, uint32_t access, RegKey* out) {
  if (out == nullptr) return static_cast<int32_t>(kErrInvalidParameter);
  *out = nullptr;
  HKEY key = nullptr;
  LONG rc = OnAnsiRoad() ? RegOpenKeyExA(ToHkey(root), AnsiText(path), 0, access, &key)
                         : RegOpenKeyExW(ToHkey(root), Wide(path), 0, access, &key);
  if (rc == ERROR_SUCCESS) *out = ToRegKey(key);
  return rc;
}

// RegCreateKeyExW with a non-volatile key and default security.
int32_t SysRegCreateKey(RegKey root, const char16_t* path, uint32_t access, RegKey* out, uint32_t* disposition) {
  if (out == nullptr) return static_cast<int32_t>(kErrInvalidParameter);
  *out = nullptr;
  HKEY key = nullptr;
  DWORD how = 0;
  LONG rc = OnAnsiRoad() ? RegCreateKeyExA(ToHkey(root), AnsiText(path), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           access, nullptr, &key, &how)
                         : RegCreateKeyExW(ToHkey(root), Wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                           nullptr, &key, &how);
  if (rc == ERROR_SUCCESS) {
    *out = ToRegKey(key);
    if (disposition) *disposition = how;
  }
  return rc;
}

// RegCloseKey.
int32_t SysRegCloseKey(RegKey key) { return RegCloseKey(ToHkey(key)); }

// RegQueryValueExW; the sizes pass through a DWORD because uint32_t and DWORD are distinct types.
int32_t SysRegQueryValue(RegKey key, const char16_t* name, uint32_t* type, uint8_t* data, uint32_t* size) {
  if (OnAnsiRoad()) return QueryValueAnsi(ToHkey(key), name, type, data, size);
  DWORD kind = 0;
  DWORD bytes = size ? *size : 0;
  LONG rc = RegQueryValueExW(ToHkey(key), Wide(name), nullptr, type ? &kind : nullptr, data,
                             size ? &bytes : nullptr);
  if (type && (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA)) *type = kind;
  if (size && (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA)) *size = bytes;
  return rc;
}

// RegSetValueExW. On the ANSI road string data is converted character for character: exactly
// the size / 2 characters given (terminator or not), with the converted byte count. The character
// after them, which the system looks at to add a forgotten terminator, is converted behind them.
int32_t SysRegSetValue(RegKey key, const char16_t* name, uint32_t type, const uint8_t* data, uint32_t size) {
  if (OnAnsiRoad()) {
    if (!IsText(type) || !data) return RegSetValueExA(ToHkey(key), AnsiText(name), 0, type, data, size);
    const uint32_t count = size / 2;
    std::vector<char16_t> text(count + 1);
    std::memcpy(text.data(), data, (count + 1) * sizeof(char16_t));
    AnsiText counted(text.data(), count), following(text.data(), count + 1);
    return RegSetValueExA(ToHkey(key), AnsiText(name), 0, type,
                          reinterpret_cast<const BYTE*>(static_cast<const char*>(following)), counted.size());
  }
  return RegSetValueExW(ToHkey(key), Wide(name), 0, type, data, size);
}

// RegDeleteValueW.
int32_t SysRegDeleteValue(RegKey key, const char16_t* name) {
  if (OnAnsiRoad()) return RegDeleteValueA(ToHkey(key), AnsiText(name));
  return RegDeleteValueW(ToHkey(key), Wide(name));
}

// RegDeleteKeyW.
int32_t SysRegDeleteKey(RegKey key, const char16_t* subkey) {
  if (OnAnsiRoad()) return RegDeleteKeyA(ToHkey(key), AnsiText(subkey));
  return RegDeleteKeyW(ToHkey(key), Wide(subkey));
}

// RegEnumKeyExW without class or write time.
int32_t SysRegEnumKey(RegKey key, uint32_t index, char16_t* name, uint32_t* nameLen) {
  if (OnAnsiRoad()) {
    std::vector<char> ansi(static_cast<size_t>(*nameLen) * 2 + 2);
    DWORD length = static_cast<DWORD>(ansi.size());
    LONG rc = RegEnumKeyExA(ToHkey(key), index, ansi.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    if (win32::WideLength(ansi.data(), static_cast<int>(length)) >= *nameLen) return ERROR_MORE_DATA;
    *nameLen = win32::ToWide(name, *nameLen, ansi.data(), static_cast<int>(length));
    return ERROR_SUCCESS;
  }
  DWORD length = *nameLen;
  LONG rc = RegEnumKeyExW(ToHkey(key), index, Wide(name), &length, nullptr, nullptr, nullptr, nullptr);
  if (rc == ERROR_SUCCESS) *nameLen = length;
  return rc;
}

// RegEnumValueW; type, data and dataSize may each be null.
int32_t SysRegEnumValue(RegKey key, uint32_t index, char16_t* name, uint32_t* nameLen, uint32_t* type,
                        uint8_t* data, uint32_t* dataSize) {
  if (OnAnsiRoad()) return EnumValueAnsi(ToHkey(key), index, name, nameLen, type, data, dataSize);
  DWORD length = *nameLen;
  DWORD kind = 0;
  DWORD bytes = dataSize ? *dataSize : 0;
  LONG rc = RegEnumValueW(ToHkey(key), index, Wide(name), &length, nullptr, type ? &kind : nullptr, data,
                          dataSize ? &bytes : nullptr);
  if (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
    *nameLen = length;
    if (type) *type = kind;
    if (dataSize) *dataSize = bytes;
  }
  return rc;
}
