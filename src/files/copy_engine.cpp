// CopyFileProc and its helpers: the walk over the copy table with the replace decisions, the
// copies, the temporary copies beside files in use and the progress figures; the measuring of
// the copy source and the help files kept back for the registry stage.
#include "files/copy_engine.h"

#include <cstdlib>
#include <cstring>

#include "common/text.h"
#include "shared/trace.h"
#include "files/copy_list.h"
#include "files/copy_progress.h"
#include "files/cleanup.h"
#include "files/copy_state.h"
#include "files/folder_rights.h"
#include "files/replace_after_reboot.h"
#include "platform/kernel.h"
#include "platform/version_info.h"
#include "services/uninstall_entry.h"
#include "startup/help_files.h"
#include "startup/platform_detect.h"
#include "settings/settings.h"

namespace {

constexpr uint32_t kTempNameSize = 260;     // what the platform writes for a temporary name
constexpr uint32_t kVersionTextSize = 256;  // a FileVersion text: 255 characters
constexpr uint32_t kQuerySize = 64;

// How one step of the walk ended.
enum WalkStep { kWalkOn, kWalkEnd, kWalkCancelled };

bool IsMissing(const char16_t* path) { return SysGetFileAttributes(path) == kInvalidAttributes; }

// Size of a file opened for reading; kInvalidFileSize when it cannot be opened.
uint32_t MeasureFile(const char16_t* path) {
  SysHandle file = SysCreateFile(path, kGenericRead, kFileShareRead, kOpenExisting, 0);
  if (file == kInvalidHandle || file == nullptr) return kInvalidFileSize;
  uint32_t size = SysGetFileSize(file, nullptr);
  SysCloseHandle(file);
  return size;
}

// Position in the help-file list of copy-table index `index` (entry index + 1), when it is one
// of the help entries at the end of the table.
bool HelpPosition(int32_t index, int32_t* position) {
  if (HelpFileCount <= 0) return false;
  int32_t first = CopyEntryCount - HelpFileCount;
  if (index < first) return false;
  int32_t at = index - first;
  if (at >= HelpFileCount || at + 1 > kHelpFileMax) return false;
  *position = at;
  return true;
}

bool IsHelpEntry(int32_t index, int32_t* position) {
  return g_Settings.HelpFilesListed && HelpPosition(index, position);
}

const char16_t* SourceNameOf(const CopyEntry& e) { return e.SourceName[0] ? e.SourceName : e.FileName; }

// The source path of an entry: below SourceDir + "\" + SourceSubdir when it has one, else in
// TempExtractDir (cabinet mode) or SourceDir + "\" + SubFolder.
void SourcePathOf(const CopyEntry& e, char16_t* out) {
  const SettingsRecord& s = g_Settings;
  char16_t base[kCopyPathSize];
  if (e.SourceSubdir[0])
    JoinPath(base, kCopyPathSize, s.SourceDir, e.SourceSubdir);
  else if (s.CabFile)
    TextCopy(base, TempExtractDir);
  else
    JoinPath(base, kCopyPathSize, s.SourceDir, s.SubFolder);
  JoinPath(out, kCopyPathSize, base, SourceNameOf(e));
}

// The folder the copy takes its files from and SumFolderSizes measures.
void CopySourceFolder(char16_t* out) {
  const SettingsRecord& s = g_Settings;
  if (s.CabFile)
    TextCopy(out, kCopyPathSize, TempExtractDir);
  else
    JoinPath(out, kCopyPathSize, s.SourceDir, s.SubFolder);
}

// Puts a temporary copy of source beside a target in use and records the pair in PendingTable.
// After kTempFileAttempts failures nothing is recorded.
void PlaceBesideTargetInUse(const char16_t* source, const char16_t* target, const char16_t* folder) {
  if (PendingCount < 0 || PendingCount >= kPendingMax) return;
  PendingReplacement& record = PendingTable[PendingCount];
  TextCopy(record.Target, target);
  for (int attempt = 0; attempt < kTempFileAttempts; ++attempt) {
    char16_t temporary[kTempNameSize];
    temporary[0] = 0;
    if (SysGetTempFileName(folder, kTempFilePrefix, 0, temporary) && SysCopyFile(source, temporary, 0)) {
      SysSetFileAttributes(temporary, kAttrNormal);
      TextCopy(record.Temporary, temporary);
      ++PendingCount;
      return;
    }
    uint32_t attributes = temporary[0] ? SysGetFileAttributes(temporary) : kInvalidAttributes;
    if (attributes != kInvalidAttributes && (attributes & kAttrReadOnly))
      SysSetFileAttributes(temporary, attributes & ~kAttrReadOnly);
  }
}

// Copies one decided entry: its folder made when missing, the read-only attribute cleared, the
// copy, the PS/2 duplicate on Windows 2000, and the temporary copy when the target is in use.
void InstallFile(const CopyEntry& e, const char16_t* source, const char16_t* target) {
  const SettingsRecord& s = g_Settings;
  char16_t folder[kCopyPathSize];
  long cut = TextFindLastChar(target, u'\\');
  TextCopyN(folder, kCopyPathSize, target, cut > 0 ? static_cast<size_t>(cut) : 0);
  if (IsMissing(folder)) {
    SysCreateDirectory(folder);
    RecordInstallFolder(folder);
  }

  SysSetFileAttributes(target, kAttrNormal);
  int copied = SysCopyFile(source, target, 0);
  ErrorCode error = copied ? kErrSuccess : SysGetLastError();
  SysSetFileAttributes(target, kAttrNormal);

  if (s.Platform == kPlatformWin2000 && s.InterfaceType == kInterfacePS2) {
    for (const char16_t* driver : kPS2DriverNames) {
      if (!TextEqualNoCase(e.FileName, driver)) continue;
      // Without the Windows folder there is no duplicate to make.
      char16_t windows[kCopyPathSize], duplicate[kCopyPathSize];
      const uint32_t length = SysGetWindowsDirectory(windows, kCopyPathSize);
      duplicate[0] = 0;
      int result = 0;
      if (length > 0 && length < kCopyPathSize) {
        JoinPath(duplicate, kCopyPathSize, windows, e.FileName);
        result = SysCopyFile(source, duplicate, 0);
      }
      Trace(u"/n %d, s=%s, t=%s, PS2 /n", result, source, duplicate);
      break;
    }
  }

  Trace(u"attrib = 0x%x, err = %d, s=%s, t=%s, copyfile", SysGetFileAttributes(folder), static_cast<int>(error), source,
        target);
  if (!copied && error != kErrFileNotFound) PlaceBesideTargetInUse(source, target, folder);
}

// Adds an entry to the progress figures, tells the sink, and sets 100 percent after the last
// entry.
void AdvanceProgress(CopyProgressSink* sink, int32_t index) {
  const CopyEntry& e = CopyTable[index + 1];
  const char16_t* sourceName = SourceNameOf(e);
  // Without an extraction folder (outside cabinet mode) there is nothing to look for.
  if (e.SourceSubdir[0] && TempExtractDir[0]) {
    char16_t extracted[kCopyPathSize];
    JoinPath(extracted, kCopyPathSize, TempExtractDir, sourceName);
    if (!IsMissing(extracted)) {
      char16_t folder[kCopyPathSize], path[kCopyPathSize];
      JoinPath(folder, kCopyPathSize, g_Settings.SourceDir, e.SourceSubdir);
      JoinPath(path, kCopyPathSize, folder, sourceName);
      _dwHasCopied += MeasureFile(path);
    }
  }
  _dwHasCopied += e.FileSize;
  // Unsigned 32-bit throughout: the product wraps once more than 42 949 672 bytes are counted.
  // A quotient above 100 counts as 100, so the painted figure stays between 0 and 100.
  uint32_t percent = _dwTotalFileSize == 0 ? 100u : (_dwHasCopied * 100u) / _dwTotalFileSize;
  Trace(u"_dwHasCopied = %d,_dwTotalFileSize=%d, _nCurPercent=%d, name=%s, size=%d", static_cast<int>(_dwHasCopied),
        static_cast<int>(_dwTotalFileSize), static_cast<int>(percent), e.FileName, static_cast<int>(e.FileSize));
  _nCurPercent = percent > 100u ? 100 : static_cast<int32_t>(percent);
  if (sink) sink->progressChanged(sink->context);
  if (index + 2 > kCopyEntryMax + 1 || !CopyTable[index + 2].DestDir[0]) _nCurPercent = 100;
}

// Decides and copies entry index + 1 and advances the progress.
WalkStep CopyOneEntry(CopyProgressSink* sink, int32_t index, bool nt5Minor1) {
  const SettingsRecord& s = g_Settings;
  const CopyEntry& e = CopyTable[index + 1];
  int32_t helpPosition = 0;
  const char16_t* installedName = IsHelpEntry(index, &helpPosition) ? HelpFileEntries[helpPosition + 1] : e.FileName;
  char16_t target[kCopyPathSize], source[kCopyPathSize];
  JoinPath(target, kCopyPathSize, e.DestDir, installedName);
  SourcePathOf(e, source);
  if (sink) sink->showTarget(sink->context, target);

  bool copy;
  if (!e.DestDir[0]) {
    copy = false;  // an empty slot (empty list in cabinet mode): only the progress runs
  } else if (IsMissing(target)) {
    if (s.UninstallKey[0]) WriteUninstallEntry(target);
    copy = true;
  } else if (s.VersionChecked) {
    copy = true;
  } else {
    int decision = CompareFileVersions(source, target);
    if (decision == kCompareDates) decision = CompareFileDates(source, target);
    copy = decision == kReplaceTarget;
  }
  if (TextEqual(e.SourceName, nt5Minor1 ? kDriverSkippedOnNT5Minor1 : kDriverSkippedElsewhere)) copy = false;

  if (copy) {
    if (CancelRequested) return kWalkCancelled;
    InstallFile(e, source, target);
  }
  AdvanceProgress(sink, index);
  return _nCurPercent < 100 ? kWalkOn : kWalkEnd;
}

// Cabinet mode: deletes the extracted copy of entry index + 1 unless it is a help file, which
// CopyHelpFile still needs.
void DeleteExtractedFile(int32_t index) {
  int32_t helpPosition = 0;
  if (!g_Settings.CabFile || IsHelpEntry(index, &helpPosition)) return;
  char16_t extracted[kCopyPathSize];
  JoinPath(extracted, kCopyPathSize, TempExtractDir, SourceNameOf(CopyTable[index + 1]));
  SysDeleteFile(extracted);
}

// The FileVersion text of a loaded version block under its first translation.
bool ReadVersionText(const void* block, char16_t* out) {
  void* value = nullptr;
  uint32_t length = 0;
  if (!SysVerQueryValue(block, u"\\VarFileInfo\\Translation", &value, &length) || !value || length < 4) return false;
  uint16_t translation[2];
  std::memcpy(translation, value, sizeof translation);
  char16_t query[kQuerySize];
  TextFormat(query, kQuerySize, u"\\StringFileInfo\\%04x%04x\\FileVersion", translation[0], translation[1]);
  value = nullptr;
  length = 0;
  if (!SysVerQueryValue(block, query, &value, &length) || !value) return false;
  TextCopyN(out, kVersionTextSize, static_cast<const char16_t*>(value), length);
  return true;
}

// The fixed file version of a loaded version block.
bool ReadFixedVersion(const void* block, uint32_t* ms, uint32_t* ls) {
  void* value = nullptr;
  uint32_t length = 0;
  if (!SysVerQueryValue(block, u"\\", &value, &length) || !value || length < sizeof(SysFixedFileInfo)) return false;
  SysFixedFileInfo fixed;
  std::memcpy(&fixed, value, sizeof fixed);
  *ms = fixed.dwFileVersionMS;
  *ls = fixed.dwFileVersionLS;
  return true;
}

// Loads a file's version block into a new buffer (freed by the caller); null when unreadable.
void* LoadVersionBlock(const char16_t* path, uint32_t size) {
  void* block = std::calloc(size, 1);
  if (block && !SysGetFileVersionInfo(path, size, block)) {
    std::free(block);
    block = nullptr;
  }
  return block;
}

}  // namespace

