// Kernel services on real Windows: version information, program and system folders, code-page
// conversion, folder listings, file operations, last error, the debugger output channel, open
// files and mappings, temporary names, moves, drive types, the current folder and libraries.
#include "platform/kernel.h"

#include <cstring>
#include <vector>

#include "platform/win32/win32_internal.h"

using win32::AnsiText;
using win32::CopyCut;
using win32::Join64;
using win32::OnAnsiRoad;
using win32::ToWide;
using win32::Wide;

static_assert(sizeof(SysFindData::name) / sizeof(char16_t) == MAX_PATH, "name holds cFileName");
static_assert(sizeof(SysFindData::shortName) / sizeof(char16_t) == 14, "shortName holds cAlternateFileName");

namespace {

// Longest folder path the system-folder queries accept before they count as failed.
constexpr UINT kFolderBuffer = 1024;

// Counts the characters of a fixed array up to its first terminator.
template <typename Char, size_t N>
uint32_t FixedLength(const Char (&text)[N]) {
  uint32_t n = 0;
  while (n < N && text[n] != 0) ++n;
  return n;
}

// A fixed text field of a system record into the seam's field of cap characters.
template <size_t N>
void CopyField(char16_t* out, uint32_t cap, const wchar_t (&text)[N]) {
  CopyCut(out, cap, text, FixedLength(text));
}
template <size_t N>
void CopyField(char16_t* out, uint32_t cap, const char (&text)[N]) {
  ToWide(out, cap, text, static_cast<int>(FixedLength(text)));
}

// Converts one WIN32_FIND_DATAW or WIN32_FIND_DATAA into the seam's listing entry.
template <typename FindData>
void FillFindData(const FindData& from, SysFindData* out) {
  out->attributes = from.dwFileAttributes;
  out->creationTime = Join64(from.ftCreationTime.dwHighDateTime, from.ftCreationTime.dwLowDateTime);
  out->lastWriteTime = Join64(from.ftLastWriteTime.dwHighDateTime, from.ftLastWriteTime.dwLowDateTime);
  out->size = Join64(from.nFileSizeHigh, from.nFileSizeLow);
  CopyField(out->name, MAX_PATH, from.cFileName);
  CopyField(out->shortName, 14, from.cAlternateFileName);
}

// Shared body of the system- and Windows-folder queries: asks into a roomy local buffer, then
// cuts to the caller's capacity. A failed or absurdly long answer leaves out empty.
template <typename Query, typename QueryAnsi>
uint32_t GetFolder(Query query, QueryAnsi queryAnsi, char16_t* out, uint32_t cap) {
  if (cap == 0) return 0;
  out[0] = 0;
  if (OnAnsiRoad()) {
    char buffer[kFolderBuffer];
    UINT n = queryAnsi(buffer, kFolderBuffer);
    return n == 0 || n >= kFolderBuffer ? 0 : ToWide(out, cap, buffer, static_cast<int>(n));
  }
  wchar_t buffer[kFolderBuffer];
  UINT n = query(buffer, kFolderBuffer);
  return n == 0 || n >= kFolderBuffer ? 0 : CopyCut(out, cap, buffer, n);
}

// The version record's fields into the seam's; the extended-only ones when the record has them.
template <typename Info>
void FillVersion(const Info& info, SysVersionInfo* out) {
  out->major = info.dwMajorVersion;
  out->minor = info.dwMinorVersion;
  out->build = info.dwBuildNumber;
  out->platformId = info.dwPlatformId;
  CopyField(out->csdVersion, 128, info.szCSDVersion);
}
template <typename InfoEx>
void FillVersionEx(const InfoEx& info, SysVersionInfo* out) {
  FillVersion(info, out);
  out->servicePackMajor = info.wServicePackMajor;
  out->servicePackMinor = info.wServicePackMinor;
  out->suiteMask = info.wSuiteMask;
  out->productType = info.wProductType;
}

// GetVersionEx of the plain or extended record of one character width.
template <typename Info, typename InfoEx, typename Query>
int QueryVersion(Query query, int extended, SysVersionInfo* out) {
  if (extended) {
    InfoEx info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!query(reinterpret_cast<Info*>(&info))) return 0;
    FillVersionEx(info, out);
    return 1;
  }
  Info info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!query(&info)) return 0;
  FillVersion(info, out);
  return 1;
}

}  // namespace

