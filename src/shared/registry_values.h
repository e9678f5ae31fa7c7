// Writing registry values the way this program always writes them: strings as REG_SZ of twice
// their character count (no terminating zero stored), numbers as 4-byte REG_DWORD.
#pragma once
#include <cstdint>

#include "platform/registry.h"

// Writes text as a REG_SZ value name of key without its terminator. Returns the registry
// result: 0 when written, a Windows error code otherwise.
int32_t WriteRegistryText(RegKey key, const char16_t* name, const char16_t* text);

// Writes value as a 4-byte REG_DWORD value name of key. Returns the registry result.
int32_t WriteRegistryDword(RegKey key, const char16_t* name, uint32_t value);

// Creates (or opens) root\path with full access and writes text there as WriteRegistryText
// does. Returns 1 when the value was written, 0 when the key or the value failed.
int WriteRegistryTextAt(RegKey root, const char16_t* path, const char16_t* name, const char16_t* text);

// Creates (or opens) root\path with full access and writes value there as WriteRegistryDword
// does. Returns 1 when the value was written, 0 when the key or the value failed.
int WriteRegistryDwordAt(RegKey root, const char16_t* path, const char16_t* name, uint32_t value);
