// The simulated machine's disk: Windows paths resolved onto host folders ignoring case, and the
// side tables that hold what the host file system cannot (Windows attributes, fixed file times,
// files in use).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <system_error>
#include <type_traits>
#include <vector>

#include "common/text.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/machine/windows_constants.h"

namespace sim {
namespace internal {

namespace {

// Attribute bits a program can set with SetFileAttributes (read-only, hidden, system, archive,
// temporary, offline, not content indexed).
constexpr uint32_t kSettableAttributes = 0x01 | 0x02 | 0x04 | 0x20 | 0x100 | 0x1000 | 0x2000;

constexpr uint32_t kDriveTypeNoRoot = 1;

// The most resolved paths and host facts kept; past it they are forgotten and found again, so
// that keeping them up to date stays cheap however many files a run writes.
constexpr size_t kMaxKeptPaths = 4096;

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// Characters Windows refuses in a file or folder name.
bool IsInvalidNameChar(char16_t c) {
  return c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'|' || c == u'?' || c == u'*';
}

std::u16string Upper(const std::u16string& text) {
  std::u16string out(text);
  for (char16_t& c : out) c = CharUpper(c);
  return out;
}

// The current folder ending in a backslash: the one SetCurrentDirectory chose, else the running
// program's folder.
std::u16string CurrentFolder() {
  const std::u16string& current = State().currentDirectory;
  if (!current.empty()) return current.back() == u'\\' ? current : current + u'\\';
  const std::u16string& module = State().modulePath;
  size_t cut = module.find_last_of(u"\\/");
  if (cut == std::u16string::npos) return u"C:\\";
  return module.substr(0, cut + 1);
}

// ---- Short (8.3) names, as FindFirstFile reports them and as paths may use them ----
// A name that already fits 8.3 (ignoring case) has no separate short name.
bool FitsShortName(const std::u16string& name) {
  if (name.empty() || name == u"." || name == u"..") return true;
  const size_t dot = name.find(u'.');
  if (dot != std::u16string::npos && name.find(u'.', dot + 1) != std::u16string::npos) return false;
  const size_t baseLength = dot == std::u16string::npos ? name.size() : dot;
  const size_t extLength = dot == std::u16string::npos ? 0 : name.size() - dot - 1;
  if (baseLength == 0 || baseLength > 8 || extLength > 3) return false;
  for (char16_t c : name)
    if (c == u' ' || c == u'+' || c == u',' || c == u';' || c == u'=' || c == u'[' || c == u']' || c > 0x7F)
      return false;
  return true;
}

// The upper-case characters a short name keeps of a long name's part.
std::u16string ShortNameChars(const std::u16string& part, size_t count) {
  std::u16string out;
  for (char16_t c : part) {
    if (out.size() == count) break;
    if (c == u' ' || c == u'.') continue;
    if (c == u'+' || c == u',' || c == u';' || c == u'=' || c == u'[' || c == u']' || c > 0x7F) c = u'_';
    out += CharUpper(c);
  }
  return out;
}

// Stem ("GLIDEW") and extension (".LNK") of the generated short name of a long name.
void ShortNameParts(const std::u16string& name, std::u16string* stem, std::u16string* ext) {
  const size_t dot = name.find_last_of(u'.');
  const bool hasExt = dot != std::u16string::npos && dot > 0;
  *stem = ShortNameChars(hasExt ? name.substr(0, dot) : name, 6);
  const std::u16string extChars = hasExt ? ShortNameChars(name.substr(dot + 1), 3) : u"";
  *ext = extChars.empty() ? u"" : u"." + extChars;
}

// The short name of an entry of host folder dir: stem + "~n" + extension, n numbering the
// folder's long names with the same stem and extension in name order. "" when the name fits 8.3.
std::u16string ShortNameIn(const std::string& dir, const std::u16string& name) {
  if (FitsShortName(name)) return u"";
  std::u16string stem, ext;
  ShortNameParts(name, &stem, &ext);
  std::vector<std::u16string> alike;
  if (DIR* handle = opendir(dir.c_str())) {
    while (struct dirent* entry = readdir(handle)) {
      const std::u16string other = FromUtf8(entry->d_name);
      if (other == u"." || other == u".." || FitsShortName(other)) continue;
      std::u16string otherStem, otherExt;
      ShortNameParts(other, &otherStem, &otherExt);
      if (otherStem == stem && otherExt == ext) alike.push_back(Upper(other));
    }
    closedir(handle);
  }
  std::sort(alike.begin(), alike.end());
  const size_t index = std::find(alike.begin(), alike.end(), Upper(name)) - alike.begin();
  return stem + u"~" + FromUtf8(std::to_string(index + 1)) + ext;
}

// The entry of host folder dir whose short name is name; "" when none.
std::string MatchShortName(const std::string& dir, const std::u16string& name) {
  if (name.find(u'~') == std::u16string::npos) return "";
  const std::u16string wanted = Upper(name);
  std::string found;
  std::vector<std::string> entries;
  if (DIR* handle = opendir(dir.c_str())) {
    while (struct dirent* entry = readdir(handle)) entries.push_back(entry->d_name);
    closedir(handle);
  }
  for (const std::string& entry : entries)
    if (ShortNameIn(dir, FromUtf8(entry)) == wanted) return entry;
  return "";
}

// Readdir's entry type of a host path as lstat tells it.
unsigned char EntryTypeOf(const struct stat& st) {
  return S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
}

void AddListed(FolderListing* listing, const std::string& name, unsigned char type, uint64_t inode = 0) {
  listing->types.emplace(name, ListedName{type, inode});
  listing->byUpper[Upper(FromUtf8(name))].push_back(name);
}

void RemoveListed(FolderListing* listing, const std::string& name) {
  if (listing->types.erase(name) == 0) return;
  auto alike = listing->byUpper.find(Upper(FromUtf8(name)));
  if (alike == listing->byUpper.end()) return;
  std::vector<std::string>& names = alike->second;
  names.erase(std::remove(names.begin(), names.end(), name), names.end());
  if (names.empty()) listing->byUpper.erase(alike);
}

// The names of a host folder, read once and then kept up to date by NoteNameChanged (read anew
// on every call once the disk is shared); empty for a folder that cannot be read.
const FolderListing& Listing(const std::string& dir) {
  auto& known = State().folderNames;
  auto found = known.find(dir);
  if (found != known.end()) return found->second;
  static FolderListing unkept;
  FolderListing listing;
  if (DIR* handle = opendir(dir.c_str())) {
    listing.readable = true;
    while (struct dirent* entry = readdir(handle))
      if (std::strcmp(entry->d_name, ".") && std::strcmp(entry->d_name, ".."))
        AddListed(&listing, entry->d_name, entry->d_type, entry->d_ino);
    closedir(handle);
  }
  if (State().diskShared) {
    unkept = std::move(listing);
    return unkept;
  }
  return known.emplace(dir, std::move(listing)).first->second;
}

// Name of the entry in host folder `dir` that equals `name` ignoring case; "" when none. The
// name as given wins; else the first of the host's order that Windows' upper case makes equal.
std::string MatchEntry(const std::string& dir, const std::u16string& name) {
  const FolderListing& listing = Listing(dir);
  std::string given = ToUtf8(name);
  if (listing.types.count(given)) return given;
  auto alike = listing.byUpper.find(Upper(name));
  if (alike != listing.byUpper.end() && !alike->second.empty()) return alike->second.front();
  return MatchShortName(dir, name);
}

uint64_t FileTimeFromTimespec(const struct timespec& t) {
  return (static_cast<uint64_t>(t.tv_sec) + kFileTimeEpochOffsetSeconds) * kFileTimeTicksPerSecond +
         static_cast<uint64_t>(t.tv_nsec) / 100;
}

HostInfo InfoFromStat(const struct stat& st) {
  HostInfo info;
  info.exists = true;
  info.directory = S_ISDIR(st.st_mode);
  info.size = static_cast<uint64_t>(st.st_size);
  info.modified = FileTimeFromTimespec(st.st_mtim);
  return info;
}

// Keeps what is known of a host path (nothing is kept once the disk is shared).
void KeepInfo(const std::string& host, const HostInfo& info) {
  MachineState& s = State();
  if (s.diskShared) return;
  if (s.hostInfo.size() >= kMaxKeptPaths) {
    s.hostInfo.clear();
    s.hostInfoPaths.clear();
  }
  auto kept = s.hostInfo.try_emplace(host, info);
  if (kept.second)
    s.hostInfoPaths.insert(host);
  else
    kept.first->second = info;
}

// Forgets the facts of a host path and of everything below it.
void ForgetInfoAtOrBelow(const std::string& host) {
  MachineState& s = State();
  for (auto it = s.hostInfoPaths.lower_bound(host); it != s.hostInfoPaths.end();) {
    const std::string& key = *it;
    if (key.compare(0, host.size(), host) != 0) break;
    if (key.size() == host.size() || key[host.size()] == '/') {
      s.hostInfo.erase(key);
      it = s.hostInfoPaths.erase(it);
    } else {
      ++it;
    }
  }
}

// What stat tells of a host path, kept until the machine changes the disk there (see
// NoteNameChanged and NoteFileWritten): the copy engine asks the same few paths many times.
// With `facts` false only whether the path exists and is a folder is needed: a kept entry or
// the entry type in its folder's kept listing may tell that without asking the host.
HostInfo InfoOf(const std::string& host, bool facts = true) {
  auto& known = State().hostInfo;
  auto found = known.find(host);
  if (found != known.end() && (found->second.facts || !facts)) return found->second;
  if (!facts && found == known.end()) {
    const std::string parent = HostParent(host);
    auto listing = State().folderNames.find(parent);
    if (!parent.empty() && listing != State().folderNames.end() && listing->second.readable) {
      auto entry = listing->second.types.find(host.substr(parent.size() + 1));
      HostInfo info;
      info.facts = false;
      if (entry == listing->second.types.end()) {
        info.facts = true;  // a missing path has no facts to read
      } else if (entry->second.type == DT_DIR || entry->second.type == DT_REG) {
        info.exists = true;
        info.directory = entry->second.type == DT_DIR;
      }
      if (info.exists || info.facts) {
        KeepInfo(host, info);
        return info;
      }
    }
  }
  HostInfo info;
  struct stat st;
  AwaitHostCopies(host, false);
  if (!host.empty() && stat(host.c_str(), &st) == 0) info = InfoFromStat(st);
  KeepInfo(host, info);
  return info;
}

}  // namespace

void NoteOpenFileFacts(const std::string& host, const struct stat& facts) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  MachineState& s = State();
  auto kept = s.hostInfo.find(host);
  if (kept != s.hostInfo.end() && kept->second.facts) return;
  const std::string parent = HostParent(host);
  auto listing = s.folderNames.find(parent);
  if (parent.empty() || listing == s.folderNames.end()) return;
  auto entry = listing->second.types.find(host.substr(parent.size() + 1));
  if (entry == listing->second.types.end() || entry->second.inode == 0 ||
      entry->second.inode != static_cast<uint64_t>(facts.st_ino) || !S_ISREG(facts.st_mode))
    return;
  KeepInfo(host, InfoFromStat(facts));
}

namespace {

// Empties the entries found last (see MachineState::recentPaths) before entries are erased.
void ForgetRecentPaths() {
  MachineState& s = State();
  for (auto& recent : s.recentPaths) recent = nullptr;
}

// The entry found last for a full path given as text, or null.
const KnownPath* RecentPath(const char16_t* given, size_t length) {
  for (const auto* recent : State().recentPaths) {
    if (recent && recent->first.size() == length &&
        std::memcmp(recent->first.data(), given, length * sizeof(char16_t)) == 0)
      return &recent->second;
  }
  return nullptr;
}

void NoteRecentPath(const std::pair<const std::u16string, KnownPath>& entry) {
  MachineState& s = State();
  s.recentPaths[s.nextRecentPath] = &entry;
  s.nextRecentPath = (s.nextRecentPath + 1) % MachineState::kRecentPaths;
}

// Keeps a resolved path: by host path when complete, else among the partial ones. A short name's
// number depends on its neighbours, so such a path is resolved every time.
void KeepResolved(const std::u16string& path, const ResolvedPath& result, bool complete) {
  MachineState& s = State();
  if (s.diskShared || path.find(u'~') != std::u16string::npos) return;
  if (s.resolvedPaths.size() >= kMaxKeptPaths) {
    ForgetRecentPaths();
    s.resolvedPaths.clear();
    s.resolvedByHost.clear();
    s.partialPaths.clear();
  }
  if (!s.resolvedPaths.try_emplace(path, KnownPath{result, complete}).second) return;
  if (complete)
    s.resolvedByHost.emplace(result.host, path);
  else
    s.partialPaths.push_back(path);
}

// Where the last name of a full path starts when it is a plain name (not "." or "..", nothing
// for Windows to cut), so that the path resolves as its folder plus that name; 0 otherwise.
size_t PlainLastNameAt(const std::u16string& path) {
  size_t cut = path.size();
  while (cut > 2 && !IsSeparator(path[cut - 1])) --cut;
  if (cut <= 2 || cut == path.size()) return 0;
  const char16_t last = path.back();
  return last == u'.' || last == u' ' ? 0 : cut;
}

// Resolves a full path whose folder was resolved before, completely, from that folder's result
// and its listing. False when the path's last name is not a plain name or its folder not kept.
bool ResolveInKnownFolder(const std::u16string& path, ResolvedPath* result, bool* complete) {
  const size_t nameAt = PlainLastNameAt(path);
  if (nameAt == 0) return false;
  static std::u16string folder;
  folder.assign(path, 0, nameAt - 1);
  const auto& cache = State().resolvedPaths;
  auto known = cache.find(folder);
  if (known == cache.end() || !known->second.complete || known->second.resolved.host.empty()) return false;
  const std::u16string name = path.substr(nameAt);
  for (char16_t c : name) {
    if (IsInvalidNameChar(c)) {
      result->error = kErrInvalidName;
      *complete = false;
      return true;
    }
  }
  const std::string& dir = known->second.resolved.host;
  std::string match = MatchEntry(dir, name);
  *complete = !match.empty();
  if (match.empty()) {
    match = ToUtf8(name);
    // A folder the host does not let us list may still hold the name.
    *complete = !Listing(dir).readable && InfoOf(dir + "/" + match, false).exists;
  }
  result->host.reserve(dir.size() + 1 + match.size());
  result->host = dir;
  result->host += '/';
  result->host += match;
  return true;
}

}  // namespace

namespace {

ResolvedPath ResolveText(const char16_t* given, size_t length) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  const MachineState& s = State();
  ResolvedPath result;

