// Cabinet extraction through the platform's cabinet walk: the package cabinet into the temporary
// folder, and the cabinet pack of [Cab.list] into the folders its lines name.
#include "files/cabinet_extract.h"

#include "common/text.h"
#include "shared/trace.h"
#include "files/copy_list.h"
#include "files/copy_progress.h"
#include "files/copy_state.h"
#include "files/files_keys.h"
#include "files/folder_rights.h"
#include "shared/path_macros.h"
#include "platform/devices.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/ui.h"
#include "settings/settings.h"

char16_t CabPackTarget[kCabPathSize];

namespace {

constexpr uint32_t kMessageSize = 512;
constexpr uint32_t kTargetNameSize = 260;  // FullTargetName of the walk's file record

// The fields of one [Cab.list] value: cabinet name, subfolder, and the destination taken raw
// (everything after the third comma); missing fields are empty.
void CutCabListValue(const char16_t* value, char16_t* name, char16_t* subfolder, char16_t* destination) {
  char16_t ignored[kFieldSize];
  subfolder[0] = 0;
  destination[0] = 0;
  const char16_t* rest = value;
  uint32_t at = ParseField(rest, name);
  if (rest[at] == 0) return;
  rest += at + 1;
  at = ParseField(rest, subfolder);
  if (rest[at] == 0) return;
  rest += at + 1;
  at = ParseField(rest, ignored);
  if (rest[at] == 0) return;
  TextCopy(destination, kCabPathSize, rest + at + 1);
}

// Creates the one folder and records it for the uninstaller when it was made or already exists.
void CreateAndRecord(const char16_t* folder) {
  if (SysCreateDirectory(folder) || SysGetFileAttributes(folder) != kInvalidAttributes) RecordInstallFolder(folder);
}

// The program destination a "%Program Files%" line extracts to: DestinationDir when the user
// chooses it, else g_szProgramFileDest, else the system folder.
void ProgramFilesDestination(char16_t* out) {
  const SettingsRecord& s = g_Settings;
  out[0] = 0;
  if (s.AskPath)
    TextCopy(out, kCabPathSize, s.DestinationDir);
  else if (g_szProgramFileDest[0])
    TextCopy(out, kCabPathSize, g_szProgramFileDest);
  else if (SysGetSystemDirectory(out, kCabPathSize) >= kCabPathSize)
    out[0] = 0;
}

// Resolves the destination folder of one [Cab.list] line into out (kCabPathSize), creating and
// recording it where the line's form asks for that.
void ResolveCabDestination(const char16_t* subfolder, const char16_t* destination, char16_t* out) {
  const SettingsRecord& s = g_Settings;
  const bool programFiles = TextEqualNoCase(destination, kDestProgramFiles) ||
                            (TextEqualNoCase(destination, kDestDefaultPath) && subfolder[0]);
  if (programFiles || TextEqualNoCase(destination, kDestSysDir)) {
    if (programFiles)
      ProgramFilesDestination(out);
    else if (SysGetSystemDirectory(out, kCabPathSize) >= kCabPathSize)
      out[0] = 0;
    if (subfolder[0]) {
      TextAppend(out, kCabPathSize, u"\\");
      TextAppend(out, kCabPathSize, subfolder);
      CreateAndRecord(out);
    }
    return;
  }
  if (TextEqualNoCase(destination, kDestDefaultPath)) {
    if (s.CabFile)
      TextCopy(out, kCabPathSize, TempExtractDir);
    else
      JoinPath(out, kCabPathSize, s.SourceDir, s.SubFolder);
    return;
  }
  TextCopy(out, kCabPathSize, destination);
}

// The text shown for an error code: the error number (the system's own wording is not asked for
// on this build).
void SystemMessageText(ErrorCode error, char16_t* out) {
  if (!SysFormatSystemMessage(error, out, kMessageSize)) TextFormat(out, kMessageSize, u"Error %u", error);
}

}  // namespace

int ExtractCabinet(const char16_t* cabinetPath) {
  if (SysIterateCabinet(cabinetPath, ExtractAllCallback, nullptr)) return 1;
  ErrorCode error = SysGetLastError();
  char16_t text[kMessageSize];
  SystemMessageText(error, text);
  SysMessageBox(nullptr, text, kCabinetErrorCaption, kMbOk | kMbIconExclamation | kMbTopmost);
  return 0;
}

uint32_t ExtractAllCallback(void*, uint32_t notification, uintptr_t param1, uintptr_t) {
  if (notification != kNotifyFileInCabinet || !param1) return 0;
  SysFileInCabinetInfo* info = reinterpret_cast<SysFileInCabinetInfo*>(param1);
  for (int32_t n = 1; n <= CopyEntryCount && n <= kCopyEntryMax; ++n) {
    if (TextEqualNoCase(CopyTable[n].FileName, info->NameInCabinet)) {
      CopyTable[n].FileSize = info->FileSize;
      _dwTotalFileSize += info->FileSize;
      break;
    }
  }
  TextCopy(info->FullTargetName, kTargetNameSize, TempExtractDir);
  TextAppend(info->FullTargetName, kTargetNameSize, u"\\");
  TextAppend(info->FullTargetName, kTargetNameSize, info->NameInCabinet);
  return kFileOpDoIt;
}

int ExtractCabPack() {
  const SettingsRecord& s = g_Settings;
  Trace(u"ExtractCabPack");
  for (uint32_t n = 1;; ++n) {
    char16_t key[16];
    char16_t value[kCabListValueSize];
    TextFormat(key, 16, u"%u", n);
    SysReadProfileString(kSectionCabList, key, u"", value, kCabListValueSize, s.ConfigFile);
    if (!value[0]) return 1;

    char16_t name[kFieldSize], subfolder[kFieldSize], destination[kCabPathSize];
    CutCabListValue(value, name, subfolder, destination);
    if (!name[0]) return 0;
    char16_t cabinet[kCabPathSize];
    JoinPath(cabinet, kCabPathSize, s.SourceDir, name);
    if (!SysPathExists(cabinet)) return 0;

    ResolveCabDestination(subfolder, destination, CabPackTarget);
    if (!SysIterateCabinet(cabinet, CabPackCallback, nullptr)) Trace(u"Fail!");
  }
}

uint32_t CabPackCallback(void*, uint32_t notification, uintptr_t param1, uintptr_t) {
  if (notification != kNotifyFileInCabinet || !param1) return 0;
  SysFileInCabinetInfo* info = reinterpret_cast<SysFileInCabinetInfo*>(param1);
  const char16_t* name = info->NameInCabinet;
  long cut = TextFindLastChar(name, u'\\');
  if (cut >= 0) {
    Trace(u"%s", name);
    char16_t folder[kCabPathSize];
    TextCopy(folder, CabPackTarget);
    TextAppend(folder, u"\\");
    size_t length = TextLength(folder);
    if (length < kCabPathSize - 1)
      TextCopyN(folder + length, kCabPathSize - length, name, static_cast<size_t>(cut));
    CreateFolderPath(folder);
  }
  TextCopy(info->FullTargetName, kTargetNameSize, CabPackTarget);
  TextAppend(info->FullTargetName, kTargetNameSize, u"\\");
  TextAppend(info->FullTargetName, kTargetNameSize, name);
  Trace(u"Target = %s", info->FullTargetName);
  return kFileOpDoIt;
}