// Plain or extended GetVersionExW (GetVersionExA on the ANSI road); the extended-only fields
// stay zero for the plain form.
int SysGetVersionInfo(SysVersionInfo* out, int extended) {
  *out = SysVersionInfo{};
  if (OnAnsiRoad())
    return QueryVersion<OSVERSIONINFOA, OSVERSIONINFOEXA>([](OSVERSIONINFOA* i) { return GetVersionExA(i); },
                                                          extended, out);
  return QueryVersion<OSVERSIONINFOW, OSVERSIONINFOEXW>([](OSVERSIONINFOW* i) { return GetVersionExW(i); },
                                                        extended, out);
}

// The packed GetVersion word.
uint32_t SysGetVersionWord() { return GetVersion(); }

// GetModuleFileNameW of the program file. Older systems fill a too-small buffer without a
// terminator and newer ones cut it themselves; both end up cut to cap - 1 and terminated.
uint32_t SysGetModulePath(char16_t* out, uint32_t cap) {
  if (cap == 0) return 0;
  if (OnAnsiRoad()) {
    char path[kFolderBuffer];
    DWORD n = GetModuleFileNameA(nullptr, path, kFolderBuffer);
    if (n >= kFolderBuffer) n = kFolderBuffer - 1;
    return ToWide(out, cap, path, static_cast<int>(n));
  }
  DWORD n = GetModuleFileNameW(nullptr, Wide(out), cap);
  if (n >= cap) n = cap - 1;
  out[n] = 0;
  return n;
}

// GetSystemDirectoryW, cut to cap - 1 characters.
uint32_t SysGetSystemDirectory(char16_t* out, uint32_t cap) {
  return GetFolder([](wchar_t* b, UINT c) { return GetSystemDirectoryW(b, c); },
                   [](char* b, UINT c) { return GetSystemDirectoryA(b, c); }, out, cap);
}

// GetWindowsDirectoryW, cut to cap - 1 characters.
uint32_t SysGetWindowsDirectory(char16_t* out, uint32_t cap) {
  return GetFolder([](wchar_t* b, UINT c) { return GetWindowsDirectoryW(b, c); },
                   [](char* b, UINT c) { return GetWindowsDirectoryA(b, c); }, out, cap);
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
  if (OnAnsiRoad()) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(AnsiText(pattern), &data);
    if (find == INVALID_HANDLE_VALUE) return kInvalidHandle;
    FillFindData(data, out);
    return reinterpret_cast<SysHandle>(find);
  }
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(Wide(pattern), &data);
  if (find == INVALID_HANDLE_VALUE) return kInvalidHandle;
  FillFindData(data, out);
  return reinterpret_cast<SysHandle>(find);
}

// FindNextFileW.
int SysFindNextFile(SysHandle find, SysFindData* out) {
  if (OnAnsiRoad()) {
    WIN32_FIND_DATAA data;
    if (!FindNextFileA(reinterpret_cast<HANDLE>(find), &data)) return 0;
    FillFindData(data, out);
    return 1;
  }
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
  SysFindData data;
  SysHandle find = SysFindFirstFile(path, &data);
  if (find == kInvalidHandle) return 0;
  SysFindClose(find);
  return 1;
}

// CreateDirectoryW with default security.
int SysCreateDirectory(const char16_t* path) {
  if (OnAnsiRoad()) return CreateDirectoryA(AnsiText(path), nullptr) ? 1 : 0;
  return CreateDirectoryW(Wide(path), nullptr) ? 1 : 0;
}

// RemoveDirectoryW.
int SysRemoveDirectory(const char16_t* path) {
  if (OnAnsiRoad()) return RemoveDirectoryA(AnsiText(path)) ? 1 : 0;
  return RemoveDirectoryW(Wide(path)) ? 1 : 0;
}

// DeleteFileW.
int SysDeleteFile(const char16_t* path) {
  if (OnAnsiRoad()) return DeleteFileA(AnsiText(path)) ? 1 : 0;
  return DeleteFileW(Wide(path)) ? 1 : 0;
}