  // Drive: "X:" prefix, the current drive for "\...", the current folder for a relative path.
  // Network paths ("\\server\share") do not exist on this machine.
  if (length >= 2 && IsSeparator(given[0]) && IsSeparator(given[1])) {
    result.error = kErrPathNotFound;
    return result;
  }
  static std::u16string path;  // kept between calls for its capacity (the lock is held)
  if (length >= 2 && IsAsciiLetter(given[0]) && given[1] == u':') {
    if (const KnownPath* recent = RecentPath(given, length)) return recent->resolved;
    path.assign(given, length);
  } else {
    std::u16string current = CurrentFolder();
    if (length > 0 && IsSeparator(given[0]))
      path.assign(current, 0, 2);
    else
      path = current;
    path.append(given, length);
  }
  if (path.size() < 2 || !IsAsciiLetter(path[0]) || path[1] != u':') {
    result.error = kErrPathNotFound;
    return result;
  }
  const char letter = static_cast<char>(CharUpper(path[0]));
  auto known = s.resolvedPaths.find(path);
  if (known != s.resolvedPaths.end()) {
    NoteRecentPath(*known);
    return known->second.resolved;
  }
  bool existing = true;
  if (ResolveInKnownFolder(path, &result, &existing)) {
    if (!result.host.empty()) KeepResolved(path, result, existing);
    return result;
  }

