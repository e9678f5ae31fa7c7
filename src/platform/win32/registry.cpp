// Registry services on real Windows: the RegXxxExW functions with their own result codes.
#include "platform/registry.h"

#include "platform/win32/win32_internal.h"

using win32::Wide;

namespace {

// The seam's key token as the system's key handle, and back.
HKEY ToHkey(RegKey key) { return reinterpret_cast<HKEY>(key); }
RegKey ToRegKey(HKEY key) { return reinterpret_cast<RegKey>(key); }

}  // namespace

// RegOpenKeyExW. *out is null when the key could not be opened.
int32_t SysRegOpenKey(RegKey root, const char16_t* path, uint32_t access, RegKey* out) {
  if (out == nullptr) return static_cast<int32_t>(kErrInvalidParameter);
  *out = nullptr;
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExW(ToHkey(root), Wide(path), 0, access, &key);
  if (rc == ERROR_SUCCESS) *out = ToRegKey(key);
  return rc;
}

// RegCreateKeyExW with a non-volatile key and default security.
int32_t SysRegCreateKey(RegKey root, const char16_t* path, uint32_t access, RegKey* out, uint32_t* disposition) {
  if (out == nullptr) return static_cast<int32_t>(kErrInvalidParameter);
  *out = nullptr;
  HKEY key = nullptr;
  DWORD how = 0;
  LONG rc = RegCreateKeyExW(ToHkey(root), Wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                            &how);
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
  DWORD kind = 0;
  DWORD bytes = size ? *size : 0;
  LONG rc = RegQueryValueExW(ToHkey(key), Wide(name), nullptr, type ? &kind : nullptr, data,
                             size ? &bytes : nullptr);
  if (type && (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA)) *type = kind;
  if (size && (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA)) *size = bytes;
  return rc;
}

// RegSetValueExW.
int32_t SysRegSetValue(RegKey key, const char16_t* name, uint32_t type, const uint8_t* data, uint32_t size) {
  return RegSetValueExW(ToHkey(key), Wide(name), 0, type, data, size);
}

// RegDeleteValueW.
int32_t SysRegDeleteValue(RegKey key, const char16_t* name) { return RegDeleteValueW(ToHkey(key), Wide(name)); }

// RegDeleteKeyW.
int32_t SysRegDeleteKey(RegKey key, const char16_t* subkey) { return RegDeleteKeyW(ToHkey(key), Wide(subkey)); }

// RegEnumKeyExW without class or write time.
int32_t SysRegEnumKey(RegKey key, uint32_t index, char16_t* name, uint32_t* nameLen) {
  DWORD length = *nameLen;
  LONG rc = RegEnumKeyExW(ToHkey(key), index, Wide(name), &length, nullptr, nullptr, nullptr, nullptr);
  if (rc == ERROR_SUCCESS) *nameLen = length;
  return rc;
}

// RegEnumValueW; type, data and dataSize may each be null.
int32_t SysRegEnumValue(RegKey key, uint32_t index, char16_t* name, uint32_t* nameLen, uint32_t* type,
                        uint8_t* data, uint32_t* dataSize) {
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
