// The simulated machine's global record and its test-facing controls: reset, package mount,
// journal, message-box answers, fault injection, last error and UTF-8 conversion.
#include "platform/sim/machine/machine.h"

#include <cstring>
#include <stdlib.h>
#include <time.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "platform/registry.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/registry/registry_store.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/ui/window_manager.h"

namespace sim {
namespace internal {

namespace {

thread_local ErrorCode t_lastError = 0;

// The first handle token; tokens step by 4 like Windows handles.
constexpr uintptr_t kFirstHandleToken = 0x1000;
constexpr uintptr_t kHandleTokenStep = 4;

// The one temporary disk root still owned at exit; removed by RemoveOwnedTempRoot.
std::string* g_tempRootAtExit = nullptr;

void RemoveOwnedTempRoot() {
  if (!g_tempRootAtExit || g_tempRootAtExit->empty()) return;
  AwaitHostCopies("");
  std::error_code ec;
  std::filesystem::remove_all(*g_tempRootAtExit, ec);
  g_tempRootAtExit->clear();
}

}  // namespace

std::condition_variable_any& MachineChanged() {
  static std::condition_variable_any* changed = new std::condition_variable_any;
  return *changed;
}

MachineState& State() {
  static MachineState* state = new MachineState;
  return *state;
}

void SetLastError(ErrorCode code) { t_lastError = code; }
ErrorCode LastError() { return t_lastError; }

namespace {
const char* const kFaultPointNames[] = {
#define SIM_FAULT_POINT_NAME(name) #name,
    SIM_FAULT_POINTS(SIM_FAULT_POINT_NAME)
#undef SIM_FAULT_POINT_NAME
};
static_assert(sizeof(kFaultPointNames) / sizeof(kFaultPointNames[0]) == static_cast<size_t>(FaultPoint::kCount),
              "one name per fault point");

// Checks of each fault point since the last reset, and how many faults are armed. Kept outside
// the machine's lock, so that the check every platform call makes costs no lock while nothing
// is armed.
std::atomic<uint64_t> g_faultPointCalls[static_cast<size_t>(FaultPoint::kCount)];
std::atomic<size_t> g_armedFaults{0};

void ForgetFaultChecks() {
  for (std::atomic<uint64_t>& calls : g_faultPointCalls) calls.store(0, std::memory_order_relaxed);
}
}  // namespace

const char* FaultPointName(FaultPoint point) {
  size_t index = static_cast<size_t>(point);
  return index < static_cast<size_t>(FaultPoint::kCount) ? kFaultPointNames[index] : "";
}

bool FindFaultPoint(const char* name, FaultPoint* point) {
  if (!name) return false;
  for (size_t i = 0; i < static_cast<size_t>(FaultPoint::kCount); ++i) {
    if (std::strcmp(kFaultPointNames[i], name) == 0) {
      if (point) *point = static_cast<FaultPoint>(i);
      return true;
    }
  }
  return false;
}

bool FaultHit(FaultPoint point) {
  if (point < FaultPoint::kCount)
    g_faultPointCalls[static_cast<size_t>(point)].fetch_add(1, std::memory_order_relaxed);
  if (g_armedFaults.load(std::memory_order_acquire) == 0) return false;
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  bool hit = false;
  ErrorCode error = 0;
  for (ArmedFault& fault : State().faults) {
    if (fault.point != point) continue;
    ++fault.calls;
    if (fault.nth == 0 || fault.calls == fault.nth) {
      hit = true;
      error = fault.error;
    }
  }
  if (hit) SetLastError(error);
  return hit;
}

uint64_t NowFileTime() {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  const MachineState& s = State();
  return s.startFileTime + s.elapsedMs * (kFileTimeTicksPerSecond / 1000);
}

uintptr_t NewHandleToken() {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  MachineState& s = State();
  if (s.nextHandle == 0) s.nextHandle = kFirstHandleToken;
  uintptr_t token = s.nextHandle;
  s.nextHandle += kHandleTokenStep;
  return token;
}

}  // namespace internal

using internal::Lock;
using internal::MachineState;
using internal::State;

namespace {

// Host wall clock as a FILETIME.
uint64_t HostNowFileTime() {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return (static_cast<uint64_t>(now.tv_sec) + internal::kFileTimeEpochOffsetSeconds) *
             internal::kFileTimeTicksPerSecond +
         static_cast<uint64_t>(now.tv_nsec) / 100;
}

// Makes a fresh temporary folder for a machine's disk. Returns "" when the host refuses.
std::string MakeTempRoot() {
  std::error_code ec;
  std::filesystem::path base = std::filesystem::temp_directory_path(ec);
  if (ec) base = "/tmp";
  std::string pattern = (base / "glidewave-sim-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back(0);
  if (!mkdtemp(buffer.data())) return "";
  return std::string(buffer.data());
}

// Creates a Windows folder and its parents on the simulated disk (standard folders at reset).
void CreateStandardFolder(const std::u16string& windowsPath) {
  if (windowsPath.empty()) return;
  std::string host = internal::ResolvePath(windowsPath).host;
  if (host.empty()) return;
  std::error_code ec;
  if (std::filesystem::create_directories(host, ec)) internal::ForgetDiskCaches();
}

// Writes the user's locale where the profile's family keeps it: "Locale" under
// Control Panel\International on the NT family, the default value of
// Control Panel\Desktop\ResourceLocale on the 9x family; 8 upper-case hex digits as REG_SZ
// with its terminator.
void SeedUserLocale(const MachineProfile& profile) {
  char16_t text[9];
  static const char16_t kHexDigits[] = u"0123456789ABCDEF";
  for (int i = 0; i < 8; ++i) text[i] = kHexDigits[(profile.userLocale >> (28 - 4 * i)) & 0xF];
  text[8] = 0;
  const bool nineX = profile.platformId == 1;
  const char16_t* keyPath = nineX ? u"Control Panel\\Desktop\\ResourceLocale" : u"Control Panel\\International";
  const char16_t* valueName = nineX ? u"" : u"Locale";
  RegKey key = nullptr;
  if (SysRegCreateKey(kRegCurrentUser, keyPath, kKeyAllAccess, &key, nullptr) != 0) return;
  SysRegSetValue(key, valueName, kRegTypeSz, reinterpret_cast<const uint8_t*>(text), sizeof(text));
  SysRegCloseKey(key);
}

constexpr uint32_t kDriveTypeNoRoot = 1;

}  // namespace

void ResetMachine(const MachineProfile& profileIn, const std::string& hostDiskRoot) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  const MachineProfile profile = profileIn;  // may refer to the state about to be replaced
  internal::AwaitHostCopies("");
  MachineState& s = State();
  const bool traceToStderr = s.traceToStderr;
  const std::string previousTemp = s.ownedTempRoot;
  s = MachineState();
  internal::g_armedFaults.store(0, std::memory_order_release);
  internal::ForgetFaultChecks();
  s.traceToStderr = traceToStderr;
  s.profile = profile;
  s.startFileTime = HostNowFileTime();

