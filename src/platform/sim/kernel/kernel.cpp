// Kernel services of the simulated machine: version information from the profile, module and
// system paths, code-page conversion, folder listings with Windows wildcard rules, file and
// folder operations with Windows error codes, last error, debugger output, sleep, the
// shutdown parameters, drive types, the error mode and the current folder.
#include "platform/kernel.h"


#include <algorithm>
#include <cstdio>
#include <cstring>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

#include "common/text.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/machine/windows_constants.h"

using sim::internal::Lock;
using sim::internal::State;

namespace {

using sim::internal::Guard;

constexpr uint32_t kGetVersion9xBits = 0xC0000000u;
constexpr uint32_t kBuildMask = 0xFFFF;
constexpr uint32_t kNtBuildMask = 0x7FFF;
constexpr size_t kCsdCap = 128;
// SetProcessShutdownParameters accepts levels 0x000-0x3FF and the SHUTDOWN_NORETRY flag only.
constexpr uint32_t kMaxShutdownLevel = 0x3FF;
constexpr uint32_t kShutdownNoRetry = 0x1;
// Longest real sleep: the clock is virtual, the call only gives other threads a turn.
constexpr uint32_t kMaxRealSleepMs = 1;

// Windows-1252 characters 0x80-0x9F; the five undefined ones map to the same code point, as
// MultiByteToWideChar does.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void Fail(ErrorCode code) { sim::internal::SetLastError(code); }

// Copies a machine text into a caller's buffer, cut to cap - 1. Returns the characters kept.
uint32_t CopyOut(const std::u16string& text, char16_t* out, uint32_t cap) {
  if (!out || cap == 0) return 0;
  uint32_t n = static_cast<uint32_t>(std::min<size_t>(text.size(), cap - 1));
  for (uint32_t i = 0; i < n; ++i) out[i] = text[i];
  out[n] = 0;
  return n;
}

// GetSystemDirectory / GetWindowsDirectory: the length copied, or the size needed (with the
// terminator) when the buffer is too small, leaving the buffer alone.
uint32_t CopyFolder(const std::u16string& folder, char16_t* out, uint32_t cap) {
  if (!out || folder.size() + 1 > cap) return static_cast<uint32_t>(folder.size() + 1);
  return CopyOut(folder, out, cap);
}

// A failed folder query leaves the caller's buffer as it was, which may be anything: the machine
// fills it with '?' and no terminator, so that a caller reading it anyway is plain to see.
uint32_t FailFolderQuery(char16_t* out, uint32_t cap) {
  for (uint32_t i = 0; out && i < cap; ++i) out[i] = u'?';
  return 0;
}

std::u16string Upper(const std::u16string& text) {
  std::u16string out(text);
  for (char16_t& c : out) c = CharUpper(c);
  return out;
}

// Windows file-name matching, as FindFirstFile does it: the pattern's wildcards are read the DOS
// way before matching.
//  - '*' followed by '.' matches any run of characters that stops before the name's last '.';
//    any other '*' matches any run of characters;
//  - '?' matches one character other than '.', or nothing at a '.' or at the end of the name
//    (so "file?.txt" matches "file.txt");
//  - '.' followed by '?', '*' or the end of the pattern matches a '.' or the end of the name
//    (so "*.*" matches every name and "readme.*" matches "readme");
//  - other characters match themselves, letters ignoring case.
enum class PatternToken { kLiteral, kStar, kStarToLastDot, kQuestion, kDot };

bool WildcardMatch(const std::u16string& pattern, const std::u16string& name) {
  // The usual patterns need no table: every name, or one name spelled without wildcards.
  if (pattern == u"*" || pattern == u"*.*") return true;
  if (pattern.find_first_of(u"*?") == std::u16string::npos && !pattern.empty() && pattern.back() != u'.') {
    if (pattern.size() != name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i)
      if (pattern[i] != name[i] && CharUpper(pattern[i]) != CharUpper(name[i])) return false;
    return true;
  }
  std::vector<PatternToken> tokens(pattern.size(), PatternToken::kLiteral);
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char16_t next = i + 1 < pattern.size() ? pattern[i + 1] : 0;
    if (pattern[i] == u'*')
      tokens[i] = next == u'.' ? PatternToken::kStarToLastDot : PatternToken::kStar;
    else if (pattern[i] == u'?')
      tokens[i] = PatternToken::kQuestion;
    else if (pattern[i] == u'.' && (next == u'?' || next == u'*' || next == 0))
      tokens[i] = PatternToken::kDot;
  }
  const size_t lastDot = name.find_last_of(u'.');
  const size_t width = name.size() + 1;
  // reach[p * width + n]: pattern position p can stand at name position n.
  std::vector<char> reach((pattern.size() + 1) * width, 0);
  reach[0] = 1;
  for (size_t p = 0; p < pattern.size(); ++p) {
    for (size_t n = 0; n <= name.size(); ++n) {
      if (!reach[p * width + n]) continue;
      const bool more = n < name.size();
      auto mark = [&](size_t np, size_t nn) { reach[np * width + nn] = 1; };
      switch (tokens[p]) {
        case PatternToken::kStar:
          mark(p + 1, n);
          if (more) mark(p, n + 1);
          break;
        case PatternToken::kStarToLastDot:
          mark(p + 1, n);
          if (more && n != lastDot) mark(p, n + 1);
          break;
        case PatternToken::kQuestion:
          if (more && name[n] != u'.')
            mark(p + 1, n + 1);
          else
            mark(p + 1, n);
          break;
        case PatternToken::kDot:
          if (more && name[n] == u'.') mark(p + 1, n + 1);
          if (!more) mark(p + 1, n);
          break;
        case PatternToken::kLiteral:
          if (more && CharUpper(pattern[p]) == CharUpper(name[n])) mark(p + 1, n + 1);
          break;
      }
    }
  }
  return reach[pattern.size() * width + name.size()] != 0;
}

