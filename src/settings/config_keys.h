// Names that start-up reads: package file names, sections and keys of the setup configuration
// file, the language file and SETUP2K.INI, and the registry paths and values it consults.
#pragma once
#include "settings/product_keys.h"

// Package files beside the program.
inline constexpr const char16_t* kFileSetup95 = u"SETUP95.INI";
inline constexpr const char16_t* kFileSetup98 = u"SETUP98.INI";
inline constexpr const char16_t* kFileSetupMe = u"SETUPME.INI";
inline constexpr const char16_t* kFileSetupNT = u"SETUPNT.INI";
inline constexpr const char16_t* kFileSetup2K = u"SETUP2K.INI";
inline constexpr const char16_t* kFileLanguage = u"install.ini";

// SETUP2K.INI, whatever the platform: the Especial switch.
inline constexpr const char16_t* kSectionEspecial = u"Especial";
inline constexpr const char16_t* kKeyEspecial = u"especial";

// Language file.
inline constexpr const char16_t* kSectionLanguage = u"LANGUAGE";
inline constexpr const char16_t* kKeyLanguageId = u"Languageid";

// Sections of the setup configuration file read at start-up.
inline constexpr const char16_t* kSectionInstall = u"Install";
inline constexpr const char16_t* kSectionDefault = u"Default";
inline constexpr const char16_t* kSectionProductListPS2 = u"Product.List.PS2";
inline constexpr const char16_t* kSectionCreateFolder = u"CreateFolder";
inline constexpr const char16_t* kSectionHelpFileList = u"HelpFileList";
inline constexpr const char16_t* kSectionStrings = u"Strings";

// Keys, in the order the loader reads them.
inline constexpr const char16_t* kKeySupported = u"Supported";
inline constexpr const char16_t* kKeyTitle = u"Title";
inline constexpr const char16_t* kKeyProductKey = u"ProductKey";
inline constexpr const char16_t* kKeyChTitle = u"CH_Title";
inline constexpr const char16_t* kKeyVersion = u"Version";
inline constexpr const char16_t* kKeySubVersion = u"SubVersion";
inline constexpr const char16_t* kKeyInfFile = u"InfFile";
inline constexpr const char16_t* kKeyUSBInf01 = u"USBInf01";
inline constexpr const char16_t* kKeyUSBInf = u"USBInf";
inline constexpr const char16_t* kKeyBTInf = u"BTInf";
inline constexpr const char16_t* kKeyUSBInstallSection = u"USBInstallSection";
inline constexpr const char16_t* kKeyUSBClass = u"USBClass";
inline constexpr const char16_t* kKeyPS2DriverName = u"PS2DriverName";
inline constexpr const char16_t* kKeyBTDriverName = u"BTDriverName";
inline constexpr const char16_t* kKeyUSBDriverName = u"USBDriverName";
inline constexpr const char16_t* kKeyPS2PnPID = u"PS2PnPID";
inline constexpr const char16_t* kKeySerialPnPID = u"SerialPnPID";
inline constexpr const char16_t* kKeyUSBPnPID = u"USBPnPID";
inline constexpr const char16_t* kKeyMfgName = u"MfgName";
inline constexpr const char16_t* kKeyProvider = u"Provider";
inline constexpr const char16_t* kKeyDrvSetupProgram = u"DrvSetupProgram";
inline constexpr const char16_t* kKeyDrvSetupAction = u"DrvSetupAction";
inline constexpr const char16_t* kKeyBkgLogo = u"BkgLogo";
inline constexpr const char16_t* kKeyCabFile = u"CabFile";
inline constexpr const char16_t* kKeyCabFileName = u"CabFileName";
inline constexpr const char16_t* kKeyUninstallConflictSoftware = u"UninstallConflictSoftware";
inline constexpr const char16_t* kKeySubFolder = u"SubFolder";
inline constexpr const char16_t* kKeyAskType = u"AskType";
inline constexpr const char16_t* kKeyInstallAllType = u"InstallAllType";
inline constexpr const char16_t* kKeyDeleteINFIndex = u"DeleteINFIndex";
inline constexpr const char16_t* kKeyCanUninstall = u"CanUninstall";
inline constexpr const char16_t* kKeyUninstallKey = u"UninstallKey";
inline constexpr const char16_t* kKeyCallConfigMg = u"CALLCONFIGMG";
inline constexpr const char16_t* kKeyInfNoFileCopy = u"InfNoFileCopy";
inline constexpr const char16_t* kKeyRestart = u"Restart";
inline constexpr const char16_t* kKeyConfirmInfo = u"ConfirmInfo";
inline constexpr const char16_t* kKeyChooseMouse = u"ChooseMouse";
inline constexpr const char16_t* kKeyForceReBoot = u"ForceReBoot";
inline constexpr const char16_t* kKeyPS2DriverNameIsProductName = u"PS2DriverNameIsProductName";
inline constexpr const char16_t* kKeyAskPath = u"AskPath";
inline constexpr const char16_t* kKeyUnShowWarning = u"UnShowWarning";
inline constexpr const char16_t* kKeyAskMousePosition = u"AskMousePosition";
inline constexpr const char16_t* kKeyDefaultModel = u"Default";  // of [Product.List.PS2]
inline constexpr const char16_t* kKeyReplace = u"Replace";
inline constexpr const char16_t* kKeyCompareSubVer = u"CompareSubVer";
inline constexpr const char16_t* kKeySleep1Sec = u"Sleep1Sec";
inline constexpr const char16_t* kKeyModeDPInst = u"Mode_DPInst";
inline constexpr const char16_t* kKeyDelQx410MenuTitle = u"DelQx410MenuTitle";
inline constexpr const char16_t* kKeyNewUI = u"NewUI";  // of [Product.List.PS2]
inline constexpr const char16_t* kKeyDefaultType = u"DefaultType";
inline constexpr const char16_t* kKeyDefaultAppPath = u"DefaultAppPath";