void CopyFileProc(CopyProgressSink* sink, int32_t index) {
  if (index < 0 || index >= kCopyEntryMax) return;
  const bool nt5Minor1 = IsNT5Minor1() != 0;

  // The walk goes forward entry by entry while the percentage stays below 100; then, as the
  // nested calls of a recursive walk would return, the entries are finished last first.
  int32_t last = index;
  WalkStep step;
  for (;;) {
    step = CopyOneEntry(sink, last, nt5Minor1);
    if (step != kWalkOn || last + 1 >= kCopyEntryMax) break;
    if (sink) sink->betweenEntries(sink->context);
    ++last;
  }
  for (int32_t i = last; i >= index; --i) {
    if (i < last) Trace(u"j = %d", i + 1);
    if (i == last && step == kWalkCancelled) continue;  // left at once, its file untouched
    DeleteExtractedFile(i);
  }
}

int CompareFileVersions(const char16_t* source, const char16_t* target) {
  uint32_t targetSize = SysGetFileVersionInfoSize(target);
  uint32_t sourceSize = SysGetFileVersionInfoSize(source);
  if (targetSize == 0 || sourceSize == 0) return kCompareDates;
  void* targetBlock = LoadVersionBlock(target, targetSize);
  void* sourceBlock = LoadVersionBlock(source, sourceSize);
  int decision = kCompareDates;
  if (targetBlock && sourceBlock) {
    bool newerFixed = false, newerText = false;
    uint32_t sourceMs = 0, sourceLs = 0, targetMs = 0, targetLs = 0;
    if (ReadFixedVersion(sourceBlock, &sourceMs, &sourceLs) && ReadFixedVersion(targetBlock, &targetMs, &targetLs))
      newerFixed = sourceMs > targetMs || (sourceMs == targetMs && sourceLs > targetLs);
    char16_t sourceText[kVersionTextSize], targetText[kVersionTextSize];
    if (ReadVersionText(sourceBlock, sourceText) && ReadVersionText(targetBlock, targetText))
      newerText = TextCompareNoCase(sourceText, targetText) > 0;
    if (newerFixed && newerText)
      decision = kReplaceTarget;
    else if (!newerFixed && !newerText)
      decision = kKeepTarget;
  }
  std::free(targetBlock);
  std::free(sourceBlock);
  return decision;
}

