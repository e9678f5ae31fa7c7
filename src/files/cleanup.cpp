// Cleanup deletions: an older installation's listed files, the flagged product version, and the
// files of a folder tree.
#include "files/cleanup.h"

#include "common/text.h"
#include "shared/trace.h"
#include "files/copy_state.h"
#include "files/files_keys.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "services/uninstall_keys.h"
#include "settings/settings.h"

namespace {

constexpr uint32_t kValueNameSize = 520;  // 519 characters and the terminator
constexpr uint32_t kValueDataBytes = 520;
constexpr uint32_t kPathSize = 1040;      // a folder of 260 characters and a name of 519

// Deletion-list forms below the Windows folder (compared with case).
struct DeletionForm {
  const char16_t* form;
  const char16_t* suffix;
};
const DeletionForm kDeletionForms[] = {
    {kDelSys32Dir, kDelSubSys32Drivers},
    {kDelHelpDir, kDelSubHelp},
    {kDelWinDir, u""},
    {kDelInfDir, kDelSubInf},
};

// Folder of a "DeleteFiles" value from its data: "", "0" and "%SYS_DIR%" the system folder, the
// forms above, a full path as it stands, anything else below the Windows folder.
void ResolveDeletionFolder(const char16_t* data, char16_t* out, uint32_t cap) {
  out[0] = 0;
  if (!data[0] || TextEqualNoCase(data, kDelZero) || TextEqual(data, kDelSysDir)) {
    if (SysGetSystemDirectory(out, cap) >= cap) out[0] = 0;
    return;
  }
  if (data[1] == u':') {
    TextCopy(out, cap, data);
    return;
  }
  if (SysGetWindowsDirectory(out, cap) >= cap) out[0] = 0;
  for (const DeletionForm& f : kDeletionForms) {
    if (!TextEqual(data, f.form)) continue;
    TextAppend(out, cap, f.suffix);
    return;
  }
  TextAppend(out, cap, u"\\");
  TextAppend(out, cap, data);
}

}  // namespace

void DeletePreviousFiles() {
  char16_t entryPath[kPathSize];
  TextCopy(entryPath, kUninstallRoot);
  TextAppend(entryPath, g_Settings.UninstallKey);
  RegKey entry = nullptr;
  if (SysRegOpenKey(kRegLocalMachine, entryPath, kKeyRead | kKeyWrite, &entry) != 0) return;
  RegKey list = nullptr;
  int32_t opened = SysRegOpenKey(entry, kDeleteFilesKeyName, kKeyRead | kKeyWrite, &list);
  SysRegCloseKey(entry);
  if (opened != 0) return;

  for (uint32_t index = 0;; ++index) {
    char16_t name[kValueNameSize];
    char16_t data[kValueDataBytes / 2 + 1];
    uint32_t nameLength = kValueNameSize;
    uint32_t dataBytes = kValueDataBytes;
    uint32_t type = 0;
    if (SysRegEnumValue(list, index, name, &nameLength, &type, reinterpret_cast<uint8_t*>(data), &dataBytes) != 0)
      break;
    data[dataBytes / 2 < kValueDataBytes / 2 ? dataBytes / 2 : kValueDataBytes / 2] = 0;

    char16_t folder[kPathSize];
    ResolveDeletionFolder(data, folder, kPathSize);
    char16_t path[kPathSize];
    TextCopy(path, folder);
    TextAppend(path, u"\\");
    TextAppend(path, name);
    SysDeleteFile(path);
    Trace(u"%s", path);
  }
  SysRegCloseKey(list);
}

void ClearVersionIfFlagged() {
  char16_t marker[kPathSize] = {};
  if (SysGetWindowsDirectory(marker, kPathSize) >= kPathSize) return;
  TextAppend(marker, kVersionMarkerFile);
  if (SysGetFileAttributes(marker) == kInvalidAttributes) return;
  RegKey key = nullptr;
  if (SysRegOpenKey(kRegLocalMachine, kRegPathProduct, kKeyAllAccess, &key) != 0) return;
  SysRegDeleteValue(key, kRegValueVersion);
  SysRegCloseKey(key);
}

int DeleteFolderTree(const char16_t* folder) {
  // A folder given with its closing backslash ("C:\Temp\") keeps a single one in the paths.
  char16_t base[kPathSize];
  TextCopy(base, folder);
  const size_t length = TextLength(base);
  if (length > 0 && base[length - 1] == u'\\') base[length - 1] = 0;
  char16_t pattern[kPathSize];
  JoinPath(pattern, base, u"*.*");
  SysFindData item;
  SysHandle find = SysFindFirstFile(pattern, &item);
  if (find == kInvalidHandle) return 0;
  do {
    if (item.name[0] == u'.') continue;
    char16_t path[kPathSize];
    JoinPath(path, base, item.name);
    if (item.attributes & kAttrDirectory) {
      if (DeleteFolderTree(path)) continue;
      SysRemoveDirectory(path);
      SysFindClose(find);
      return 0;
    }
    SysDeleteFile(path);
  } while (SysFindNextFile(find, &item));
  SysFindClose(find);
  return 1;
}

void RemoveTempExtractDir() {
  if (SysRemoveDirectory(TempExtractDir)) return;
  DeleteFolderTree(TempExtractDir);
  SysRemoveDirectory(TempExtractDir);
}
