// Open files of the simulated machine: CreateFile with Windows' dispositions, access checks and
// sharing rules between open handles, reading, writing, file pointer and end of file, file times
// and sizes, file mappings (a mapped view is a copy written back when it is unmapped) and
// GetTempFileName.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <mutex>
#include <set>
#include <string>

#include "platform/kernel.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/machine/windows_constants.h"

using sim::internal::FileMapping;
using sim::internal::HandleKind;
using sim::internal::Lock;
using sim::internal::MappedView;
using sim::internal::OpenFile;
using sim::internal::State;

namespace {

using sim::internal::Guard;

// A file time as "YYYY-MM-DD hh:mm:ss" (UTC), for the file journal.
std::string FileTimeText(uint64_t fileTime) {
  const time_t seconds = static_cast<time_t>(static_cast<int64_t>(fileTime / sim::internal::kFileTimeTicksPerSecond) -
                                            static_cast<int64_t>(sim::internal::kFileTimeEpochOffsetSeconds));
  struct tm parts = {};
  char text[32] = "?";
  if (gmtime_r(&seconds, &parts)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
  return text;
}

constexpr uint32_t kTruncateExisting = 5;
// Specific and generic rights that read, write or delete a file's data (winnt.h).
constexpr uint32_t kFileReadData = 0x0001;
constexpr uint32_t kFileWriteData = 0x0002;
constexpr uint32_t kFileAppendData = 0x0004;
// Attribute bits CreateFile takes from its flags for a new file.
constexpr uint32_t kCreatableAttributes = 0x01 | 0x02 | 0x04 | 0x20 | 0x100;
// SetFilePointer's methods.
constexpr uint32_t kFileBegin = 0;
constexpr uint32_t kFileCurrent = 1;
constexpr uint32_t kFileEnd = 2;
// GetTempFileName: the folder may hold at most MAX_PATH - 14 characters; numbers have 16 bits.
constexpr size_t kMaxTempFolderLength = 260 - 14;
constexpr uint32_t kTempNumberMask = 0xFFFF;

void Fail(ErrorCode code) { sim::internal::SetLastError(code); }

// Reduces an access mask to the generic read / write bits (and kDeleteAccess).
uint32_t DataAccess(uint32_t access) {
  uint32_t out = 0;
  if (access & (kGenericRead | kGenericAll | kMaximumAllowed | kFileReadData)) out |= kGenericRead;
  if (access & (kGenericWrite | kGenericAll | kMaximumAllowed | kFileWriteData | kFileAppendData))
    out |= kGenericWrite;
  if (access & sim::internal::kDeleteAccess) out |= sim::internal::kDeleteAccess;
  return out;
}

// Every file object that is open: through a file handle, a mapping handle or a mapped view.
std::set<const OpenFile*> LiveFiles() {
  std::set<const OpenFile*> files;
  sim::internal::MachineState& s = State();
  for (const auto& item : s.kernelHandles) {
    if (item.second.kind == HandleKind::kFile)
      files.insert(static_cast<const OpenFile*>(item.second.object.get()));
    else if (item.second.kind == HandleKind::kMapping)
      files.insert(static_cast<const FileMapping*>(item.second.object.get())->file.get());
  }
  for (const auto& item : s.views) files.insert(item.second->mapping->file.get());
  return files;
}

// Windows' sharing check between one existing open and a new one.
bool Clashes(uint32_t haveAccess, uint32_t haveShare, uint32_t wantAccess, uint32_t wantShare) {
  // Opens that only query attributes take part in no sharing.
  if (haveAccess == 0 || wantAccess == 0) return false;
  if ((wantAccess & kGenericRead) && !(haveShare & kFileShareRead)) return true;
  if ((wantAccess & kGenericWrite) && !(haveShare & kFileShareWrite)) return true;
  if (wantAccess & sim::internal::kDeleteAccess) return true;  // nothing here shares deletion
  if ((haveAccess & kGenericRead) && !(wantShare & kFileShareRead)) return true;
  if ((haveAccess & kGenericWrite) && !(wantShare & kFileShareWrite)) return true;
  return false;
}

std::shared_ptr<OpenFile> FileOf(SysHandle handle) {
  return std::static_pointer_cast<OpenFile>(sim::internal::KernelHandleObject(handle, HandleKind::kFile));
}

// The open file a read or write goes through: null with the last error set for a handle that is
// no open file, one opened without that access, or a missing buffer for a non-empty transfer.
std::shared_ptr<OpenFile> FileForTransfer(SysHandle handle, uint32_t access, const void* buffer, uint32_t bytes) {
  std::shared_ptr<OpenFile> file = FileOf(handle);
  if (!file) {
    Fail(kErrInvalidHandle);
  } else if (!(file->access & access)) {
    Fail(kErrAccessDenied);
    file = nullptr;
  } else if (!buffer && bytes) {
    Fail(kErrNoAccess);
    file = nullptr;
  }
  return file;
}

uint64_t HostSize(int fd) {
  struct stat info;
  if (fd < 0 || fstat(fd, &info) != 0) return 0;
  return static_cast<uint64_t>(info.st_size);
}

// The size of an open file; what fstat told is kept as its path's facts where it may be.
uint64_t OpenFileSize(const OpenFile& file) {
  struct stat info;
  if (file.fd < 0 || fstat(file.fd, &info) != 0) return 0;
  sim::internal::NoteOpenFileFacts(file.host, info);
  return static_cast<uint64_t>(info.st_size);
}

// Reads up to `size` bytes at `offset`; returns how many were read.
size_t ReadAt(int fd, uint8_t* buffer, size_t size, uint64_t offset) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = pread(fd, buffer + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

bool WriteAt(int fd, const uint8_t* buffer, size_t size, uint64_t offset) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = pwrite(fd, buffer + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// A new file: fresh side tables, created now, with the attributes asked for plus archive.
void NoteFileCreated(const std::string& host, uint32_t attributes) {
  sim::internal::ForgetPath(host, sim::internal::NameNow::kFile);
  sim::internal::FileTimeOverride times;
  times.hasCreation = true;
  times.creation = sim::internal::NowFileTime();
  sim::internal::StoreTimes(host, times);
  sim::internal::StoreAttributes(host, (attributes & kCreatableAttributes) | kAttrArchive);
}

// Copies a text into a caller's buffer of kMaxPath characters.
void CopyPath(const std::u16string& text, char16_t* out) {
  size_t n = std::min(text.size(), kMaxPath - 1);
  for (size_t i = 0; i < n; ++i) out[i] = text[i];
  out[n] = 0;
}

std::u16string Hex(uint32_t value) {
  static const char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string out;
  do {
    out.insert(out.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value);
  return out;
}

}  // namespace

namespace sim {
namespace internal {

OpenFile::~OpenFile() {
  if (fd >= 0) close(fd);
}

bool OpenConflicts(const std::string& host, uint32_t access, uint32_t share) {
  Guard guard(Lock());
  // A file in use by another program is held open for reading, shared for reading only.
  if (IsLocked(host) && Clashes(kGenericRead, kFileShareRead, access, share)) return true;
  for (const OpenFile* file : LiveFiles())
    if (file->host == host && Clashes(file->access, file->share, access, share)) return true;
  return false;
}

}  // namespace internal
}  // namespace sim

SysHandle SysCreateFile(const char16_t* path, uint32_t access, uint32_t share, uint32_t disposition, uint32_t flags) {
  Guard guard(Lock());
  if (SIM_FAULT(SysCreateFile)) return kInvalidHandle;
  SysHandle device = kInvalidHandle;
  if (sim::internal::OpenDevicePath(path, &device)) return device;
  if (!path || disposition < kCreateNew || disposition > kTruncateExisting) {
    Fail(kErrInvalidParameter);
    return kInvalidHandle;
  }
  const uint32_t want = DataAccess(access);
  if (disposition == kTruncateExisting && !(want & kGenericWrite)) {
    Fail(kErrInvalidParameter);
    return kInvalidHandle;
  }
  sim::internal::ResolvedPath resolved;
  if (!sim::internal::ResolveOrFail(path, &resolved)) return kInvalidHandle;
  const std::string& host = resolved.host;
  if (resolved.isDriveRoot || sim::internal::HostIsDirectory(host)) {
    Fail(kErrAccessDenied);
    return kInvalidHandle;
  }
  if (!sim::internal::HostIsDirectory(sim::internal::HostParent(host))) {
    Fail(kErrPathNotFound);
    return kInvalidHandle;
  }
  const bool exists = sim::internal::HostExists(host);
  if (exists && disposition == kCreateNew) {
    Fail(kErrFileExists);
    return kInvalidHandle;
  }
  if (!exists && (disposition == kOpenExisting || disposition == kTruncateExisting)) {
    Fail(kErrFileNotFound);
    return kInvalidHandle;
  }
  const bool truncate = exists && (disposition == kCreateAlways || disposition == kTruncateExisting);
  if (exists) {
    const bool readOnly = (sim::internal::AttributesOf(host) & kAttrReadOnly) != 0;
    if (readOnly && (truncate || (want & kGenericWrite))) {
      Fail(kErrAccessDenied);
      return kInvalidHandle;
    }
    if (sim::internal::OpenConflicts(host, want | (truncate ? kGenericWrite : 0), share)) {
      Fail(kErrSharingViolation);
      return kInvalidHandle;
    }
  }
  int hostFlags = O_RDWR | O_CLOEXEC;
  if (!exists) hostFlags |= O_CREAT | O_EXCL;
  if (truncate) hostFlags |= O_TRUNC;
  sim::internal::AwaitHostCopies(host, truncate || (want & kGenericWrite) != 0);
  const int fd = open(host.c_str(), hostFlags, 0644);
  if (fd < 0) {
    Fail(kErrAccessDenied);
    return kInvalidHandle;
  }
  auto file = std::make_shared<OpenFile>();
  file->host = host;
  file->windowsPath = path;
  file->fd = fd;
  file->access = want;
  file->share = share & (kFileShareRead | kFileShareWrite);
  if (!exists) {
    NoteFileCreated(host, flags);
  } else if (truncate) {
    sim::internal::NoteFileWritten(host);
    if (disposition == kCreateAlways)
      sim::internal::StoreAttributes(host, (flags & kCreatableAttributes) | kAttrArchive);
  }
  SysHandle handle = sim::internal::NewKernelHandle(HandleKind::kFile, file);
  Fail(exists && (disposition == kCreateAlways || disposition == kOpenAlways) ? kErrAlreadyExists : kErrSuccess);
  return handle;
}

uint32_t SysGetFileSize(SysHandle handle, uint32_t* high) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetFileSize)) return kInvalidFileSize;
  std::shared_ptr<OpenFile> file = FileOf(handle);
  if (!file) {
    Fail(kErrInvalidHandle);
    return kInvalidFileSize;
  }
  const uint64_t size = OpenFileSize(*file);
  if (high) *high = static_cast<uint32_t>(size >> 32);
  Fail(kErrSuccess);
  return static_cast<uint32_t>(size);
}

int SysGetFileTime(SysHandle handle, uint64_t* creation, uint64_t* lastAccess, uint64_t* lastWrite) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetFileTime)) return 0;
  std::shared_ptr<OpenFile> file = FileOf(handle);
  if (!file) {
    Fail(kErrInvalidHandle);
    return 0;
  }
  uint64_t created = 0, written = 0;
  sim::internal::TimesOf(file->host, &created, &written);
  if (State().fileJournal)
    sim::JournalAdd("file-times: " + sim::ToUtf8(file->windowsPath) + " -> created " + FileTimeText(created) +
                    ", written " + FileTimeText(written));
  if (creation) *creation = created;
  if (lastAccess) *lastAccess = written;  // access times are not kept: the last write stands in
  if (lastWrite) *lastWrite = written;
  return 1;
}