int CompareFileDates(const char16_t* source, const char16_t* target) {
  SysHandle targetFile = SysCreateFile(target, kGenericRead, 0, kOpenExisting, 0);
  SysHandle sourceFile = SysCreateFile(source, kGenericRead, 0, kOpenExisting, 0);
  const bool targetOpen = targetFile != kInvalidHandle && targetFile != nullptr;
  const bool sourceOpen = sourceFile != kInvalidHandle && sourceFile != nullptr;
  uint64_t targetCreation = 0, targetWrite = 0, sourceCreation = 0, sourceWrite = 0;
  bool known = targetOpen && sourceOpen && SysGetFileTime(targetFile, &targetCreation, nullptr, &targetWrite) &&
               SysGetFileTime(sourceFile, &sourceCreation, nullptr, &sourceWrite);
  if (targetOpen) SysCloseHandle(targetFile);
  if (sourceOpen) SysCloseHandle(sourceFile);
  if (!known) return kReplaceTarget;
  if (sourceWrite != targetWrite) return sourceWrite > targetWrite ? kReplaceTarget : kKeepTarget;
  return sourceCreation > targetCreation ? kReplaceTarget : kKeepTarget;
}

int SumFolderSizes(const char16_t* folder) {
  if (!folder || !folder[0]) return 1;
  _dwTotalFileSize = 0;
  if (IsMissing(folder)) return 0;

  char16_t pattern[kCopyPathSize];
  TextCopy(pattern, folder);
  size_t length = TextLength(pattern);
  if (length && pattern[length - 1] != u'\\') TextAppend(pattern, u"\\");
  TextAppend(pattern, u"*.*");
  SysFindData found;
  SysHandle find = SysFindFirstFile(pattern, &found);
  if (find == kInvalidHandle) return 1;
  // Names that differ in their case-blind hash differ: most pairs are ruled out without a
  // comparison.
  const int32_t last = CopyEntryCount < kCopyEntryMax ? CopyEntryCount : kCopyEntryMax;
  uint32_t fileHash[kCopyEntryMax + 1];
  uint32_t sourceHash[kCopyEntryMax + 1];
  for (int32_t n = 1; n <= last; ++n) {
    fileHash[n] = TextHashNoCase(CopyTable[n].FileName);
    sourceHash[n] = TextHashNoCase(CopyTable[n].SourceName);
  }
  do {
    if ((found.attributes & kAttrDirectory) || found.name[0] == u'.') continue;
    const uint32_t size = static_cast<uint32_t>(found.size);
    const uint32_t nameHash = TextHashNoCase(found.name);
    for (int32_t n = 1; n <= last; ++n) {
      CopyEntry& e = CopyTable[n];
      if (!(fileHash[n] == nameHash && TextEqualNoCase(found.name, e.FileName)) &&
          !(sourceHash[n] == nameHash && TextEqualNoCase(found.name, e.SourceName)))
        continue;
      e.FileSize = size;
      _dwTotalFileSize += size;
      Trace(u"file %d= %s, size = %d, total = %d", n, found.name, static_cast<int>(size),
            static_cast<int>(_dwTotalFileSize));
    }
  } while (SysFindNextFile(find, &found));
  SysFindClose(find);
  return 1;
}

