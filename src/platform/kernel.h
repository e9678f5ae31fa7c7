// Kernel services: version information, module path, folders, files, code pages, locale,
// timing and the debugger output channel.
#pragma once
#include "platform/types.h"

// Version information as GetVersionExW reports it.
struct SysVersionInfo {
  uint32_t major;
  uint32_t minor;
  uint32_t build;
  uint32_t platformId;      // 1 = Windows 9x family, 2 = NT family
  char16_t csdVersion[128]; // service-pack text
  uint16_t servicePackMajor; // extended form only
  uint16_t servicePackMinor; // extended form only
  uint16_t suiteMask;        // extended form only
  uint8_t productType;       // extended form only: 1 workstation, 2 domain controller, 3 server
};
constexpr uint32_t kPlatform9x = 1;
constexpr uint32_t kPlatformNT = 2;
constexpr uint8_t kProductServer = 3;

// Fills *out from the plain (extended = 0) or extended (extended = 1) version request.
// Returns 1 on success, 0 when the system has no such information (extended form on
// Windows 95 and NT 4 before SP6).
int SysGetVersionInfo(SysVersionInfo* out, int extended);

// The GetVersion word: bit 31 set on the 9x family, low byte major, next byte minor.
uint32_t SysGetVersionWord();

// Full path of the running program file, cut to cap - 1 characters. Returns the length.
uint32_t SysGetModulePath(char16_t* out, uint32_t cap);
uint32_t SysGetSystemDirectory(char16_t* out, uint32_t cap);
uint32_t SysGetWindowsDirectory(char16_t* out, uint32_t cap);

// Active-code-page to UTF-16 conversion (MultiByteToWideChar with CP_ACP), always terminated
// within cap. Returns the number of characters written without the terminator.
uint32_t SysAnsiToWide(const char* text, char16_t* out, uint32_t cap);

// The calling thread's locale id (language id in the low 16 bits, sort id above).
uint32_t SysGetThreadLocale();

// One entry of a folder listing.
struct SysFindData {
  uint32_t attributes;
  uint64_t creationTime;   // FILETIME as a 64-bit count of 100 ns since 1601
  uint64_t lastWriteTime;
  uint64_t size;
  char16_t name[260];
  char16_t shortName[14];
};
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kAttrNormal = 0x80;
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;

// FindFirstFileW/FindNextFileW/FindClose. First returns kInvalidHandle when nothing matches
// (last error 2 or 3). Next returns 1 while entries remain, 0 at the end (last error 18).
SysHandle SysFindFirstFile(const char16_t* pattern, SysFindData* out);
int SysFindNextFile(SysHandle find, SysFindData* out);
void SysFindClose(SysHandle find);

// 1 when a file or folder matches the path or pattern (a find-first-file test), else 0.
int SysPathExists(const char16_t* path);

// Folder and file operations; each returns 1 on success, 0 on failure with the last error set.
int SysCreateDirectory(const char16_t* path);
int SysRemoveDirectory(const char16_t* path);
int SysDeleteFile(const char16_t* path);
int SysCopyFile(const char16_t* source, const char16_t* target, int failIfExists);
uint32_t SysGetFileAttributes(const char16_t* path);  // kInvalidAttributes when missing
int SysSetFileAttributes(const char16_t* path, uint32_t attributes);

// Last-error value of the calling thread.
ErrorCode SysGetLastError();
void SysSetLastError(ErrorCode code);

// The debugger output channel (OutputDebugStringW).
void SysDebugOutput(const char16_t* text);

void SysSleep(uint32_t milliseconds);

// SetProcessShutdownParameters. Returns 1 on success.
int SysSetProcessShutdownParameters(uint32_t level, uint32_t flags);

// ---- Open files (CreateFileW and friends) ----
constexpr uint32_t kGenericRead = 0x80000000;
constexpr uint32_t kGenericWrite = 0x40000000;
constexpr uint32_t kFileShareRead = 0x1;
constexpr uint32_t kFileShareWrite = 0x2;
constexpr uint32_t kCreateNew = 1;
constexpr uint32_t kCreateAlways = 2;
constexpr uint32_t kOpenExisting = 3;
constexpr uint32_t kOpenAlways = 4;
constexpr uint32_t kInvalidFileSize = 0xFFFFFFFF;

// CreateFileW (no security attributes, no template). Returns kInvalidHandle on failure with the
// last error set (2 missing, 3 no folder, 5 read-only or folder, 32 in use or not shared).
SysHandle SysCreateFile(const char16_t* path, uint32_t access, uint32_t share, uint32_t disposition,
                        uint32_t flags);
// GetFileSize: the low 32 bits (kInvalidFileSize on failure); *high gets the upper ones when given.
uint32_t SysGetFileSize(SysHandle file, uint32_t* high);
// GetFileTime: FILETIME values as 64-bit counts; any pointer may be null. 1 on success.
int SysGetFileTime(SysHandle file, uint64_t* creation, uint64_t* lastAccess, uint64_t* lastWrite);
int SysReadFile(SysHandle file, void* buffer, uint32_t bytes, uint32_t* bytesRead);
int SysWriteFile(SysHandle file, const void* buffer, uint32_t bytes, uint32_t* bytesWritten);
// SetFilePointer with a 32-bit distance and FILE_BEGIN (0) / FILE_CURRENT (1) / FILE_END (2);
// returns the new position or kInvalidFileSize.
uint32_t SysSetFilePointer(SysHandle file, int32_t distance, uint32_t method);
int SysSetEndOfFile(SysHandle file);
// Closes any kernel handle: file, mapping, thread, process. 1 on success.
int SysCloseHandle(SysHandle handle);

