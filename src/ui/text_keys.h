// Names the wizard reads: the language file's text keys (one per text shown to the user) and the
// welcome-title key of SETUP2K.INI. Templates and controls are named in res/resource_ids.h.
#pragma once
#include <cstdint>

// ---- install.ini text keys, section LanguageName ------------------------------------------
// Wizard page titles.
inline constexpr const char16_t* kKeyWelcome = u"WELCOME";
inline constexpr const char16_t* kKeySetupType = u"SETUP_TYPE";
inline constexpr const char16_t* kKeyChooseMouseLocation = u"CHOOSE_MOUSE_LOCATION";
inline constexpr const char16_t* kKeyChooseDestination = u"CHOOSE_DESTINATION";
inline constexpr const char16_t* kKeyStartCopying = u"START_COPYING";
inline constexpr const char16_t* kKeySetupComplete = u"SETUP_COMPLETE";

// Exit Setup.
inline constexpr const char16_t* kKeyUserCancel = u"USER_CANCEL";
inline constexpr const char16_t* kKeyIdcText1 = u"IDC_TEXT1";
inline constexpr const char16_t* kKeyIdcText2 = u"IDC_TEXT2";
inline constexpr const char16_t* kKeyIdcText22 = u"IDC_TEXT22";
inline constexpr const char16_t* kKeyIdcResume = u"IDC_RESUME";
inline constexpr const char16_t* kKeyIdcExit = u"IDC_EXIT";

// Hardware Interface Selection.
inline constexpr const char16_t* kKeySetupTypeText1 = u"SETUP_TYPE_TEXT1";
inline constexpr const char16_t* kKeySetupType1 = u"SETUP_TYPE1";
inline constexpr const char16_t* kKeySetupType2 = u"SETUP_TYPE2";
inline constexpr const char16_t* kKeySetupType3 = u"SETUP_TYPE3";

// Choose Destination Location.
inline constexpr const char16_t* kKeyChooseDest2 = u"CHOOSEDEST2";
inline constexpr const char16_t* kKeyChooseDest3 = u"CHOOSEDEST3";
inline constexpr const char16_t* kKeyDestinationStatic = u"IDC_DESTINATION_STATIC";
inline constexpr const char16_t* kKeyBrowse = u"BROWSE";

// Mouse model and mouse location.
inline constexpr const char16_t* kKeyMouseTypeText = u"IDC_STATIC_MOUSE_TYPE_TEXT";
inline constexpr const char16_t* kKeyChooseStatic = u"IDC_CHOOSE_STATIC";
inline constexpr const char16_t* kKeyRadioRight = u"IDC_RADIO_RIGHT";
inline constexpr const char16_t* kKeyRadioLeft = u"IDC_RADIO_LEFT";

// Setup Failed and Setup Error.
inline constexpr const char16_t* kKeySetupFail = u"SETUP_FAIL";
inline constexpr const char16_t* kKeyFailText = u"FAIL_TEXT";
inline constexpr const char16_t* kKeyIdFail = u"ID_FAIL";
inline constexpr const char16_t* kKeySetupNoPrivilege = u"SETUP_NOPRIVILEGE";
inline constexpr const char16_t* kKeyErrorText = u"IDC_ERROR_TEXT";
inline constexpr const char16_t* kKeyIdNoPrivilege = u"ID_NOPRIVILEGE";

// Copy progress.
inline constexpr const char16_t* kKeyCopyFile4 = u"COPYFILE4";
inline constexpr const char16_t* kKeyCopyFile3 = u"COPYFILE3";

// Newer-version warning.
inline constexpr const char16_t* kKeyRecoverOlder = u"SETUP_RECOVER_OLDER";
inline constexpr const char16_t* kKeyFindNewerText = u"FIND_NEWER_TEXT";
inline constexpr const char16_t* kKeyNewerNo = u"IDC_NEWER_NO";

// Setup Complete.
inline constexpr const char16_t* kKeyRestart1 = u"RESTART1";
inline constexpr const char16_t* kKeyIdcRestart = u"IDC_RESTART";
inline constexpr const char16_t* kKeyIdcNoRestart = u"IDC_NORESTART";
inline constexpr const char16_t* kKeyRestart2 = u"RESTART2";

// Start Installation and its summary labels.
inline constexpr const char16_t* kKeyStartText = u"IDC_START_TEXT";
inline constexpr const char16_t* kKeyStartText2 = u"IDC_START_TEXT2";
inline constexpr const char16_t* kKeyIdsProduct = u"IDS_PRODUCT";
inline constexpr const char16_t* kKeyIdsVersion = u"IDS_VERSION";
inline constexpr const char16_t* kKeyIdsInterface = u"IDS_INTERFACE";
inline constexpr const char16_t* kKeyIdsPS2 = u"IDS_PS2";
inline constexpr const char16_t* kKeyIdsBT = u"IDS_BT";
inline constexpr const char16_t* kKeyIdsUSB = u"IDS_USB";
inline constexpr const char16_t* kKeyIdsLocation = u"IDS_LOCATION";
inline constexpr const char16_t* kKeyIdsLeft = u"IDS_LEFT";
inline constexpr const char16_t* kKeyIdsRight = u"IDS_RIGHT";
inline constexpr const char16_t* kKeyIdsDestination = u"IDS_DESTINATION";

// Registry-update wait dialog.
inline constexpr const char16_t* kKeyUpdateRegistry = u"IDC_UPDATE_REGISTRY";

// Welcome.
inline constexpr const char16_t* kKeyWelcomeText1 = u"WELCOME_TEXT1";
inline constexpr const char16_t* kKeyWelcomeText2 = u"WELCOME_TEXT2";

// ---- SETUP2K.INI beside the program --------------------------------------------------------
inline constexpr const char16_t* kSectionWelcomeTitle = u"Install";
inline constexpr const char16_t* kKeyWelcomeTitle = u"Welcome Title";

// ---- Background window ---------------------------------------------------------------------
// Window class of the main background window.
inline constexpr const char16_t* kBackgroundClassName = u"NMSetup";
// SETUP2K.INI in the Windows folder (named without a folder): the caption of Especial builds.
inline constexpr const char16_t* kFileSetup2KNoFolder = u"SETUP2K.INI";
inline constexpr const char16_t* kSectionSetupTitle = u"Install";
inline constexpr const char16_t* kKeySetupTitle = u"SetupTite";
inline constexpr const char16_t* kKeyChineseSetupTitle = u"CH_SetupTite";
// EspecialFile: the face of the title font.
inline constexpr const char16_t* kSectionTitleFont = u"Especial";
inline constexpr const char16_t* kKeyTitleFont = u"FontName";
// install.ini, language section: the caption word after the title.
inline constexpr const char16_t* kKeyStringInstall = u"IDS_STRING_INSTALL";

// ---- Product lists of the setup configuration file, by interface ------------------------------
inline constexpr const char16_t* kSectionProductListPS2Models = u"Product.List.PS2";
inline constexpr const char16_t* kSectionProductListBluetooth = u"Product.List";
inline constexpr const char16_t* kSectionProductListUSB = u"Product.List.USB";
// Ending of a picture bundle's file name (from the first dot of the full path on).
inline constexpr const char16_t* kBundleExtension = u".img";

// ---- Folder browser ----------------------------------------------------------------------------
inline constexpr const char16_t* kBrowseTitle = u"Please select a folder";