int SysReadFile(SysHandle handle, void* buffer, uint32_t bytes, uint32_t* bytesRead) {
  Guard guard(Lock());
  if (bytesRead) *bytesRead = 0;
  if (SIM_FAULT(SysReadFile)) return 0;
  std::shared_ptr<OpenFile> file = FileForTransfer(handle, kGenericRead, buffer, bytes);
  if (!file) return 0;
  const size_t n = bytes ? ReadAt(file->fd, static_cast<uint8_t*>(buffer), bytes, file->position) : 0;
  file->position += n;
  if (bytesRead) *bytesRead = static_cast<uint32_t>(n);
  return 1;
}

int SysWriteFile(SysHandle handle, const void* buffer, uint32_t bytes, uint32_t* bytesWritten) {
  Guard guard(Lock());
  if (bytesWritten) *bytesWritten = 0;
  if (SIM_FAULT(SysWriteFile)) return 0;
  std::shared_ptr<OpenFile> file = FileForTransfer(handle, kGenericWrite, buffer, bytes);
  if (!file) return 0;
  if (bytes && !WriteAt(file->fd, static_cast<const uint8_t*>(buffer), bytes, file->position)) {
    Fail(kErrAccessDenied);
    return 0;
  }
  file->position += bytes;
  if (bytesWritten) *bytesWritten = bytes;
  sim::internal::NoteFileWritten(file->host);
  return 1;
}

