// Kernel services on real Windows: version information, program and system folders, code-page
// conversion, folder listings, file operations, last error and the debugger output channel.
#include "platform/kernel.h"

#include <vector>

#include "platform/win32/win32_internal.h"

using win32::CopyCut;
using win32::Join64;
using win32::Wide;

static_assert(sizeof(SysFindData::name) / sizeof(char16_t) == MAX_PATH, "name holds cFileName");
static_assert(sizeof(SysFindData::shortName) / sizeof(char16_t) == 14, "shortName holds cAlternateFileName");

namespace {

// Longest folder path the system-folder queries accept before they count as failed.
constexpr UINT kFolderBuffer = 1024;

// Counts the characters of a fixed wide array up to its first terminator.
template <size_t N>
uint32_t FixedLength(const wchar_t (&text)[N]) {
  uint32_t n = 0;
  while (n < N && text[n] != 0) ++n;
  return n;
}

// Converts one WIN32_FIND_DATAW into the seam's listing entry.
void FillFindData(const WIN32_FIND_DATAW& from, SysFindData* out) {
  out->attributes = from.dwFileAttributes;
  out->creationTime = Join64(from.ftCreationTime.dwHighDateTime, from.ftCreationTime.dwLowDateTime);
  out->lastWriteTime = Join64(from.ftLastWriteTime.dwHighDateTime, from.ftLastWriteTime.dwLowDateTime);
  out->size = Join64(from.nFileSizeHigh, from.nFileSizeLow);
  CopyCut(out->name, MAX_PATH, from.cFileName, FixedLength(from.cFileName));
  CopyCut(out->shortName, 14, from.cAlternateFileName, FixedLength(from.cAlternateFileName));
}

// Shared body of the system- and Windows-folder queries: asks into a roomy local buffer, then
// cuts to the caller's capacity. A failed or absurdly long answer leaves out empty.
template <typename Query>
uint32_t GetFolder(Query query, char16_t* out, uint32_t cap) {
  if (cap == 0) return 0;
  wchar_t buffer[kFolderBuffer];
  UINT n = query(buffer, kFolderBuffer);
  if (n == 0 || n >= kFolderBuffer) {
    out[0] = 0;
    return 0;
  }
  return CopyCut(out, cap, buffer, n);
}

}  // namespace

// Plain or extended GetVersionExW; the extended-only fields stay zero for the plain form.
int SysGetVersionInfo(SysVersionInfo* out, int extended) {
  *out = SysVersionInfo{};
  if (extended) {
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return 0;
    out->major = info.dwMajorVersion;
    out->minor = info.dwMinorVersion;
    out->build = info.dwBuildNumber;
    out->platformId = info.dwPlatformId;
    CopyCut(out->csdVersion, 128, info.szCSDVersion, FixedLength(info.szCSDVersion));
    out->servicePackMajor = info.wServicePackMajor;
    out->servicePackMinor = info.wServicePackMinor;
    out->suiteMask = info.wSuiteMask;
    out->productType = info.wProductType;
    return 1;
  }
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExW(&info)) return 0;
  out->major = info.dwMajorVersion;
  out->minor = info.dwMinorVersion;
  out->build = info.dwBuildNumber;
  out->platformId = info.dwPlatformId;
  CopyCut(out->csdVersion, 128, info.szCSDVersion, FixedLength(info.szCSDVersion));
  return 1;
}

// The packed GetVersion word.
uint32_t SysGetVersionWord() { return GetVersion(); }

// GetModuleFileNameW of the program file. Older systems fill a too-small buffer without a
// terminator and newer ones cut it themselves; both end up cut to cap - 1 and terminated.
uint32_t SysGetModulePath(char16_t* out, uint32_t cap) {
  if (cap == 0) return 0;
  DWORD n = GetModuleFileNameW(nullptr, Wide(out), cap);
  if (n >= cap) n = cap - 1;
  out[n] = 0;
  return n;
}

// GetSystemDirectoryW, cut to cap - 1 characters.
uint32_t SysGetSystemDirectory(char16_t* out, uint32_t cap) {
  return GetFolder([](wchar_t* b, UINT c) { return GetSystemDirectoryW(b, c); }, out, cap);
}

