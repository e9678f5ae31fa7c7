// The file copy engine: walks the copy table, decides per file whether the installed one must be
// replaced (missing, older version, older date), copies it, keeps the progress figures, and puts
// a temporary copy beside files in use for replacement at the next start.
#pragma once
#include <cstdint>

#include "platform/types.h"

constexpr uint32_t kCopyPathSize = 256;      // composed paths: 255 characters and the terminator
constexpr int kTempFileAttempts = 10;        // temporary copies tried beside a file in use

// Prefix of the temporary copies put beside files in use.
inline constexpr const char16_t* kTempFilePrefix = u"SET";
// Driver files that only one kind of system takes: the first is left out where IsNT5Minor1
// holds (XP, 7), the second everywhere else. Compared with case.
inline constexpr const char16_t* kDriverSkippedOnNT5Minor1 = u"NMHIDUSB.SYS";
inline constexpr const char16_t* kDriverSkippedElsewhere = u"NXHIDUSB.SYS";
// PS/2 drivers that Windows 2000 also needs in the Windows folder (ignoring case).
inline constexpr const char16_t* kPS2DriverNames[] = {u"NVKPS2M.SYS", u"NVKMOUSE.SYS"};

// Decisions of the version and date comparisons.
constexpr int kKeepTarget = 0;
constexpr int kReplaceTarget = 1;
constexpr int kCompareDates = 2;

// Whoever shows the copy walk: told the target of each entry before it is decided, told when
// the progress figures have changed, and given the turn between two entries (to keep a window
// answering). The walk itself knows no window.
struct CopyProgressSink {
  void* context;  // handed back to every member
  // The full target path of the entry about to be decided.
  void (*showTarget)(void* context, const char16_t* target);
  // _nCurPercent has been set for the entry just done.
  void (*progressChanged)(void* context);
  // One entry is done and the walk goes on with the next.
  void (*betweenEntries)(void* context);
};

// Installs copy-table entry index + 1 and then the entries after it, reporting to sink (no one
// when sink is null); the entries' sizes and _dwTotalFileSize are those measured before
// (MeasureCopySource). Each entry is copied when its target is missing,
// when VersionChecked is set, or when the version or date comparison says the source is newer;
// a file in use gets a temporary "SET" copy recorded in PendingTable. After every entry the
// progress figures grow and the sink hears of it, then gets the turn before the next entry.
// The walk ends after the last entry, when _nCurPercent reaches 100, or at the next copy once
// CancelRequested is set; in cabinet mode the extracted files of the processed entries are then
// deleted, last first (help files stay). Changes _dwHasCopied, _nCurPercent, _dwTotalFileSize,
// entries' FileSize, PendingTable and PendingCount; no settings field.
void CopyFileProc(CopyProgressSink* sink, int32_t index);

// Compares the version resources of source and target: kReplaceTarget when both the fixed and
// the text version of the source are higher, kKeepTarget when neither is, kCompareDates when
// they disagree or a file has no readable version resource. Changes nothing.
int CompareFileVersions(const char16_t* source, const char16_t* target);

// Compares the file times: kReplaceTarget when the source was last written later, or at the same
// time but created later; kKeepTarget otherwise. A file that cannot be opened (missing, in use)
// or whose times cannot be read gives kReplaceTarget, so that the copy itself decides.
// Changes nothing.
int CompareFileDates(const char16_t* source, const char16_t* target);

// Measures the files of `folder` for the copy table: every entry whose FileName or SourceName
// equals a file's name (ignoring case) gets that file's size, and _dwTotalFileSize becomes the
// sum of the sizes given. Returns 1 when done or when folder is empty (nothing changed), 0 when
// the folder does not exist (_dwTotalFileSize is then 0). Changes entries' FileSize and
// _dwTotalFileSize.
int SumFolderSizes(const char16_t* folder);

// Measures the copy source folder (TempExtractDir in cabinet mode, else SourceDir + "\" +
// SubFolder) with SumFolderSizes and traces the total. Changes entries' FileSize and
// _dwTotalFileSize.
void MeasureCopySource();

// Returns 1 when help files are listed (HelpFilesListed and a help-file count above 0), so that
// the copy leaves them for CopyKeptHelpFiles, 0 when not. Changes nothing.
int HelpFilesKeptBack();

// Copies the help files, the last HelpFileCount entries of the copy table, with CopyHelpFile;
// in cabinet mode the temporary extraction folder, kept for them, is then removed. Changes
// PendingTable and PendingCount.
void CopyKeptHelpFiles();

// Copies help entry index + 1 (counted as CopyFileProc counts) to its destination under the help
// file's own name; when the target is in use the source is copied beside it under the same name
// with the extension replaced by a digit 0 to 9, recorded in PendingTable. In cabinet mode the
// extracted file is deleted afterwards. Returns 1 when the file or its stand-in was placed,
// 0 otherwise. Changes PendingTable and PendingCount.
int CopyHelpFile(int32_t index);