  // Components: "." dropped, ".." climbs (never above the root), trailing dots and blanks cut
  // from each name as Windows does.
  std::vector<std::u16string> parts;
  size_t pos = 2;
  while (pos <= path.size()) {
    size_t end = pos;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    std::u16string part = path.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    while (!part.empty() && (part.back() == u'.' || part.back() == u' ')) part.pop_back();
    if (part.empty()) continue;
    for (char16_t c : part) {
      if (IsInvalidNameChar(c)) {
        result.error = kErrInvalidName;
        return result;
      }
    }
    parts.push_back(part);
  }

  // Drive A: without a disk is not ready (ERROR_NOT_READY); see SetFloppyDisk.
  if (letter == 'A' && s.profile.driveTypes[0] > kDriveTypeNoRoot && s.floppy == FloppyDisk::kNoDisk &&
      !(letter == s.profile.packageDrive && !s.packageHostDir.empty())) {
    result.error = kErrNotReady;
    return result;
  }
  std::string current;
  if (letter == s.profile.packageDrive && !s.packageHostDir.empty()) {
    current = s.packageHostDir;
  } else if (s.profile.driveTypes[letter - 'A'] > kDriveTypeNoRoot && !s.hostRoot.empty()) {
    current = s.hostRoot + "/" + letter;
  } else {
    result.error = kErrPathNotFound;
    return result;
  }

