// Parity probe, file scripts: version resources and the copy engine's replace decisions on the
// fixture binaries, cabinet iteration with every notification the callback sees, delayed moves
// and the registry value that records them, the "Everyone" access grant on a fresh folder, and
// the closing of another program's listed window. One line per result, "<id> <fields>", with
// nothing in it that depends on the clock or on the order a folder lists its entries.
#include <algorithm>
#include <string>
#include <vector>

#include "conflicts/kill_windows.h"
#include "files/copy_engine.h"
#include "files/folder_rights.h"
#include "parity/parity_probe.h"
#include "parity/parity_text.h"
#include "platform/devices.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/security.h"
#include "platform/ui.h"
#include "platform/version_info.h"
#include "settings/settings.h"

using parity::Emit;
using parity::Escape;
using parity::Hex;
using parity::Hex32;
using parity::Name;
using parity::Show;

namespace {

typedef std::u16string Text;

// 2020-01-02 03:04:06 UTC as a FILETIME (the date of every file in the cabinet fixtures), one
// second and one day.
constexpr uint64_t kBaseTime = 132224078460000000ull;
constexpr uint64_t kSecond = 10000000ull;
constexpr uint64_t kDay = 86400 * kSecond;

// The version fixtures, and a name that no file has.
const char16_t* const kVersionFixtures[] = {u"v1_9.dll",       u"v1_10.dll",       u"v1_10_text_1_9.dll",
                                            u"v3_0_name2.dll", u"no_version.dll",  u"v2_0_german.dll",
                                            u"missing.dll"};
const char16_t* const kCabinetFixtures[] = {u"normal.cab", u"subfolder.cab", u"truncated.cab", u"corrupt.cab"};

// The Session Manager key and the value Windows NT keeps the moves of the next start in.
constexpr const char16_t* kSessionManager = u"System\\CurrentControlSet\\Control\\Session Manager";
constexpr const char16_t* kPendingRenames = u"PendingFileRenameOperations";

// The listed window of the closing script.
constexpr const char16_t* kOwnerClass = u"GlidewaveParityOwner";
constexpr const char16_t* kOwnerCaption = u"Glidewave parity owner";
constexpr const char16_t* kOtherClass = u"GlidewaveParityOther";
constexpr const char16_t* kOtherCaption = u"Glidewave parity other";

// folder + "\" + name.
Text Join(const Text& folder, const Text& name) { return folder + u"\\" + name; }

// The id part of a file name: its ASCII form with "\" as "/".
std::string IdOf(const Text& name) {
  std::string id = Name(name.c_str());
  std::string out;
  for (size_t i = 0; i < id.size(); ++i) {
    if (id[i] == '\\' && i + 1 < id.size() && id[i + 1] == '\\') {
      out += '/';
      ++i;
    } else {
      out += id[i];
    }
  }
  return out;
}

// "rc=<r>" and, on failure (r == 0), " error=<last error>".
std::string Result(int rc) {
  std::string out = "rc=" + std::to_string(rc);
  if (!rc) out += " error=" + std::to_string(SysGetLastError());
  return out;
}

// Writes bytes to a new file (replacing one of the same name). Returns 1 on success.
int WriteFileBytes(const Text& path, const std::string& bytes) {
  SysHandle file = SysCreateFile(path.c_str(), kGenericWrite, 0, kCreateAlways, 0);
  if (file == kInvalidHandle || file == nullptr) return 0;
  uint32_t written = 0;
  int ok = SysWriteFile(file, bytes.data(), static_cast<uint32_t>(bytes.size()), &written);
  SysCloseHandle(file);
  return ok && written == bytes.size();
}

// The whole contents of a file; false when it cannot be opened or read.
bool ReadFileBytes(const Text& path, std::string* bytes) {
  SysHandle file = SysCreateFile(path.c_str(), kGenericRead, kFileShareRead, kOpenExisting, 0);
  if (file == kInvalidHandle || file == nullptr) return false;
  bytes->clear();
  char buffer[4096];
  bool ok = true;
  for (;;) {
    uint32_t got = 0;
    if (!SysReadFile(file, buffer, sizeof buffer, &got)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    bytes->append(buffer, got);
  }
  SysCloseHandle(file);
  return ok;
}

// FNV-1a hash of bytes, as eight hexadecimal digits.
std::string Digest(const std::string& bytes) {
  uint32_t hash = 2166136261u;
  for (unsigned char c : bytes) hash = (hash ^ c) * 16777619u;
  return Hex32(hash, 8);
}

// Size and digest of a file's contents, or "unreadable error=<e>".
std::string Contents(const Text& path) {
  std::string bytes;
  if (!ReadFileBytes(path, &bytes)) return "unreadable error=" + std::to_string(SysGetLastError());
  return "size=" + std::to_string(bytes.size()) + " digest=" + Digest(bytes);
}

// One of a file's times as GetFileTime reports it on an open handle: the creation time, or the
// last-write time.
std::string TimeOf(const Text& path, bool creation) {
  SysHandle file = SysCreateFile(path.c_str(), kGenericRead, kFileShareRead | kFileShareWrite, kOpenExisting, 0);
  if (file == kInvalidHandle || file == nullptr) return "unopened error=" + std::to_string(SysGetLastError());
  uint64_t created = 0, lastWrite = 0;
  int ok = SysGetFileTime(file, &created, nullptr, &lastWrite);
  SysCloseHandle(file);
  if (!ok) return "no-times";
  return creation ? "creation=" + std::to_string(created) : "lastwrite=" + std::to_string(lastWrite);
}

// Names (files and folders, with their relative folder) below folder, sorted.
void ListFiles(const Text& folder, const Text& prefix, std::vector<Text>* out) {
  SysFindData found;
  SysHandle find = SysFindFirstFile(Join(folder, u"*").c_str(), &found);
  if (find == kInvalidHandle) return;
  std::vector<std::pair<Text, bool>> entries;
  do {
    Text name(found.name);
    if (name == u"." || name == u"..") continue;
    entries.emplace_back(name, (found.attributes & kAttrDirectory) != 0);
  } while (SysFindNextFile(find, &found));
  SysFindClose(find);
  std::sort(entries.begin(), entries.end());
  for (const auto& entry : entries) {
    const Text relative = prefix.empty() ? entry.first : Join(prefix, entry.first);
    if (entry.second) {
      out->push_back(relative + u"\\");
      ListFiles(Join(folder, entry.first), relative, out);
    } else {
      out->push_back(relative);
    }
  }
}

// Copies a fixture into a folder of the working folder and prints the result.
void CopyFixture(const std::string& id, const ParityHost& host, const Text& name, const Text& folder) {
  int rc = SysCopyFile(Join(host.fixtureFolder, name).c_str(), Join(folder, name).c_str(), 0);
  Emit(id + " " + Result(rc));
}

// ---- Version resources and copy decisions ----

// Looks up one value of a version block and prints what it found: the fixed part field by
// field, the translation pairs, or the text.
void QueryVersionValue(const std::string& id, const void* block, const Text& subBlock) {
  void* value = nullptr;
  uint32_t length = 0xFFFF;
  int rc = SysVerQueryValue(block, subBlock.c_str(), &value, &length);
  std::string line = id + " rc=" + std::to_string(rc);
  if (rc && value) {
    line += " len=" + std::to_string(length);
    if (subBlock == u"\\") {
      const SysFixedFileInfo* f = static_cast<const SysFixedFileInfo*>(value);
      const uint32_t fields[] = {f->dwSignature,        f->dwStrucVersion,  f->dwFileVersionMS, f->dwFileVersionLS,
                                 f->dwProductVersionMS, f->dwProductVersionLS, f->dwFileFlagsMask, f->dwFileFlags,
                                 f->dwFileOS,           f->dwFileType,      f->dwFileSubtype,   f->dwFileDateMS,
                                 f->dwFileDateLS};
      line += " fixed=";
      for (size_t i = 0; i < sizeof fields / sizeof fields[0]; ++i) line += (i ? "," : "") + Hex32(fields[i], 8);
    } else if (subBlock.find(u"StringFileInfo") != Text::npos) {
      const char16_t* text = static_cast<const char16_t*>(value);
      line += " text=" + Show(text);
    } else {
      line += " data=" + Hex(static_cast<const uint8_t*>(value), length);
    }
  }
  Emit(line);
}

// The version block of one file through the version services: its size, the block, the fixed
// part, the translation table and the strings of its first translation.
void ProbeVersionBlock(const std::string& id, const Text& path) {
  SysSetLastError(0);
  uint32_t size = SysGetFileVersionInfoSize(path.c_str());
  Emit(id + ".size " + (size ? std::string("nonzero") : "zero error=" + std::to_string(SysGetLastError())));
  if (!size) return;
  std::vector<uint8_t> block(size + 16, 0xAB);
  int rc = SysGetFileVersionInfo(path.c_str(), size, block.data());
  Emit(id + ".block " + Result(rc));
  if (!rc) return;
  QueryVersionValue(id + ".fixed", block.data(), u"\\");
  QueryVersionValue(id + ".translation", block.data(), u"\\VarFileInfo\\Translation");

  void* value = nullptr;
  uint32_t length = 0;
  Text language = u"040904b0";
  if (SysVerQueryValue(block.data(), u"\\VarFileInfo\\Translation", &value, &length) && length >= 4) {
    const uint16_t* pair = static_cast<const uint16_t*>(value);
    char16_t text[16];
    static const char16_t kDigits[] = u"0123456789abcdef";
    const uint32_t both = static_cast<uint32_t>(pair[0]) << 16 | pair[1];
    for (int i = 0; i < 8; ++i) text[i] = kDigits[(both >> (28 - 4 * i)) & 0xF];
    text[8] = 0;
    language = text;
  }
  const Text strings = u"\\StringFileInfo\\" + language + u"\\";
  QueryVersionValue(id + ".file_version", block.data(), strings + u"FileVersion");
  QueryVersionValue(id + ".company", block.data(), strings + u"CompanyName");
  QueryVersionValue(id + ".no_such_name", block.data(), strings + u"NoSuchName");
  QueryVersionValue(id + ".other_language", block.data(), u"\\StringFileInfo\\040c04b0\\FileVersion");
}

// The decision names of the copy engine.
std::string Decision(int decision) {
  switch (decision) {
    case kKeepTarget: return "keep";
    case kReplaceTarget: return "replace";
    case kCompareDates: return "compare-dates";
    default: return "unknown=" + std::to_string(decision);
  }
}

// The version blocks of the fixtures, and CompareFileVersions on every ordered pair of them.
void RunVersionScript(const ParityHost& host, const Text& work) {
  const Text folder = Join(work, u"ver");
  Emit("ver.folder " + Result(SysCreateDirectory(folder.c_str())));
  for (const char16_t* name : kVersionFixtures) {
    if (Text(name) != u"missing.dll") CopyFixture("ver." + IdOf(name) + ".copy", host, name, folder);
    Emit("ver." + IdOf(name) + ".contents " + Contents(Join(folder, name)));
  }
  for (const char16_t* name : kVersionFixtures) ProbeVersionBlock("ver." + IdOf(name), Join(folder, name));
  for (const char16_t* source : kVersionFixtures) {
    for (const char16_t* target : kVersionFixtures) {
      int decision = CompareFileVersions(Join(folder, source).c_str(), Join(folder, target).c_str());
      Emit("copy.versions." + IdOf(source) + ".over." + IdOf(target) + " " + Decision(decision));
    }
  }
}

// One date comparison: source and target made from the 1.9 fixture with the given times (a
// time of 0 leaves that file out), read back, and compared.
void DateCase(const std::string& id, const ParityHost& host, const Text& folder, uint64_t sourceCreation,
              uint64_t sourceWrite, uint64_t targetCreation, uint64_t targetWrite) {
  const Text source = Join(folder, u"source_" + parity::Widen(id) + u".dll");
  const Text target = Join(folder, u"target_" + parity::Widen(id) + u".dll");
  const Text fixture = Join(host.fixtureFolder, u"v1_9.dll");
  const std::string p = "dates." + id;
  if (sourceWrite) {
    int copied = SysCopyFile(fixture.c_str(), source.c_str(), 0);
    int timed = copied && host.setFileTimes(source.c_str(), sourceCreation, sourceWrite);
    Emit(p + ".source_made " + Result(copied) + " times=" + std::to_string(timed) + " " + TimeOf(source, false));
    Emit(p + ".source_creation " + TimeOf(source, true));
  }
  if (targetWrite) {
    int copied = SysCopyFile(fixture.c_str(), target.c_str(), 0);
    int timed = copied && host.setFileTimes(target.c_str(), targetCreation, targetWrite);
    Emit(p + ".target_made " + Result(copied) + " times=" + std::to_string(timed) + " " + TimeOf(target, false));
    Emit(p + ".target_creation " + TimeOf(target, true));
  }
  Emit(p + ".decision " + Decision(CompareFileDates(source.c_str(), target.c_str())));
}

// CompareFileDates on files whose times the host set: later or earlier last write, equal last
// write with later or earlier creation, all equal, a file missing, a target held open by this
// program without sharing and one in use by another program (and what a copy onto them does),
// and a read-only target.
void RunDatesScript(const ParityHost& host, const Text& work) {
  const Text folder = Join(work, u"dates");
  Emit("dates.folder " + Result(SysCreateDirectory(folder.c_str())));
  const uint64_t t = kBaseTime;
  DateCase("written_later", host, folder, t, t + 10 * kSecond, t, t + 5 * kSecond);
  DateCase("written_earlier", host, folder, t, t + 5 * kSecond, t, t + 10 * kSecond);
  DateCase("written_later_created_earlier", host, folder, t, t + 10 * kSecond, t + 2 * kSecond, t + 5 * kSecond);
  DateCase("created_later", host, folder, t + 2 * kSecond, t + 5 * kSecond, t, t + 5 * kSecond);
  DateCase("created_earlier", host, folder, t, t + 5 * kSecond, t + 2 * kSecond, t + 5 * kSecond);
  DateCase("same_times", host, folder, t, t + 5 * kSecond, t, t + 5 * kSecond);
  DateCase("target_missing", host, folder, t, t + 5 * kSecond, 0, 0);
  DateCase("source_missing", host, folder, 0, 0, t, t + 5 * kSecond);

  // A target held open without sharing: the comparison cannot open it, the copy fails with 32.
  DateCase("target_in_use", host, folder, t, t + 5 * kSecond, t, t + 10 * kSecond);
  const Text target = Join(folder, u"target_target_in_use.dll");
  const Text source = Join(folder, u"source_target_in_use.dll");
  SysHandle held = SysCreateFile(target.c_str(), kGenericRead, 0, kOpenExisting, 0);
  const bool open = held != kInvalidHandle && held != nullptr;
  Emit("dates.target_in_use.held " + std::string(open ? "yes" : "no"));
  Emit("dates.target_in_use.decision_while_held " + Decision(CompareFileDates(source.c_str(), target.c_str())));
  Emit("dates.target_in_use.copy_while_held " + Result(SysCopyFile(source.c_str(), target.c_str(), 0)));
  if (open) SysCloseHandle(held);
  Emit("dates.target_in_use.copy_after " + Result(SysCopyFile(source.c_str(), target.c_str(), 0)));
  Emit("dates.target_in_use.copied_lastwrite " + TimeOf(target, false));
  // The same target in use by another program.
  Emit("dates.held_by_other.held " + std::to_string(host.holdFile(target.c_str(), 1)));
  Emit("dates.held_by_other.decision " + Decision(CompareFileDates(source.c_str(), target.c_str())));
  Emit("dates.held_by_other.copy " + Result(SysCopyFile(source.c_str(), target.c_str(), 0)));
  Emit("dates.held_by_other.delete " + Result(SysDeleteFile(target.c_str())));
  Emit("dates.held_by_other.read " + Contents(target));
  Emit("dates.held_by_other.released " + std::to_string(host.holdFile(target.c_str(), 0)));
  // A read-only target: the copy over it is refused.
  const Text readOnly = Join(folder, u"read_only.dll");
  Emit("dates.read_only.made " + Result(SysCopyFile(source.c_str(), readOnly.c_str(), 0)));
  Emit("dates.read_only.set " + Result(SysSetFileAttributes(readOnly.c_str(), kAttrReadOnly)));
  Emit("dates.read_only.attributes " + Hex32(SysGetFileAttributes(readOnly.c_str()), 2));
  Emit("dates.read_only.copy " + Result(SysCopyFile(source.c_str(), readOnly.c_str(), 0)));
  Emit("dates.read_only.clear " + Result(SysSetFileAttributes(readOnly.c_str(), kAttrNormal)));
  Emit("dates.read_only.copy_after " + Result(SysCopyFile(source.c_str(), readOnly.c_str(), 0)));
}

// ---- Cabinets ----

// How the callback of one walk answers, and what it has seen.
struct CabinetWalk {
  std::string id;
  Text targetFolder;
  const char16_t* skipName = nullptr;   // answered with kFileOpSkip
  const char16_t* abortName = nullptr;  // answered with kFileOpAbort and error 1223
  int notification = 0;
};

// The cabinet callback: prints every notification and its record, sends each file to the walk's
// target folder under its name in the cabinet, and answers as the walk says.
uint32_t CabinetCallback(void* context, uint32_t notification, uintptr_t param1, uintptr_t param2) {
  CabinetWalk* walk = static_cast<CabinetWalk*>(context);
  std::string line = walk->id + ".note." + std::to_string(++walk->notification) + " " + Hex32(notification, 2);
  uint32_t answer = 0;
  if (notification == kNotifyFileInCabinet) {
    SysFileInCabinetInfo* info = reinterpret_cast<SysFileInCabinetInfo*>(param1);
    const Text name(info->NameInCabinet ? info->NameInCabinet : u"");
    line += " name=" + Show(info->NameInCabinet) + " size=" + std::to_string(info->FileSize) +
            " date=" + Hex32(info->DosDate, 4) + " time=" + Hex32(info->DosTime, 4) +
            " attribs=" + Hex32(info->DosAttribs, 2) + " error=" + std::to_string(info->Win32Error) +
            " cabinet=" + Show(reinterpret_cast<const char16_t*>(param2));
    const Text target = Join(walk->targetFolder, name);
    size_t n = 0;
    for (; n < target.size() && n + 1 < 260; ++n) info->FullTargetName[n] = target[n];
    info->FullTargetName[n] = 0;
    if (walk->skipName && name == walk->skipName) {
      answer = kFileOpSkip;
    } else if (walk->abortName && name == walk->abortName) {
      info->Win32Error = 1223;
      answer = kFileOpAbort;
    } else {
      answer = kFileOpDoIt;
    }
    line += " answer=" + std::to_string(answer);
  } else if (notification == kNotifyFileExtracted) {
    const SysFilePaths* paths = reinterpret_cast<const SysFilePaths*>(param1);
    line += " target=" + Show(paths->Target) + " source=" + Show(paths->Source) +
            " error=" + std::to_string(paths->Win32Error);
  } else if (notification == kNotifyNeedNewCabinet) {
    answer = kErrInvalidFunction;  // no cabinet set here spans several files
  }
  Emit(line);
  return answer;
}

// A last-write time next to the cabinet fixtures' date: "cabinet-date" when equal, the value
// itself when within a day of it (a time zone applied), else "other" (a file the walk did not
// write).
std::string CabinetDate(uint64_t lastWrite) {
  if (lastWrite == kBaseTime) return "cabinet-date";
  const uint64_t distance = lastWrite > kBaseTime ? lastWrite - kBaseTime : kBaseTime - lastWrite;
  return distance < kDay ? std::to_string(lastWrite) : "other";
}

// One walk over a cabinet into a folder of the working folder (made unless makeFolder is
// false), then the walk's result and every file it left behind with size, digest and date.
void CabinetCase(const std::string& id, const Text& cabinet, const Text& cabinetFolder, bool makeFolder,
                 const char16_t* subfolder, CabinetWalk walk) {
  walk.id = "cab." + id;
  walk.targetFolder = cabinetFolder;
  if (makeFolder) Emit(walk.id + ".folder " + Result(SysCreateDirectory(cabinetFolder.c_str())));
  if (subfolder) Emit(walk.id + ".subfolder " + Result(SysCreateDirectory(Join(cabinetFolder, subfolder).c_str())));
  SysSetLastError(0xDEAD);
  int rc = SysIterateCabinet(cabinet.c_str(), CabinetCallback, &walk);
  Emit(walk.id + ".result rc=" + std::to_string(rc) + " error=" + std::to_string(SysGetLastError()));
  std::vector<Text> files;
  ListFiles(cabinetFolder, u"", &files);
  std::string all;
  for (const Text& file : files) {
    all += " " + IdOf(file);
    if (file.back() == u'\\') continue;
    const Text path = Join(cabinetFolder, file);
    uint64_t creation = 0, lastWrite = 0;
    SysHandle handle = SysCreateFile(path.c_str(), kGenericRead, kFileShareRead, kOpenExisting, 0);
    if (handle != kInvalidHandle && handle != nullptr) {
      SysGetFileTime(handle, &creation, nullptr, &lastWrite);
      SysCloseHandle(handle);
    }
    Emit(walk.id + ".file." + IdOf(file) + " " + Contents(path));
    Emit(walk.id + ".date." + IdOf(file) + " lastwrite=" + CabinetDate(lastWrite));
  }
  Emit(walk.id + ".files" + (all.empty() ? std::string(" none") : all));
}

// The cabinet walks: complete, with a relative folder present and missing, a missing cabinet,
// a truncated and a corrupt one, a file that is no cabinet, skipped and aborted files, and
// targets that cannot be written.
void RunCabinetScript(const ParityHost& host, const Text& work) {
  const Text folder = Join(work, u"cab");
  Emit("cab.folder " + Result(SysCreateDirectory(folder.c_str())));
  for (const char16_t* name : kCabinetFixtures) {
    Emit("cab.fixture." + IdOf(name) + " " + Contents(Join(host.fixtureFolder, name)));
  }
  const Text fixtures(host.fixtureFolder);
  CabinetCase("normal", Join(fixtures, u"normal.cab"), Join(folder, u"normal"), true, nullptr, {});
  CabinetCase("subfolder_present", Join(fixtures, u"subfolder.cab"), Join(folder, u"sub_present"), true, u"sub", {});
  CabinetCase("subfolder_missing", Join(fixtures, u"subfolder.cab"), Join(folder, u"sub_missing"), true, nullptr, {});
  CabinetCase("missing_cabinet", Join(fixtures, u"no_such.cab"), Join(folder, u"missing"), true, nullptr, {});
  CabinetCase("truncated", Join(fixtures, u"truncated.cab"), Join(folder, u"truncated"), true, nullptr, {});
  CabinetCase("corrupt", Join(fixtures, u"corrupt.cab"), Join(folder, u"corrupt"), true, nullptr, {});
  CabinetCase("not_a_cabinet", Join(fixtures, u"v1_9.dll"), Join(folder, u"not_cab"), true, nullptr, {});
  CabinetCase("target_folder_missing", Join(fixtures, u"normal.cab"), Join(folder, u"no_folder"), false, nullptr, {});

  CabinetWalk skip;
  skip.skipName = u"big.txt";
  CabinetCase("skip", Join(fixtures, u"normal.cab"), Join(folder, u"skip"), true, nullptr, skip);
  CabinetWalk abort;
  abort.abortName = u"big.txt";
  CabinetCase("abort", Join(fixtures, u"normal.cab"), Join(folder, u"abort"), true, nullptr, abort);

  // Targets that exist already: a read-only one, and one held open without sharing.
  const Text readOnly = Join(folder, u"read_only");
  Emit("cab.read_only.folder " + Result(SysCreateDirectory(readOnly.c_str())));
  Emit("cab.read_only.made " + Result(WriteFileBytes(Join(readOnly, u"a.txt"), "old\r\n")));
  Emit("cab.read_only.set " + Result(SysSetFileAttributes(Join(readOnly, u"a.txt").c_str(), kAttrReadOnly)));
  Emit("cab.read_only.attributes " + Hex32(SysGetFileAttributes(Join(readOnly, u"a.txt").c_str()), 2));
  CabinetCase("read_only", Join(fixtures, u"normal.cab"), readOnly, false, nullptr, {});
  SysSetFileAttributes(Join(readOnly, u"a.txt").c_str(), kAttrNormal);

  // Held open by another program (as a running driver holds its files).
  const Text inUse = Join(folder, u"in_use");
  const Text heldFile = Join(inUse, u"z.txt");
  Emit("cab.in_use.folder " + Result(SysCreateDirectory(inUse.c_str())));
  Emit("cab.in_use.made " + Result(WriteFileBytes(heldFile, "old\r\n")));
  Emit("cab.in_use.held " + std::to_string(host.holdFile(heldFile.c_str(), 1)));
  CabinetCase("in_use", Join(fixtures, u"normal.cab"), inUse, false, nullptr, {});
  Emit("cab.in_use.released " + std::to_string(host.holdFile(heldFile.c_str(), 0)));
  Emit("cab.in_use.after_release " + Contents(heldFile));
}

// ---- Delayed moves ----

// The PendingFileRenameOperations value as the registry functions read it: type, size and its
// strings exactly (terminators shown as \0).
void PrintPendingRenames(const std::string& id) {
  RegKey key = nullptr;
  int32_t rc = SysRegOpenKey(kRegLocalMachine, kSessionManager, kKeyRead, &key);
  if (rc != 0) {
    // Windows always has the key; a machine without it has no value either.
    Emit(id + " rc=" + std::to_string(rc));
    return;
  }
  uint32_t type = 0xFFFF, size = 0;
  rc = SysRegQueryValue(key, kPendingRenames, &type, nullptr, &size);
  if (rc != 0) {
    Emit(id + " rc=" + std::to_string(rc));
    SysRegCloseKey(key);
    return;
  }
  std::vector<uint8_t> data(size + 2, 0);
  uint32_t got = size;
  rc = SysRegQueryValue(key, kPendingRenames, &type, data.data(), &got);
  SysRegCloseKey(key);
  std::string line = id + " rc=" + std::to_string(rc) + " type=" + std::to_string(type) + " size=" + std::to_string(got);
  if (rc == 0) {
    std::vector<char16_t> units(got / 2 + 1, 0);
    for (size_t i = 0; i < got / 2; ++i) units[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    line += " data=\"" + Escape(units.data(), got / 2) + "\"";
  }
  Emit(line);
}

// Two replacements scheduled as the installer schedules them (the target's deletion, then the
// temporary file's move onto it), one replacing move, and the recorded value after each step.
void RunMovesScript(const Text& work) {
  const Text folder = Join(work, u"moves");
  Emit("moves.folder " + Result(SysCreateDirectory(folder.c_str())));
  PrintPendingRenames("moves.value_before");
  const char16_t* names[] = {u"Target1.dll", u"SET1A.tmp", u"target2.DLL", u"SET2B.tmp", u"replaced.txt",
                             u"replacing.txt"};
  for (const char16_t* name : names)
    Emit("moves.made." + IdOf(name) + " " + Result(WriteFileBytes(Join(folder, name), "contents\r\n")));
  for (int record = 0; record < 2; ++record) {
    const Text target = Join(folder, names[2 * record]);
    const Text temporary = Join(folder, names[2 * record + 1]);
    const std::string p = "moves.record" + std::to_string(record + 1);
    Emit(p + ".delete " + Result(SysMoveFileEx(target.c_str(), nullptr, kMoveFileDelayUntilReboot)));
    Emit(p + ".move " + Result(SysMoveFileEx(temporary.c_str(), target.c_str(), kMoveFileDelayUntilReboot)));
    PrintPendingRenames(p + ".value");
  }
  Emit("moves.replacing " + Result(SysMoveFileEx(Join(folder, names[5]).c_str(), Join(folder, names[4]).c_str(),
                                                 kMoveFileDelayUntilReboot | kMoveFileReplaceExisting)));
  PrintPendingRenames("moves.value_after");
  for (const char16_t* name : names)
    Emit("moves.still_there." + IdOf(name) + " " + std::to_string(SysPathExists(Join(folder, name).c_str())));
}

// ---- Access list ----

// An account identifier in the S-R-I-S... form.
std::string SidText(const uint8_t* sid) {
  uint64_t authority = 0;
  for (int i = 2; i < 8; ++i) authority = authority << 8 | sid[i];
  std::string text = "S-" + std::to_string(sid[0]) + "-" + std::to_string(authority);
  for (int i = 0; i < sid[1]; ++i) {
    const uint8_t* p = sid + 8 + 4 * i;
    text += "-" + std::to_string(static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24));
  }
  return text;
}

// What GetFileSecurity shows of a path's access list: control bits, presence, and every entry
// with type, flags, mask and account.
void PrintAccessList(const std::string& id, const Text& path) {
  uint32_t needed = 0;
  int rc = SysGetFileSecurity(path.c_str(), kDaclSecurityInformation, nullptr, 0, &needed);
  Emit(id + ".size_query " + Result(rc));
  if (!needed) return;
  std::vector<uint64_t> buffer(needed / 8 + 1, 0);
  rc = SysGetFileSecurity(path.c_str(), kDaclSecurityInformation, buffer.data(), needed, &needed);
  Emit(id + ".get " + Result(rc));
  if (!rc) return;
  uint16_t control = 0;
  uint32_t revision = 0;
  if (SysGetSecurityDescriptorControl(buffer.data(), &control, &revision))
    Emit(id + ".control " + Hex32(control, 4) + " revision=" + std::to_string(revision));
  int present = 0, defaulted = 0;
  SysAclHeader* acl = nullptr;
  rc = SysGetSecurityDescriptorDacl(buffer.data(), &present, &acl, &defaulted);
  Emit(id + ".dacl " + Result(rc) + " present=" + std::to_string(present) + " null=" + std::to_string(present && !acl) +
       " defaulted=" + std::to_string(defaulted));
  if (!rc || !present || !acl) return;
  SysAclSizeInformation info = {};
  if (!SysGetAclInformation(acl, &info)) return;
  Emit(id + ".count " + std::to_string(info.AceCount));
  for (uint32_t i = 0; i < info.AceCount; ++i) {
    void* ace = nullptr;
    if (!SysGetAce(acl, i, &ace)) {
      Emit(id + ".ace" + std::to_string(i) + " " + Result(0));
      continue;
    }
    const SysAccessAllowedAce* entry = static_cast<const SysAccessAllowedAce*>(ace);
    Emit(id + ".ace" + std::to_string(i) + " type=" + std::to_string(entry->Header.AceType) +
         " flags=" + Hex32(entry->Header.AceFlags, 2) + " mask=" + Hex32(entry->Mask, 8) +
         " account=" + SidText(reinterpret_cast<const uint8_t*>(&entry->SidStart)));
  }
}

// "Everyone" looked up, then full access granted to it on a fresh folder (twice: the second
// grant replaces the account's own entry), with the folder's access list before and after.
void RunAccessScript(const Text& work) {
  uint8_t sid[68] = {};
  char16_t domain[64] = {};
  uint32_t sidSize = sizeof sid, domainSize = 64;
  int rc = SysLookupAccountName(u"Everyone", sid, &sidSize, domain, &domainSize);
  Emit("acl.lookup " + Result(rc) + (rc ? " sid=" + SidText(sid) + " length=" + std::to_string(SysGetLengthSid(sid)) +
                                              " domain=" + Show(domain)
                                        : ""));
  const Text folder = Join(work, u"acl");
  Emit("acl.folder " + Result(SysCreateDirectory(folder.c_str())));
  PrintAccessList("acl.before", folder);
  Emit("acl.grant " + std::string("rc=") + std::to_string(GrantFolderAccess(folder.c_str(), u"Everyone", kGenericAll)));
  PrintAccessList("acl.after", folder);
  Emit("acl.grant_again " + std::string("rc=") +
       std::to_string(GrantFolderAccess(folder.c_str(), u"Everyone", kGenericAll)));
  PrintAccessList("acl.after_again", folder);
  Emit("acl.grant_missing_folder rc=" +
       std::to_string(GrantFolderAccess(Join(work, u"no_such_folder").c_str(), u"Everyone", kGenericAll)));
}

// ---- Closing listed windows ----

// Whether a window of the class and caption is there, and when it is, whether process id owns it.
std::string WindowState(const char16_t* className, const char16_t* caption, uint32_t processId) {
  WindowHandle window = SysFindWindow(className, caption);
  if (!window) return "gone";
  uint32_t owner = 0;
  SysGetWindowThreadProcessId(window, &owner);
  return std::string("present owner=") + (owner == processId ? "started" : owner ? "other" : "none");
}

// The exit of a started program once its window is gone.
std::string ExitOf(const ParityHost& host, uint32_t processId) {
  uint32_t code = 0;
  if (!host.windowOwnerExit(processId, &code)) return "running";
  return "ended code=" + std::to_string(code);
}

// Starts a window owner and prints whether it is there.
uint32_t StartOwner(const std::string& id, const ParityHost& host, const char16_t* className, const char16_t* caption,
                    int ignoreClose) {
  uint32_t processId = host.startWindowOwner(className, caption, ignoreClose);
  Emit(id + ".started " + std::string(processId ? "yes" : "no"));
  if (processId) Emit(id + ".window " + WindowState(className, caption, processId));
  return processId;
}

// A program ignoring close requests ended directly through its window, the same window handle
// used again once the program is gone, and [KillWindow] walks of KillListedWindows over a
// program that closes on request, two that ignore it, and none at all.
void RunKillScript(const ParityHost& host, const Text& work) {
  const Text config = Join(work, u"kill.ini");
  std::string ini = "[KillWindow]\r\n1=Owner\r\n2=Missing\r\n3=NoClass\r\n[Owner]\r\nClass=";
  for (const char16_t* c = kOwnerClass; *c; ++c) ini += static_cast<char>(*c);
  ini += "\r\nCaption=";
  for (const char16_t* c = kOwnerCaption; *c; ++c) ini += static_cast<char>(*c);
  ini += "\r\n[Missing]\r\nClass=GlidewaveParityNobody\r\nCaption=Nobody\r\n[NoClass]\r\nCaption=";
  for (const char16_t* c = kOtherCaption; *c; ++c) ini += static_cast<char>(*c);
  ini += "\r\n";
  Emit("kill.config " + Result(WriteFileBytes(config, ini)));
  const size_t length = std::min<size_t>(config.size(), kTextSize - 1);
  std::copy(config.begin(), config.begin() + length, g_Settings.ConfigFile);
  g_Settings.ConfigFile[length] = 0;

  // Ended through its window, with an exit code of our choosing.
  uint32_t direct = StartOwner("kill.direct", host, kOtherClass, kOtherCaption, 1);
  if (direct) {
    WindowHandle window = SysFindWindow(kOtherClass, kOtherCaption);
    Emit("kill.direct.end " + Result(EndProcessOfWindow(window, 7)));
    Emit("kill.direct.window_after " + WindowState(kOtherClass, kOtherCaption, direct));
    Emit("kill.direct.exit " + ExitOf(host, direct));
    Emit("kill.direct.end_again " + Result(EndProcessOfWindow(window, 8)));
    Emit("kill.direct.is_window " + std::to_string(SysIsWindow(window)));
  }

  // The listed window of a program that closes on request.
  uint32_t closes = StartOwner("kill.closes", host, kOwnerClass, kOwnerCaption, 0);
  if (closes) {
    KillListedWindows();
    Emit("kill.closes.window_after " + WindowState(kOwnerClass, kOwnerCaption, closes));
    Emit("kill.closes.exit " + ExitOf(host, closes));
  }

  // Two programs with the listed window that ignore the request, and one whose window has the
  // caption of an entry without a class (left alone).
  uint32_t first = StartOwner("kill.ignores1", host, kOwnerClass, kOwnerCaption, 1);
  uint32_t second = StartOwner("kill.ignores2", host, kOwnerClass, kOwnerCaption, 1);
  uint32_t other = StartOwner("kill.unlisted", host, kOtherClass, kOtherCaption, 1);
  if (first && second) {
    KillListedWindows();
    Emit("kill.ignores.window_after " + WindowState(kOwnerClass, kOwnerCaption, 0));
    Emit("kill.ignores1.exit " + ExitOf(host, first));
    Emit("kill.ignores2.exit " + ExitOf(host, second));
  }
  if (other) {
    Emit("kill.unlisted.window_after " + WindowState(kOtherClass, kOtherCaption, other));
    Emit("kill.unlisted.end " + Result(EndProcessOfWindow(SysFindWindow(kOtherClass, kOtherCaption), 0)));
    Emit("kill.unlisted.exit " + ExitOf(host, other));
  }

  // Nothing listed is running.
  KillListedWindows();
  Emit("kill.none.done " + WindowState(kOwnerClass, kOwnerCaption, 0));
}

}  // namespace

void RunFilesProbe(const ParityHost& host) {
  const Text work(host.workFolder);
  Emit("files.work " + Result(SysCreateDirectory(work.c_str())));
  RunVersionScript(host, work);
  RunDatesScript(host, work);
  RunCabinetScript(host, work);
  RunMovesScript(work);
  RunAccessScript(work);
  RunKillScript(host, work);
}
