// MoveFileEx on the simulated machine: plain and replacing moves with Windows' error codes, and
// moves or deletions delayed until the next start, recorded as Windows NT records them (the
// "PendingFileRenameOperations" value of the Session Manager key) and carried out by
// sim::ApplyPendingRenames as a restart would.
#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include "common/text.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/registry/registry_store.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/machine/windows_constants.h"

using sim::internal::Lock;
using sim::internal::State;

namespace {

using sim::internal::Guard;

constexpr uint32_t kMoveFileCopyAllowed = 0x2;
constexpr uint32_t kMoveFileWriteThrough = 0x8;
constexpr uint32_t kMoveFileCreateHardlink = 0x10;
constexpr uint32_t kMoveFileFailIfNotTrackable = 0x20;
constexpr uint32_t kKnownMoveFlags = kMoveFileReplaceExisting | kMoveFileCopyAllowed | kMoveFileDelayUntilReboot |
                                     kMoveFileWriteThrough | kMoveFileCreateHardlink | kMoveFileFailIfNotTrackable;

// Where Windows NT keeps the moves of the next start.
const char16_t kSessionManagerKey[] = u"System\\CurrentControlSet\\Control\\Session Manager";
const char16_t kPendingValue[] = u"PendingFileRenameOperations";
// Object-manager prefix of the recorded paths, and the mark of a move that may replace.
const char16_t kNtPrefix[] = u"\\??\\";
const char16_t kReplaceMark = u'!';

void Fail(ErrorCode code) { sim::internal::SetLastError(code); }

// The Session Manager key, created when `create` is set; null when missing.
std::shared_ptr<sim::internal::RegNode> SessionManagerKey(bool create) {
  std::vector<std::u16string> levels;
  sim::internal::RegSplitPath(kSessionManagerKey, &levels);
  std::shared_ptr<sim::internal::RegNode> node = sim::internal::RegRootNode(sim::internal::RegRoot::kLocalMachine);
  for (const std::u16string& level : levels) {
    if (!node) return nullptr;
    bool created = false;
    if (create)
      node = sim::internal::RegAddSubkey(node.get(), level, &created);
    else
      node = sim::internal::RegFindSubkey(*node, level);
  }
  return node;
}

// The value's text units (without the odd byte of a damaged value).
std::u16string Units(const std::vector<uint8_t>& bytes) {
  std::u16string units;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    units += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
  return units;
}

std::vector<uint8_t> Bytes(const std::u16string& units) {
  std::vector<uint8_t> bytes;
  bytes.reserve(units.size() * 2);
  for (char16_t c : units) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return bytes;
}

// Appends one pair to the REG_MULTI_SZ list: each string ends with a zero, and the list ends
// with one more zero, which the next pair replaces.
void RecordPendingMove(const std::u16string& source, const std::u16string* target, bool replace) {
  std::shared_ptr<sim::internal::RegNode> key = SessionManagerKey(true);
  std::u16string list;
  if (sim::internal::RegValue* value = sim::internal::RegFindValue(key.get(), kPendingValue)) {
    if (value->type == kRegTypeMultiSz) list = Units(value->data);
  }
  if (list.size() == 1 && list[0] == 0) list.clear();  // an empty list is its end mark alone
  if (list.size() >= 2 && list[list.size() - 1] == 0 && list[list.size() - 2] == 0) list.pop_back();
  if (!list.empty() && list.back() != 0) list += u'\0';  // a damaged last string gets its zero
  list += kNtPrefix + source;
  list += u'\0';
  if (target) {
    if (replace) list += kReplaceMark;
    list += kNtPrefix + *target;
  }
  list += u'\0';
  list += u'\0';
  sim::internal::RegStoreValue(key.get(), kPendingValue, kRegTypeMultiSz, Bytes(list));
}

// The drive letter of a full path, upper-case.
char16_t DriveOf(const std::u16string& full) { return full.empty() ? 0 : CharUpper(full[0]); }

// Renames on the host; falls back to copy and delete across host file systems.
bool HostRename(const std::string& from, const std::string& to) {
  sim::internal::AwaitHostCopies(from);
  sim::internal::AwaitHostCopies(to);
  std::error_code ec;
  std::filesystem::rename(from, to, ec);
  if (!ec) return true;
  if (std::filesystem::is_directory(from, ec)) return false;
  ec.clear();
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
  sim::internal::NoteNameChanged(to);  // even a failed copy may leave a file behind
  if (ec) return false;
  std::filesystem::remove(from, ec);
  return true;
}

// The last component of a Windows path.
std::u16string LastName(const std::u16string& path) {
  size_t cut = path.find_last_of(u"\\/");
  return cut == std::u16string::npos ? path : path.substr(cut + 1);
}

// A plain move (no delay): kErrSuccess, or the error that stopped it.
ErrorCode PlainMove(const char16_t* source, const char16_t* target, uint32_t flags) {
  sim::internal::ResolvedPath from = sim::internal::ResolvePath(source);
  if (from.host.empty()) return from.error ? from.error : kErrPathNotFound;
  if (!sim::internal::HostExists(from.host))
    return sim::internal::HostIsDirectory(sim::internal::HostParent(from.host)) ? kErrFileNotFound : kErrPathNotFound;
  if (from.isDriveRoot) return kErrAccessDenied;
  sim::internal::ResolvedPath to = sim::internal::ResolvePath(target);
  if (to.host.empty()) return to.error ? to.error : kErrPathNotFound;
  const bool sourceIsFolder = sim::internal::HostIsDirectory(from.host);
  if (!sourceIsFolder && sim::internal::OpenConflicts(from.host, sim::internal::kDeleteAccess, 0))
    return kErrSharingViolation;
  std::string toHost = to.host;
  if (toHost == from.host) {
    // The same file under another case: only the name's case changes.
    toHost = sim::internal::HostParent(from.host) + "/" + sim::ToUtf8(LastName(sim::internal::FullWindowsPath(target)));
    if (toHost == from.host) return kErrSuccess;
  } else {
    if (!sim::internal::HostIsDirectory(sim::internal::HostParent(toHost))) return kErrPathNotFound;
    if (sim::internal::HostExists(toHost)) {
      if (!(flags & kMoveFileReplaceExisting)) return kErrAlreadyExists;
      if (sourceIsFolder || sim::internal::HostIsDirectory(toHost) ||
          (sim::internal::AttributesOf(toHost) & kAttrReadOnly))
        return kErrAccessDenied;
      if (sim::internal::OpenConflicts(toHost, sim::internal::kDeleteAccess, 0)) return kErrSharingViolation;
    }
    const std::u16string fromFull = sim::internal::FullWindowsPath(source);
    const std::u16string toFull = sim::internal::FullWindowsPath(target);
    if (DriveOf(fromFull) != DriveOf(toFull) && (sourceIsFolder || !(flags & kMoveFileCopyAllowed)))
      return kErrNotSameDevice;
    if (sourceIsFolder && (toHost.compare(0, from.host.size() + 1, from.host + "/") == 0))
      return kErrAccessDenied;  // a folder into itself
  }
  if (!HostRename(from.host, toHost)) return kErrAccessDenied;
  sim::internal::MoveSideTables(from.host, toHost);
  return kErrSuccess;
}

}  // namespace