bool HasInvalidPatternChar(const std::u16string& name) {
  for (char16_t c : name) {
    if (c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'|') return true;
  }
  return false;
}

// Lists the entries of the pattern's folder that match its last component, in the order an
// NTFS folder reports them ("." and ".." first in a folder that is not a drive root, then by
// name ignoring case). Returns 0 with at least one entry, else the error FindFirstFile gives.
ErrorCode ListMatches(const char16_t* patternText, std::vector<SysFindData>* out) {
  Guard guard(Lock());
  out->clear();
  if (!patternText || !patternText[0]) return kErrFileNotFound;
  std::u16string pattern(patternText);
  size_t cut = pattern.find_last_of(u"\\/");
  std::u16string folder, name;
  if (cut != std::u16string::npos) {
    folder = pattern.substr(0, cut + 1);
    name = pattern.substr(cut + 1);
  } else if (pattern.size() >= 2 && pattern[1] == u':') {
    folder = pattern.substr(0, 2) + u"\\";
    name = pattern.substr(2);
  } else {
    name = pattern;
  }
  if (name.empty()) return kErrFileNotFound;
  if (HasInvalidPatternChar(name)) return kErrInvalidName;
  sim::internal::ResolvedPath dir = sim::internal::ResolvePath(folder);
  if (dir.host.empty()) return dir.error ? dir.error : kErrPathNotFound;
  if (!sim::internal::HostIsDirectory(dir.host)) return kErrPathNotFound;

  std::vector<SysFindData> dots;
  if (!dir.isDriveRoot) {
    SysFindData entry;
    if (WildcardMatch(name, u".")) {
      sim::internal::FillFindData(dir.host, u".", &entry);
      dots.push_back(entry);
    }
    if (WildcardMatch(name, u"..")) {
      sim::internal::FillFindData(sim::internal::HostParent(dir.host), u"..", &entry);
      dots.push_back(entry);
    }
  }
  struct Found {
    std::u16string upper;  // the sort key
    std::u16string name;   // as Windows reports it
    std::string host;
  };
  std::vector<Found> found;
  for (const std::string& hostName : sim::internal::HostFolderNames(dir.host)) {
    std::u16string windowsName = sim::FromUtf8(hostName);
    if (windowsName.size() > kMaxFindName) continue;
    if (WildcardMatch(name, windowsName))
      found.push_back({Upper(windowsName), std::move(windowsName), dir.host + "/" + hostName});
  }
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    if (a.upper != b.upper) return a.upper < b.upper;
    return a.name != b.name ? a.name < b.name : a.host < b.host;
  });
  *out = dots;
  out->reserve(dots.size() + found.size());
  for (const Found& item : found) {
    SysFindData entry;
    sim::internal::FillFindData(item.host, item.name, &entry);
    out->push_back(entry);
  }
  return out->empty() ? kErrFileNotFound : kErrSuccess;
}