  // Most paths exist as given, or all but their last names do: the longest prefix that exists
  // exactly (found from the end) needs no case-blind search; the rest is matched name by name.
  std::vector<std::string> names;
  names.reserve(parts.size());
  for (const std::u16string& part : parts) names.push_back(ToUtf8(part));
  std::vector<size_t> ends;  // length of current after each name
  ends.reserve(names.size());
  std::string exactPath = current;
  for (const std::string& name : names) {
    exactPath += '/';
    exactPath += name;
    ends.push_back(exactPath.size());
  }
  size_t exact = parts.size();
  for (; exact > 0; --exact)
    if (InfoOf(exactPath.substr(0, ends[exact - 1]), false).exists) break;
  // The path's folder resolves on the way: kept too, so that its other names are found in its
  // listing (see ResolveInKnownFolder).
  ResolvedPath folder;
  bool folderComplete = true;
  if (exact == parts.size() && exact > 0) folder.host = exact >= 2 ? exactPath.substr(0, ends[exact - 2]) : current;
  if (exact > 0) current = exactPath.substr(0, ends[exact - 1]);
  for (size_t i = exact; i < parts.size(); ++i) {
    const std::u16string& part = parts[i];
    if (i + 1 == parts.size()) {
      folder.host = current;
      folderComplete = existing;
    }
    std::string name;
    if (existing) name = MatchEntry(current, part);
    if (name.empty()) {
      existing = false;
      name = names[i];
    }
    current += "/" + name;
  }
  result.host = current;
  result.isDriveRoot = parts.empty();
  KeepResolved(path, result, existing);
  const size_t nameAt = PlainLastNameAt(path);
  if (nameAt > 0 && !parts.empty()) {
    folder.isDriveRoot = parts.size() == 1;
    KeepResolved(path.substr(0, nameAt - 1), folder, folderComplete);
  }
  return result;
}

}  // namespace

