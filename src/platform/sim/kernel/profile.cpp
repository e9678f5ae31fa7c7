// INI profile functions of the simulated machine: files on the machine's disk, parsed by
// ini_file and kept parsed until the machine changes them.
#include "platform/profile.h"

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

// Parsed files by host path. An entry stays until the machine changes that file (see
// ForgetProfileFiles), so a file is read once however often it is asked; once a caller holds a
// host path (MachineState::diskShared) every use reads the file again.
std::map<std::string, sim::IniFile>& Cache() {
  static std::map<std::string, sim::IniFile> cache;
  return cache;
}

// The Windows path a profile name stands for: a bare file name lies in the Windows folder.
std::u16string ProfilePath(const char16_t* file) {
  std::u16string name = file && *file ? std::u16string(file) : std::u16string(kDefaultProfileFile);
  if (name.find_first_of(u"\\/:") != std::u16string::npos) return name;
  return sim::Profile().windowsDir + u"\\" + name;
}

// The parsed file, or null when it does not exist or cannot be read.
const sim::IniFile* LoadProfile(const char16_t* file) {
  std::string host = sim::internal::ResolveHostPath(ProfilePath(file));
  if (host.empty()) return nullptr;
  auto found = Cache().find(host);
  if (found != Cache().end() && !sim::internal::State().diskShared) return &found->second;
  std::string bytes;
  if (!sim::internal::ReadHostFile(host, &bytes)) {
    Cache().erase(host);
    return nullptr;
  }
  sim::IniFile& ini = Cache()[host];
  ini = sim::ParseIniFile(bytes);
  return &ini;
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
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  Cache().clear();
}

void ForgetProfileFiles(const std::string& host) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  auto& cache = Cache();
  const std::string below = host + "/";
  for (auto it = cache.lower_bound(host); it != cache.end();) {
    if (it->first != host && it->first.compare(0, below.size(), below) != 0) break;
    it = cache.erase(it);
  }
}

}  // namespace internal
}  // namespace sim

// GetPrivateProfileStringW over the machine's disk.
uint32_t SysReadProfileString(const char16_t* section, const char16_t* key, const char16_t* fallback,
                              char16_t* out, uint32_t size, const char16_t* file) {
  std::lock_guard<sim::internal::MachineLock> guard(sim::internal::Lock());
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
  std::lock_guard<sim::internal::MachineLock> guard(sim::internal::Lock());
  if (SIM_FAULT(SysReadProfileInt)) return static_cast<uint32_t>(fallback);
  // The value is read as a string with an empty default; nothing read means the default.
  // A negative number comes back as its two's complement (-5 gives 0xFFFFFFFB).
  char16_t buffer[kIntBufferSize];
  uint32_t length = ReadString(section, key, u"", buffer, kIntBufferSize, file);
  if (length == 0) return static_cast<uint32_t>(fallback);
  return sim::IniParseNumber(std::u16string_view(buffer, length));
}