// Resolves a path for a file operation: the host path, or "" with the last error set.
std::string ResolveOrFail(const char16_t* path) {
  sim::internal::ResolvedPath resolved;
  return sim::internal::ResolveOrFail(path, &resolved) ? std::move(resolved.host) : std::string();
}

// Error for a path that does not exist: 2 when its folder exists, 3 when the folder is missing.
ErrorCode MissingError(const std::string& host) {
  return sim::internal::HostIsDirectory(sim::internal::HostParent(host)) ? kErrFileNotFound : kErrPathNotFound;
}

}  // namespace

int SysGetVersionInfo(SysVersionInfo* out, int extended) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetVersionInfo)) return 0;
  const sim::MachineProfile& p = State().profile;
  if (!out || (extended && !p.hasExtendedVersion)) {
    Fail(kErrInvalidParameter);
    return 0;
  }
  *out = SysVersionInfo();
  out->major = p.major;
  out->minor = p.minor;
  out->platformId = p.platformId;
  // The 9x family puts the version in the high word of the build number.
  out->build = p.platformId == kPlatform9x ? ((p.major << 24) | (p.minor << 16) | (p.build & kBuildMask)) : p.build;
  CopyOut(p.csdVersion, out->csdVersion, kCsdCap);
  if (extended) {
    out->servicePackMajor = p.servicePackMajor;
    out->servicePackMinor = p.servicePackMinor;
    out->suiteMask = 0;
    out->productType = p.productType;
  }
  return 1;
}

uint32_t SysGetVersionWord() {
  Guard guard(Lock());
  const sim::MachineProfile& p = State().profile;
  const uint32_t low = ((p.minor & 0xFF) << 8) | (p.major & 0xFF);
  if (p.platformId == kPlatform9x) return kGetVersion9xBits | low;
  return ((p.build & kNtBuildMask) << 16) | low;
}

uint32_t SysGetModulePath(char16_t* out, uint32_t cap) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetModulePath)) {
    if (out && cap) out[0] = 0;
    return 0;
  }
  const std::u16string& path = State().modulePath;
  uint32_t n = CopyOut(path, out, cap);
  if (n < path.size()) Fail(kErrInsufficientBuffer);
  return n;
}

uint32_t SysGetSystemDirectory(char16_t* out, uint32_t cap) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetSystemDirectory)) return FailFolderQuery(out, cap);
  return CopyFolder(State().profile.systemDir, out, cap);
}

uint32_t SysGetWindowsDirectory(char16_t* out, uint32_t cap) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetWindowsDirectory)) return FailFolderQuery(out, cap);
  return CopyFolder(State().profile.windowsDir, out, cap);
}

uint32_t SysAnsiToWide(const char* text, char16_t* out, uint32_t cap) {
  Guard guard(Lock());
  if (!out || cap == 0) return 0;
  out[0] = 0;
  if (SIM_FAULT(SysAnsiToWide) || !text) return 0;
  uint32_t n = 0;
  for (; text[n] && n + 1 < cap; ++n) {
    unsigned char c = static_cast<unsigned char>(text[n]);
    out[n] = (c >= 0x80 && c < 0xA0) ? kCp1252High[c - 0x80] : static_cast<char16_t>(c);
  }
  out[n] = 0;
  return n;
}

uint32_t SysGetThreadLocale() {
  Guard guard(Lock());
  return State().profile.threadLocale;
}

SysHandle SysFindFirstFile(const char16_t* pattern, SysFindData* out) {
  Guard guard(Lock());
  if (SIM_FAULT(SysFindFirstFile)) return kInvalidHandle;
  if (!out) {
    Fail(kErrInvalidParameter);
    return kInvalidHandle;
  }
  sim::internal::FindListing listing;
  ErrorCode error = ListMatches(pattern, &listing.entries);
  if (error != kErrSuccess) {
    Fail(error);
    return kInvalidHandle;
  }
  *out = listing.entries[0];
  listing.next = 1;
  return sim::internal::NewKernelHandle(sim::internal::HandleKind::kFind,
                                        std::make_shared<sim::internal::FindListing>(std::move(listing)));
}

int SysFindNextFile(SysHandle find, SysFindData* out) {
  Guard guard(Lock());
  if (SIM_FAULT(SysFindNextFile)) return 0;
  std::shared_ptr<sim::internal::FindListing> found = std::static_pointer_cast<sim::internal::FindListing>(
      sim::internal::KernelHandleObject(find, sim::internal::HandleKind::kFind));
  if (!found || !out) {
    Fail(kErrInvalidHandle);
    return 0;
  }
  sim::internal::FindListing& listing = *found;
  if (listing.next >= listing.entries.size()) {
    Fail(kErrNoMoreFiles);
    return 0;
  }
  *out = listing.entries[listing.next++];
  return 1;
}