ResolvedPath ResolvePath(const std::u16string& windowsPath) { return ResolveText(windowsPath.data(), windowsPath.size()); }

ResolvedPath ResolvePath(const char16_t* windowsPath) {
  return windowsPath ? ResolveText(windowsPath, TextLength(windowsPath)) : ResolveText(u"", 0);
}

bool ResolveOrFail(const char16_t* path, ResolvedPath* out) {
  if (!path) {
    SetLastError(kErrInvalidParameter);
    return false;
  }
  *out = ResolveText(path, TextLength(path));
  if (!out->host.empty()) return true;
  SetLastError(out->error ? out->error : kErrPathNotFound);
  return false;
}

std::string ResolveHostPath(const std::u16string& windowsPath) { return ResolvePath(windowsPath).host; }

bool IsLocked(const std::string& hostPath) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  return State().locked.count(hostPath) != 0;
}

bool HostExists(const std::string& host) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  return InfoOf(host, false).exists;
}

bool HostIsDirectory(const std::string& host) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  return InfoOf(host, false).directory;
}

std::vector<std::string> HostFolderNames(const std::string& dir) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  std::vector<std::string> names;
  for (const auto& entry : Listing(dir).types) names.push_back(entry.first);
  return names;
}

std::string HostParent(const std::string& host) {
  size_t cut = host.find_last_of('/');
  if (cut == std::string::npos || cut == 0) return "";
  return host.substr(0, cut);
}

bool ReadHostFile(const std::string& host, std::string* bytes) {
  AwaitHostCopies(host, false);
  const int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (ok) {
    bytes->resize(static_cast<size_t>(info.st_size));
    size_t done = 0;
    // A file that shrinks meanwhile ends early; one that grows is read up to its size.
    while (ok && done < bytes->size()) {
      const ssize_t n = read(fd, &(*bytes)[done], bytes->size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ok = n == 0;
        bytes->resize(done);
        break;
      }
      done += static_cast<size_t>(n);
    }
  }
  close(fd);
  return ok;
}

namespace {

// The process's file-creation mask, read once (umask can only be read by setting it).
mode_t ProcessUmask() {
  static const mode_t mask = [] {
    const mode_t current = umask(022);
    umask(current);
    return current;
  }();
  return mask;
}

}  // namespace

namespace {

const std::string& KeyOf(const std::string& key) { return key; }
template <typename Entry>
const std::string& KeyOf(const Entry& entry) {
  return entry.first;
}

// Erases the entries of an ordered table (keyed by host path) at `host` and below it: every
// such key starts with `host`, and those keys lie together from lower_bound(host) on.
template <typename Table>
void EraseAtOrBelow(Table& table, const std::string& host) {
  for (auto it = table.lower_bound(host); it != table.end();) {
    const std::string& key = KeyOf(*it);
    if (key.compare(0, host.size(), host) != 0) break;
    const bool atOrBelow = key.size() == host.size() || key[host.size()] == '/';
    it = atOrBelow ? table.erase(it) : std::next(it);
  }
}

}  // namespace