void MeasureCopySource() {
  char16_t folder[kCopyPathSize];
  CopySourceFolder(folder);
  SumFolderSizes(folder);
  Trace(u"size = 0x%x, src = %s, fun = %s, cab = %d", _dwTotalFileSize, folder, u"CopyFileProc", g_Settings.CabFile);
}

int HelpFilesKeptBack() { return g_Settings.HelpFilesListed && HelpFileCount > 0; }

void CopyKeptHelpFiles() {
  for (int32_t index = CopyEntryCount - HelpFileCount; index < CopyEntryCount; ++index) CopyHelpFile(index);
  if (g_Settings.CabFile) RemoveTempExtractDir();
}

int CopyHelpFile(int32_t index) {
  const SettingsRecord& s = g_Settings;
  int32_t position = 0;
  if (index < 0 || index >= kCopyEntryMax || !HelpPosition(index, &position)) return 0;
  const CopyEntry& e = CopyTable[index + 1];
  char16_t target[kCopyPathSize], source[kCopyPathSize];
  JoinPath(target, kCopyPathSize, e.DestDir, HelpFileEntries[position + 1]);
  JoinPath(source, kCopyPathSize, s.CabFile ? TempExtractDir : s.SourceDir, e.FileName);

  int placed = SysCopyFile(source, target, 0);
  if (!placed && SysGetLastError() != kErrFileNotFound && PendingCount >= 0 && PendingCount < kPendingMax) {
    PendingReplacement& record = PendingTable[PendingCount];
    TextCopy(record.Target, target);
    // The stand-in keeps the name and takes a digit for its extension (a name without one gets
    // the dot and the digit).
    long slash = TextFindLastChar(target, u'\\');
    long dot = TextFindLastChar(target, u'.');
    size_t stem = dot > slash ? static_cast<size_t>(dot) : TextLength(target);
    for (int k = 0; k < kTempFileAttempts; ++k) {
      char16_t standIn[kCopyPathSize], digit[8];
      TextCopyN(standIn, kCopyPathSize, target, stem);
      TextFormat(digit, 8, u".%d", k);
      TextAppend(standIn, digit);
      if (SysCopyFile(source, standIn, 0)) {
        TextCopy(record.Temporary, standIn);
        ++PendingCount;
        placed = 1;
        break;
      }
    }
  }
  if (s.CabFile) {
    char16_t extracted[kCopyPathSize];
    JoinPath(extracted, kCopyPathSize, TempExtractDir, e.FileName);
    SysDeleteFile(extracted);
  }
  return placed;
}