void SysFindClose(SysHandle find) {
  Guard guard(Lock());
  if (sim::internal::KernelHandleObject(find, sim::internal::HandleKind::kFind))
    sim::internal::CloseKernelHandle(find);
}

int SysPathExists(const char16_t* path) {
  Guard guard(Lock());
  if (SIM_FAULT(SysPathExists)) return 0;
  std::vector<SysFindData> entries;
  ErrorCode error = ListMatches(path, &entries);
  if (error != kErrSuccess) {
    Fail(error);
    return 0;
  }
  return 1;
}

int SysCreateDirectory(const char16_t* path) {
  Guard guard(Lock());
  if (SIM_FAULT(SysCreateDirectory)) return 0;
  sim::internal::ResolvedPath resolved;
  if (!sim::internal::ResolveOrFail(path, &resolved)) return 0;
  if (resolved.isDriveRoot) {
    Fail(kErrAccessDenied);
    return 0;
  }
  if (sim::internal::HostExists(resolved.host)) {
    Fail(kErrAlreadyExists);
    return 0;
  }
  if (!sim::internal::HostIsDirectory(sim::internal::HostParent(resolved.host))) {
    Fail(kErrPathNotFound);
    return 0;
  }
  std::error_code ec;
  if (!std::filesystem::create_directory(resolved.host, ec)) {
    Fail(kErrAccessDenied);
    return 0;
  }
  sim::internal::ForgetPath(resolved.host, sim::internal::NameNow::kFolder);
  sim::internal::StoreInheritedSecurity(resolved.host);
  return 1;
}

int SysRemoveDirectory(const char16_t* path) {
  Guard guard(Lock());
  if (SIM_FAULT(SysRemoveDirectory)) return 0;
  sim::internal::ResolvedPath resolved;
  if (!sim::internal::ResolveOrFail(path, &resolved)) return 0;
  const std::string& host = resolved.host;
  if (!sim::internal::HostExists(host)) {
    Fail(MissingError(host));
    return 0;
  }
  if (!sim::internal::HostIsDirectory(host)) {
    Fail(kErrDirectory);
    return 0;
  }
  if (resolved.isDriveRoot || (sim::internal::AttributesOf(host) & kAttrReadOnly)) {
    Fail(kErrAccessDenied);
    return 0;
  }
  std::error_code ec;
  if (!std::filesystem::is_empty(host, ec)) {
    Fail(kErrDirNotEmpty);
    return 0;
  }
  if (!std::filesystem::remove(host, ec)) {
    Fail(kErrAccessDenied);
    return 0;
  }
  sim::internal::ForgetPath(host, sim::internal::NameNow::kGone);
  return 1;
}

int SysDeleteFile(const char16_t* path) {
  Guard guard(Lock());
  if (SIM_FAULT(SysDeleteFile)) return 0;
  std::string host = ResolveOrFail(path);
  if (host.empty()) return 0;
  if (!sim::internal::HostExists(host)) {
    Fail(MissingError(host));
    return 0;
  }
  if (sim::internal::HostIsDirectory(host) || (sim::internal::AttributesOf(host) & kAttrReadOnly)) {
    Fail(kErrAccessDenied);
    return 0;
  }
  if (sim::internal::OpenConflicts(host, sim::internal::kDeleteAccess, 0)) {
    Fail(kErrSharingViolation);
    return 0;
  }
  sim::internal::AwaitHostCopies(host);
  std::error_code ec;
  if (!std::filesystem::remove(host, ec)) {
    Fail(kErrAccessDenied);
    return 0;
  }
  sim::internal::ForgetPath(host, sim::internal::NameNow::kGone);
  return 1;
}

