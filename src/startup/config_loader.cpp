// Reads the setup configuration file of the platform into the settings record.
#include "startup/config_loader.h"

#include "common/text.h"
#include "shared/trace.h"
#include "shared/path_macros.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "settings/config_keys.h"
#include "startup/help_files.h"
#include "startup/platform_detect.h"
#include "settings/settings.h"

namespace {

constexpr uint32_t kSupportedSize = 128;
constexpr int kCreateFolderKeys = 9;

// Reads key of section from ConfigFile into out (size characters), fallback when missing.
void ReadKey(const char16_t* section, const char16_t* key, const char16_t* fallback, char16_t* out, uint32_t size) {
  SysReadProfileString(section, key, fallback, out, size, g_Settings.ConfigFile);
}

// [Default] first; when that is empty (missing or empty value), [Install]; empty when neither.
void ReadDefaultThenInstall(const char16_t* key, char16_t* out, uint32_t size) {
  ReadKey(kSectionDefault, key, u"", out, size);
  if (!out[0]) ReadKey(kSectionInstall, key, u"", out, size);
}

// [Install] first; [Default] only when [Install] holds the key with an empty value. A key that is
// missing from [Install] gives the fallback. Presence is told apart from emptiness by reading
// with two different fallbacks: a missing key returns each of them, a present one the same value.
void ReadInstallThenDefault(const char16_t* key, const char16_t* fallback, char16_t* out, uint32_t size) {
  char16_t probe[4];
  ReadKey(kSectionInstall, key, u"\x01", probe, 4);
  bool missingA = TextEqual(probe, u"\x01");
  ReadKey(kSectionInstall, key, u"\x02", probe, 4);
  bool missingB = TextEqual(probe, u"\x02");
  if (missingA && missingB) {
    TextCopy(out, size, fallback);
    return;
  }
  ReadKey(kSectionInstall, key, fallback, out, size);
  if (!out[0]) ReadKey(kSectionDefault, key, fallback, out, size);
}

// The rule of a start-up key; a key the table does not list is read from [Install] as text.
const ConfigKeyRule& RuleOf(const char16_t* key) {
  static const ConfigKeyRule unlisted = {u"", kPlaceInstall, kFormText, u""};
  const ConfigKeyRule* rule = FindConfigKeyRule(key);
  return rule ? *rule : unlisted;
}

// A start-up key read by its rule.
void ReadRuleKey(const char16_t* key, char16_t* out, uint32_t size) { ReadConfigKey(RuleOf(key), out, size); }

// A boolean start-up key read by its rule and its form.
int RuleFlag(const char16_t* key) {
  const ConfigKeyRule& rule = RuleOf(key);
  char16_t value[kTextSize];
  ReadConfigKey(rule, value, kTextSize);
  return ConfigFlagOn(rule.form, value);
}

// 1 when the named file lies in the folder of the program file (a find-first-file test); the
// full path of a missing one goes to the trace.
int InfFileBesideProgram(const char16_t* name) {
  char16_t path[2 * kTextSize];
  TextCopy(path, 2 * kTextSize, g_Settings.SourceDir);
  TextAppend(path, 2 * kTextSize, u"\\");
  TextAppend(path, 2 * kTextSize, name);
  if (name[0] && SysPathExists(path)) return 1;
  Trace(u"INF file not found: %s", path);
  return 0;
}

// InfPath = SourceDir + "\" + name.
void SetInfPath(const char16_t* name) {
  TextCopy(g_Settings.InfPath, g_Settings.SourceDir);
  TextAppend(g_Settings.InfPath, u"\\");
  TextAppend(g_Settings.InfPath, name);
}

// Interface code named by the first character of a DefaultType value: P PS/2, B Bluetooth,
// anything else USB.
int32_t InterfaceFromText(const char16_t* value) {
  if (value[0] == u'P' || value[0] == u'p') return kInterfacePS2;
  if (value[0] == u'B' || value[0] == u'b') return kInterfaceBluetooth;
  return kInterfaceUSB;
}

// Creates system folder + "\" + value for keys "1" to "9" of [CreateFolder], up to the first
// missing or empty key. Only the last level is created; failures are ignored.
void RunCreateFolder() {
  char16_t system[kTextSize];
  if (!SysGetSystemDirectory(system, kTextSize)) system[0] = 0;
  for (int k = 1; k <= kCreateFolderKeys; ++k) {
    char16_t key[4], value[kTextSize];
    TextFormat(key, 4, u"%d", k);
    ReadKey(kSectionCreateFolder, key, u"", value, kTextSize);
    if (!value[0]) break;
    char16_t folder[2 * kTextSize];
    TextCopy(folder, 2 * kTextSize, system);
    TextAppend(folder, 2 * kTextSize, u"\\");
    TextAppend(folder, 2 * kTextSize, value);
    if (TextLength(folder) >= kTextSize) continue;  // longer than a path may be: not created
    SysCreateDirectory(folder);
  }
}

// SourceDir, ProgramFilesDir and DefaultDestination (loader steps 1 and 2).
void SetFolders() {
  SettingsRecord& s = g_Settings;
  char16_t module[kTextSize] = {};
  SysGetModulePath(module, kTextSize);
  long cut = TextFindLastChar(module, u'\\');
  module[cut >= 0 ? cut : 0] = 0;
  TextCopy(s.SourceDir, module);

  char16_t folder[260];
  if (SysGetFolderPath(kFolderProgramFiles, folder) && folder[0]) {
    TextCopy(s.ProgramFilesDir, folder);
    long slash = TextFindChar(folder, u'\\');
    TextCopy(s.DefaultDestination, slash >= 0 ? folder + slash : u"");
    TextAppend(s.DefaultDestination, u"\\");
  }
  Trace(u"DefaultDestination = %s", s.DefaultDestination);
}

// Reads the keys of the configuration in their fixed order (loader step 6).
void ReadStartupKeys(char16_t* defaultType) {
  SettingsRecord& s = g_Settings;
  char16_t value[kTextSize];

  ReadRuleKey(kKeyTitle, s.Title, kTextSize);
  ReadRuleKey(kKeyProductKey, s.ProductKey, kTextSize);
  if (TextEqualNoCase(s.LanguageName, kLanguageChinese) && s.Especial != 0) ReadRuleKey(kKeyChTitle, s.Title, kTextSize);
  ReadRuleKey(kKeyVersion, s.Version, kTextSize);
  ReadRuleKey(kKeySubVersion, s.SubVersion, kTextSize);

  ReadRuleKey(kKeyInfFile, s.InfFile, kTextSize);
  SetInfPath(s.InfFile);
  if (InfFileBesideProgram(s.InfFile)) s.InfPresence |= kInfPresentPS2;
  ReadRuleKey(kKeyUSBInf01, s.USBInf01, kTextSize);
  ReadRuleKey(kKeyUSBInf, s.USBInf, kTextSize);
  if (InfFileBesideProgram(s.USBInf)) s.InfPresence |= kInfPresentUSB;
  ReadRuleKey(kKeyBTInf, s.BTInf, kTextSize);
  if (InfFileBesideProgram(s.BTInf)) s.InfPresence |= kInfPresentBT;

  ReadRuleKey(kKeyUSBInstallSection, s.USBInstallSection, kTextSize);
  ReadRuleKey(kKeyUSBClass, s.USBClass, kTextSize);
  ReadRuleKey(kKeyPS2DriverName, s.PS2DriverName, kTextSize);
  ReadRuleKey(kKeyBTDriverName, s.BTDriverName, kTextSize);
  ReadRuleKey(kKeyUSBDriverName, s.USBDriverName, kTextSize);
  ReadRuleKey(kKeyPS2PnPID, s.PS2PnPID, kTextSize);
  ReadRuleKey(kKeySerialPnPID, s.SerialPnPID, kTextSize);
  ReadRuleKey(kKeyUSBPnPID, s.USBPnPID, kTextSize);
  ReadRuleKey(kKeyMfgName, s.MfgName, kTextSize);
  ReadRuleKey(kKeyProvider, s.Provider, kTextSize);
  ReadRuleKey(kKeyDrvSetupProgram, s.DrvSetupProgram, kTextSize);
  ReadRuleKey(kKeyDrvSetupAction, s.DrvSetupAction, kTextSize);
  ReadRuleKey(kKeyBkgLogo, s.BkgLogo, kTextSize);

  s.CabFile = RuleFlag(kKeyCabFile);
  if (s.CabFile) ReadRuleKey(kKeyCabFileName, s.CabFileName, sizeof(s.CabFileName) / sizeof(char16_t));
  s.UninstallConflictSoftware = RuleFlag(kKeyUninstallConflictSoftware);
  ReadRuleKey(kKeySubFolder, s.SubFolder, kTextSize);
  s.AskType = RuleFlag(kKeyAskType);
  s.InstallAllType = RuleFlag(kKeyInstallAllType);
  if (s.InstallAllType) s.AskType = 0;
  if (RuleFlag(kKeyDeleteINFIndex)) s.DeleteINFIndex = 1;
  if (!RuleFlag(kKeyCanUninstall)) s.CanUninstall = 0;
  ReadRuleKey(kKeyUninstallKey, s.UninstallKey, kTextSize);
  s.CallConfigMg = RuleFlag(kKeyCallConfigMg);
  s.InfNoFileCopy = RuleFlag(kKeyInfNoFileCopy);
  s.Restart = RuleFlag(kKeyRestart);
  s.ConfirmInfo = RuleFlag(kKeyConfirmInfo);
  s.ChooseMouse = RuleFlag(kKeyChooseMouse);
  s.ForceReBoot = RuleFlag(kKeyForceReBoot);
  s.PS2DriverNameIsProductName = RuleFlag(kKeyPS2DriverNameIsProductName);
  s.AskPath = RuleFlag(kKeyAskPath);
  s.ShowWarning = RuleFlag(kKeyUnShowWarning) ? 0 : 1;
  s.AskMousePosition = RuleFlag(kKeyAskMousePosition);

  ReadRuleKey(kKeyDefaultModel, value, kTextSize);
  s.DefaultPS2Model = TextToInt(value);
  if (s.DefaultPS2Model < 0) s.DefaultPS2Model = 0;

  s.Replace = RuleFlag(kKeyReplace);
  s.CompareSubVer = RuleFlag(kKeyCompareSubVer);
  s.Sleep1Sec = RuleFlag(kKeySleep1Sec);
  s.Mode_DPInst = RuleFlag(kKeyModeDPInst);
  s.DelQx410MenuTitle = RuleFlag(kKeyDelQx410MenuTitle);
  s.NewUI = RuleFlag(kKeyNewUI);
  ReadRuleKey(kKeyDefaultType, defaultType, kTextSize);
}

// Replaces Version and SubVersion by their expansions when either ends with a percent name
// (loader step 7); an empty expansion keeps the value as read.
void ExpandVersionMacros() {
  SettingsRecord& s = g_Settings;
  auto endsWithPercent = [](const char16_t* text) {
    size_t length = TextLength(text);
    return length > 0 && text[length - 1] == u'%';
  };
  if (!endsWithPercent(s.Version) && !endsWithPercent(s.SubVersion)) return;
  char16_t expanded[kFieldSize];
  if (ExpandConfigValue(s.Version, expanded)) TextCopy(s.Version, expanded);
  if (ExpandConfigValue(s.SubVersion, expanded)) TextCopy(s.SubVersion, expanded);
}

// Sets the interface fields from DefaultType when the configuration fixes the interface, or the
// interface page's preselection when it asks (loader steps 10 and 11).
void ApplyDefaultType(const char16_t* defaultType) {
  SettingsRecord& s = g_Settings;
  if (s.AskType != 0 || s.InstallAllType != 0) {
    if (defaultType[0]) s.DefaultTypeChoice = InterfaceFromText(defaultType);
    return;
  }
  int32_t type;
  if (defaultType[0]) type = InterfaceFromText(defaultType);
  else if (s.PS2DriverName[0]) type = kInterfacePS2;
  else if (s.BTDriverName[0]) type = kInterfaceBluetooth;
  else type = kInterfaceUSB;

  s.InterfaceType = type;
  if (type == kInterfacePS2) {
    s.CallConfigMg = 0;
  } else if (type == kInterfaceBluetooth) {
    if (s.BTInf[0]) SetInfPath(s.BTInf);
    s.Restart = 0;
  } else {
    if (s.USBInf[0]) SetInfPath(s.USBInf);
    s.Restart = 0;
  }
}

// InstallTrace = 1 when HKLM\Software\Norvik holds "InstallTrace" as the 32-bit number 1.
void ReadInstallTrace() {
  RegKey key = nullptr;
  if (SysRegOpenKey(kRegLocalMachine, kRegPathMaker, kKeyAllAccess, &key) != 0) return;
  uint32_t type = 0, data = 0, size = sizeof(data);
  int32_t status = SysRegQueryValue(key, kRegValueInstallTrace, &type, reinterpret_cast<uint8_t*>(&data), &size);
  if (status == 0 && type == kRegTypeDword && size == sizeof(data) && data == 1) g_Settings.InstallTrace = 1;
  SysRegCloseKey(key);
}

}  // namespace

