// Driver package staging: the package files copied into PackageDir, the DIFx install of the
// package named by USBInf01 with an update of every listed USB device, and the registration of
// the staged INF with Windows.
#pragma once
#include <cstdint>

// Copies the files named in SourceDir\Presetup.ini [CopyList] (keys 1, 2, ... up to the first
// empty one; the first non-empty field of each line), or without that file "gw98.cab",
// "nhidmou.inf" and "gw99.cat", from SourceDir into PackageDir, overwriting (a read-only copy
// too), and records each copied file with WriteUninstallEntry. Failed copies are silent; with
// InstallTrace each file (only the INF for the fixed files) is shown in a message box. Reads
// SourceDir, PackageDir, InstallTrace; changes no settings field.
void StageDriverPackage();

// Installs the package USBInf01 with DIFxAPI (force, legacy mode); after 0xE0000301 or
// 0xE000020B preinstalls it into the driver store instead. Then updates the driver of each
// hardware id DEV_ID_1 ... DEV_ID_99 of USBInstallSection (up to the first empty key) from
// USBInf01. Results are only traced. The caller runs it when NoInfMode is 0 and USBInf01 is set.
// Changes no settings field.
void InstallListedPackage();

// Registers the staged copy of InfPath's file (in the program destination, else DestinationDir
// when AskPath is set, else the system folder) with SetupCopyOEMInfW after deleting the Windows
// INF folder's USBInf, and records the copy Windows made with WriteUninstallEntry. Skipped in
// NoInfMode or without the setup interface; failures are shown only with InstallTrace. The
// caller runs it on Windows 2000 or later and on Windows Me. Changes no settings field.
void RegisterPackageInf();

// The folder the driver package is staged in, with its closing backslash, into out (cap
// characters): the program destination when set, else DestinationDir when AskPath is set,
// else the system folder. Changes no settings field.
void ChoosePackageFolder(char16_t* out, uint32_t cap);
