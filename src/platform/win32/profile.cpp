// INI profile reading on real Windows: GetPrivateProfileStringW and GetPrivateProfileIntW, or
// their A forms on the ANSI road.
#include "platform/profile.h"

#include <vector>

#include "platform/win32/win32_internal.h"

using win32::AnsiText;
using win32::OnAnsiRoad;
using win32::Wide;

namespace {

// GetPrivateProfileStringA into a byte buffer of two bytes per character, converted into out.
// A list of names (null section or key) keeps its inner terminators and ends with two; a text
// longer than out is cut as the wide function cuts it.
uint32_t ReadProfileStringAnsi(const char16_t* section, const char16_t* key, const char16_t* fallback,
                               char16_t* out, uint32_t size, const char16_t* file) {
  std::vector<char> bytes(static_cast<size_t>(size) * 2 + 2);
  DWORD n = GetPrivateProfileStringA(AnsiText(section), AnsiText(key), AnsiText(fallback ? fallback : u""),
                                     bytes.data(), static_cast<DWORD>(bytes.size()), AnsiText(file));
  const bool list = !section || !key;
  uint32_t kept = n ? win32::ToWide(out, size, bytes.data(), static_cast<int>(n)) : 0;
  out[kept] = 0;
  if (list && size >= 2) {
    if (kept + 1 >= size) kept = size - 2;
    out[kept] = 0;
    out[kept + 1] = 0;
  }
  return kept;
}

}  // namespace

// GetPrivateProfileStringW. A null fallback reads as an empty default; a zero-size buffer is
// never handed to the system.
uint32_t SysReadProfileString(const char16_t* section, const char16_t* key, const char16_t* fallback,
                              char16_t* out, uint32_t size, const char16_t* file) {
  if (size == 0) return 0;
  if (OnAnsiRoad()) return ReadProfileStringAnsi(section, key, fallback, out, size, file);
  return GetPrivateProfileStringW(Wide(section), Wide(key), fallback ? Wide(fallback) : L"", Wide(out), size,
                                  Wide(file));
}

// GetPrivateProfileIntW.
uint32_t SysReadProfileInt(const char16_t* section, const char16_t* key, int32_t fallback,
                           const char16_t* file) {
  if (OnAnsiRoad()) return GetPrivateProfileIntA(AnsiText(section), AnsiText(key), fallback, AnsiText(file));
  return GetPrivateProfileIntW(Wide(section), Wide(key), fallback, Wide(file));
}