const ConfigKeyRule* FindConfigKeyRule(const char16_t* key) {
  for (const ConfigKeyRule& rule : kStartupKeyRules)
    if (TextEqualNoCase(rule.key, key)) return &rule;
  return nullptr;
}

void ReadConfigKey(const ConfigKeyRule& rule, char16_t* out, uint32_t size) {
  const char16_t* fallback = rule.fallback ? rule.fallback : u"";
  switch (rule.place) {
    case kPlaceInstall:
      ReadKey(kSectionInstall, rule.key, fallback, out, size);
      break;
    case kPlaceDefault:
      ReadKey(kSectionDefault, rule.key, fallback, out, size);
      break;
    case kPlaceDefaultThenInstall:
      ReadDefaultThenInstall(rule.key, out, size);
      break;
    case kPlaceInstallThenDefault:
      ReadInstallThenDefault(rule.key, fallback, out, size);
      break;
    case kPlaceProductListPS2:
      ReadKey(kSectionProductListPS2, rule.key, fallback, out, size);
      break;
  }
}

int ConfigFlagOn(ConfigForm form, const char16_t* value) {
  switch (form) {
    case kFormF:
      return TextEqualNoCase(value, kValueFalse) ? 0 : 1;
    case kFormT1:
      return (TextEqualNoCase(value, kValueTrue) || TextEqual(value, kValueOne)) ? 1 : 0;
    default:
      return TextEqualNoCase(value, kValueTrue) ? 1 : 0;
  }
}