// CopyFileW.
int SysCopyFile(const char16_t* source, const char16_t* target, int failIfExists) {
  if (OnAnsiRoad()) return CopyFileA(AnsiText(source), AnsiText(target), failIfExists ? TRUE : FALSE) ? 1 : 0;
  return CopyFileW(Wide(source), Wide(target), failIfExists ? TRUE : FALSE) ? 1 : 0;
}

// GetFileAttributesW; INVALID_FILE_ATTRIBUTES equals kInvalidAttributes.
uint32_t SysGetFileAttributes(const char16_t* path) {
  if (OnAnsiRoad()) return GetFileAttributesA(AnsiText(path));
  return GetFileAttributesW(Wide(path));
}

// SetFileAttributesW.
int SysSetFileAttributes(const char16_t* path, uint32_t attributes) {
  if (OnAnsiRoad()) return SetFileAttributesA(AnsiText(path), attributes) ? 1 : 0;
  return SetFileAttributesW(Wide(path), attributes) ? 1 : 0;
}

// GetLastError.
ErrorCode SysGetLastError() { return GetLastError(); }

// SetLastError.
void SysSetLastError(ErrorCode code) { SetLastError(code); }

// OutputDebugStringW.
void SysDebugOutput(const char16_t* text) {
  if (OnAnsiRoad())
    OutputDebugStringA(AnsiText(text));
  else
    OutputDebugStringW(Wide(text));
}

// Sleep.
void SysSleep(uint32_t milliseconds) { Sleep(milliseconds); }

// SetProcessShutdownParameters, found at run time (the 9x family lacks it).
int SysSetProcessShutdownParameters(uint32_t level, uint32_t flags) {
  auto set = win32::SystemCall<decltype(&::SetProcessShutdownParameters)>("kernel32.dll", "SetProcessShutdownParameters");
  return set && set(level, flags) ? 1 : 0;
}

// ---- Open files, mapping, temporary names, moves, drives, error mode, current folder, libraries

static_assert(kGenericRead == GENERIC_READ && kGenericWrite == GENERIC_WRITE, "access rights match winnt.h");
static_assert(kFileShareRead == FILE_SHARE_READ && kFileShareWrite == FILE_SHARE_WRITE, "sharing matches");
static_assert(kCreateNew == CREATE_NEW && kCreateAlways == CREATE_ALWAYS && kOpenExisting == OPEN_EXISTING &&
                  kOpenAlways == OPEN_ALWAYS,
              "dispositions match");
static_assert(kInvalidFileSize == INVALID_FILE_SIZE, "GetFileSize's failure value");
static_assert(kMoveFileReplaceExisting == MOVEFILE_REPLACE_EXISTING &&
                  kMoveFileDelayUntilReboot == MOVEFILE_DELAY_UNTIL_REBOOT,
              "MoveFileEx flags match");
static_assert(kDriveFixed == DRIVE_FIXED && kDriveCdrom == DRIVE_CDROM && kDriveNoRootDir == DRIVE_NO_ROOT_DIR,
              "drive types match");
static_assert(kSemFailCriticalErrors == SEM_FAILCRITICALERRORS, "error mode bit matches");

// CreateFileW without security attributes or template; INVALID_HANDLE_VALUE is kInvalidHandle.
SysHandle SysCreateFile(const char16_t* path, uint32_t access, uint32_t share, uint32_t disposition, uint32_t flags) {
  if (OnAnsiRoad()) return SysCreateFileAnsi(AnsiText(path), access, share, disposition, flags);
  HANDLE file = CreateFileW(Wide(path), access, share, nullptr, disposition, flags, nullptr);
  return reinterpret_cast<SysHandle>(file);
}

// GetFileSize.
uint32_t SysGetFileSize(SysHandle file, uint32_t* high) {
  DWORD upper = 0;
  DWORD low = GetFileSize(reinterpret_cast<HANDLE>(file), &upper);
  if (high) *high = upper;
  return low;
}