bool CopyHostFile(const std::string& from, const std::string& to) {
  AwaitHostCopies(from, false);
  AwaitHostCopies(to);
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat info;
  int out = -1;
  bool ok = fstat(in, &info) == 0 && S_ISREG(info.st_mode);
  if (ok) KeepInfo(from, InfoFromStat(info));
  const mode_t mode = info.st_mode & 07777;
  // A new file takes the source's mode unless the umask clears some of its bits; an existing
  // one keeps its own mode until fchmod sets it.
  bool setMode = false;
  if (ok) {
    out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    setMode = out >= 0 && (mode & ProcessUmask()) != 0;
    if (out < 0 && errno == EEXIST) {
      out = open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
      setMode = true;
    }
  }
  ok = out >= 0 && (!setMode || fchmod(out, mode) == 0);
  // Both files open and the target's mode set: the bytes may move on the copy worker.
  if (ok && HandOverHostCopy(in, out, info.st_size, from, to)) {
    NoteNameChanged(to, NameNow::kFile);
    return true;
  }
  ok = ok && CopyHostBytes(in, out, info.st_size);
  if (out >= 0 && close(out) != 0) ok = false;
  close(in);
  if (out >= 0) NoteNameChanged(to, NameNow::kFile);
  return ok;
}

uint32_t AttributesOf(const std::string& host) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  const HostInfo info = InfoOf(host, false);
  if (!info.exists) return kInvalidAttributes;
  const bool directory = info.directory;
  const auto& table = State().attributes;
  auto it = table.find(host);
  uint32_t bits = it != table.end() ? it->second : (directory ? 0 : kAttrArchive);
  if (directory) bits |= kAttrDirectory;
  return bits == 0 ? kAttrNormal : bits;
}

void StoreAttributes(const std::string& host, uint32_t attributes) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  State().attributes[host] = attributes & kSettableAttributes;
}

void TimesOf(const std::string& host, uint64_t* creation, uint64_t* lastWrite) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  const uint64_t hostTime = InfoOf(host).modified;
  uint64_t c = hostTime, w = hostTime;
  const auto& table = State().times;
  auto it = table.find(host);
  if (it != table.end()) {
    if (it->second.hasCreation) c = it->second.creation;
    if (it->second.hasLastWrite) w = it->second.lastWrite;
  }
  if (creation) *creation = c;
  if (lastWrite) *lastWrite = w;
}

void StoreTimes(const std::string& host, const FileTimeOverride& times) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  FileTimeOverride& entry = State().times[host];
  if (times.hasCreation) {
    entry.hasCreation = true;
    entry.creation = times.creation;
  }
  if (times.hasLastWrite) {
    entry.hasLastWrite = true;
    entry.lastWrite = times.lastWrite;
  }
}

void ForgetPath(const std::string& host, NameNow now) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  ForgetSideTables(host);
  NoteNameChanged(host, now);
}

void ForgetSideTables(const std::string& host) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  MachineState& s = State();
  EraseAtOrBelow(s.attributes, host);
  EraseAtOrBelow(s.times, host);
  EraseAtOrBelow(s.locked, host);
  EraseAtOrBelow(s.security, host);
}

namespace {

// A vanished (or unknown) name may change how any path resolved only in part resolves.
void ForgetPartialPaths() {
  MachineState& s = State();
  for (const std::u16string& path : s.partialPaths) s.resolvedPaths.erase(path);
  s.partialPaths.clear();
}

bool AtOrBelow(const std::string& key, const std::string& host) {
  return key.compare(0, host.size(), host) == 0 && (key.size() == host.size() || key[host.size()] == '/');
}

// A name now present at `host` in folder `parent`. A path resolved in part looks names up only
// in folders on its way, so one whose way does not pass through `parent` resolves as before; one
// through `host` itself does too, since it spelled that name as it now is. A path that ends at
// `host` is now complete: every name on its way exists as it spelled it. The others that pass
// through `parent` may now find the new name under another spelling, so they are forgotten.
void KeepPartialPathsFor(const std::string& host, const std::string& parent) {
  MachineState& s = State();
  size_t kept = 0;
  for (size_t i = 0; i < s.partialPaths.size(); ++i) {
    auto known = s.resolvedPaths.find(s.partialPaths[i]);
    if (known == s.resolvedPaths.end()) continue;
    const std::string& resolved = known->second.resolved.host;
    if (resolved == host) {
      known->second.complete = true;
      s.resolvedByHost.emplace(resolved, known->first);
    } else if (AtOrBelow(resolved, host) || !AtOrBelow(resolved, parent)) {
      if (kept != i) s.partialPaths[kept] = std::move(s.partialPaths[i]);
      ++kept;
    } else {
      s.resolvedPaths.erase(known);
    }
  }
  s.partialPaths.resize(kept);
}

}  // namespace

