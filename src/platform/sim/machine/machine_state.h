// Internal state of the simulated machine shared by its kernel, shell, user-interface and disk
// files: the one global machine record, the disk's side tables (attributes, file times, files in
// use) and handle tokens. Callers hold internal::Lock() while they touch any of it.
#pragma once
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/kernel.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/types.h"
#include "platform/sim/machine/windows_constants.h"

namespace sim {
namespace internal {

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
  FaultPoint point = FaultPoint::kCount;
  int nth = 0;        // 1-based call to fail; 0 fails every call
  int calls = 0;      // calls seen since arming
  ErrorCode error = 0;
};

// A folder listing taken by SysFindFirstFile and handed out by SysFindNextFile.
struct FindListing {
  std::vector<SysFindData> entries;
  size_t next = 0;
};

// One open kernel handle: its kind, its object and, for threads and processes, what a wait
// waits for.
struct KernelHandleEntry {
  HandleKind kind = HandleKind::kFile;
  std::shared_ptr<void> object;
  std::shared_ptr<Waitable> waitable;
};

// A file opened by SysCreateFile: a host descriptor with the access and sharing asked for.
struct OpenFile {
  std::string host;
  std::u16string windowsPath;  // as the program named it
  int fd = -1;
  uint32_t access = 0;    // kGenericRead / kGenericWrite bits
  uint32_t share = 0;     // kFileShareRead / kFileShareWrite bits
  uint64_t position = 0;
  OpenFile() = default;
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile();            // closes the descriptor
};

// A mapping object: the file it maps (kept open while the mapping lives) and its size.
struct FileMapping {
  std::shared_ptr<OpenFile> file;
  uint32_t size = 0;
};

// A mapped view: a copy of the mapped bytes handed to the program, written back on unmap.
struct MappedView {
  std::shared_ptr<FileMapping> mapping;
  std::vector<uint8_t> bytes;
};

// The access list of one file or folder, as SetFileSecurity stored it or as it was inherited
// when the folder was created.
struct StoredSecurity {
  uint16_t control = 0;         // SE_DACL_PRESENT, _DEFAULTED, _AUTO_INHERITED, _PROTECTED bits
  std::vector<uint8_t> dacl;    // the ACL in Windows' layout; empty with DACL_PRESENT = null DACL
};

// How a modelled process answers requests to close its window.
struct ModelledProcess : Waitable {
  uint32_t id = 0;
  uint32_t threadId = 0;
  std::u16string image;
  std::u16string windowClass;
  std::u16string caption;
  WindowHandle window = nullptr;     // null once the window is gone (or for this program)
  CloseBehaviour behaviour = CloseBehaviour::kClosesOnRequest;
  bool canBeOpened = true;
  bool isThisProgram = false;
  bool running = true;
  uint32_t exitCode = 0;
  // ---- Process listings (process_list.cpp) ----
  uint64_t endsAtMs = 0;                // machine clock (SysSleep) at which it ends by itself; 0: never
  std::vector<std::u16string> wowTasks;  // the 16-bit tasks an NTVDM.EXE process hosts
  uint32_t Wait(uint32_t milliseconds) override;  // processes.cpp
};

// A library loaded by SysLoadLibrary or SysLoadLibraryAsData: the known system library (index
// into the library table, -1 for a library file of the disk) and the count of loads not freed.
struct LoadedLibrary {
  std::u16string key;   // upper-case file name (system library) or resolved host path
  int systemIndex = -1;
  int references = 0;
  bool asData = false;  // loaded by SysLoadLibraryAsData: image holds the file's bytes
  std::string image;
};

// Plug and Play: a device with its device node number, and a device set taken by
// SysGetClassDevs (the node numbers of its devices, in enumeration order).
struct DeviceNode {
  uint32_t devInst = 0;
  Device device;
};
struct DeviceSetSnapshot {
  std::vector<uint32_t> devInsts;
};

// Result of resolving a Windows path.
struct ResolvedPath {
  std::string host;          // "" when the path cannot be resolved
  ErrorCode error = 0;       // why not: kErrPathNotFound (no such drive) or kErrInvalidName
  bool isDriveRoot = false;  // the path names a drive's root folder
};

// What the host file system tells of a path (a missing path: all false and 0). A path found in
// its folder's listing or just made by the machine is known to exist, and as what, before its
// size and time are read: `facts` says whether they are.
struct HostInfo {
  bool exists = false;
  bool directory = false;
  bool facts = true;
  uint64_t size = 0;
  uint64_t modified = 0;  // last write, as a FILETIME
};

// An entry of a host folder as readdir tells it: its type (DT_*) and file number (0 when the
// machine made the entry itself and did not ask).
struct ListedName {
  unsigned char type = 0;
  uint64_t inode = 0;
};

// The names of a host folder ("." and ".." left out), each with its readdir entry, and by
// Windows' upper case for case-blind matching: per upper-case form its names in the host's
// order, a name the machine changed last.
struct FolderListing {
  bool readable = false;  // the folder could be read: a name missing here does not exist
  std::unordered_map<std::string, ListedName> types;
  std::unordered_map<std::u16string, std::vector<std::string>> byUpper;
};

// What a host path holds after a change the machine made there, as far as the caller knows.
enum class NameNow { kUnknown, kGone, kFile, kFolder };

// Equality of two path texts as one comparison of their bytes.
struct SamePathText {
  bool operator()(const std::u16string& a, const std::u16string& b) const {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0;
  }
  bool operator()(const std::string& a, const std::string& b) const {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0;
  }
};

// Hash of a path text from its length and its last 64 bytes, eight at a time: the paths kept
// together share long beginnings and differ near their ends, so the rest would add nothing but
// time.
struct PathTailHash {
  static constexpr size_t kTailBytes = 64;
  size_t operator()(const std::u16string& text) const { return Of(text.data(), text.size() * sizeof(char16_t)); }
  size_t operator()(const std::string& text) const { return Of(text.data(), text.size()); }
  static size_t Of(const void* data, size_t bytes) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    uint64_t hash = bytes * 0x9E3779B97F4A7C15ULL;
    size_t at = bytes > kTailBytes ? bytes - kTailBytes : 0;
    for (; at + sizeof(uint64_t) <= bytes; at += sizeof(uint64_t)) {
      uint64_t word;
      std::memcpy(&word, p + at, sizeof word);
      hash = (hash ^ word) * 0xFF51AFD7ED558CCDULL;
      hash ^= hash >> 32;
    }
    uint64_t rest = 0;
    std::memcpy(&rest, p + at, bytes - at);
    hash = (hash ^ rest) * 0xC4CEB9FE1A85EC53ULL;
    return static_cast<size_t>(hash ^ (hash >> 29));
  }
};