uint32_t SysSetFilePointer(SysHandle handle, int32_t distance, uint32_t method) {
  Guard guard(Lock());
  if (SIM_FAULT(SysSetFilePointer)) return kInvalidFileSize;
  std::shared_ptr<OpenFile> file = FileOf(handle);
  if (!file) {
    Fail(kErrInvalidHandle);
    return kInvalidFileSize;
  }
  int64_t base = 0;
  if (method == kFileBegin)
    base = 0;
  else if (method == kFileCurrent)
    base = static_cast<int64_t>(file->position);
  else if (method == kFileEnd)
    base = static_cast<int64_t>(HostSize(file->fd));
  else {
    Fail(kErrInvalidParameter);
    return kInvalidFileSize;
  }
  const int64_t position = base + distance;
  if (position < 0) {
    Fail(kErrNegativeSeek);
    return kInvalidFileSize;
  }
  if (position >= static_cast<int64_t>(kInvalidFileSize)) {  // needs the high part this seam lacks
    Fail(kErrInvalidParameter);
    return kInvalidFileSize;
  }
  file->position = static_cast<uint64_t>(position);
  Fail(kErrSuccess);
  return static_cast<uint32_t>(position);
}

int SysSetEndOfFile(SysHandle handle) {
  Guard guard(Lock());
  if (SIM_FAULT(SysSetEndOfFile)) return 0;
  std::shared_ptr<OpenFile> file = FileOf(handle);
  if (!file) {
    Fail(kErrInvalidHandle);
    return 0;
  }
  if (!(file->access & kGenericWrite)) {
    Fail(kErrAccessDenied);
    return 0;
  }
  // A file with a mapped view cannot change its end; with a mapping object open it cannot be
  // cut below the mapping's size (close the mapping handle first, as Windows requires).
  sim::internal::MachineState& s = State();
  for (const auto& item : s.views) {
    if (item.second->mapping->file->host == file->host) {
      Fail(kErrUserMappedFile);
      return 0;
    }
  }
  for (const auto& item : s.kernelHandles) {
    if (item.second.kind != HandleKind::kMapping) continue;
    const FileMapping* mapping = static_cast<const FileMapping*>(item.second.object.get());
    if (mapping->file->host == file->host && file->position < mapping->size) {
      Fail(kErrUserMappedFile);
      return 0;
    }
  }
  if (ftruncate(file->fd, static_cast<off_t>(file->position)) != 0) {
    Fail(kErrAccessDenied);
    return 0;
  }
  sim::internal::NoteFileWritten(file->host);
  return 1;
}

