// Cabinet iterator of the simulated machine: walks a Microsoft cabinet on the simulated disk
// with libmspack and asks the callback, file by file, whether and where to extract, following
// the Windows setup interface's notifications, answers and error codes.
//
// Error codes, as the Windows iterator reports them:
//   2   the cabinet cannot be opened (its cabinet engine reports every open failure as a
//       missing cabinet);
//   13  the file is no cabinet, or its data is truncated, damaged or fails its checksums
//       (ERROR_INVALID_DATA, which Windows also gives for a file that is not a cabinet);
//   3 / 5 / 32  the target cannot be created: missing folder, read-only, hidden or system file
//       or a folder of that name, file in use.
// A walk ended by kFileOpAbort fails with the error the callback left in Win32Error (0 unless
// it set one); a non-zero answer to any other notification ends the walk with that code.
// Cabinet sets spanning several files are not followed: data continued in a next cabinet
// fails as damaged.
#include <mspack.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>

#include "platform/devices.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/kernel/trim_damaged_folders.h"
#include "platform/sim/machine/windows_constants.h"

using sim::internal::Lock;

namespace {

using sim::internal::Guard;

constexpr uint32_t kAttrSystem = 0x04;

void Fail(ErrorCode code) { sim::internal::SetLastError(code); }

// libmspack reads the cabinet from memory and writes each extracted file to memory; the
// "file name" it passes around is a pointer to one of these.
struct MemoryName {
  const std::string* input;  // the cabinet's bytes (read mode)
  std::string* output;       // the extracted file (write mode)
};

struct MemoryFile {
  const std::string* input;
  std::string* output;
  size_t position;
};

MemoryFile* AsMemory(mspack_file* file) { return reinterpret_cast<MemoryFile*>(file); }

mspack_file* MemoryOpen(mspack_system*, const char* filename, int mode) {
  const MemoryName* name = reinterpret_cast<const MemoryName*>(filename);
  if (!name) return nullptr;
  if (mode == MSPACK_SYS_OPEN_READ && name->input)
    return reinterpret_cast<mspack_file*>(new MemoryFile{name->input, nullptr, 0});
  if (mode == MSPACK_SYS_OPEN_WRITE && name->output) {
    name->output->clear();
    return reinterpret_cast<mspack_file*>(new MemoryFile{nullptr, name->output, 0});
  }
  return nullptr;
}

void MemoryClose(mspack_file* file) { delete AsMemory(file); }

int MemoryRead(mspack_file* file, void* buffer, int bytes) {
  MemoryFile* f = AsMemory(file);
  if (!f || !f->input || bytes < 0) return -1;
  size_t count = f->input->size() - f->position;
  if (count > static_cast<size_t>(bytes)) count = static_cast<size_t>(bytes);
  std::memcpy(buffer, f->input->data() + f->position, count);
  f->position += count;
  return static_cast<int>(count);
}

int MemoryWrite(mspack_file* file, void* buffer, int bytes) {
  MemoryFile* f = AsMemory(file);
  if (!f || !f->output || bytes < 0) return -1;
  f->output->append(static_cast<const char*>(buffer), static_cast<size_t>(bytes));
  f->position = f->output->size();
  return bytes;
}

int MemorySeek(mspack_file* file, off_t offset, int mode) {
  MemoryFile* f = AsMemory(file);
  if (!f) return -1;
  const off_t size = static_cast<off_t>(f->input ? f->input->size() : f->output->size());
  off_t base = 0;
  if (mode == MSPACK_SYS_SEEK_CUR)
    base = static_cast<off_t>(f->position);
  else if (mode == MSPACK_SYS_SEEK_END)
    base = size;
  else if (mode != MSPACK_SYS_SEEK_START)
    return -1;
  if (offset < -base || offset > size - base) return -1;  // only positions inside the data
  f->position = static_cast<size_t>(base + offset);
  return 0;
}

off_t MemoryTell(mspack_file* file) {
  MemoryFile* f = AsMemory(file);
  return f ? static_cast<off_t>(f->position) : -1;
}

void MemoryMessage(mspack_file*, const char*, ...) {}

void* MemoryAlloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }

void MemoryFree(void* pointer) { std::free(pointer); }

void MemoryCopy(void* source, void* target, size_t bytes) { std::memcpy(target, source, bytes); }

struct DecompressorDeleter {
  void operator()(mscab_decompressor* d) const { mspack_destroy_cab_decompressor(d); }
};

// A cabinet opened by a decompressor, closed with it.
struct CabinetCloser {
  mscab_decompressor* decompressor;
  void operator()(mscabd_cabinet* c) const { decompressor->close(decompressor, c); }
};