// A resolved path as the machine keeps it; complete when every name of it exists.
struct KnownPath {
  ResolvedPath resolved;
  bool complete = false;
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
  // Paths resolved since the last change of a name on the disk, by full Windows path (drive
  // letter and current folder already applied); see ForgetPath. The complete ones are indexed by
  // host path (ordered, so that those at and below a changed name are found by range), the
  // partial ones listed, since any new name may complete them.
  std::unordered_map<std::u16string, KnownPath, PathTailHash, SamePathText> resolvedPaths;
  std::multimap<std::string, std::u16string> resolvedByHost;
  std::vector<std::u16string> partialPaths;
  // The entries of resolvedPaths found last, tried before hashing a path (a few paths are asked
  // in turn); emptied whenever an entry may be erased.
  static constexpr size_t kRecentPaths = 4;
  const std::pair<const std::u16string, KnownPath>* recentPaths[kRecentPaths] = {};
  size_t nextRecentPath = 0;
  // The same for what stat said of host paths (a write to a file forgets its entry too) and for
  // the names in host folders.
  // The facts are found by hash; their paths are kept in order too, so that a path and
  // everything below it are forgotten without a walk of the table (as are the listings).
  std::unordered_map<std::string, HostInfo, PathTailHash, SamePathText> hostInfo;
  std::set<std::string> hostInfoPaths;
  std::map<std::string, FolderListing> folderNames;
  // Set once a caller was handed a host path (sim::HostPath): it may change the disk unseen, so
  // from then on nothing of the disk is kept between calls.
  bool diskShared = false;