int SysMoveFileEx(const char16_t* source, const char16_t* target, uint32_t flags) {
  Guard guard(Lock());
  if (SIM_FAULT(SysMoveFileEx)) return 0;
  if (!source || (flags & ~kKnownMoveFlags) != 0) {
    Fail(kErrInvalidParameter);
    return 0;
  }
  if (!(flags & kMoveFileDelayUntilReboot)) {
    if (!target) {
      Fail(kErrInvalidParameter);
      return 0;
    }
    ErrorCode error = PlainMove(source, target, flags);
    if (error != kErrSuccess) {
      Fail(error);
      return 0;
    }
    return 1;
  }
  // The 9x family has no delayed moves: programs write wininit.ini there.
  if (State().profile.platformId == kPlatform9x) {
    Fail(kErrCallNotImplemented);
    return 0;
  }
  if (flags & kMoveFileCopyAllowed) {
    Fail(kErrInvalidParameter);
    return 0;
  }
  const std::u16string from = sim::internal::FullWindowsPath(source);
  const std::u16string to = target ? sim::internal::FullWindowsPath(target) : u"";
  for (const std::u16string* path : {&from, target ? &to : nullptr}) {
    if (!path) continue;
    sim::internal::ResolvedPath resolved = sim::internal::ResolvePath(*path);
    if (path->empty() || resolved.host.empty()) {
      Fail(resolved.error ? resolved.error : kErrPathNotFound);
      return 0;
    }
  }
  RecordPendingMove(from, target ? &to : nullptr, (flags & kMoveFileReplaceExisting) != 0);
  sim::JournalAdd("delayed-move: " + sim::ToUtf8(from) + " -> " + (target ? sim::ToUtf8(to) : "(delete)"));
  return 1;
}

namespace sim {

int ApplyPendingRenames() {
  Guard guard(Lock());
  internal::MachineState& s = State();
  s.locked.clear();  // the restart ended every program that held a file
  std::shared_ptr<internal::RegNode> key = SessionManagerKey(false);
  internal::RegValue* value = key ? internal::RegFindValue(key.get(), kPendingValue) : nullptr;
  if (!value) return 0;
  const std::u16string list = Units(value->data);
  internal::RegRemoveValue(key.get(), kPendingValue);

  std::vector<std::u16string> strings;
  std::u16string current;
  for (char16_t c : list) {
    if (c == 0) {
      strings.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  const std::u16string prefix(kNtPrefix);
  auto strip = [&](std::u16string path) {
    if (path.compare(0, prefix.size(), prefix) == 0) path.erase(0, prefix.size());
    return path;
  };
  int done = 0;
  for (size_t i = 0; i < strings.size() && !strings[i].empty(); i += 2) {
    const std::u16string from = strip(strings[i]);
    std::u16string to = i + 1 < strings.size() ? strings[i + 1] : u"";
    const std::string fromHost = internal::ResolveHostPath(from);
    if (fromHost.empty() || !internal::HostExists(fromHost)) continue;
    std::error_code ec;
    internal::AwaitHostCopies(fromHost);
    if (to.empty()) {
      if (!std::filesystem::remove(fromHost, ec) || ec) continue;
      internal::ForgetPath(fromHost);
      JournalAdd("restart-delete: " + ToUtf8(from));
      ++done;
      continue;
    }
    const bool replace = to[0] == kReplaceMark;
    to = strip(replace ? to.substr(1) : to);
    const std::string toHost = internal::ResolveHostPath(to);
    if (toHost.empty() || !internal::HostIsDirectory(internal::HostParent(toHost))) continue;
    if (internal::HostExists(toHost)) {
      if (!replace || internal::HostIsDirectory(toHost)) continue;
      std::filesystem::remove(toHost, ec);
    }
    if (!HostRename(fromHost, toHost)) continue;
    internal::MoveSideTables(fromHost, toHost);
    JournalAdd("restart-move: " + ToUtf8(from) + " -> " + ToUtf8(to));
    ++done;
  }
  return done;
}

}  // namespace sim
