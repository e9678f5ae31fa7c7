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