// Name as stored: UTF-8 when the cabinet flags it so, else one character per byte.
std::u16string DecodeName(const char* stored, int attributes) {
  if (!stored) return std::u16string();
  if (attributes & MSCAB_ATTRIB_UTF_NAME) return sim::FromUtf8(stored);
  std::u16string name;
  for (const char* p = stored; *p; ++p) name += static_cast<char16_t>(static_cast<unsigned char>(*p));
  return name;
}

// The MS-DOS date and time fields of a cabinet entry (libmspack hands them out decoded).
uint16_t DosDate(const mscabd_file& file) {
  return static_cast<uint16_t>(((file.date_y - 1980) & 0x7F) << 9 | (static_cast<unsigned char>(file.date_m) & 0x0F) << 5 |
                               (static_cast<unsigned char>(file.date_d) & 0x1F));
}

uint16_t DosTime(const mscabd_file& file) {
  return static_cast<uint16_t>((static_cast<unsigned char>(file.time_h) & 0x1F) << 11 |
                               (static_cast<unsigned char>(file.time_m) & 0x3F) << 5 |
                               ((static_cast<unsigned char>(file.time_s) / 2) & 0x1F));
}

// MS-DOS date and time as a FILETIME, the machine's clock running on universal time. False for
// a date Windows refuses to convert.
bool DosToFileTime(uint16_t date, uint16_t time, uint64_t* out) {
  const int year = 1980 + (date >> 9);
  const unsigned month = (date >> 5) & 0x0F, day = date & 0x1F;
  const unsigned hour = time >> 11, minute = (time >> 5) & 0x3F, second = (time & 0x1F) * 2;
  static const unsigned kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59) return false;
  if (day > kDaysInMonth[month - 1] + (month == 2 && leap ? 1 : 0)) return false;
  // Days since 1970-01-01 by the civil-calendar formula (years starting in March).
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = y / 400;
  const unsigned yearOfEra = static_cast<unsigned>(y - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  const int64_t days = static_cast<int64_t>(era) * 146097 + dayOfEra - 719468;
  const int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second;
  *out = (static_cast<uint64_t>(seconds) + sim::internal::kFileTimeEpochOffsetSeconds) *
         sim::internal::kFileTimeTicksPerSecond;
  return true;
}

// Checks that the target can be created, as Windows' create-always open would; fills *host.
// Hold the machine lock.
ErrorCode CheckTarget(const std::u16string& target, std::string* host) {
  sim::internal::ResolvedPath resolved = sim::internal::ResolvePath(target);
  if (resolved.host.empty()) return resolved.error ? resolved.error : kErrPathNotFound;
  if (!sim::internal::HostIsDirectory(sim::internal::HostParent(resolved.host))) return kErrPathNotFound;
  if (sim::internal::HostExists(resolved.host)) {
    if (sim::internal::HostIsDirectory(resolved.host)) return kErrAccessDenied;
    const uint32_t attributes = sim::internal::AttributesOf(resolved.host);
    if (attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem)) return kErrAccessDenied;
    if (sim::internal::IsLocked(resolved.host)) return kErrSharingViolation;
  }
  *host = resolved.host;
  return kErrSuccess;
}

// Extracts one file to target: the target is checked first (Windows creates it before any
// data is decompressed), then the data is decompressed and written. A file whose data fails
// leaves no target behind, as Windows removes the file it had begun. The extracted file takes
// the cabinet's date and time as its last-write time.
ErrorCode ExtractFile(mscab_decompressor* decompressor, mscabd_file* file, const std::u16string& target,
                      const SysFileInCabinetInfo& info) {
  std::string host;
  {
    Guard guard(Lock());
    ErrorCode error = CheckTarget(target, &host);
    if (error) return error;
  }
  std::string bytes;
  MemoryName output{nullptr, &bytes};
  const int status = decompressor->extract(decompressor, file, reinterpret_cast<const char*>(&output));

  Guard guard(Lock());
  ErrorCode error = CheckTarget(target, &host);
  if (error) return error;
  sim::internal::AwaitHostCopies(host);
  const bool existed = sim::internal::HostExists(host);
  if (status != MSPACK_ERR_OK) {
    if (existed) {
      std::error_code ec;
      std::filesystem::remove(host, ec);
      sim::internal::ForgetPath(host);
    }
    return status == MSPACK_ERR_NOMEMORY ? kErrNotEnoughMemory : kErrInvalidData;
  }
  uint64_t creation = sim::internal::NowFileTime();
  if (existed) sim::internal::TimesOf(host, &creation, nullptr);
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  if (!out) return kErrAccessDenied;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) return kErrAccessDenied;
  sim::internal::ForgetPath(host);
  sim::internal::FileTimeOverride times;
  times.hasCreation = true;
  times.creation = creation;
  times.hasLastWrite = DosToFileTime(info.DosDate, info.DosTime, &times.lastWrite);
  sim::internal::StoreTimes(host, times);
  return kErrSuccess;
}