// GetWindowsDirectoryW, cut to cap - 1 characters.
uint32_t SysGetWindowsDirectory(char16_t* out, uint32_t cap) {
  return GetFolder([](wchar_t* b, UINT c) { return GetWindowsDirectoryW(b, c); }, out, cap);
}

// MultiByteToWideChar(CP_ACP). A text longer than the buffer is converted whole into a
// temporary and then cut, since the call itself fails instead of cutting.
uint32_t SysAnsiToWide(const char* text, char16_t* out, uint32_t cap) {
  if (cap == 0) return 0;
  out[0] = 0;
  if (text == nullptr || text[0] == 0) return 0;
  int needed = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);  // includes the terminator
  if (needed <= 0) return 0;
  if (static_cast<uint32_t>(needed) <= cap) {
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, Wide(out), static_cast<int>(cap));
    if (n <= 0) {
      out[0] = 0;
      return 0;
    }
    out[n - 1] = 0;
    return static_cast<uint32_t>(n - 1);
  }
  std::vector<wchar_t> whole(static_cast<size_t>(needed));
  int n = MultiByteToWideChar(CP_ACP, 0, text, -1, whole.data(), needed);
  if (n <= 0) return 0;
  return CopyCut(out, cap, whole.data(), static_cast<uint32_t>(n - 1));
}

// GetThreadLocale.
uint32_t SysGetThreadLocale() { return GetThreadLocale(); }

// FindFirstFileW; INVALID_HANDLE_VALUE and kInvalidHandle are the same all-ones value.
SysHandle SysFindFirstFile(const char16_t* pattern, SysFindData* out) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(Wide(pattern), &data);
  if (find == INVALID_HANDLE_VALUE) return kInvalidHandle;
  FillFindData(data, out);
  return reinterpret_cast<SysHandle>(find);
}

// FindNextFileW.
int SysFindNextFile(SysHandle find, SysFindData* out) {
  WIN32_FIND_DATAW data;
  if (!FindNextFileW(reinterpret_cast<HANDLE>(find), &data)) return 0;
  FillFindData(data, out);
  return 1;
}

// FindClose; an invalid handle is ignored.
void SysFindClose(SysHandle find) {
  if (find != kInvalidHandle && find != nullptr) FindClose(reinterpret_cast<HANDLE>(find));
}

// Find-first-file test of a path or pattern.
int SysPathExists(const char16_t* path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(Wide(path), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  FindClose(find);
  return 1;
}

// CreateDirectoryW with default security.
int SysCreateDirectory(const char16_t* path) { return CreateDirectoryW(Wide(path), nullptr) ? 1 : 0; }

// RemoveDirectoryW.
int SysRemoveDirectory(const char16_t* path) { return RemoveDirectoryW(Wide(path)) ? 1 : 0; }

// DeleteFileW.
int SysDeleteFile(const char16_t* path) { return DeleteFileW(Wide(path)) ? 1 : 0; }

// CopyFileW.
int SysCopyFile(const char16_t* source, const char16_t* target, int failIfExists) {
  return CopyFileW(Wide(source), Wide(target), failIfExists ? TRUE : FALSE) ? 1 : 0;
}

// GetFileAttributesW; INVALID_FILE_ATTRIBUTES equals kInvalidAttributes.
uint32_t SysGetFileAttributes(const char16_t* path) { return GetFileAttributesW(Wide(path)); }

// SetFileAttributesW.
int SysSetFileAttributes(const char16_t* path, uint32_t attributes) {
  return SetFileAttributesW(Wide(path), attributes) ? 1 : 0;
}

// GetLastError.
ErrorCode SysGetLastError() { return GetLastError(); }

// SetLastError.
void SysSetLastError(ErrorCode code) { SetLastError(code); }

// OutputDebugStringW.
void SysDebugOutput(const char16_t* text) { OutputDebugStringW(Wide(text)); }

// Sleep.
void SysSleep(uint32_t milliseconds) { Sleep(milliseconds); }

// SetProcessShutdownParameters.
int SysSetProcessShutdownParameters(uint32_t level, uint32_t flags) {
  return SetProcessShutdownParameters(level, flags) ? 1 : 0;
}