void NoteNameChanged(const std::string& host, NameNow now) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  MachineState& s = State();
  ForgetRecentPaths();
  const std::string parent = HostParent(host);
  const bool present = now == NameNow::kFile || now == NameNow::kFolder;
  if (present)
    KeepPartialPathsFor(host, parent);
  else
    ForgetPartialPaths();
  // Paths at the name (unless it is there now, which leaves them as they were) and below it.
  for (auto it = s.resolvedByHost.lower_bound(host); it != s.resolvedByHost.end();) {
    const std::string& key = it->first;
    if (key.compare(0, host.size(), host) != 0) break;
    if ((key.size() == host.size() && !present) || (key.size() > host.size() && key[host.size()] == '/')) {
      s.resolvedPaths.erase(it->second);
      it = s.resolvedByHost.erase(it);
    } else {
      ++it;
    }
  }
  // The folder's time changed; that it is a folder did not.
  auto folder = s.hostInfo.find(parent);
  if (folder != s.hostInfo.end()) {
    if (folder->second.exists && folder->second.directory) {
      folder->second.facts = false;
    } else {
      s.hostInfo.erase(folder);
      s.hostInfoPaths.erase(parent);
    }
  }
  ForgetInfoAtOrBelow(host);
  EraseAtOrBelow(s.folderNames, host);
  unsigned char type = DT_UNKNOWN;
  uint64_t inode = 0;
  if (present) {
    type = now == NameNow::kFile ? DT_REG : DT_DIR;
    HostInfo info;
    info.exists = true;
    info.directory = now == NameNow::kFolder;
    info.facts = false;
    KeepInfo(host, info);
  } else if (now == NameNow::kGone) {
    KeepInfo(host, HostInfo());
  }
  bool listed = present;
  if (now == NameNow::kUnknown) {
    struct stat info;
    listed = lstat(host.c_str(), &info) == 0;
    if (listed) {
      type = EntryTypeOf(info);
      inode = static_cast<uint64_t>(info.st_ino);
    }
  }
  auto listing = s.folderNames.find(parent);
  if (listing != s.folderNames.end()) {
    const std::string name = host.substr(parent.size() + 1);
    RemoveListed(&listing->second, name);
    if (listed) AddListed(&listing->second, name, type, inode);
  }
  ForgetProfileFiles(host);
}

void ForgetDiskCaches() {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  ForgetRecentPaths();
  State().resolvedPaths.clear();
  State().resolvedByHost.clear();
  State().partialPaths.clear();
  State().hostInfo.clear();
  State().hostInfoPaths.clear();
  State().folderNames.clear();
  ResetProfileCache();
}

void MoveSideTables(const std::string& from, const std::string& to) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  NoteNameChanged(from);  // even when only the case of the name changes
  if (from == to) return;
  ForgetPath(to);
  MachineState& s = State();
  const std::string below = from + "/";
  // The new key of an entry at or below `from`, or "" for an entry elsewhere.
  auto moved = [&](const std::string& key) -> std::string {
    if (key == from) return to;
    if (key.compare(0, below.size(), below) == 0) return to + key.substr(from.size());
    return "";
  };
  auto rekey = [&](auto& table) {
    std::vector<std::pair<std::string, typename std::decay_t<decltype(table)>::mapped_type>> taken;
    for (auto it = table.begin(); it != table.end();) {
      std::string key = moved(it->first);
      if (key.empty()) {
        ++it;
        continue;
      }
      taken.emplace_back(key, it->second);
      it = table.erase(it);
    }
    for (auto& item : taken) table[item.first] = item.second;
  };
  rekey(s.attributes);
  rekey(s.times);
  rekey(s.security);
  std::vector<std::string> lockedMoved;
  for (auto it = s.locked.begin(); it != s.locked.end();) {
    std::string key = moved(*it);
    if (key.empty()) {
      ++it;
      continue;
    }
    lockedMoved.push_back(key);
    it = s.locked.erase(it);
  }
  s.locked.insert(lockedMoved.begin(), lockedMoved.end());
}

std::u16string CurrentFolderPath() {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  return CurrentFolder();
}

