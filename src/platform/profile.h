// INI profile reading with the semantics of GetPrivateProfileStringW / GetPrivateProfileIntW.
#pragma once
#include "platform/types.h"

// Reads key `key` of section `section` of `file` into out (size characters), or the default
// when the file, section or key is missing. A null key lists the section's key names
// (each terminated, the list ended by a second terminator); a null section lists the
// section names. A file given without a folder is looked for in the Windows folder.
// Returns the number of characters copied, not counting the terminator (size - 1 when a value
// was cut, size - 2 when a list was cut).
uint32_t SysReadProfileString(const char16_t* section, const char16_t* key, const char16_t* fallback,
                              char16_t* out, uint32_t size, const char16_t* file);

// Reads a key as an unsigned integer: leading decimal digits (or 0x hexadecimal); `fallback`
// when the key is missing or its value is empty.
uint32_t SysReadProfileInt(const char16_t* section, const char16_t* key, int32_t fallback,
                           const char16_t* file);