  std::error_code ec;
  if (hostDiskRoot.empty()) {
    s.hostRoot = MakeTempRoot();
    s.ownedTempRoot = s.hostRoot;
  } else {
    std::filesystem::create_directories(hostDiskRoot, ec);
    s.hostRoot = std::filesystem::absolute(hostDiskRoot, ec).lexically_normal().string();
    if (ec) s.hostRoot = hostDiskRoot;
    while (s.hostRoot.size() > 1 && s.hostRoot.back() == '/') s.hostRoot.pop_back();
  }
  if (!previousTemp.empty() && previousTemp != s.ownedTempRoot) std::filesystem::remove_all(previousTemp, ec);
  if (!internal::g_tempRootAtExit) {
    internal::g_tempRootAtExit = new std::string;
    std::atexit(internal::RemoveOwnedTempRoot);
  }
  *internal::g_tempRootAtExit = s.ownedTempRoot;

  for (int i = 0; i < 26; ++i) {
    if (s.profile.driveTypes[i] > kDriveTypeNoRoot)
      std::filesystem::create_directories(s.hostRoot + "/" + static_cast<char>('A' + i), ec);
  }

  internal::ResetRegistryStore();
  internal::ResetProfileCache();
  internal::ResetWindowManager();

  const MachineProfile& p = s.profile;
  CreateStandardFolder(p.windowsDir);
  CreateStandardFolder(p.systemDir);
  CreateStandardFolder(p.programFilesDir);
  CreateStandardFolder(p.commonAppDataDir);
  CreateStandardFolder(p.commonProgramsDir);
  if (!p.windowsDir.empty()) {
    CreateStandardFolder(p.windowsDir + u"\\INF");
    CreateStandardFolder(p.windowsDir + u"\\Help");
  }
  SeedUserLocale(p);
  for (const Device& device : p.devices) AddDevice(device);
}

const MachineProfile& Profile() {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  return State().profile;
}

void MountPackage(const std::string& hostDir, const std::u16string& programName) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  MachineState& s = State();
  std::error_code ec;
  std::string dir = std::filesystem::absolute(hostDir, ec).lexically_normal().string();
  if (ec) dir = hostDir;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  s.packageHostDir = dir;
  internal::ForgetDiskCaches();
  std::u16string path;
  path += static_cast<char16_t>(s.profile.packageDrive);
  path += u":\\";
  path += programName;
  s.modulePath = path;
}