SysHandle SysCreateFileMapping(SysHandle handle, uint32_t size) {
  Guard guard(Lock());
  if (SIM_FAULT(SysCreateFileMapping)) return nullptr;
  std::shared_ptr<OpenFile> file = FileOf(handle);
  if (!file) {
    Fail(kErrInvalidHandle);
    return nullptr;
  }
  if ((file->access & (kGenericRead | kGenericWrite)) != (kGenericRead | kGenericWrite)) {
    Fail(kErrAccessDenied);
    return nullptr;
  }
  const uint64_t current = HostSize(file->fd);
  if (size == 0) {
    if (current == 0) {
      Fail(kErrFileInvalid);
      return nullptr;
    }
    size = current > kInvalidFileSize ? kInvalidFileSize : static_cast<uint32_t>(current);
  }
  if (size > current) {
    if (ftruncate(file->fd, static_cast<off_t>(size)) != 0) {
      Fail(kErrAccessDenied);
      return nullptr;
    }
    sim::internal::NoteFileWritten(file->host);
  }
  auto mapping = std::make_shared<FileMapping>();
  mapping->file = file;
  mapping->size = size;
  return sim::internal::NewKernelHandle(HandleKind::kMapping, mapping);
}

void* SysMapViewOfFile(SysHandle handle) {
  Guard guard(Lock());
  if (SIM_FAULT(SysMapViewOfFile)) return nullptr;
  std::shared_ptr<FileMapping> mapping =
      std::static_pointer_cast<FileMapping>(sim::internal::KernelHandleObject(handle, HandleKind::kMapping));
  if (!mapping) {
    Fail(kErrInvalidHandle);
    return nullptr;
  }
  auto view = std::make_shared<MappedView>();
  view->mapping = mapping;
  view->bytes.assign(mapping->size, 0);
  ReadAt(mapping->file->fd, view->bytes.data(), view->bytes.size(), 0);
  void* address = view->bytes.data();
  State().views[reinterpret_cast<uintptr_t>(address)] = view;
  return address;
}