// ---- File mapping (enough to edit a text file in place) ----
// CreateFileMappingW with PAGE_READWRITE for `size` bytes (the file grows to that size).
SysHandle SysCreateFileMapping(SysHandle file, uint32_t size);
// MapViewOfFile for writing; the whole mapping. Returns null on failure.
void* SysMapViewOfFile(SysHandle mapping);
// UnmapViewOfFile: writes the view back to the file.
int SysUnmapViewOfFile(void* view);

// ---- Temporary names, delayed moves, drives ----
// GetTempFileNameW: folder + prefix (first three characters) + hexadecimal number + ".tmp" into
// out (260). With unique 0 the number is chosen and an empty file is created. Returns the
// number used, 0 on failure.
uint32_t SysGetTempFileName(const char16_t* folder, const char16_t* prefix, uint32_t unique, char16_t* out);
constexpr uint32_t kMoveFileReplaceExisting = 0x1;
constexpr uint32_t kMoveFileDelayUntilReboot = 0x4;
// MoveFileExW. With kMoveFileDelayUntilReboot the move (or, with a null target, the deletion)
// is scheduled for the next start of Windows. 1 on success.
int SysMoveFileEx(const char16_t* source, const char16_t* target, uint32_t flags);
constexpr uint32_t kDriveUnknown = 0;
constexpr uint32_t kDriveNoRootDir = 1;
constexpr uint32_t kDriveRemovable = 2;
constexpr uint32_t kDriveFixed = 3;
constexpr uint32_t kDriveRemote = 4;
constexpr uint32_t kDriveCdrom = 5;
constexpr uint32_t kDriveRamdisk = 6;
// GetDriveTypeW of a root such as "C:\".
uint32_t SysGetDriveType(const char16_t* root);
// SetErrorMode; returns the previous mode.
uint32_t SysSetErrorMode(uint32_t mode);
constexpr uint32_t kSemFailCriticalErrors = 0x1;
// SetCurrentDirectoryW. 1 on success.
int SysSetCurrentDirectory(const char16_t* path);

// ---- Threads and waiting ----
typedef uint32_t (*SysThreadProc)(void* parameter);
// CreateThread with the default stack. Returns null on failure.
SysHandle SysCreateThread(SysThreadProc proc, void* parameter);
constexpr uint32_t kInfinite = 0xFFFFFFFF;
constexpr uint32_t kWaitObject0 = 0;
constexpr uint32_t kWaitTimeout = 258;
constexpr uint32_t kWaitFailed = 0xFFFFFFFF;
// WaitForSingleObject on a thread or process handle.
uint32_t SysWaitForSingleObject(SysHandle handle, uint32_t milliseconds);

// ---- Libraries ----
// LoadLibraryW / GetProcAddress / FreeLibrary. Addresses are only compared with null or handed
// back to the platform (never called directly by the installer).
ModuleHandle SysLoadLibrary(const char16_t* name);
void* SysGetProcAddress(ModuleHandle module, const char* name);
int SysFreeLibrary(ModuleHandle module);
// LoadLibraryExW(path, NULL, LOAD_LIBRARY_AS_DATAFILE): the file mapped as data only, for its
// resources; nothing of it runs. Returns null on failure with the last error set. Free it with
// SysFreeLibrary.
ModuleHandle SysLoadLibraryAsData(const char16_t* path);
// FindResourceA(module, name, MAKEINTRESOURCE(type)), LoadResource, LockResource and
// SizeofResource: the bytes of a resource of a library (a name "#n" stands for the number n).
// Returns 1 with *data and *size set (valid until the library is freed), 0 when the resource is
// missing, with the last error set.
int SysFindResourceData(ModuleHandle module, const char* name, uint32_t type, const uint8_t** data, uint32_t* size);

// ---- System messages ----
// FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS) of an error code in
// the default language into out (cap characters, cut to cap - 1 and terminated; the system's
// text keeps its line end). Returns the number of characters written, 0 when the system has no
// text for the code (out empty).
uint32_t SysFormatSystemMessage(ErrorCode code, char16_t* out, uint32_t cap);

// UTF-16 to the active code page (WideCharToMultiByte with CP_ACP); characters the code page
// lacks become '?'. Always terminated within cap bytes; returns the bytes written without the
// terminator.
uint32_t SysWideToAnsi(const char16_t* text, char* out, uint32_t cap);

// ---- Files through the single-byte interface ----
// CreateFileA with a path in the active code page (no security attributes, no template); the
// same results and errors as SysCreateFile.
SysHandle SysCreateFileAnsi(const char* path, uint32_t access, uint32_t share, uint32_t disposition, uint32_t flags);