  std::vector<std::string> journal;
  bool traceToStderr = false;
  bool fileJournal = false;  // SetFileJournal
  std::deque<int> messageBoxAnswers;
  std::vector<ArmedFault> faults;
  std::vector<std::string> refusedFaults;  // names FailCall was given that no call checks

  std::map<uintptr_t, KernelHandleEntry> kernelHandles;
  uintptr_t nextHandle = 0;
  std::map<uintptr_t, std::shared_ptr<MappedView>> views;  // by the view's address
  std::map<std::string, StoredSecurity> security;          // by resolved host path
  std::vector<std::shared_ptr<ModelledProcess>> processes;
  uint32_t nextProcessId = 0;
  std::map<uintptr_t, LoadedLibrary> libraries;            // by module handle
  std::set<std::u16string> missingLibraries;               // upper-case file names
  std::set<std::pair<std::u16string, std::string>> missingExports;
  uint32_t errorMode = 0;
  std::u16string currentDirectory;  // "" while never set: the program's folder
  uint32_t tempNameCounter = 1;     // next number GetTempFileName tries
  bool shutdownPrivilege = false;

  uint64_t startFileTime = 0;    // host clock when the machine was reset
  uint64_t elapsedMs = 0;        // virtual time added by SysSleep
  bool shutdownSet = false;
  uint32_t shutdownLevel = 0;
  uint32_t shutdownFlags = 0;
  std::set<std::thread::id> comThreads;

  // Plug and Play devices (devices.cpp).
  std::vector<DeviceNode> devices;
  uint32_t nextDevInst = 0;
  std::map<uintptr_t, DeviceSetSnapshot> deviceSets;  // by set token
  bool driverUpdateNeedsRestart = false;

  // Driver store: what DriverPackageInstallW answers (SetDriverPackageInstallResult).
  uint32_t driverPackageInstallResult = 0;

  // Programs the installer started and their scripts (programs.cpp); the floppy in drive A:, the
  // mouse-button setting and the restart request (restart.cpp).
  std::map<std::u16string, ProgramBehaviour> programBehaviours;  // by upper-case file name
  std::vector<ProgramStart> startedPrograms;
  FloppyDisk floppy = FloppyDisk::kNoDisk;
  bool mouseSwapSet = false;
  bool mouseButtonsSwapped = false;
  bool restartRequested = false;
  uint32_t restartFlags = 0;
};

// The machine. Hold Lock() while using it.
MachineState& State();

// Current machine time as a FILETIME (the reset time plus the virtual time slept since).
uint64_t NowFileTime();

// New unique handle token (never null, never kInvalidHandle).
uintptr_t NewHandleToken();

ResolvedPath ResolvePath(const std::u16string& windowsPath);
ResolvedPath ResolvePath(const char16_t* windowsPath);  // a null path resolves as ""
// Resolves the path a call was given: true with *out, or false with the last error set
// (ERROR_INVALID_PARAMETER for a null path, else why the path cannot be resolved).
bool ResolveOrFail(const char16_t* path, ResolvedPath* out);

// Host file system queries.
bool HostExists(const std::string& host);
bool HostIsDirectory(const std::string& host);
// The entry names of a host folder ("." and ".." left out), in no particular order, from the
// machine's kept listing; none for a folder that cannot be read.
std::vector<std::string> HostFolderNames(const std::string& dir);
// Parent folder of a host path ("" for none).
std::string HostParent(const std::string& host);
// Reads a whole host file (sized first, then read in one go); false when it cannot be read.
bool ReadHostFile(const std::string& host, std::string* bytes);
// Copies a host file onto another, replacing it, by the host's in-kernel copy; false on failure.
bool CopyHostFile(const std::string& from, const std::string& to);
// Copies the bytes of one open host file into another (size bytes, fewer when the source
// shrank), in the kernel when the host can; false on a read or write error.
bool CopyHostBytes(int in, int out, off_t size);
// Hands a copy whose files are open over to the copy worker, which copies the bytes and closes
// both; true when it took them, false when the caller must copy (a host with one processor,
// or enough copies waiting).
bool HandOverHostCopy(int in, int out, off_t size, const std::string& from, const std::string& to);
// Waits until no unfinished handed-over copy writes the host path or anything below it, nor,
// when the caller will `change` what is there, reads it ("" waits for every copy): call before
// any host operation on a path.
void AwaitHostCopies(const std::string& host, bool change = true);

