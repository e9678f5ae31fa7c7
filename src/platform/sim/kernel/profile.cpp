// INI profile functions of the simulated machine: files on the machine's disk, parsed by
// ini_file and kept parsed until they change.
#include "platform/profile.h"

#include <sys/stat.h>

#include <chrono>
#include <map>
#include <string>

#include "common/text.h"
#include "platform/sim/kernel/ini_file.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"

namespace {

// GetPrivateProfileIntW reads the value through a buffer of this many characters.
constexpr uint32_t kIntBufferSize = 30;
// The file Windows reads when no file is named.
constexpr char16_t kDefaultProfileFile[] = u"win.ini";
// File times advance in coarse steps, so a file rewritten soon after it was parsed can keep
// its size and time. A parse is trusted without reading the file again only for a file last
// changed at least this long before it was parsed; a fresher file is read on every use and
// parsed again when its bytes differ from the parsed ones.
constexpr std::chrono::seconds kTimestampGranularity{10};

typedef std::chrono::system_clock Clock;

struct CachedFile {
  off_t size = 0;
  struct timespec modified = {};
  Clock::time_point parsedAt;
  std::string bytes;  // the parsed text
  sim::IniFile ini;
};

std::map<std::string, CachedFile>& Cache() {
  static std::map<std::string, CachedFile> cache;
  return cache;
}

// The Windows path a profile name stands for: a bare file name lies in the Windows folder.
std::u16string ProfilePath(const char16_t* file) {
  std::u16string name = file && *file ? std::u16string(file) : std::u16string(kDefaultProfileFile);
  if (name.find_first_of(u"\\/:") != std::u16string::npos) return name;
  return sim::Profile().windowsDir + u"\\" + name;
}

Clock::time_point TimeOf(const struct timespec& t) {
  return Clock::time_point(std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(t.tv_sec) +
                                                                       std::chrono::nanoseconds(t.tv_nsec)));
}

// The parsed file, or null when it does not exist or cannot be read. A file is parsed again
// when its size, modification time or (for a file changed just before the last parse) its
// bytes differ from the cached parse.
const sim::IniFile* LoadProfile(const char16_t* file) {
  std::string host = sim::internal::ResolveHostPath(ProfilePath(file));
  if (host.empty()) return nullptr;
  struct stat info;
  if (stat(host.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    Cache().erase(host);
    return nullptr;
  }
  auto found = Cache().find(host);
  const bool same = found != Cache().end() && found->second.size == info.st_size &&
                    found->second.modified.tv_sec == info.st_mtim.tv_sec &&
                    found->second.modified.tv_nsec == info.st_mtim.tv_nsec;
  if (same && TimeOf(info.st_mtim) + kTimestampGranularity < found->second.parsedAt) return &found->second.ini;
  std::string bytes;
  if (!sim::internal::ReadHostFile(host, &bytes)) return nullptr;
  CachedFile& entry = Cache()[host];
  entry.size = info.st_size;
  entry.modified = info.st_mtim;
  if (same && bytes == entry.bytes) return &entry.ini;
  entry.parsedAt = Clock::now();
  entry.ini = sim::ParseIniFile(bytes);
  entry.bytes = std::move(bytes);
  return &entry.ini;
}

uint32_t ReadString(const char16_t* section, const char16_t* key, const char16_t* fallback,
                    char16_t* out, uint32_t size, const char16_t* file) {
  // A missing file reads like an empty one: the default, or an empty list of sections.
  static const sim::IniFile kEmpty;
  const sim::IniFile* ini = LoadProfile(file);
  return sim::IniReadString(ini ? *ini : kEmpty, section, key, fallback, out, size);
}

}  // namespace

namespace sim {
namespace internal {

// Forgets every parsed file.
void ResetProfileCache() {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  Cache().clear();
}

}  // namespace internal
}  // namespace sim

// GetPrivateProfileStringW over the machine's disk.
uint32_t SysReadProfileString(const char16_t* section, const char16_t* key, const char16_t* fallback,
                              char16_t* out, uint32_t size, const char16_t* file) {
  std::lock_guard<std::recursive_mutex> guard(sim::internal::Lock());
  // An injected fault makes the file unreadable: the caller gets what a missing file gives.
  if (SIM_FAULT(SysReadProfileString)) {
    static const sim::IniFile kEmpty;
    return sim::IniReadString(kEmpty, section, key, fallback, out, size);
  }
  return ReadString(section, key, fallback, out, size, file);
}

// GetPrivateProfileIntW over the machine's disk.
uint32_t SysReadProfileInt(const char16_t* section, const char16_t* key, int32_t fallback,
                           const char16_t* file) {
  std::lock_guard<std::recursive_mutex> guard(sim::internal::Lock());
  if (SIM_FAULT(SysReadProfileInt)) return static_cast<uint32_t>(fallback);
  // The value is read as a string with an empty default; nothing read means the default.
  // A negative number comes back as its two's complement (-5 gives 0xFFFFFFFB).
  char16_t buffer[kIntBufferSize];
  uint32_t length = ReadString(section, key, u"", buffer, kIntBufferSize, file);
  if (length == 0) return static_cast<uint32_t>(fallback);
  return sim::IniParseNumber(std::u16string_view(buffer, length));
}
