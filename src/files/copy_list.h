// The copy list: every file the package installs, with its resolved destination folder, where
// its source lies and how large it is, read from the setup configuration once per installation.
#pragma once
#include <cstdint>

constexpr int32_t kCopyEntryMax = 128;       // entries 1..128
constexpr uint32_t kCopyTextSize = 256;      // each text: 255 characters and the terminator
constexpr uint32_t kCopyListValueSize = 512; // one configuration value: 511 characters

struct CopyEntry {
  uint32_t FileSize;                 // bytes of the source file; 0 until measured
  char16_t DestDir[kCopyTextSize];   // destination folder, no trailing backslash
  char16_t FileName[kCopyTextSize];  // name under which the file is installed
  // Source folder relative to SourceDir (no leading or trailing backslash); empty for files in
  // the package's normal source place.
  char16_t SourceSubdir[kCopyTextSize];
  char16_t SourceName[kCopyTextSize];  // name at the source when it differs; empty = FileName
};

// CopyTable[n] is entry n, for n = 1..CopyEntryCount; CopyTable[0] is never used. The slot
// after the last used one has an empty DestDir, which marks the end of the list; slot
// kCopyEntryMax + 1 exists for that and is never written.
extern CopyEntry CopyTable[kCopyEntryMax + 2];
// The number of entries in use: list lines, then help files, then their companions.
extern int32_t CopyEntryCount;

// Reads [CopyList] (with [Copy List] as each key's fallback) of ConfigFile, keys "1", "2", ...
// up to the first empty one, into CopyTable: installed name, source name and subfolder,
// destination folder resolved from its macro (or put below DestinationDir when AskPath is set,
// system files excepted), and source size. Then appends one entry per selected help file and one
// per help companion (".cnt") found beside it, adding each companion to the help-file tables.
// Folders of "%Program Files%" and "%SYS_DIR%\%Folder%" destinations are created and recorded.
// Entries beyond kCopyEntryMax are refused: list lines are not read, help files and companions
// not appended (HelpFileCount then counts only the appended ones). Sets _dwTotalFileSize to 0
// and adds the sizes of subfolder files in cabinet mode. Changes g_szProgramFileDest,
// HelpFileCount and the help-file tables; no settings field. Returns CopyEntryCount.
int32_t BuildCopyList();