// GetFileTime, each time as a 64-bit count.
int SysGetFileTime(SysHandle file, uint64_t* creation, uint64_t* lastAccess, uint64_t* lastWrite) {
  FILETIME c = {}, a = {}, w = {};
  if (!GetFileTime(reinterpret_cast<HANDLE>(file), &c, &a, &w)) return 0;
  if (creation) *creation = Join64(c.dwHighDateTime, c.dwLowDateTime);
  if (lastAccess) *lastAccess = Join64(a.dwHighDateTime, a.dwLowDateTime);
  if (lastWrite) *lastWrite = Join64(w.dwHighDateTime, w.dwLowDateTime);
  return 1;
}

// ReadFile, synchronous; the count pointer may be null (a local one is given to Windows).
int SysReadFile(SysHandle file, void* buffer, uint32_t bytes, uint32_t* bytesRead) {
  DWORD done = 0;
  BOOL ok = ReadFile(reinterpret_cast<HANDLE>(file), buffer, bytes, &done, nullptr);
  if (bytesRead) *bytesRead = done;
  return ok ? 1 : 0;
}

// WriteFile, synchronous.
int SysWriteFile(SysHandle file, const void* buffer, uint32_t bytes, uint32_t* bytesWritten) {
  DWORD done = 0;
  BOOL ok = WriteFile(reinterpret_cast<HANDLE>(file), buffer, bytes, &done, nullptr);
  if (bytesWritten) *bytesWritten = done;
  return ok ? 1 : 0;
}

// SetFilePointer with a 32-bit distance.
uint32_t SysSetFilePointer(SysHandle file, int32_t distance, uint32_t method) {
  return SetFilePointer(reinterpret_cast<HANDLE>(file), distance, nullptr, method);
}

// SetEndOfFile.
int SysSetEndOfFile(SysHandle file) { return SetEndOfFile(reinterpret_cast<HANDLE>(file)) ? 1 : 0; }

// CloseHandle.
int SysCloseHandle(SysHandle handle) { return CloseHandle(reinterpret_cast<HANDLE>(handle)) ? 1 : 0; }

// CreateFileMappingW, PAGE_READWRITE, unnamed; null on failure.
SysHandle SysCreateFileMapping(SysHandle file, uint32_t size) {
  HANDLE real = reinterpret_cast<HANDLE>(file);
  if (OnAnsiRoad()) return reinterpret_cast<SysHandle>(CreateFileMappingA(real, nullptr, PAGE_READWRITE, 0, size, nullptr));
  return reinterpret_cast<SysHandle>(CreateFileMappingW(real, nullptr, PAGE_READWRITE, 0, size, nullptr));
}

// MapViewOfFile of the whole mapping for writing.
void* SysMapViewOfFile(SysHandle mapping) {
  return MapViewOfFile(reinterpret_cast<HANDLE>(mapping), FILE_MAP_WRITE, 0, 0, 0);
}

// UnmapViewOfFile; the system writes the changed pages back.
int SysUnmapViewOfFile(void* view) { return UnmapViewOfFile(view) ? 1 : 0; }

// GetTempFileNameW into a MAX_PATH buffer; a null prefix stands for an empty one.
uint32_t SysGetTempFileName(const char16_t* folder, const char16_t* prefix, uint32_t unique, char16_t* out) {
  if (OnAnsiRoad()) {
    char name[MAX_PATH * 2] = {};
    const UINT n = GetTempFileNameA(AnsiText(folder), AnsiText(prefix ? prefix : u""), unique, name);
    if (n) ToWide(out, MAX_PATH, name);
    return n;
  }
  return GetTempFileNameW(Wide(folder), prefix ? Wide(prefix) : L"", unique, Wide(out));
}

// MoveFileExW, found at run time (the 9x family's kernel may lack it).
int SysMoveFileEx(const char16_t* source, const char16_t* target, uint32_t flags) {
  if (OnAnsiRoad()) {
    auto move = win32::SystemCall<decltype(&::MoveFileExA)>("kernel32.dll", "MoveFileExA");
    return move && move(AnsiText(source), AnsiText(target), flags) ? 1 : 0;
  }
  auto move = win32::SystemCall<decltype(&::MoveFileExW)>("kernel32.dll", "MoveFileExW");
  return move && move(Wide(source), target ? Wide(target) : nullptr, flags) ? 1 : 0;
}

