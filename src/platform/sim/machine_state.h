// Internal state of the simulated machine shared by its kernel, shell, user-interface and disk
// files: the one global machine record, the disk's side tables (attributes, file times, files in
// use) and handle tokens. Callers hold internal::Lock() while they touch any of it.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_internal.h"
#include "platform/types.h"

namespace sim {
namespace internal {

// ERROR_INVALID_NAME and ERROR_DIR_NOT_EMPTY / ERROR_DIRECTORY, which the seam does not name.
constexpr ErrorCode kErrInvalidName = 123;
constexpr ErrorCode kErrDirNotEmpty = 145;
constexpr ErrorCode kErrDirectory = 267;

// Seconds between 1601-01-01 (FILETIME epoch) and 1970-01-01 (Unix epoch).
constexpr uint64_t kFileTimeEpochOffsetSeconds = 11644473600ULL;
constexpr uint64_t kFileTimeTicksPerSecond = 10000000ULL;

// Times a test or a copy fixed for one file; unset parts come from the host file.
struct FileTimeOverride {
  bool hasCreation = false;
  bool hasLastWrite = false;
  uint64_t creation = 0;
  uint64_t lastWrite = 0;
};

// One armed fault of FailCall.
struct ArmedFault {
  std::string function;
  int nth = 0;        // 1-based call to fail; 0 fails every call
  int calls = 0;      // calls seen since arming
  ErrorCode error = 0;
};

// A folder listing taken by SysFindFirstFile and handed out by SysFindNextFile.
struct FindListing {
  std::vector<SysFindData> entries;
  size_t next = 0;
};

struct MachineState {
  MachineProfile profile;
  std::string hostRoot;          // drive folders live below it: <root>/C, <root>/A, ...
  std::string ownedTempRoot;     // temporary root this process made (removed later)
  std::string packageHostDir;    // host folder mounted as the package drive, "" when none
  std::u16string modulePath = u"C:\\setup.exe";

  std::map<std::string, uint32_t> attributes;  // resolved host path -> attribute bits
  std::map<std::string, FileTimeOverride> times;
  std::set<std::string> locked;

  std::vector<std::string> journal;
  bool traceToStderr = false;
  std::deque<int> messageBoxAnswers;
  std::vector<ArmedFault> faults;

  std::map<uintptr_t, FindListing> finds;
  uintptr_t nextHandle = 0;

  uint64_t startFileTime = 0;    // host clock when the machine was reset
  uint64_t elapsedMs = 0;        // virtual time added by SysSleep
  bool shutdownSet = false;
  uint32_t shutdownLevel = 0;
  uint32_t shutdownFlags = 0;
  std::set<std::thread::id> comThreads;
};

// The machine. Hold Lock() while using it.
MachineState& State();

// Current machine time as a FILETIME (the reset time plus the virtual time slept since).
uint64_t NowFileTime();

// New unique handle token (never null, never kInvalidHandle).
uintptr_t NewHandleToken();

// Result of resolving a Windows path.
struct ResolvedPath {
  std::string host;          // "" when the path cannot be resolved
  ErrorCode error = 0;       // why not: kErrPathNotFound (no such drive) or kErrInvalidName
  bool isDriveRoot = false;  // the path names a drive's root folder
};
ResolvedPath ResolvePath(const std::u16string& windowsPath);

// Host file system queries.
bool HostExists(const std::string& host);
bool HostIsDirectory(const std::string& host);
// Parent folder of a host path ("" for none).
std::string HostParent(const std::string& host);

// Windows attributes of an existing host path (directory bit from the host, the others from the
// side table; files default to archive). kInvalidAttributes when it does not exist.
uint32_t AttributesOf(const std::string& host);
// Stores the attribute bits Windows lets a program set (directory and normal bits dropped).
void StoreAttributes(const std::string& host, uint32_t attributes);
// Creation and last-write time of an existing host path.
void TimesOf(const std::string& host, uint64_t* creation, uint64_t* lastWrite);
// Fixes the times of a path (either may be left alone with the has* flags).
void StoreTimes(const std::string& host, const FileTimeOverride& times);
// Forgets every side-table entry of a host path and of everything below it.
void ForgetPath(const std::string& host);
// A program wrote the file: its last-write time follows the host again, archive bit set.
void NoteFileWritten(const std::string& host);

// Fills a listing entry for an existing host path under the given Windows name.
void FillFindData(const std::string& host, const std::u16string& name, SysFindData* out);

}  // namespace internal
}  // namespace sim
