// Windows numbers the simulated machine answers with that the platform headers do not name:
// error codes beyond platform/types.h (values of winerror.h), access-mask bits, path limits and
// the word layout of message parameters. One list, so that every room answers with the same
// values Windows does.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/security.h"
#include "platform/types.h"

// ---- Error codes (GetLastError values) ----
constexpr ErrorCode kErrInvalidData = 13;             // ERROR_INVALID_DATA
constexpr ErrorCode kErrNotSameDevice = 17;           // ERROR_NOT_SAME_DEVICE
constexpr ErrorCode kErrNotReady = 21;                // ERROR_NOT_READY: removable drive without a disk
constexpr ErrorCode kErrNotSupported = 50;            // ERROR_NOT_SUPPORTED
constexpr ErrorCode kErrBufferOverflow = 111;         // ERROR_BUFFER_OVERFLOW
constexpr ErrorCode kErrCallNotImplemented = 120;     // ERROR_CALL_NOT_IMPLEMENTED
constexpr ErrorCode kErrInvalidName = 123;            // ERROR_INVALID_NAME
constexpr ErrorCode kErrNegativeSeek = 131;           // ERROR_NEGATIVE_SEEK
constexpr ErrorCode kErrDirNotEmpty = 145;            // ERROR_DIR_NOT_EMPTY
constexpr ErrorCode kErrBadExeFormat = 193;           // ERROR_BAD_EXE_FORMAT
constexpr ErrorCode kErrDirectory = 267;              // ERROR_DIRECTORY
constexpr ErrorCode kErrPartialCopy = 299;            // ERROR_PARTIAL_COPY
constexpr ErrorCode kErrInvalidAddress = 487;         // ERROR_INVALID_ADDRESS
constexpr ErrorCode kErrNoAccess = 998;               // ERROR_NOACCESS: a pointer that cannot be read
constexpr ErrorCode kErrFileInvalid = 1006;           // ERROR_FILE_INVALID
constexpr ErrorCode kErrKeyDeleted = 1018;            // ERROR_KEY_DELETED: the key behind a handle is gone
constexpr ErrorCode kErrPossibleDeadlock = 1131;      // ERROR_POSSIBLE_DEADLOCK
constexpr ErrorCode kErrUserMappedFile = 1224;        // ERROR_USER_MAPPED_FILE
constexpr ErrorCode kErrUnknownRevision = 1305;       // ERROR_UNKNOWN_REVISION
constexpr ErrorCode kErrRevisionMismatch = 1306;      // ERROR_REVISION_MISMATCH
constexpr ErrorCode kErrPrivilegeNotHeld = 1314;      // ERROR_PRIVILEGE_NOT_HELD
constexpr ErrorCode kErrNoneMapped = 1332;            // ERROR_NONE_MAPPED
constexpr ErrorCode kErrInvalidAcl = 1336;            // ERROR_INVALID_ACL
constexpr ErrorCode kErrInvalidSid = 1337;            // ERROR_INVALID_SID
constexpr ErrorCode kErrInvalidSecurityDescr = 1338;  // ERROR_INVALID_SECURITY_DESCR
constexpr ErrorCode kErrAllottedSpaceExceeded = 1344; // ERROR_ALLOTTED_SPACE_EXCEEDED
constexpr ErrorCode kErrInvalidWindowHandle = 1400;   // ERROR_INVALID_WINDOW_HANDLE
constexpr ErrorCode kErrCannotFindClass = 1407;       // ERROR_CANNOT_FIND_WND_CLASS
constexpr ErrorCode kErrClassAlreadyExists = 1410;    // ERROR_CLASS_ALREADY_EXISTS
constexpr ErrorCode kErrControlIdNotFound = 1421;     // ERROR_CONTROL_ID_NOT_FOUND
constexpr ErrorCode kErrResourceDataNotFound = 1812;  // ERROR_RESOURCE_DATA_NOT_FOUND
constexpr ErrorCode kErrResourceTypeNotFound = 1813;  // ERROR_RESOURCE_TYPE_NOT_FOUND
constexpr ErrorCode kErrResourceNameNotFound = 1814;  // ERROR_RESOURCE_NAME_NOT_FOUND

// ---- Access masks (GENERIC_ALL is kGenericAll of platform/security.h) ----
constexpr uint32_t kMaximumAllowed = 0x02000000;  // MAXIMUM_ALLOWED

// ---- Limits ----
constexpr size_t kMaxPath = 260;      // MAX_PATH, terminator included
constexpr size_t kMaxFindName = 259;  // longest name a folder listing returns

// ---- Words of message parameters and resource language ids ----
constexpr uint32_t kLowWordMask = 0xFFFF;
constexpr int kHighWordShift = 16;
constexpr uint32_t kLanguageMask = 0xFFFF;  // primary and sub-language of a LANGID