namespace {

// CopyFile on the machine's disk: the checks of sharing, attributes and folders, the copy, and
// the times and attributes the copy takes along.
int CopyFileOnDisk(const char16_t* source, const char16_t* target, int failIfExists) {
  std::string from = ResolveOrFail(source);
  if (from.empty()) return 0;
  if (!sim::internal::HostExists(from)) {
    Fail(MissingError(from));
    return 0;
  }
  if (sim::internal::HostIsDirectory(from)) {
    Fail(kErrAccessDenied);
    return 0;
  }
  std::string to = ResolveOrFail(target);
  if (to.empty()) return 0;
  if (!sim::internal::HostIsDirectory(sim::internal::HostParent(to))) {
    Fail(kErrPathNotFound);
    return 0;
  }
  const bool targetExists = sim::internal::HostExists(to);
  if (targetExists) {
    if (failIfExists) {
      Fail(kErrFileExists);
      return 0;
    }
    if (sim::internal::HostIsDirectory(to) || (sim::internal::AttributesOf(to) & kAttrReadOnly)) {
      Fail(kErrAccessDenied);
      return 0;
    }
    if (to == from || sim::internal::OpenConflicts(to, kGenericWrite, 0)) {
      Fail(kErrSharingViolation);
      return 0;
    }
  }
  // CopyFile reads the source through a handle that shares reading only.
  if (sim::internal::OpenConflicts(from, kGenericRead, kFileShareRead)) {
    Fail(kErrSharingViolation);
    return 0;
  }
  uint64_t sourceWrite = 0, targetCreation = 0;
  if (targetExists) sim::internal::TimesOf(to, &targetCreation, nullptr);
  const uint32_t sourceAttributes = sim::internal::AttributesOf(from);
  if (!sim::internal::CopyHostFile(from, to)) {
    Fail(kErrAccessDenied);
    return 0;
  }
  // The source is unchanged by the copy, whose opening of it told its time.
  sim::internal::TimesOf(from, nullptr, &sourceWrite);
  // The copy keeps the source's last-write time and attributes, plus the archive bit; a new
  // file is created now, an overwritten one keeps its creation time. The copy has already
  // noted the new name.
  sim::internal::ForgetSideTables(to);
  sim::internal::FileTimeOverride times;
  times.hasCreation = true;
  times.creation = targetExists ? targetCreation : sim::internal::NowFileTime();
  times.hasLastWrite = true;
  times.lastWrite = sourceWrite;
  sim::internal::StoreTimes(to, times);
  sim::internal::StoreAttributes(to, (sourceAttributes == kAttrNormal ? 0 : sourceAttributes) | kAttrArchive);
  return 1;
}

}  // namespace

int SysCopyFile(const char16_t* source, const char16_t* target, int failIfExists) {
  Guard guard(Lock());
  if (SIM_FAULT(SysCopyFile)) return 0;
  const int copied = CopyFileOnDisk(source, target, failIfExists);
  if (State().fileJournal)
    sim::JournalAdd("file-copy: " + sim::ToUtf8(source ? source : u"") + " -> " + sim::ToUtf8(target ? target : u"") +
                    (copied ? std::string(" -> ok") : " -> error " + std::to_string(sim::internal::LastError())));
  return copied;
}

uint32_t SysGetFileAttributes(const char16_t* path) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetFileAttributes)) return kInvalidAttributes;
  std::string host = ResolveOrFail(path);
  uint32_t attributes = host.empty() ? kInvalidAttributes : sim::internal::AttributesOf(host);
  if (!host.empty() && attributes == kInvalidAttributes) Fail(MissingError(host));
  if (State().fileJournal) {
    char bits[16];
    std::snprintf(bits, sizeof bits, "0x%x", attributes);
    sim::JournalAdd("file-attributes: " + sim::ToUtf8(path ? path : u"") + " -> " +
                    (attributes == kInvalidAttributes ? std::string("missing") : std::string(bits)));
  }
  return attributes;
}

int SysSetFileAttributes(const char16_t* path, uint32_t attributes) {
  Guard guard(Lock());
  if (SIM_FAULT(SysSetFileAttributes)) return 0;
  std::string host = ResolveOrFail(path);
  if (host.empty()) return 0;
  if (!sim::internal::HostExists(host)) {
    Fail(MissingError(host));
    return 0;
  }
  sim::internal::StoreAttributes(host, attributes);
  return 1;
}

ErrorCode SysGetLastError() { return sim::internal::LastError(); }

void SysSetLastError(ErrorCode code) { sim::internal::SetLastError(code); }

