// Registry services with Win32 result codes (0 = success, otherwise a Windows error code).
#pragma once
#include "platform/types.h"

typedef struct SysRegKeyTag* RegKey;

// Predefined roots, numerically equal to HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE.
inline RegKey const kRegClassesRoot = reinterpret_cast<RegKey>(static_cast<intptr_t>(static_cast<int32_t>(0x80000000)));
inline RegKey const kRegCurrentUser = reinterpret_cast<RegKey>(static_cast<intptr_t>(static_cast<int32_t>(0x80000001)));
inline RegKey const kRegLocalMachine = reinterpret_cast<RegKey>(static_cast<intptr_t>(static_cast<int32_t>(0x80000002)));

// Value types.
constexpr uint32_t kRegTypeNone = 0;
constexpr uint32_t kRegTypeSz = 1;
constexpr uint32_t kRegTypeExpandSz = 2;
constexpr uint32_t kRegTypeBinary = 3;
constexpr uint32_t kRegTypeDword = 4;
constexpr uint32_t kRegTypeMultiSz = 7;

// Access masks.
constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kKeyWrite = 0x20006;
constexpr uint32_t kKeyAllAccess = 0xF003F;

// Dispositions reported by SysRegCreateKey.
constexpr uint32_t kRegCreatedNewKey = 1;
constexpr uint32_t kRegOpenedExistingKey = 2;

int32_t SysRegOpenKey(RegKey root, const char16_t* path, uint32_t access, RegKey* out);
// Creates every missing key of the path. disposition may be null.
int32_t SysRegCreateKey(RegKey root, const char16_t* path, uint32_t access, RegKey* out, uint32_t* disposition);
int32_t SysRegCloseKey(RegKey key);
// RegQueryValueExW: data may be null to ask for the size; kErrMoreData when *size is too small.
int32_t SysRegQueryValue(RegKey key, const char16_t* name, uint32_t* type, uint8_t* data, uint32_t* size);
int32_t SysRegSetValue(RegKey key, const char16_t* name, uint32_t type, const uint8_t* data, uint32_t size);
int32_t SysRegDeleteValue(RegKey key, const char16_t* name);
// Deletes a subkey that has no subkeys of its own.
int32_t SysRegDeleteKey(RegKey key, const char16_t* subkey);
// RegEnumKeyExW: *nameLen in characters (in: buffer size, out: length without terminator).
int32_t SysRegEnumKey(RegKey key, uint32_t index, char16_t* name, uint32_t* nameLen);
// RegEnumValueW: type, data and dataSize may be null.
int32_t SysRegEnumValue(RegKey key, uint32_t index, char16_t* name, uint32_t* nameLen, uint32_t* type,
                        uint8_t* data, uint32_t* dataSize);
