// The installation sequence run by the Start Installation page's Next: the newer-version
// check, the clean-ups before the copy, destination folders, the copy stage (package cabinet,
// cabinet pack, platform driver files, device metadata, the walk), driver package staging, then
// per interface (or per listed USB device) the install record and the driver stage, the OEM INF
// copy, the listed and registered driver packages and the registry stage (help files first).
// Every step is named in RunInstallationStages or in the stage lists above it; the completion
// page finishes the installation. Each stage that can fail ends the sequence; nothing done
// before is rolled back.
#include "install/run_installation.h"

#include "common/text.h"
#include "conflicts/kill_windows.h"
#include "conflicts/newer_version.h"
#include "drivers/find_btuid_device.h"
#include "drivers/oem_inf_copy.h"
#include "drivers/update_pnp_dialog.h"
#include "files/cabinet_extract.h"
#include "files/cleanup.h"
#include "files/copy_dialog.h"
#include "files/copy_engine.h"
#include "files/copy_list.h"
#include "files/driver_files.h"
#include "files/folder_rights.h"
#include "install/driver_package_staging.h"
#include "install/install_keys.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "registration/install_record.h"
#include "registration/update_registry.h"
#include "resource_ids.h"
#include "services/registry_script.h"
#include "settings/model_table.h"
#include "settings/settings.h"
#include "shared/path_macros.h"
#include "shared/registry_values.h"
#include "shared/trace.h"
#include "startup/platform_detect.h"

