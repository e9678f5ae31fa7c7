// BuildCopyList: the copy-list lines of the setup configuration, their destinations and sizes,
// and the help files with their companions appended after them.
#include "files/copy_list.h"

#include <cstring>

#include "common/text.h"
#include "shared/trace.h"
#include "files/copy_progress.h"
#include "files/files_keys.h"
#include "files/folder_rights.h"
#include "shared/path_macros.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "settings/config_keys.h"
#include "startup/help_files.h"
#include "settings/settings.h"

CopyEntry CopyTable[kCopyEntryMax + 2];
int32_t CopyEntryCount;

namespace {

static_assert(kCopyTextSize == kFieldSize, "ParseField writes copy-entry texts directly");
static_assert(kCopyTextSize == kHelpFileTextSize, "help names are copied into copy entries");

constexpr uint32_t kAskPathTailMax = 100;  // characters of a destination kept below DestinationDir

// Which folder a whole-value destination form starts from.
enum DestinationBase { kBaseNone, kBaseSystem, kBaseWindows };

struct DestinationForm {
  const char16_t* form;
  DestinationBase base;
  const char16_t* suffix;
};

// The plain forms, in the order they are tried; "%SYS_DIR%\%Folder%" and "%Program Files%"
// follow them with their own rules.
const DestinationForm kDestinationForms[] = {
    {kDestSysDir, kBaseSystem, u""},
    {kDestWinDir, kBaseWindows, u""},
    {kDestInfDir, kBaseWindows, kSubInf},
    {kDestSys32Dir, kBaseWindows, kSubSys32Drivers},
    {kDestWinDesktop, kBaseWindows, kSubDesktop},
    {kDestWinHelp, kBaseWindows, kSubHelp},
    {kDestSysDeskhub, kBaseSystem, kSubDeskhub},
    {kDestSysDeskhub001, kBaseSystem, kSubDeskhub001},
    {kDestDriveC, kBaseNone, kDriveCRoot},
    {kDestSysX64, kBaseSystem, kSubX64},
};

// The system or Windows folder into out (kCopyTextSize); empty when the platform cannot say.
void GetBaseFolder(DestinationBase base, char16_t* out) {
  out[0] = 0;
  if (base == kBaseNone) return;
  uint32_t length = base == kBaseSystem ? SysGetSystemDirectory(out, kCopyTextSize)
                                        : SysGetWindowsDirectory(out, kCopyTextSize);
  if (length == 0 || length >= kCopyTextSize) out[0] = 0;
}

// Size of a file, opened for reading; kInvalidFileSize when it cannot be opened.
uint32_t MeasureFile(const char16_t* path) {
  SysHandle file = SysCreateFile(path, kGenericRead, kFileShareRead, kOpenExisting, 0);
  if (file == kInvalidHandle || file == nullptr) return kInvalidFileSize;
  uint32_t size = SysGetFileSize(file, nullptr);
  SysCloseHandle(file);
  return size;
}

// Size of folder + "\" + name.
uint32_t MeasureIn(const char16_t* folder, const char16_t* name) {
  char16_t path[kCopyTextSize];
  TextCopy(path, folder);
  TextAppend(path, u"\\");
  TextAppend(path, name);
  return MeasureFile(path);
}

// Value of key n: [CopyList] first, [Copy List] when that is empty.
void ReadListValue(int32_t n, char16_t* value) {
  char16_t key[16];
  TextFormat(key, 16, u"%d", n);
  const char16_t* file = g_Settings.ConfigFile;
  SysReadProfileString(kSectionCopyList, key, u"", value, kCopyListValueSize, file);
  if (!value[0]) SysReadProfileString(kSectionCopyListFallback, key, u"", value, kCopyListValueSize, file);
}

// Cuts the four fields of a value: name, source name, an ignored field, and the destination
// taken raw (everything after the third comma). Missing fields stay empty.
void CutFields(const char16_t* value, CopyEntry* e) {
  uint32_t at = ParseField(value, e->FileName);
  if (value[at] != u',') return;
  ++at;
  at += ParseField(value + at, e->SourceName);
  if (value[at] != u',') return;
  ++at;
  char16_t ignored[kFieldSize];
  at += ParseField(value + at, ignored);
  if (value[at] != u',') return;
  TextCopy(e->DestDir, value + at + 1);
}

// Moves the folder part of `name` (before its last backslash) into SourceSubdir, keeping the
// part after it in `name`. Returns 1 when there was a folder part.
int SplitSourceFolder(char16_t* name, CopyEntry* e) {
  long cut = TextFindLastChar(name, u'\\');
  if (cut < 0) return 0;
  TextCopyN(e->SourceSubdir, kCopyTextSize, name, static_cast<size_t>(cut));
  char16_t rest[kCopyTextSize];
  TextCopy(rest, name + cut + 1);
  TextCopy(name, kCopyTextSize, rest);
  return 1;
}

int IsSystemFileExtension(const char16_t* extension) {
  for (const char16_t* system : kSystemFileExtensions)
    if (TextEqualNoCase(extension, system)) return 1;
  return 0;
}

// Turns the raw destination in e->DestDir into the folder the file goes to.
void ResolveDestination(CopyEntry* e, int systemFile, int32_t n) {
  const SettingsRecord& s = g_Settings;
  char16_t dest[kCopyTextSize];
  TextCopy(dest, e->DestDir);
  const long slash = TextFindChar(dest, u'\\');

  if (s.AskPath && !systemFile) {
    // The user's folder, with whatever followed the destination's first backslash.
    TextCopy(e->DestDir, s.DestinationDir);
    if (slash >= 0) {
      char16_t tail[kAskPathTailMax + 1];
      TextCopy(tail, dest + slash);
      TextAppend(e->DestDir, tail);
    }
    return;
  }

  for (const DestinationForm& f : kDestinationForms) {
    if (!TextEqualNoCase(dest, f.form)) continue;
    GetBaseFolder(f.base, e->DestDir);
    TextAppend(e->DestDir, f.suffix);
    return;
  }

  if (TextEqualNoCase(dest, kDestSysFolder)) {
    char16_t folder[kCopyTextSize];
    SysReadProfileString(kSectionStrings, kStringsKeyFolder, u"", folder, kCopyTextSize, s.ConfigFile);
    GetBaseFolder(kBaseSystem, e->DestDir);
    TextAppend(e->DestDir, u"\\");
    TextAppend(e->DestDir, folder);
    CreateFolderPath(e->DestDir);
    return;
  }

  char16_t head[kCopyTextSize];
  if (slash >= 0)
    TextCopyN(head, kCopyTextSize, dest, static_cast<size_t>(slash));
  else
    TextCopy(head, dest);
  if (TextEqualNoCase(head, kDestProgramFiles)) {
    ComposeProgramFileDest();
    TextCopy(e->DestDir, g_szProgramFileDest);
    if (slash >= 0) TextAppend(e->DestDir, dest + slash);
    Trace(u"g_szProgramFileDest = %s, _szDestDir = %s, %d", g_szProgramFileDest, e->DestDir, n);
    CreateFolderPath(e->DestDir);
    return;
  }

  GetBaseFolder(kBaseWindows, e->DestDir);
  TextAppend(e->DestDir, u"\\");
  TextAppend(e->DestDir, dest);
}

// Fills entry n from its configuration value.
void FillListEntry(int32_t n, const char16_t* value) {
  const SettingsRecord& s = g_Settings;
  CopyEntry* e = &CopyTable[n];
  std::memset(e, 0, sizeof(*e));
  CutFields(value, e);

  char16_t extension[kCopyTextSize] = {};
  long dot = TextFindLastChar(e->FileName, u'.');
  if (dot >= 0) TextCopy(extension, e->FileName + dot + 1);

  int split = 0;
  if (!e->SourceName[0])
    split = SplitSourceFolder(e->FileName, e);
  else
    split = SplitSourceFolder(e->SourceName, e);
  if (split) {
    char16_t folder[kCopyTextSize];
    TextCopy(folder, s.SourceDir);
    TextAppend(folder, u"\\");
    TextAppend(folder, e->SourceSubdir);
    e->FileSize = MeasureIn(folder, e->SourceName[0] ? e->SourceName : e->FileName);
    if (s.CabFile) _dwTotalFileSize += e->FileSize;
  }

  ResolveDestination(e, IsSystemFileExtension(extension), n);

  if (!s.CabFile && !split) {
    char16_t folder[kCopyTextSize];
    TextCopy(folder, s.SourceDir);
    TextAppend(folder, u"\\");
    TextAppend(folder, s.SubFolder);
    e->FileSize = MeasureIn(folder, e->SourceName[0] ? e->SourceName : e->FileName);
  }
}

// `name` with its last three characters replaced by "cnt" (the whole name when shorter).
void CompanionName(const char16_t* name, char16_t* out) {
  size_t length = TextLength(name);
  TextCopyN(out, kCopyTextSize, name, length >= 3 ? length - 3 : 0);
  TextAppend(out, kCopyTextSize, kHelpCompanionSuffix);
}

// Fills entry n as a help file or companion installed into the Windows help folder.
void FillHelpEntry(int32_t n, const char16_t* sourceName, uint32_t size) {
  CopyEntry* e = &CopyTable[n];
  std::memset(e, 0, sizeof(*e));
  TextCopy(e->FileName, sourceName);
  GetBaseFolder(kBaseWindows, e->DestDir);
  TextAppend(e->DestDir, kSubHelp);
  e->FileSize = size;
}

// Appends the help files after entry `count` and, outside cabinet mode, their companions after
// them. Returns the new number of entries.
int32_t AppendHelpFiles(int32_t count) {
  const SettingsRecord& s = g_Settings;
  const int32_t helpFiles = HelpFileCount;
  int32_t appended = 0;
  for (int32_t i = 1; i <= helpFiles; ++i) {
    if (count >= kCopyEntryMax) {
      Trace(u"copy list full: help file %d and later not installed", i);
      break;
    }
    ++count;
    FillHelpEntry(count, HelpFileChoices[i], s.CabFile ? 0 : MeasureIn(s.SourceDir, HelpFileChoices[i]));
    ++appended;
  }
  // The help entries are the last HelpFileCount entries of the table; keep the two in step.
  HelpFileCount = appended;
  if (s.CabFile || appended < helpFiles) return count;

  for (int32_t i = 1; i <= helpFiles; ++i) {
    char16_t source[kCopyTextSize];
    CompanionName(HelpFileChoices[i], source);
    char16_t path[kCopyTextSize];
    TextCopy(path, s.SourceDir);
    TextAppend(path, u"\\");
    TextAppend(path, source);
    if (SysGetFileAttributes(path) == kInvalidAttributes) continue;
    if (count >= kCopyEntryMax || HelpFileCount >= kHelpFileMax) {
      Trace(u"copy list full: companion %s not installed", source);
      break;
    }
    ++count;
    FillHelpEntry(count, source, MeasureFile(path));
    ++HelpFileCount;
    CompanionName(HelpFileEntries[i], HelpFileEntries[HelpFileCount]);
    TextCopy(HelpFileChoices[HelpFileCount], source);
  }
  return count;
}

}  // namespace

int32_t BuildCopyList() {
  _dwTotalFileSize = 0;
  int32_t count = 0;
  char16_t value[kCopyListValueSize];
  for (int32_t n = 1;; ++n) {
    ReadListValue(n, value);
    if (!value[0]) break;
    if (n > kCopyEntryMax) {
      Trace(u"copy list full: line %d and later not installed", n);
      break;
    }
    FillListEntry(n, value);
    count = n;
  }
  if (g_Settings.HelpFilesListed && HelpFileCount > 0) count = AppendHelpFiles(count);
  CopyEntryCount = count;
  return count;
}
