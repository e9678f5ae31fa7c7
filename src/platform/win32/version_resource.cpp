// Version services on real Windows: GetFileVersionInfoSizeW, GetFileVersionInfoW and
// VerQueryValueW, found at run time in the system's version library (the A functions on the ANSI
// road, whose string values are handed on converted).
#include <windows.h>

#include <winver.h>

#include "platform/version_info.h"
#include "platform/win32/win32_internal.h"

using win32::AnsiText;
using win32::OnAnsiRoad;
using win32::SystemCall;
using win32::Wide;

static_assert(sizeof(SysFixedFileInfo) == sizeof(VS_FIXEDFILEINFO), "the fixed information maps one to one");

namespace {

constexpr const char* kVersionLibrary = "version.dll";

typedef DWORD(WINAPI* SizeWFn)(LPCWSTR, LPDWORD);
typedef DWORD(WINAPI* SizeAFn)(LPCSTR, LPDWORD);
typedef BOOL(WINAPI* InfoWFn)(LPCWSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI* InfoAFn)(LPCSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI* QueryWFn)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
typedef BOOL(WINAPI* QueryAFn)(LPCVOID, LPCSTR, LPVOID*, PUINT);

// String values read on the ANSI road, converted; each query's value stays readable until this
// thread has made four more string queries (the caller copies it at once).
constexpr int kKeptValues = 4;
constexpr uint32_t kValueChars = 512;
thread_local char16_t t_values[kKeptValues][kValueChars];
thread_local int t_nextValue = 0;

bool IsStringQuery(const char16_t* subBlock) {
  const char16_t* prefix = u"\\StringFileInfo\\";
  size_t i = 0;
  for (; prefix[i] && subBlock[i]; ++i) {
    char16_t c = subBlock[i] >= u'a' && subBlock[i] <= u'z' ? static_cast<char16_t>(subBlock[i] - 32) : subBlock[i];
    char16_t p = prefix[i] >= u'a' && prefix[i] <= u'z' ? static_cast<char16_t>(prefix[i] - 32) : prefix[i];
    if (c != p) return false;
  }
  return prefix[i] == 0;
}

// VerQueryValueA with the sub-block name converted; a string value is converted to wide text and
// its length counted in characters as VerQueryValueW counts it.
int QueryAnsi(const void* block, const char16_t* subBlock, void** value, uint32_t* length) {
  QueryAFn query = SystemCall<QueryAFn>(kVersionLibrary, "VerQueryValueA");
  void* found = nullptr;
  UINT count = 0;
  if (!query || !query(block, AnsiText(subBlock), &found, &count)) return 0;
  if (found && IsStringQuery(subBlock)) {
    char16_t* text = t_values[t_nextValue];
    t_nextValue = (t_nextValue + 1) % kKeptValues;
    const char* ansi = static_cast<const char*>(found);
    int bytes = 0;
    while (static_cast<UINT>(bytes) < count && ansi[bytes]) ++bytes;
    count = win32::ToWide(text, kValueChars, ansi, bytes) + (static_cast<UINT>(bytes) < count ? 1 : 0);
    found = text;
  }
  if (value) *value = found;
  if (length) *length = count;
  return 1;
}

}  // namespace

uint32_t SysGetFileVersionInfoSize(const char16_t* path) {
  DWORD ignored = 0;
  if (OnAnsiRoad()) {
    SizeAFn size = SystemCall<SizeAFn>(kVersionLibrary, "GetFileVersionInfoSizeA");
    return size ? size(AnsiText(path), &ignored) : 0;
  }
  SizeWFn size = SystemCall<SizeWFn>(kVersionLibrary, "GetFileVersionInfoSizeW");
  return size ? size(Wide(path), &ignored) : 0;
}

int SysGetFileVersionInfo(const char16_t* path, uint32_t size, void* data) {
  if (OnAnsiRoad()) {
    InfoAFn info = SystemCall<InfoAFn>(kVersionLibrary, "GetFileVersionInfoA");
    return info && info(AnsiText(path), 0, size, data) ? 1 : 0;
  }
  InfoWFn info = SystemCall<InfoWFn>(kVersionLibrary, "GetFileVersionInfoW");
  return info && info(Wide(path), 0, size, data) ? 1 : 0;
}

int SysVerQueryValue(const void* block, const char16_t* subBlock, void** value, uint32_t* length) {
  if (length) *length = 0;
  if (OnAnsiRoad()) return QueryAnsi(block, subBlock, value, length);
  QueryWFn query = SystemCall<QueryWFn>(kVersionLibrary, "VerQueryValueW");
  void* found = nullptr;
  UINT count = 0;
  if (!query || !query(block, Wide(subBlock), &found, &count)) return 0;
  if (value) *value = found;
  if (length) *length = count;
  return 1;
}