// GetDriveTypeW.
uint32_t SysGetDriveType(const char16_t* root) {
  if (OnAnsiRoad()) return GetDriveTypeA(AnsiText(root));
  return GetDriveTypeW(root ? Wide(root) : nullptr);
}

// SetErrorMode.
uint32_t SysSetErrorMode(uint32_t mode) { return SetErrorMode(mode); }

// SetCurrentDirectoryW.
int SysSetCurrentDirectory(const char16_t* path) {
  if (OnAnsiRoad()) return SetCurrentDirectoryA(AnsiText(path)) ? 1 : 0;
  return SetCurrentDirectoryW(Wide(path)) ? 1 : 0;
}

// LoadLibrary of a system library: a bare name is loaded from the system folder, never through
// the search path (a file of that name beside the program is not taken).
ModuleHandle SysLoadLibrary(const char16_t* name) { return reinterpret_cast<ModuleHandle>(win32::LoadSystemLibrary(name)); }

// GetProcAddress; the address is handed on as data, never called through this seam.
void* SysGetProcAddress(ModuleHandle module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(module), name));
}

// FreeLibrary.
int SysFreeLibrary(ModuleHandle module) { return FreeLibrary(reinterpret_cast<HMODULE>(module)) ? 1 : 0; }

// LoadLibraryExW as a data file: the library's code is never run.
ModuleHandle SysLoadLibraryAsData(const char16_t* path) {
  if (OnAnsiRoad()) return reinterpret_cast<ModuleHandle>(LoadLibraryExA(AnsiText(path), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  return reinterpret_cast<ModuleHandle>(LoadLibraryExW(Wide(path), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

// FindResourceA, LoadResource, LockResource, SizeofResource.
int SysFindResourceData(ModuleHandle module, const char* name, uint32_t type, const uint8_t** data, uint32_t* size) {
  HMODULE library = reinterpret_cast<HMODULE>(module);
  HRSRC found = FindResourceA(library, name, MAKEINTRESOURCEA(type));
  if (!found) return 0;
  HGLOBAL loaded = LoadResource(library, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return 0;
  *data = static_cast<const uint8_t*>(bytes);
  *size = SizeofResource(library, found);
  return 1;
}

// FormatMessageW of a system message text, cut to cap - 1 characters.
uint32_t SysFormatSystemMessage(ErrorCode code, char16_t* out, uint32_t cap) {
  if (!out || cap == 0) return 0;
  out[0] = 0;
  if (OnAnsiRoad()) {
    char text[kFolderBuffer];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                             kFolderBuffer, nullptr);
    return n ? ToWide(out, cap, text, static_cast<int>(n)) : 0;
  }
  // The system refuses a buffer too small for the whole text: format in full, then cut.
  wchar_t text[kFolderBuffer];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                           kFolderBuffer, nullptr);
  if (n == 0) return 0;
  if (n > cap - 1) n = cap - 1;
  std::memcpy(out, text, n * sizeof(wchar_t));
  out[n] = 0;
  return n;
}

// WideCharToMultiByte(CP_ACP) with "?" for characters the code page lacks, cut to cap - 1 bytes.
uint32_t SysWideToAnsi(const char16_t* text, char* out, uint32_t cap) {
  if (!out || cap == 0) return 0;
  out[0] = 0;
  if (!text) return 0;
  int n = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(text), -1, out, static_cast<int>(cap),
                              "?", nullptr);
  if (n <= 0) {
    // The buffer is too small for the whole text: convert it in full, then keep cap - 1 bytes.
    int full = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(text), -1, nullptr, 0, "?", nullptr);
    if (full <= 0) return 0;
    char* whole = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, static_cast<SIZE_T>(full)));
    if (!whole) return 0;
    WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(text), -1, whole, full, "?", nullptr);
    uint32_t keep = static_cast<uint32_t>(full - 1) < cap - 1 ? static_cast<uint32_t>(full - 1) : cap - 1;
    CopyMemory(out, whole, keep);
    out[keep] = 0;
    HeapFree(GetProcessHeap(), 0, whole);
    return keep;
  }
  return static_cast<uint32_t>(n - 1);
}
