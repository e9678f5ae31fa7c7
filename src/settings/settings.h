// The settings record: the one process-wide record of run mode, configuration values and the
// user's choices, through which start-up, the wizard and the installation stages communicate.
#pragma once
#include <cstdint>

#include "platform/types.h"

// Interface codes of InterfaceType and DefaultTypeChoice.
constexpr int32_t kInterfacePS2 = 1;
constexpr int32_t kInterfaceBluetooth = 2;
constexpr int32_t kInterfaceUSB = 3;
constexpr int32_t kInterfaceAll = 7;

// InfPresence bits.
constexpr int32_t kInfPresentPS2 = 1;
constexpr int32_t kInfPresentBT = 2;
constexpr int32_t kInfPresentUSB = 4;

constexpr int kTextSize = 256;  // text fields: 255 characters and the terminator

struct SettingsRecord {
  // Paths, identity and environment.
  char16_t SourceDir[kTextSize];
  char16_t ConfigFile[kTextSize];
  char16_t EspecialFile[260];
  int32_t Especial;
  int32_t Platform;
  char16_t LanguageName[kTextSize];
  char16_t TitleSuffix[100];
  ModuleHandle InstanceHandle;
  char16_t ProgramFilesDir[kTextSize];
  char16_t DefaultDestination[kTextSize];
  char16_t DestinationDir[kTextSize];
  char16_t PackageDir[kTextSize];

  // Run-mode flags from the command line.
  int32_t SilentMode;
  int32_t HiddenMode;
  int32_t NoInfMode;
  int32_t UseSetupNtHelper;
  int32_t NoRestart;
  int32_t PreloadMode;
  int32_t ModelIdGiven;
  int32_t ShowTaskBarIcon;
  int32_t SilentSwitchSeen;
  int32_t TypeSwitchSeen;

  // Wizard control flags.
  int32_t AskType;
  int32_t InstallAllType;
  int32_t ChooseMouse;
  int32_t AskPath;
  int32_t AskMousePosition;
  int32_t ConfirmInfo;
  int32_t ShowWarning;

  // User choices.
  int32_t InterfaceType;
  int32_t DefaultTypeChoice;
  int32_t ModelId;
  int32_t LeftHanded;

  // Installation behaviour.
  int32_t Restart;
  int32_t ForceReBoot;
  int32_t Replace;
  int32_t CompareSubVer;
  int32_t CabFile;
  int32_t CallConfigMg;
  int32_t InfNoFileCopy;
  int32_t DeleteINFIndex;
  int32_t CanUninstall;
  int32_t UninstallConflictSoftware;
  int32_t PS2DriverNameIsProductName;
  int32_t Sleep1Sec;
  int32_t Mode_DPInst;
  int32_t DelQx410MenuTitle;
  int32_t NewUI;
  int32_t InstallTrace;
  int32_t SkipRunPrograms;
  int32_t DeviceListMatch;
  int32_t NewerPackage;
  int32_t VersionChecked;
  int32_t InstallStarted;
  int32_t InfPresence;
  int32_t DefaultPS2Model;
  int32_t HelpFilesListed;

  // Text values from the configuration file.
  char16_t Title[kTextSize];
  char16_t ProductKey[kTextSize];
  char16_t Version[kTextSize];
  char16_t SubVersion[kTextSize];
  char16_t InfFile[kTextSize];
  char16_t InfPath[kTextSize];
  char16_t USBInf[kTextSize];
  char16_t USBInf01[kTextSize];
  char16_t BTInf[kTextSize];
  char16_t USBInstallSection[kTextSize];
  char16_t USBClass[kTextSize];
  char16_t PS2DriverName[kTextSize];
  char16_t BTDriverName[kTextSize];
  char16_t USBDriverName[kTextSize];
  char16_t PS2PnPID[kTextSize];
  char16_t SerialPnPID[kTextSize];
  char16_t USBPnPID[kTextSize];
  char16_t MfgName[kTextSize];
  char16_t Provider[kTextSize];
  char16_t DrvSetupProgram[kTextSize];
  char16_t DrvSetupAction[kTextSize];
  char16_t BkgLogo[kTextSize];
  char16_t SubFolder[kTextSize];
  char16_t UninstallKey[kTextSize];
  char16_t DefaultAppPath[kTextSize];
  char16_t CabFileName[260];
};

// The one instance.
extern SettingsRecord g_Settings;

// Puts every field back to its initial value (program start, and between test cases).
void ResetSettings();

// Calls visit once per field, in the order of the declaration above, with the field's name and
// its value as text (flags and numbers in decimal, the instance handle in hexadecimal).
void ForEachSettingsField(void (*visit)(const char* name, const char16_t* value, void* context), void* context);
