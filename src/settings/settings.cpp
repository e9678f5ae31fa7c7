// The settings record's one instance, its initial values and a field walk for dumps.
#include "settings/settings.h"

#include <cstring>

#include "common/text.h"

SettingsRecord g_Settings;

void ResetSettings() {
  std::memset(&g_Settings, 0, sizeof(g_Settings));
  SettingsRecord& s = g_Settings;
  s.Platform = 14;
  TextCopy(s.LanguageName, u"ENGLISH");
  TextCopy(s.TitleSuffix, u" Setup");
  TextCopy(s.ProgramFilesDir, u"C:\\Program Files");
  TextCopy(s.DefaultDestination, u"\\Program Files\\");
  s.ShowTaskBarIcon = 1;
  s.AskType = 1;
  s.ConfirmInfo = 1;
  s.ShowWarning = 1;
  s.InterfaceType = kInterfaceUSB;
  s.DefaultTypeChoice = kInterfaceUSB;
  s.ModelId = 1;
  s.Restart = 1;
  s.Replace = 1;
  s.CanUninstall = 1;
  s.UninstallConflictSoftware = 1;
}

namespace {
struct Walker {
  void (*visit)(const char*, const char16_t*, void*);
  void* context;
  void Text(const char* name, const char16_t* value) { visit(name, value, context); }
  void Int(const char* name, int32_t value) {
    char16_t buffer[16];
    TextFormat(buffer, 16, u"%d", value);
    visit(name, buffer, context);
  }
};
}  // namespace

void ForEachSettingsField(void (*visit)(const char* name, const char16_t* value, void* context), void* context) {
  Walker w{visit, context};
  const SettingsRecord& s = g_Settings;
#define TEXT_FIELD(f) w.Text(#f, s.f)
#define INT_FIELD(f) w.Int(#f, s.f)
  TEXT_FIELD(SourceDir);
  TEXT_FIELD(ConfigFile);
  TEXT_FIELD(EspecialFile);
  INT_FIELD(Especial);
  INT_FIELD(Platform);
  TEXT_FIELD(LanguageName);
  TEXT_FIELD(TitleSuffix);
  {
    char16_t handle[24];
    TextFormat(handle, 24, u"0x%x", static_cast<uint32_t>(reinterpret_cast<uintptr_t>(s.InstanceHandle)));
    w.Text("InstanceHandle", handle);
  }
  TEXT_FIELD(ProgramFilesDir);
  TEXT_FIELD(DefaultDestination);
  TEXT_FIELD(DestinationDir);
  TEXT_FIELD(PackageDir);
  INT_FIELD(SilentMode);
  INT_FIELD(HiddenMode);
  INT_FIELD(NoInfMode);
  INT_FIELD(UseSetupNtHelper);
  INT_FIELD(NoRestart);
  INT_FIELD(PreloadMode);
  INT_FIELD(ModelIdGiven);
  INT_FIELD(ShowTaskBarIcon);
  INT_FIELD(SilentSwitchSeen);
  INT_FIELD(TypeSwitchSeen);
  INT_FIELD(AskType);
  INT_FIELD(InstallAllType);
  INT_FIELD(ChooseMouse);
  INT_FIELD(AskPath);
  INT_FIELD(AskMousePosition);
  INT_FIELD(ConfirmInfo);
  INT_FIELD(ShowWarning);
  INT_FIELD(InterfaceType);
  INT_FIELD(DefaultTypeChoice);
  INT_FIELD(ModelId);
  INT_FIELD(LeftHanded);
  INT_FIELD(Restart);
  INT_FIELD(ForceReBoot);
  INT_FIELD(Replace);
  INT_FIELD(CompareSubVer);
  INT_FIELD(CabFile);
  INT_FIELD(CallConfigMg);
  INT_FIELD(InfNoFileCopy);
  INT_FIELD(DeleteINFIndex);
  INT_FIELD(CanUninstall);
  INT_FIELD(UninstallConflictSoftware);
  INT_FIELD(PS2DriverNameIsProductName);
  INT_FIELD(Sleep1Sec);
  INT_FIELD(Mode_DPInst);
  INT_FIELD(DelQx410MenuTitle);
  INT_FIELD(NewUI);
  INT_FIELD(InstallTrace);
  INT_FIELD(SkipRunPrograms);
  INT_FIELD(DeviceListMatch);
  INT_FIELD(NewerPackage);
  INT_FIELD(VersionChecked);
  INT_FIELD(InstallStarted);
  INT_FIELD(InfPresence);
  INT_FIELD(DefaultPS2Model);
  INT_FIELD(HelpFilesListed);
  TEXT_FIELD(Title);
  TEXT_FIELD(ProductKey);
  TEXT_FIELD(Version);
  TEXT_FIELD(SubVersion);
  TEXT_FIELD(InfFile);
  TEXT_FIELD(InfPath);
  TEXT_FIELD(USBInf);
  TEXT_FIELD(USBInf01);
  TEXT_FIELD(BTInf);
  TEXT_FIELD(USBInstallSection);
  TEXT_FIELD(USBClass);
  TEXT_FIELD(PS2DriverName);
  TEXT_FIELD(BTDriverName);
  TEXT_FIELD(USBDriverName);
  TEXT_FIELD(PS2PnPID);
  TEXT_FIELD(SerialPnPID);
  TEXT_FIELD(USBPnPID);
  TEXT_FIELD(MfgName);
  TEXT_FIELD(Provider);
  TEXT_FIELD(DrvSetupProgram);
  TEXT_FIELD(DrvSetupAction);
  TEXT_FIELD(BkgLogo);
  TEXT_FIELD(SubFolder);
  TEXT_FIELD(UninstallKey);
  TEXT_FIELD(DefaultAppPath);
  TEXT_FIELD(CabFileName);
#undef TEXT_FIELD
#undef INT_FIELD
}