void SetModulePath(const std::u16string& windowsPath) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  State().modulePath = windowsPath;
}

void JournalAdd(const std::string& line) { JournalAdd(std::string(line)); }

void JournalAdd(std::string&& line) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  MachineState& s = State();
  if (s.traceToStderr && line.compare(0, 7, "trace: ") == 0) {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
  s.journal.push_back(std::move(line));
}

std::vector<std::string> Journal() {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  return State().journal;
}

void ClearJournal() {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  State().journal.clear();
}

void SetTraceToStderr(bool on) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  State().traceToStderr = on;
}

void SetFileJournal(bool on) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  State().fileJournal = on;
}

bool FileJournalOn() {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  return State().fileJournal;
}

void QueueMessageBoxAnswer(int buttonId) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  State().messageBoxAnswers.push_back(buttonId);
}

bool FailCall(const std::string& function, int nth, ErrorCode error) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  internal::ArmedFault fault;
  if (!internal::FindFaultPoint(function.c_str(), &fault.point)) {
    State().refusedFaults.push_back(function);
    return false;
  }
  fault.nth = nth < 0 ? 0 : nth;
  fault.error = error;
  State().faults.push_back(fault);
  internal::g_armedFaults.store(State().faults.size(), std::memory_order_release);
  return true;
}

OpenObjectCounts OpenObjects() {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  OpenObjectCounts counts;
  counts.registryKeys = internal::RegOpenHandleCount();
  counts.kernelHandles = State().kernelHandles.size();
  counts.gdiObjects = internal::OpenGdiObjectCount();
  counts.deviceContexts = internal::OpenDeviceContextCount();
  return counts;
}

std::map<std::string, uint64_t> FaultPointCalls() {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  std::map<std::string, uint64_t> calls;
  for (size_t i = 0; i < static_cast<size_t>(internal::FaultPoint::kCount); ++i)
    if (const uint64_t count = internal::g_faultPointCalls[i].load(std::memory_order_relaxed))
      calls[internal::FaultPointName(static_cast<internal::FaultPoint>(i))] = count;
  return calls;
}

std::vector<std::string> RefusedFaults() {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  return State().refusedFaults;
}

void ClearFaults() {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  State().faults.clear();
  internal::g_armedFaults.store(0, std::memory_order_release);
}

bool ShutdownParameters(uint32_t* level, uint32_t* flags) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  const MachineState& s = State();
  if (level) *level = s.shutdownLevel;
  if (flags) *flags = s.shutdownFlags;
  return s.shutdownSet;
}

uint64_t ElapsedMilliseconds() {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  return State().elapsedMs;
}

bool ComInitialised() {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  return State().comThreads.count(std::this_thread::get_id()) != 0;
}

void AppendUtf8(std::u16string_view text, std::string* out) {
  const size_t start = out->size();
  size_t ascii = 0;
  while (ascii < text.size() && text[ascii] < 0x80) ++ascii;
  if (ascii == text.size()) {
    out->resize(start + ascii);
    char* at = &(*out)[start];
    for (char16_t c : text) *at++ = static_cast<char>(c);
    return;
  }
  // At most three bytes per unit (a surrogate pair, two units, takes four).
  out->resize(start + text.size() * 3);
  char* at = &(*out)[start];
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c < 0x80) {
      *at++ = static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // lone surrogate
    }
    if (c < 0x800) {
      *at++ = static_cast<char>(0xC0 | (c >> 6));
      *at++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *at++ = static_cast<char>(0xE0 | (c >> 12));
      *at++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *at++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *at++ = static_cast<char>(0xF0 | (c >> 18));
      *at++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *at++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *at++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  out->resize(static_cast<size_t>(at - out->data()));
}

std::string ToUtf8(const std::u16string& text) {
  std::string out;
  AppendUtf8(text, &out);
  return out;
}

std::u16string FromUtf8(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    uint32_t c = 0;
    size_t extra = 0;
    uint32_t minimum = 0;
    if (lead < 0x80) {
      out.push_back(static_cast<char16_t>(lead));
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      c = lead & 0x1F;
      extra = 1;
      minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      c = lead & 0x0F;
      extra = 2;
      minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      c = lead & 0x07;
      extra = 3;
      minimum = 0x10000;
    } else {
      out += u'\xFFFD';
      ++i;
      continue;
    }
    size_t j = 1;
    for (; j <= extra; ++j) {
      if (i + j >= text.size()) break;
      const unsigned char next = static_cast<unsigned char>(text[i + j]);
      if ((next & 0xC0) != 0x80) break;
      c = (c << 6) | (next & 0x3F);
    }
    if (j <= extra || c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out += u'\xFFFD';
      i += j;  // skip the lead byte and the continuation bytes that were read
      continue;
    }
    i += extra + 1;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

}  // namespace sim