// Compiled-in values for keys that are missing.
inline constexpr const char16_t* kDefaultSupported = u"TRUE";
inline constexpr const char16_t* kDefaultTitle = u"Glidewave 98";
inline constexpr const char16_t* kDefaultProductKey = u"Glidewave";
inline constexpr const char16_t* kDefaultVersion = u"1.0";
inline constexpr const char16_t* kDefaultInfFile = u"Nmouse.inf";
inline constexpr const char16_t* kDefaultUSBInf = u"NHIDMou.INF";
inline constexpr const char16_t* kDefaultBTInf = u"Nbtmouse.inf";
inline constexpr const char16_t* kDefaultPS2DriverName = u"PS/2 Orbex";
inline constexpr const char16_t* kDefaultUSBDriverName = u"USB Orbex";
inline constexpr const char16_t* kDefaultPS2PnPID = u"*PNP0F13";
inline constexpr const char16_t* kDefaultSerialPnPID = u"NVK0002";
inline constexpr const char16_t* kDefaultMaker = u"Norvik Electronics Ltd.";
inline constexpr const char16_t* kDefaultSubFolder = u"gw98";
inline constexpr const char16_t* kDefaultDefaultType = u"USB";

// Boolean texts.
inline constexpr const char16_t* kValueTrue = u"TRUE";
inline constexpr const char16_t* kValueFalse = u"FALSE";
inline constexpr const char16_t* kValueOne = u"1";

// Where the loader looks for a start-up key.
enum ConfigPlace {
  kPlaceInstall,             // [Install] only
  kPlaceDefault,             // [Default] only
  kPlaceDefaultThenInstall,  // [Default]; [Install] when that is empty
  kPlaceInstallThenDefault,  // [Install]; [Default] only when [Install] holds the key empty
  kPlaceProductListPS2,      // [Product.List.PS2]
};
// How a boolean key is read: T on only for "TRUE", F on unless "FALSE", T1 on for "TRUE" or "1"
// (texts ignoring case); kFormText for keys that are not booleans.
enum ConfigForm { kFormText, kFormT, kFormF, kFormT1 };

struct ConfigKeyRule {
  const char16_t* key;
  ConfigPlace place;
  ConfigForm form;
  const char16_t* fallback;  // value of a missing key; null when the loader computes it
};