namespace {

// Removes the old driver index of Windows, and on 98 or Me with PS/2 the maker's INF copy.
void DeleteDriverIndex() {
  char16_t windows[kTextSize];
  char16_t path[kTextSize];
  const uint32_t length = SysGetWindowsDirectory(windows, kTextSize);
  if (length == 0 || length >= kTextSize) return;  // no Windows folder: nothing to remove
  TextCopy(path, windows);
  TextAppend(path, kDriverIndexFile);
  SysDeleteFile(path);
  TextCopy(path, windows);
  TextAppend(path, kDriverDataFile);
  SysDeleteFile(path);
  if (IsWin98OrMe() && g_Settings.InterfaceType == kInterfacePS2) {
    TextCopy(path, windows);
    TextAppend(path, kOtherInfFolder);
    TextAppend(path, g_Settings.Provider);
    TextAppend(path, g_Settings.InfFile);
    SysSetFileAttributes(path, kAttrNormal);
    SysDeleteFile(path);
  }
}

// Windows Me looks for its setup files in the Windows folder's OPTIONS\INSTALL.
void WriteWindowsSourcePath() {
  char16_t path[kTextSize];
  const uint32_t length = SysGetWindowsDirectory(path, kTextSize);
  if (length == 0 || length >= kTextSize) return;
  TextAppend(path, kSourcePathBelowWindows);
  WriteRegistryTextAt(kRegLocalMachine, kRegPathWindowsSetup, kRegValueSourcePath, path);
}

// PackageDir = the program destination, else the chosen folder, else the system folder; then "\".
void SetPackageDir() {
  ChoosePackageFolder(g_Settings.PackageDir, kTextSize);
  Trace(u"PackageDir = %s", g_Settings.PackageDir);
}

// The chosen model's number (field 3 of its product-list line), 0 when ModelId names no slot.
int32_t ChosenModelNumber() {
  const ModelRecord* model = ChosenModel();
  return model ? model->number : 0;
}

// With NewUI: HKEY_LOCAL_MACHINE ResourceDLL, "ID - " + the chosen model's extra text = its name.
void WriteChosenModelEntry() {
  const ModelRecord* model = ChosenModel();
  if (!model) return;
  char16_t name[kModelFieldSize + 8];
  TextCopy(name, kResourceDllValuePrefix);
  TextAppend(name, model->extra);
  WriteRegistryTextAt(kRegLocalMachine, kRegPathResourceDll, name, model->name);
}

// USBDriverName and USBPnPID from "Device_" n and "DEV_ID_" n of the USB install section
// (empty when missing).
void ReadUsbDevice(int32_t n) {
  SettingsRecord& s = g_Settings;
  char16_t key[32];
  TextFormat(key, 32, u"%s%d", kUsbDeviceNameKey, n);
  SysReadProfileString(s.USBInstallSection, key, u"", s.USBDriverName, kTextSize, s.ConfigFile);
  TextFormat(key, 32, u"%s%d", kUsbDeviceIdKey, n);
  SysReadProfileString(s.USBInstallSection, key, u"", s.USBPnPID, kTextSize, s.ConfigFile);
}

// Whether the USB devices come from the install section's numbered keys.
bool UsbDevicesListed() {
  return g_Settings.USBInstallSection[0] != 0 && g_Settings.InterfaceType == kInterfaceUSB;
}

// The device-metadata packages into the store, then their registry section.
void CopyDeviceMetadata() {
  if (!MetadataPackageCopy()) return;
  AddRegistrySection(g_Settings.ConfigFile, kSectionAddRegistryMetadata);
  Trace(u"MetadataPackageCopy end");
}

// What the registry stage asks while it runs: the Bluetooth device check of the driver stage.
const RegistryStageQuestions kRegistryStageQuestions = {FindBTUIDDevice};

// The registry stage's work, on its dialog's worker thread: the help files the copy kept back
// (with the temporary extraction folder in cabinet mode), then the registry sections and the
// programs of the interface.
int RegistryStageWork(WindowHandle dialog) {
  if (HelpFilesKeptBack()) CopyKeptHelpFiles();
  return UpdateRegistry(dialog, &kRegistryStageQuestions);
}

// The copy stage: the copy dialog (the package cabinet, the preparation, the walk) with the
// wizard frame hidden. Returns 0 when the copy was cancelled or failed.
int RunCopyStage(WindowHandle page) {
  CopyStage stage = {SysGetParent(page), PrepareCopySource};
  return SysDialogBoxParam(g_Settings.InstanceHandle, IDD_COPY_PROGRESS, page, CopyDialogProc,
                           reinterpret_cast<intptr_t>(&stage)) != 0;
}

// One driver stage: the install record of the current interface, then the stage dialog.
// Returns 0 when the stage stops the installation.
int RunDriverStage(WindowHandle page) {
  WriteInstallRecord();
  return SysDialogBoxParam(g_Settings.InstanceHandle, IDD_STAGE_WAIT, page, UpdatePnPDlgProc, 0) != 0;
}

// The registry stage dialog with its work. Returns 0 when it stops the installation.
int RunRegistryStage(WindowHandle page) {
  RegistryStage stage = {RegistryStageWork};
  return SysDialogBoxParam(g_Settings.InstanceHandle, IDD_STAGE_WAIT, page, UpdateRegistryDlgProc,
                           reinterpret_cast<intptr_t>(&stage)) != 0;
}

// The driver stage of the chosen model: with listed USB devices its "Device_" and "DEV_ID_"
// keys name the device (shown with InstallTrace), and a missing id stops before the stage.
InstallOutcome RunChosenModelStage(WindowHandle page) {
  if (UsbDevicesListed()) {
    ReadUsbDevice(ChosenModelNumber());
    if (g_Settings.InstallTrace) SysMessageBox(nullptr, g_Settings.USBPnPID, kUsbPnPIdTraceCaption, kMbOk);
    if (g_Settings.USBPnPID[0] == 0) return kInstallNoDevice;
  }
  return RunDriverStage(page) ? kInstallDone : kInstallStageFailed;
}

// One driver stage per listed USB device (DEV_ID_1, DEV_ID_2, ... up to the first empty one),
// or a single stage for any other interface. With the outside driver installation program
// (Mode_DPInst, outside Windows 98 and Me) only the first device gets a stage of its own; in
// the one-interface sequence a match of the device list lifts that limit.
InstallOutcome RunDeviceLoop(WindowHandle page, bool consultDeviceList) {
  for (int32_t n = 1;; ++n) {
    const bool listed = UsbDevicesListed();
    if (listed) {
      ReadUsbDevice(n);
      if (g_Settings.USBPnPID[0] == 0) return kInstallDone;
    }
    if (!RunDriverStage(page)) return kInstallStageFailed;
    if (!listed) return kInstallDone;
    const bool listMatched = consultDeviceList && g_Settings.DeviceListMatch != 0;
    if (!listMatched && g_Settings.Mode_DPInst == 1 && !IsWin98OrMe()) return kInstallDone;
  }
}

// The driver and registry stages of the one chosen interface.
InstallOutcome RunOneInterface(WindowHandle page) {
  const SettingsRecord& s = g_Settings;
  if (s.ChooseMouse) {
    InstallOutcome outcome = RunChosenModelStage(page);
    if (outcome != kInstallDone) return outcome;
  } else {
    if (RunDeviceLoop(page, true) == kInstallStageFailed) return kInstallStageFailed;
    if (!s.NoInfMode) CopyOEMInf(s.USBInf);
  }
  if (!s.NoInfMode && s.USBInf01[0] != 0) InstallListedPackage();
  if (IsNT5OrLater() || IsWindowsMe()) RegisterPackageInf();
  return RunRegistryStage(page) ? kInstallDone : kInstallStageFailed;
}

// Every interface whose driver name is set: PS/2, USB (per device), Bluetooth, then one
// registry stage for all of them (InterfaceType 7).
InstallOutcome RunAllInterfaces(WindowHandle page) {
  SettingsRecord& s = g_Settings;
  s.Restart = 0;
  if (s.PS2DriverName[0] != 0) {
    s.CallConfigMg = 0;
    s.InterfaceType = kInterfacePS2;
    if (!RunDriverStage(page)) return kInstallStageFailed;
    s.Restart = 1;
  }
  s.CallConfigMg = 1;
  if (s.USBDriverName[0] != 0) {
    s.InterfaceType = kInterfaceUSB;
    if (s.USBInf[0] != 0) {
      TextCopy(s.InfPath, s.SourceDir);
      TextAppend(s.InfPath, u"\\");
      TextAppend(s.InfPath, s.USBInf);
    }
    InstallOutcome outcome = s.ChooseMouse ? RunChosenModelStage(page) : RunDeviceLoop(page, false);
    if (outcome != kInstallDone) return outcome;
    if (!s.NoInfMode && s.USBInf01[0] != 0) InstallListedPackage();
    if ((IsNT5OrLater() || IsWindowsMe()) && !s.NoInfMode) CopyOEMInf(s.USBInf);
  }
  if (s.BTDriverName[0] != 0) {
    s.InterfaceType = kInterfaceBluetooth;
    s.CallConfigMg = 1;
    if (!RunDriverStage(page)) return kInstallStageFailed;
  }
  s.InterfaceType = kInterfaceAll;
  return RunRegistryStage(page) ? kInstallDone : kInstallStageFailed;
}

}  // namespace

