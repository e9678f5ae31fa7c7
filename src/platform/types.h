// Basic types of the platform seam: UTF-16 text, opaque handles and Windows' numeric error codes.
// Compiles without windows.h; the win32 layer converts these to the real types one to one.
#pragma once
#include <cstddef>
#include <cstdint>

// Opaque handles. The win32 layer casts them to HANDLE, HKEY, HWND, HMODULE; the simulated
// machine hands out its own tokens.
typedef struct SysObjectTag* SysHandle;       // thread, process, file, find or mapping handle
typedef struct SysModuleTag* ModuleHandle;    // instance or library handle
typedef struct SysWindowTag* WindowHandle;    // window handle

typedef uint32_t ErrorCode;                   // GetLastError-style code, Windows numbering

// Windows error codes used by the installer (values as in winerror.h).
constexpr ErrorCode kErrSuccess = 0;
constexpr ErrorCode kErrInvalidFunction = 1;
constexpr ErrorCode kErrFileNotFound = 2;
constexpr ErrorCode kErrPathNotFound = 3;
constexpr ErrorCode kErrAccessDenied = 5;
constexpr ErrorCode kErrInvalidHandle = 6;
constexpr ErrorCode kErrNotEnoughMemory = 8;
constexpr ErrorCode kErrNoMoreFiles = 18;
constexpr ErrorCode kErrSharingViolation = 32;
constexpr ErrorCode kErrFileExists = 80;
constexpr ErrorCode kErrInvalidParameter = 87;
constexpr ErrorCode kErrInsufficientBuffer = 122;
constexpr ErrorCode kErrModNotFound = 126;
constexpr ErrorCode kErrProcNotFound = 127;
constexpr ErrorCode kErrAlreadyExists = 183;
constexpr ErrorCode kErrMoreData = 234;
constexpr ErrorCode kErrNoMoreItems = 259;
constexpr ErrorCode kErrInvalidFlags = 1004;
constexpr ErrorCode kErrBadPathname = 161;
constexpr ErrorCode kErrProcessAborted = 1067;
constexpr ErrorCode kErrNoSuchDevinst = 0xE000020B;

inline SysHandle const kInvalidHandle = reinterpret_cast<SysHandle>(~static_cast<uintptr_t>(0));
