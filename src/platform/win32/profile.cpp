// INI profile reading on real Windows: GetPrivateProfileStringW and GetPrivateProfileIntW.
#include "platform/profile.h"

#include "platform/win32/win32_internal.h"

using win32::Wide;

// GetPrivateProfileStringW. A null fallback reads as an empty default; a zero-size buffer is
// never handed to the system.
uint32_t SysReadProfileString(const char16_t* section, const char16_t* key, const char16_t* fallback,
                              char16_t* out, uint32_t size, const char16_t* file) {
  if (size == 0) return 0;
  return GetPrivateProfileStringW(Wide(section), Wide(key), fallback ? Wide(fallback) : L"", Wide(out), size,
                                  Wide(file));
}

// GetPrivateProfileIntW.
uint32_t SysReadProfileInt(const char16_t* section, const char16_t* key, int32_t fallback,
                           const char16_t* file) {
  return GetPrivateProfileIntW(Wide(section), Wide(key), fallback, Wide(file));
}