void SysDebugOutput(const char16_t* text) {
  size_t length = TextLength(text);
  while (length > 0 && (text[length - 1] == u'\n' || text[length - 1] == u'\r')) --length;
  // One journal line per call: inner line breaks are written as the two characters \n.
  static constexpr char kPrefix[] = "trace: ";
  constexpr size_t kPrefixLength = sizeof(kPrefix) - 1;
  std::string entry(kPrefixLength + length, '\0');
  std::memcpy(&entry[0], kPrefix, kPrefixLength);
  // The usual line, printable ASCII only, is narrowed in one pass that only gathers the bits
  // of characters beyond it (control characters and everything from 0x80 on), in arithmetic the
  // compiler turns into vector code; any such character sends the line the long way.
  char* at = &entry[kPrefixLength];
  unsigned beyond = 0;
  for (size_t i = 0; i < length; ++i) {
    const unsigned c = text[i];
    at[i] = static_cast<char>(c);
    beyond |= (c & 0xFF80u) | ((c - 0x20u) & 0x80000000u);
  }
  if (beyond != 0) {
    entry.resize(kPrefixLength);
    const std::u16string_view line(text, length);
    size_t from = 0;
    for (size_t i = 0; i < length; ++i) {
      if (line[i] != u'\n' && line[i] != u'\r') continue;
      sim::AppendUtf8(line.substr(from, i - from), &entry);
      from = i + 1;
      if (line[i] == u'\r' && i + 1 < length && line[i + 1] == u'\n') continue;
      entry += "\\n";
    }
    sim::AppendUtf8(line.substr(from), &entry);
  }
  sim::JournalAdd(std::move(entry));
}

void SysSleep(uint32_t milliseconds) {
  {
    Guard guard(Lock());
    State().elapsedMs += milliseconds;
  }
  // Outside the lock, so that other threads run meanwhile.
  std::this_thread::sleep_for(std::chrono::milliseconds(std::min(milliseconds, kMaxRealSleepMs)));
}

int SysSetProcessShutdownParameters(uint32_t level, uint32_t flags) {
  Guard guard(Lock());
  if (SIM_FAULT(SysSetProcessShutdownParameters)) return 0;
  if (level > kMaxShutdownLevel || (flags & ~kShutdownNoRetry) != 0) {
    Fail(kErrInvalidParameter);
    return 0;
  }
  sim::internal::MachineState& s = State();
  s.shutdownSet = true;
  s.shutdownLevel = level;
  s.shutdownFlags = flags;
  return 1;
}

uint32_t SysGetDriveType(const char16_t* root) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetDriveType)) return kDriveUnknown;
  const sim::internal::MachineState& s = State();
  std::u16string path = root ? std::u16string(root) : sim::internal::CurrentFolderPath().substr(0, 3);
  // Only a drive's root names a drive: "X:\" (or "X:").
  const bool rootForm = (path.size() == 2 || (path.size() == 3 && (path[2] == u'\\' || path[2] == u'/'))) &&
                        path[1] == u':' && CharUpper(path[0]) >= u'A' && CharUpper(path[0]) <= u'Z';
  if (!rootForm) return kDriveNoRootDir;
  const char letter = static_cast<char>(CharUpper(path[0]));
  const uint32_t type = s.profile.driveTypes[letter - 'A'];
  // The mounted package is there even when the profile lists no drive under its letter.
  if (letter == s.profile.packageDrive && !s.packageHostDir.empty() && type <= kDriveNoRootDir) return kDriveFixed;
  return type;
}

uint32_t SysSetErrorMode(uint32_t mode) {
  Guard guard(Lock());
  const uint32_t previous = State().errorMode;
  State().errorMode = mode;
  return previous;
}

int SysSetCurrentDirectory(const char16_t* path) {
  Guard guard(Lock());
  if (SIM_FAULT(SysSetCurrentDirectory)) return 0;
  std::string host = ResolveOrFail(path);
  if (host.empty()) return 0;
  if (!sim::internal::HostExists(host)) {
    Fail(MissingError(host));
    return 0;
  }
  if (!sim::internal::HostIsDirectory(host)) {
    Fail(kErrDirectory);
    return 0;
  }
  std::u16string full = sim::internal::FullWindowsPath(path);
  if (full.size() > 3 && full.back() == u'\\') full.pop_back();
  State().currentDirectory = full;
  return 1;
}

namespace sim {

std::u16string CurrentDirectory() {
  Guard guard(Lock());
  std::u16string folder = internal::CurrentFolderPath();
  if (folder.size() > 3 && folder.back() == u'\\') folder.pop_back();
  return folder;
}

uint32_t ErrorMode() {
  Guard guard(Lock());
  return State().errorMode;
}

}  // namespace sim