std::u16string FullWindowsPath(const std::u16string& pathIn) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  std::u16string path = pathIn;
  for (char16_t& c : path)
    if (c == u'/') c = u'\\';
  if (path.empty() || (path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\')) return u"";
  const std::u16string current = CurrentFolder();
  if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == u':') {
    if (path.size() == 2 || path[2] != u'\\') {
      // Drive-relative: the current folder when it lies on that drive, else the drive's root.
      const bool sameDrive = CharUpper(current[0]) == CharUpper(path[0]);
      path = (sameDrive ? current : path.substr(0, 2) + u"\\") + path.substr(2);
    }
  } else if (path[0] == u'\\') {
    path = current.substr(0, 2) + path;
  } else {
    path = current + path;
  }
  if (path.size() < 3 || !IsAsciiLetter(path[0]) || path[1] != u':' || path[2] != u'\\') return u"";
  const bool trailing = path.back() == u'\\';
  std::vector<std::u16string> parts;
  size_t pos = 3;
  while (pos <= path.size()) {
    size_t end = path.find(u'\\', pos);
    if (end == std::u16string::npos) end = path.size();
    std::u16string part = path.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::u16string full = path.substr(0, 3);
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) full += u'\\';
    full += parts[i];
  }
  if (trailing && !parts.empty()) full += u'\\';
  return full;
}

void NoteFileWritten(const std::string& host) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  MachineState& s = State();
  // A write that made the file is a new name too.
  const std::string parent = HostParent(host);
  auto listing = s.folderNames.find(parent);
  if (listing != s.folderNames.end() && !listing->second.types.count(host.substr(parent.size() + 1)))
    NoteNameChanged(host);
  auto it = s.times.find(host);
  if (it != s.times.end()) it->second.hasLastWrite = false;
  auto attr = s.attributes.find(host);
  if (attr != s.attributes.end()) attr->second |= kAttrArchive;
  s.hostInfo.erase(host);
  s.hostInfoPaths.erase(host);
  ForgetProfileFiles(host);
}

void FillFindData(const std::string& host, const std::u16string& name, SysFindData* out) {
  *out = SysFindData();
  out->attributes = AttributesOf(host);
  TimesOf(host, &out->creationTime, &out->lastWriteTime);
  if ((out->attributes & kAttrDirectory) == 0) out->size = InfoOf(host).size;
  size_t n = name.size() < kMaxFindName ? name.size() : kMaxFindName;
  for (size_t i = 0; i < n; ++i) out->name[i] = name[i];
  out->name[n] = 0;
  const std::u16string shortName = ShortNameIn(HostParent(host), name);
  const size_t shortCap = sizeof(out->shortName) / sizeof(out->shortName[0]) - 1;
  for (size_t i = 0; i < shortName.size() && i < shortCap; ++i) out->shortName[i] = shortName[i];
}

}  // namespace internal

using internal::Lock;

std::string HostPath(const std::u16string& windowsPath) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  // The caller may change the disk through the host path, unseen by the machine.
  internal::AwaitHostCopies("");
  internal::ForgetDiskCaches();
  internal::State().diskShared = true;
  return internal::ResolveHostPath(windowsPath);
}

bool WriteDiskFile(const std::u16string& windowsPath, const std::string& bytes) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  std::string host = internal::ResolveHostPath(windowsPath);
  if (host.empty() || internal::HostIsDirectory(host)) return false;
  std::error_code ec;
  std::string parent = internal::HostParent(host);
  if (!parent.empty() && std::filesystem::create_directories(parent, ec)) internal::ForgetDiskCaches();
  internal::AwaitHostCopies(host);
  std::ofstream file(host, std::ios::binary | std::ios::trunc);
  internal::NoteNameChanged(host);
  if (!file) return false;
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) return false;
  internal::NoteFileWritten(host);
  return true;
}

bool ReadDiskFile(const std::u16string& windowsPath, std::string* bytes) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  std::string host = internal::ResolveHostPath(windowsPath);
  if (host.empty() || internal::HostIsDirectory(host)) return false;
  std::string data;
  if (!internal::ReadHostFile(host, &data)) return false;
  if (bytes) *bytes = std::move(data);
  return true;
}

bool DiskPathExists(const std::u16string& windowsPath) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  return internal::HostExists(internal::ResolveHostPath(windowsPath));
}

void LockFile(const std::u16string& windowsPath, bool locked) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  std::string host = internal::ResolveHostPath(windowsPath);
  if (host.empty()) return;
  if (locked)
    internal::State().locked.insert(host);
  else
    internal::State().locked.erase(host);
}

void SetFileTimes(const std::u16string& windowsPath, uint64_t creation, uint64_t lastWrite) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  std::string host = internal::ResolveHostPath(windowsPath);
  if (host.empty()) return;
  internal::FileTimeOverride times;
  times.hasCreation = true;
  times.creation = creation;
  times.hasLastWrite = true;
  times.lastWrite = lastWrite;
  internal::StoreTimes(host, times);
}

}  // namespace sim