// Reads the cabinet file. Every failure to open it counts as a missing cabinet.
bool ReadCabinet(const char16_t* path, std::string* bytes) {
  std::string host = sim::internal::ResolveHostPath(path);
  if (!sim::internal::HostExists(host) || sim::internal::HostIsDirectory(host)) return false;
  return sim::internal::ReadHostFile(host, bytes);
}

}  // namespace

int SysIterateCabinet(const char16_t* cabinetPath, SysCabinetCallback callback, void* context) {
  std::string cabinet;
  {
    Guard guard(Lock());
    if (SIM_FAULT(SysIterateCabinet)) return 0;
    if (!cabinetPath) {
      Fail(kErrInvalidParameter);
      return 0;
    }
    if (!ReadCabinet(cabinetPath, &cabinet)) {
      Fail(kErrFileNotFound);
      return 0;
    }
  }
  static const int selfTest = [] {
    int result = MSPACK_ERR_OK;
    MSPACK_SYS_SELFTEST(result);
    return result;
  }();
  if (!callback || selfTest != MSPACK_ERR_OK) {
    Fail(kErrInvalidData);
    return 0;
  }
  mspack_system system = {MemoryOpen,  MemoryClose, MemoryRead, MemoryWrite, MemorySeek, MemoryTell,
                          MemoryMessage, MemoryAlloc, MemoryFree, MemoryCopy, nullptr};
  std::unique_ptr<mscab_decompressor, DecompressorDeleter> decompressor(mspack_create_cab_decompressor(&system));
  if (!decompressor) {
    Fail(kErrNotEnoughMemory);
    return 0;
  }
  // Data blocks are checked against their checksums and damaged MS-ZIP data is refused, as
  // Windows' cabinet engine does.
  decompressor->set_param(decompressor.get(), MSCABD_PARAM_FIXMSZIP, 0);
  decompressor->set_param(decompressor.get(), MSCABD_PARAM_SALVAGE, 0);
  // Files stored before a damaged data block still extract, as with Windows' block-by-block
  // engine; the first file that needs the damaged block fails.
  sim::TrimDamagedFolders(&cabinet);
  MemoryName input{&cabinet, nullptr};
  std::unique_ptr<mscabd_cabinet, CabinetCloser> cab(
      decompressor->open(decompressor.get(), reinterpret_cast<const char*>(&input)),
      CabinetCloser{decompressor.get()});
  if (!cab) {
    const bool memory = decompressor->last_error(decompressor.get()) == MSPACK_ERR_NOMEMORY;
    Fail(memory ? kErrNotEnoughMemory : kErrInvalidData);
    return 0;
  }

  // The callbacks run without the machine's lock, so that they may use any service and other
  // threads keep running meanwhile, as on Windows.
  uint32_t answer = callback(context, kNotifyCabinetInfo, 0, 0);
  if (answer != 0) {
    Fail(answer);
    return 0;
  }
  for (mscabd_file* file = cab->files; file; file = file->next) {
    const std::u16string name = DecodeName(file->filename, file->attribs);
    SysFileInCabinetInfo info = {};
    info.NameInCabinet = name.c_str();
    info.FileSize = file->length;
    info.DosDate = DosDate(*file);
    info.DosTime = DosTime(*file);
    info.DosAttribs = static_cast<uint16_t>(file->attribs);
    answer = callback(context, kNotifyFileInCabinet, reinterpret_cast<uintptr_t>(&info),
                      reinterpret_cast<uintptr_t>(cabinetPath));
    if (answer == kFileOpSkip) continue;
    if (answer != kFileOpDoIt) {
      Fail(info.Win32Error);
      return 0;
    }
    info.FullTargetName[sizeof(info.FullTargetName) / sizeof(info.FullTargetName[0]) - 1] = 0;
    const std::u16string target(info.FullTargetName);
    const ErrorCode error = ExtractFile(decompressor.get(), file, target, info);
    SysFilePaths paths = {target.c_str(), cabinetPath, error};
    answer = callback(context, kNotifyFileExtracted, reinterpret_cast<uintptr_t>(&paths), 0);
    if (error != kErrSuccess || answer != 0) {
      Fail(answer != 0 ? answer : error);
      return 0;
    }
  }
  Fail(kErrSuccess);
  return 1;
}