int LoadSetupConfiguration() {
  SettingsRecord& s = g_Settings;
  SetFolders();

  // The configuration file of the platform; ConfigFile is kept only once it is accepted.
  char16_t configFile[kTextSize];
  if (!ChooseConfigFile(configFile, kTextSize) || !SysPathExists(configFile)) {
    Trace(u"setup configuration file not found: %s", configFile);
    return 0;
  }
  char16_t supported[kSupportedSize];
  SysReadProfileString(kSectionInstall, kKeySupported, kDefaultSupported, supported, kSupportedSize, configFile);
  if (TextEqualNoCase(supported, kValueFalse)) {
    Trace(u"%s: Supported = %s", configFile, supported);
    return 0;
  }
  TextCopy(s.ConfigFile, configFile);
  Trace(u"ConfigFile = %s", s.ConfigFile);

  RunCreateFolder();

  char16_t defaultType[kTextSize];
  ReadStartupKeys(defaultType);
  ExpandVersionMacros();

  if (s.AskPath && s.MfgName[0]) {
    TextAppend(s.DefaultDestination, s.MfgName);
    TextAppend(s.DefaultDestination, u"\\");
    TextAppend(s.DefaultDestination, s.Title);
  }

  // Only one driver INF beside the program: nothing to ask.
  if (s.InfPresence == kInfPresentPS2 || s.InfPresence == kInfPresentBT || s.InfPresence == kInfPresentUSB)
    s.AskType = 0;

  ApplyDefaultType(defaultType);

  char16_t systemDir[kTextSize];
  if (!SysGetSystemDirectory(systemDir, kTextSize)) systemDir[0] = 0;
  ReadKey(kSectionInstall, kKeyDefaultAppPath, systemDir, s.DefaultAppPath, kTextSize);

  s.HelpFilesListed = SelectHelpFiles();
  ReadInstallTrace();
  return 1;
}