int SysUnmapViewOfFile(void* address) {
  Guard guard(Lock());
  if (SIM_FAULT(SysUnmapViewOfFile)) return 0;
  auto& views = State().views;
  auto it = views.find(reinterpret_cast<uintptr_t>(address));
  if (it == views.end()) {
    Fail(kErrInvalidAddress);
    return 0;
  }
  std::shared_ptr<MappedView> view = it->second;
  views.erase(it);
  // Only changed bytes make a write (and a new last-write time), as with dirty pages.
  const OpenFile& file = *view->mapping->file;
  std::vector<uint8_t> before(view->bytes.size(), 0);
  ReadAt(file.fd, before.data(), before.size(), 0);
  if (before != view->bytes) {
    if (!WriteAt(file.fd, view->bytes.data(), view->bytes.size(), 0)) {
      Fail(kErrAccessDenied);
      return 0;
    }
    sim::internal::NoteFileWritten(file.host);
  }
  return 1;
}

uint32_t SysGetTempFileName(const char16_t* folder, const char16_t* prefix, uint32_t unique, char16_t* out) {
  Guard guard(Lock());
  if (out) out[0] = 0;
  if (SIM_FAULT(SysGetTempFileName)) return 0;
  if (!folder || !out) {
    Fail(kErrInvalidParameter);
    return 0;
  }
  std::u16string base(folder);
  if (base.size() > kMaxTempFolderLength) {
    Fail(kErrBufferOverflow);
    return 0;
  }
  // The folder must exist, whatever the number (ERROR_DIRECTORY otherwise, as Windows says).
  sim::internal::ResolvedPath dir = sim::internal::ResolvePath(folder);
  if (dir.host.empty() || !sim::internal::HostIsDirectory(dir.host)) {
    Fail(kErrDirectory);
    return 0;
  }
  if (base.empty() || (base.back() != u'\\' && base.back() != u'/')) base += u'\\';
  for (size_t i = 0; prefix && i < 3 && prefix[i]; ++i) base += prefix[i];
  if (unique != 0) {
    // A given number is used as it is: no file is made and the name is not checked.
    CopyPath(base + Hex(unique & kTempNumberMask) + u".tmp", out);
    return unique;
  }
  sim::internal::MachineState& s = State();
  for (uint32_t attempt = 0; attempt < kTempNumberMask; ++attempt) {
    uint32_t number = s.tempNameCounter & kTempNumberMask;
    if (number == 0) number = 1;
    s.tempNameCounter = number + 1;
    const std::u16string name = base + Hex(number) + u".tmp";
    const std::string host = sim::internal::ResolveHostPath(name);
    if (host.empty()) {
      Fail(kErrPathNotFound);
      return 0;
    }
    if (sim::internal::HostExists(host)) continue;
    const int fd = open(host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
      Fail(kErrAccessDenied);
      return 0;
    }
    close(fd);
    NoteFileCreated(host, 0);
    CopyPath(name, out);
    return number;
  }
  Fail(kErrFileExists);
  return 0;
}