// The start-up keys in the order the loader reads them, with where it looks and how it reads
// them. The loader reads every key through this table (FindConfigKeyRule).
inline constexpr ConfigKeyRule kStartupKeyRules[] = {
    {kKeySupported, kPlaceInstall, kFormText, kDefaultSupported},
    {kKeyTitle, kPlaceInstall, kFormText, kDefaultTitle},
    {kKeyProductKey, kPlaceInstall, kFormText, kDefaultProductKey},
    {kKeyChTitle, kPlaceInstall, kFormText, kDefaultTitle},
    {kKeyVersion, kPlaceInstall, kFormText, kDefaultVersion},
    {kKeySubVersion, kPlaceInstall, kFormText, kDefaultVersion},
    {kKeyInfFile, kPlaceInstall, kFormText, kDefaultInfFile},
    {kKeyUSBInf01, kPlaceInstall, kFormText, u""},
    {kKeyUSBInf, kPlaceInstallThenDefault, kFormText, kDefaultUSBInf},
    {kKeyBTInf, kPlaceInstall, kFormText, kDefaultBTInf},
    {kKeyUSBInstallSection, kPlaceInstall, kFormText, u""},
    {kKeyUSBClass, kPlaceInstall, kFormText, u""},
    {kKeyPS2DriverName, kPlaceInstall, kFormText, kDefaultPS2DriverName},
    {kKeyBTDriverName, kPlaceInstall, kFormText, u""},
    {kKeyUSBDriverName, kPlaceInstall, kFormText, kDefaultUSBDriverName},
    {kKeyPS2PnPID, kPlaceInstall, kFormText, kDefaultPS2PnPID},
    {kKeySerialPnPID, kPlaceInstall, kFormText, kDefaultSerialPnPID},
    {kKeyUSBPnPID, kPlaceInstall, kFormText, u""},
    {kKeyMfgName, kPlaceInstall, kFormText, kDefaultMaker},
    {kKeyProvider, kPlaceInstall, kFormText, kDefaultMaker},
    {kKeyDrvSetupProgram, kPlaceInstall, kFormText, u""},
    {kKeyDrvSetupAction, kPlaceInstall, kFormText, u""},
    {kKeyBkgLogo, kPlaceInstall, kFormText, u""},
    {kKeyCabFile, kPlaceDefaultThenInstall, kFormT, u""},
    {kKeyCabFileName, kPlaceDefaultThenInstall, kFormText, u""},
    {kKeyUninstallConflictSoftware, kPlaceDefaultThenInstall, kFormF, u""},
    {kKeySubFolder, kPlaceDefault, kFormText, kDefaultSubFolder},
    {kKeyAskType, kPlaceDefaultThenInstall, kFormT, u""},
    {kKeyInstallAllType, kPlaceDefaultThenInstall, kFormT, u""},
    {kKeyDeleteINFIndex, kPlaceDefaultThenInstall, kFormT, u""},
    {kKeyCanUninstall, kPlaceDefault, kFormF, u""},
    {kKeyUninstallKey, kPlaceDefaultThenInstall, kFormText, u""},
    {kKeyCallConfigMg, kPlaceDefaultThenInstall, kFormT1, u""},
    {kKeyInfNoFileCopy, kPlaceDefaultThenInstall, kFormT1, u""},
    {kKeyRestart, kPlaceDefaultThenInstall, kFormT, u""},
    {kKeyConfirmInfo, kPlaceDefaultThenInstall, kFormF, u""},
    {kKeyChooseMouse, kPlaceDefaultThenInstall, kFormT, u""},
    {kKeyForceReBoot, kPlaceDefaultThenInstall, kFormT, u""},
    {kKeyPS2DriverNameIsProductName, kPlaceDefaultThenInstall, kFormT, u""},
    {kKeyAskPath, kPlaceDefaultThenInstall, kFormT, u""},
    {kKeyUnShowWarning, kPlaceDefault, kFormT, u""},
    {kKeyAskMousePosition, kPlaceDefaultThenInstall, kFormT, u""},
    {kKeyDefaultModel, kPlaceProductListPS2, kFormText, u""},
    {kKeyReplace, kPlaceDefault, kFormT, kValueTrue},
    {kKeyCompareSubVer, kPlaceDefault, kFormT, kValueFalse},
    {kKeySleep1Sec, kPlaceDefault, kFormT, kValueFalse},
    {kKeyModeDPInst, kPlaceDefault, kFormT, kValueFalse},
    {kKeyDelQx410MenuTitle, kPlaceDefault, kFormT, kValueFalse},
    {kKeyNewUI, kPlaceProductListPS2, kFormT, kValueFalse},
    {kKeyDefaultType, kPlaceInstallThenDefault, kFormText, kDefaultDefaultType},
    {kKeyDefaultAppPath, kPlaceInstall, kFormText, nullptr},  // the system folder
};

// Language name that, with Especial on, selects the CH_ variants.
inline constexpr const char16_t* kLanguageChinese = u"CHINESE";

// Registry: the maker's key with the diagnostic switch (HKEY_LOCAL_MACHINE).
inline constexpr const char16_t* kRegValueInstallTrace = u"InstallTrace";

// Registry: the user's locale (HKEY_CURRENT_USER), NT family and 9x family.
inline constexpr const char16_t* kRegPathInternational = u"Control Panel\\International";
inline constexpr const char16_t* kRegValueLocale = u"Locale";
inline constexpr const char16_t* kRegPathResourceLocale = u"Control Panel\\Desktop\\ResourceLocale";
inline constexpr const char16_t* kDefaultLocale = u"00000409";