// Windows attributes of an existing host path (directory bit from the host, the others from the
// side table; files default to archive). kInvalidAttributes when it does not exist.
uint32_t AttributesOf(const std::string& host);
// Stores the attribute bits Windows lets a program set (directory and normal bits dropped).
void StoreAttributes(const std::string& host, uint32_t attributes);
// Creation and last-write time of an existing host path.
void TimesOf(const std::string& host, uint64_t* creation, uint64_t* lastWrite);
// Fixes the times of a path (either may be left alone with the has* flags).
void StoreTimes(const std::string& host, const FileTimeOverride& times);
// A host path was created or removed: forgets every side-table entry of it and of everything
// below it, and what NoteNameChanged forgets (`now`: what the path holds, when the caller knows).
void ForgetPath(const std::string& host, NameNow now = NameNow::kUnknown);
// What fstat told of a file open at a host path: kept as that path's facts when the path's
// listed file number shows it still names that file.
void NoteOpenFileFacts(const std::string& host, const struct stat& facts);
// ForgetPath without the NoteNameChanged part: for a caller whose change already noted the name
// (CopyHostFile does).
void ForgetSideTables(const std::string& host);
// A name at a host path appeared, vanished or changed (call it after the change; for several
// new folders at once, ForgetDiskCaches): forgets the resolved paths, host facts and parsed INI
// files it touches and brings its folder's listing up to date (the side tables stay).
void NoteNameChanged(const std::string& host, NameNow now = NameNow::kUnknown);
// Forgets the resolved paths, host facts and every parsed INI file: for a caller that is handed a host path
// and may change the disk behind the machine's back.
void ForgetDiskCaches();
// A program wrote the file: its last-write time follows the host again, archive bit set, its
// parsed INI text is dropped.
void NoteFileWritten(const std::string& host);
// A file or folder moved: its side-table entries (and those of everything below it) follow it;
// the old entries of the target are dropped.
void MoveSideTables(const std::string& from, const std::string& to);

// Full Windows path of a path as GetFullPathName makes it: drive-relative and relative paths
// joined to the current folder, '/' read as '\', "." and ".." folded. "" for a malformed path.
std::u16string FullWindowsPath(const std::u16string& path);
// The current folder (SetCurrentDirectory), ending in a backslash.
std::u16string CurrentFolderPath();

// True when an open file handle or a file marked in use keeps a new open with this access and
// sharing out (Windows' sharing rules); `access` uses the generic read/write bits, and kDeleteAccess
// stands for deleting, renaming or overwriting the file.
constexpr uint32_t kDeleteAccess = 0x00010000;
bool OpenConflicts(const std::string& host, uint32_t access, uint32_t share);

// The address SysGetProcAddress gives for an export of a known system library (the same whether
// or not this machine offers it); null for an unknown name.
const void* ExportAddress(const char* library, const char* exportName);

// Whether this machine offers that export (its Windows version has it and no test removed it).
bool ExportOffered(const char* library, const char* exportName);

// The process record of the running program itself (GetCurrentProcess), made at first use
// (kernel_handles.cpp).
std::shared_ptr<ModelledProcess> ThisProgramProcess();
// Takes the next id of a process or thread.
uint32_t NewProcessId();

// Security side: the access list a new folder inherits from its parent is stored when the folder
// is created (NT family only).
void StoreInheritedSecurity(const std::string& host);

// Fills a listing entry for an existing host path under the given Windows name.
void FillFindData(const std::string& host, const std::u16string& name, SysFindData* out);

}  // namespace internal
}  // namespace sim