// Run by the copy dialog on its thread just before the walk, in cabinet mode once its worker
// has extracted the package cabinet.
void PrepareCopySource() {
  ExtractCabPack();
  GetDriverSysFile();
  if (g_Settings.Platform == kPlatformWin7 || g_Settings.Platform == kPlatformWin8) CopyDeviceMetadata();
  MeasureCopySource();
}

void CreateDestinationFolders() {
  char16_t* dir = g_Settings.DestinationDir;
  if (SysGetFileAttributes(dir) != kInvalidAttributes) {
    RecordInstallFolder(dir);
    return;
  }
  int count = 0;
  for (const char16_t* p = dir; *p; ++p)
    if (*p == u'\\') ++count;
  size_t length = TextLength(dir);
  if (length > 0 && dir[length - 1] == u'\\') {
    dir[length - 1] = 0;
    --count;
  }
  for (int level = 1; level <= count; ++level) {
    char16_t folder[kTextSize];
    if (level == count) {
      TextCopy(folder, dir);
    } else {
      // The prefix that ends just after the (level + 1)-th backslash.
      int seen = 0;
      size_t end = 0;
      while (dir[end] != 0 && seen < level + 1) {
        if (dir[end] == u'\\') ++seen;
        ++end;
      }
      TextCopyN(folder, kTextSize, dir, end);
    }
    if (SysCreateDirectory(folder)) RecordInstallFolder(folder);
  }
}

InstallOutcome RunInstallationStages(WindowHandle page) {
  if (g_Settings.AskType && CheckNewerVersion(page)) return kInstallKeepsNewer;
  if (g_Settings.NewUI) WriteChosenModelEntry();
  if (IsWindowsMe()) WriteWindowsSourcePath();
  if (g_Settings.DeleteINFIndex) DeleteDriverIndex();
  KillListedWindows();
  if (g_Settings.NewerPackage) DeletePreviousFiles();
  if (g_Settings.AskPath) CreateDestinationFolders();
  CopyEntryCount = BuildCopyList();
  if (!RunCopyStage(page)) return kInstallCopyFailed;
  SetPackageDir();
  StageDriverPackage();
  return g_Settings.InstallAllType ? RunAllInterfaces(page) : RunOneInterface(page);
}
