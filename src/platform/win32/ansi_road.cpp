// The ANSI road of the Windows layer: which road this Windows takes, and the conversions between
// the seam's UTF-16 and the active ANSI code page that the A calls of the 9x family need.
#include <cstring>

#include "platform/win32/win32_internal.h"

namespace win32 {

namespace {

// -1 until decided; then 1 on the ANSI road, 0 on the wide one.
volatile LONG g_road = -1;

}  // namespace

bool OnAnsiRoad() {
  LONG road = g_road;
  if (road < 0) {
    road = (GetVersion() & 0x80000000u) ? 1 : 0;
    InterlockedCompareExchange(&g_road, road, -1);
    road = g_road;
  }
  return road == 1;
}

void ForceAnsiRoad(int mode) { InterlockedExchange(&g_road, mode < 0 ? -1 : (mode ? 1 : 0)); }

uint32_t AnsiText::Length(const char16_t* text) {
  uint32_t n = 0;
  while (text[n]) ++n;
  return n;
}

AnsiText::AnsiText(const char16_t* text, uint32_t count) {
  if (!text) return;
  const wchar_t* wide = reinterpret_cast<const wchar_t*>(text);
  const int chars = static_cast<int>(count);
  int bytes = count ? WideCharToMultiByte(CP_ACP, 0, wide, chars, nullptr, 0, nullptr, nullptr) : 0;
  if (bytes < 0) bytes = 0;
  if (static_cast<size_t>(bytes) >= sizeof small_) {
    buffer_ = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, static_cast<SIZE_T>(bytes) + 1));
    if (!buffer_) {
      buffer_ = small_;
      bytes = 0;
    }
  }
  if (bytes > 0) bytes = WideCharToMultiByte(CP_ACP, 0, wide, chars, buffer_, bytes, nullptr, nullptr);
  size_ = bytes > 0 ? static_cast<uint32_t>(bytes) : 0;
  buffer_[size_] = 0;
  text_ = buffer_;
}

AnsiText::~AnsiText() {
  if (buffer_ != small_) HeapFree(GetProcessHeap(), 0, buffer_);
}

uint32_t WideLength(const char* text, int bytes) {
  if (!text || bytes == 0) return 0;
  int n = MultiByteToWideChar(CP_ACP, 0, text, bytes, nullptr, 0);
  if (n <= 0) return 0;
  return static_cast<uint32_t>(bytes < 0 ? n - 1 : n);
}

uint32_t ToWide(char16_t* out, uint32_t cap, const char* text, int bytes) {
  if (cap == 0) return 0;
  out[0] = 0;
  if (!text) return 0;
  if (bytes < 0) bytes = static_cast<int>(std::strlen(text));
  if (bytes == 0 || cap == 1) return 0;
  wchar_t* wide = reinterpret_cast<wchar_t*>(out);
  int n = MultiByteToWideChar(CP_ACP, 0, text, bytes, wide, static_cast<int>(cap - 1));
  if (n <= 0) {
    // Too long for the buffer: convert it whole, then keep what fits.
    const int whole = MultiByteToWideChar(CP_ACP, 0, text, bytes, nullptr, 0);
    if (whole <= 0) return 0;
    wchar_t* all = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, static_cast<SIZE_T>(whole) * sizeof(wchar_t)));
    if (!all) return 0;
    MultiByteToWideChar(CP_ACP, 0, text, bytes, all, whole);
    n = whole < static_cast<int>(cap - 1) ? whole : static_cast<int>(cap - 1);
    std::memcpy(wide, all, static_cast<size_t>(n) * sizeof(wchar_t));
    HeapFree(GetProcessHeap(), 0, all);
  }
  out[n] = 0;
  return static_cast<uint32_t>(n);
}

LONG WidenData(const char* ansi, uint32_t bytes, uint8_t* data, uint32_t* size) {
  const int chars = bytes ? MultiByteToWideChar(CP_ACP, 0, ansi, static_cast<int>(bytes), nullptr, 0) : 0;
  const uint32_t wideBytes = static_cast<uint32_t>(chars > 0 ? chars : 0) * sizeof(wchar_t);
  const uint32_t room = size ? *size : 0;
  if (size) *size = wideBytes;
  if (!data) return ERROR_SUCCESS;
  if (wideBytes > room) return ERROR_MORE_DATA;
  if (chars <= 0) return ERROR_SUCCESS;
  wchar_t* wide = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, wideBytes));
  if (!wide) return ERROR_NOT_ENOUGH_MEMORY;
  MultiByteToWideChar(CP_ACP, 0, ansi, static_cast<int>(bytes), wide, chars);
  std::memcpy(data, wide, wideBytes);
  HeapFree(GetProcessHeap(), 0, wide);
  return ERROR_SUCCESS;
}

}  // namespace win32
