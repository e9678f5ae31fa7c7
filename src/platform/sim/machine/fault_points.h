// The simulated machine's table of fault points: every platform call that can fail on Windows,
// by its name in the platform headers. A call's implementation starts with SIM_FAULT(name), and
// FailCall arms only names of this table, so a test cannot arm a failure that no call checks.
#pragma once

#define SIM_FAULT_POINTS(X) \
  X(SysAddAccessAllowedAce) \
  X(SysAddAccessAllowedAceEx) \
  X(SysAddAce) \
  X(SysAnsiToWide) \
  X(SysBeginPaint) \
  X(SysBitBlt) \
  X(SysBrowseForFolder) \
  X(SysCallClassInstaller) \
  X(SysCheckDlgButton) \
  X(SysCloseHandle) \
  X(SysCopyFile) \
  X(SysCreateCompatibleDC) \
  X(SysCreateDIBitmap) \
  X(SysCreateDirectory) \
  X(SysCreateFile) \
  X(SysCreateFileAnsi) \
  X(SysCreateFileMapping) \
  X(SysCreateFont) \
  X(SysCreateFontWithWeight) \
  X(SysCreatePalette) \
  X(SysCreateProcess) \
  X(SysCreateRemoteThread) \
  X(SysCreateSolidBrush) \
  X(SysCreateThread) \
  X(SysCreateToolhelp32Snapshot) \
  X(SysCreateWindow) \
  X(SysDeleteDC) \
  X(SysDeleteFile) \
  X(SysDeleteObject) \
  X(SysDestroyDeviceInfoList) \
  X(SysDestroyWindow) \
  X(SysDialogBoxParam) \
  X(SysDrawEdge) \
  X(SysDriverPackageInstall) \
  X(SysDriverPackagePreinstall) \
  X(SysDuplicateHandle) \
  X(SysEnableShutdownPrivilege) \
  X(SysEndDialog) \
  X(SysEnumDeviceInfo) \
  X(SysEnumProcessModules) \
  X(SysEnumProcesses) \
  X(SysExitWindows) \
  X(SysFillRectColor) \
  X(SysFindFirstFile) \
  X(SysFindNextFile) \
  X(SysFindResourceData) \
  X(SysFindWindow) \
  X(SysFormatSystemMessage) \
  X(SysFreeLibrary) \
  X(SysGetAce) \
  X(SysGetAclInformation) \
  X(SysGetBitmapSize) \
  X(SysGetClassDevs) \
  X(SysGetClassName) \
  X(SysGetClientRect) \
  X(SysGetDC) \
  X(SysGetDevNodeStatus) \
  X(SysGetDeviceInstanceId) \
  X(SysGetDeviceRegistryProperty) \
  X(SysGetDlgItem) \
  X(SysGetDlgItemText) \
  X(SysGetDriveType) \
  X(SysGetExitCodeProcess) \
  X(SysGetFileAttributes) \
  X(SysGetFileSecurity) \
  X(SysGetFileSize) \
  X(SysGetFileTime) \
  X(SysGetFileVersionInfo) \
  X(SysGetFileVersionInfoSize) \
  X(SysGetFolderPath) \
  X(SysGetMessage) \
  X(SysGetModuleFileNameEx) \
  X(SysGetModulePath) \
  X(SysGetProcAddress) \
  X(SysGetSecurityDescriptorControl) \
  X(SysGetSecurityDescriptorDacl) \
  X(SysGetSpecialFolderPath) \
  X(SysGetStockObject) \
  X(SysGetSystemDirectory) \
  X(SysGetTempFileName) \
  X(SysGetTextExtent) \
  X(SysGetTextMetrics) \
  X(SysGetVersionInfo) \
  X(SysGetWindowRect) \
  X(SysGetWindowText) \
  X(SysGetWindowsDirectory) \
  X(SysGetWorkArea) \
  X(SysInitCom) \
  X(SysInitializeAcl) \
  X(SysInitializeSecurityDescriptor) \
  X(SysInvalidateRect) \
  X(SysIterateCabinet) \
  X(SysLoadBitmapResource) \
  X(SysLoadLibrary) \
  X(SysLoadLibraryAsData) \
  X(SysLoadString) \
  X(SysLookupAccountName) \
  X(SysMapViewOfFile) \
  X(SysMapWindowPoints) \
  X(SysMessageBox) \
  X(SysMoveFileEx) \
  X(SysMoveWindow) \
  X(SysOpenProcess) \
  X(SysPathExists) \
  X(SysPostMessage) \
  X(SysProcess32First) \
  X(SysProcess32Next) \
  X(SysReadFile) \
  X(SysReadProfileInt) \
  X(SysReadProfileString) \
  X(SysRectangle) \
  X(SysRegCloseKey) \
  X(SysRegCreateKey) \
  X(SysRegDeleteKey) \
  X(SysRegDeleteValue) \
  X(SysRegEnumKey) \
  X(SysRegEnumValue) \
  X(SysRegOpenKey) \
  X(SysRegQueryValue) \
  X(SysRegSetValue) \
  X(SysRegisterWindowClass) \
  X(SysReleaseDC) \
  X(SysRemoveDirectory) \
  X(SysRunWizardSheet) \
  X(SysSaveShellLink) \
  X(SysSelectObject) \
  X(SysSelectPalette) \
  X(SysSetCurrentDirectory) \
  X(SysSetDeviceRegistryProperty) \
  X(SysSetDlgItemText) \
  X(SysSetEndOfFile) \
  X(SysSetFileAttributes) \
  X(SysSetFilePointer) \
  X(SysSetFileSecurity) \
  X(SysSetForegroundWindow) \
  X(SysSetMouseButtonSwap) \
  X(SysSetProcessShutdownParameters) \
  X(SysSetSecurityDescriptorControl) \
  X(SysSetSecurityDescriptorDacl) \
  X(SysSetWindowPos) \
  X(SysSetWindowText) \
  X(SysSetupCopyOEMInf) \
  X(SysShellExecuteEx) \
  X(SysStretchBlt) \
  X(SysTextOut) \
  X(SysUnmapViewOfFile) \
  X(SysUpdateDriverForPlugAndPlayDevices) \
  X(SysUpdateWindow) \
  X(SysVdmEnumTaskWowEx) \
  X(SysVerQueryValue) \
  X(SysWaitForInputIdle) \
  X(SysWaitForSingleObject) \
  X(SysWideToAnsi) \
  X(SysWriteFile)

namespace sim {
namespace internal {

enum class FaultPoint {
#define SIM_FAULT_POINT_ENUM(name) name,
  SIM_FAULT_POINTS(SIM_FAULT_POINT_ENUM)
#undef SIM_FAULT_POINT_ENUM
  kCount
};

// The name of a fault point ("SysCreateDirectory"), and the point of a name: false when the
// table has no such name.
const char* FaultPointName(FaultPoint point);
bool FindFaultPoint(const char* name, FaultPoint* point);

// True (with the thread's last error set to the armed error) when an armed fault says this
// call of the point must fail.
bool FaultHit(FaultPoint point);

}  // namespace internal
}  // namespace sim

// The entry check of a simulated call: true when the call must fail now. The name is checked
// against the table when the call is compiled.
#define SIM_FAULT(name) (::sim::internal::FaultHit(::sim::internal::FaultPoint::name))
