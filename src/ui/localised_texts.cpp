// Localised interface texts: the key table of every template, read afresh from install.ini at
// each call, and the composition of the Start Installation summary.
#include "ui/localised_texts.h"

#include "common/text.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/ui.h"
#include "settings/config_keys.h"
#include "settings/settings.h"
#include "settings/model_table.h"
#include "resource_ids.h"
#include "ui/text_keys.h"

namespace {

// What happens to a text between reading and setting it.
enum Treatment {
  kPlain,
  kTitle,            // every %s becomes the product title
  kWelcomeTitle,     // every %s becomes the welcome title (or the product title)
  kFitButton,        // set, then the button is fitted to the text
  kExpandThenTitle,  // backslash-n escapes expanded, then every %s becomes the product title
  kUnlessSuppressed, // only when the caller's third argument is null
  kSummary,          // not read: the summary is composed from the settings
};

constexpr int kCaption = 0x7FFFFFFF;  // target: the window's own title

struct TextEntry {
  uint32_t templateId;
  const char16_t* key;
  int target;
  const char16_t* fallback;
  Treatment treatment;
};

// Wizard page titles, answered without a window.
const TextEntry kPageTitles[] = {
    {IDD_PAGE_WELCOME, kKeyWelcome, kCaption, u"Welcome", kPlain},
    {IDD_PAGE_INTERFACE, kKeySetupType, kCaption, u"Hardware Interface Selection", kPlain},
    {IDD_PAGE_MOUSE_MODEL, kKeyChooseMouseLocation, kCaption, u"Choose Mouse Location", kPlain},
    {IDD_PAGE_LOCATION, kKeyChooseMouseLocation, kCaption, u"Choose Mouse Location", kPlain},
    {IDD_PAGE_DESTINATION, kKeyChooseDestination, kCaption, u"Choose Destination Location", kPlain},
    {IDD_PAGE_START, kKeyStartCopying, kCaption, u"Start Installation", kPlain},
    {IDD_PAGE_COMPLETE, kKeySetupComplete, kCaption, u"Setup Complete", kPlain},
};

// Dialog and page texts, in the order they are set.
const TextEntry kDialogTexts[] = {
    {IDD_EXIT_SETUP, kKeyUserCancel, kCaption, u"Exit Setup", kPlain},
    {IDD_EXIT_SETUP, kKeyIdcText1, IDC_EXIT_TEXT1,
     u"Setup is incomplete. If you exit Setup now, %s will not be installed on your computer.", kTitle},
    {IDD_EXIT_SETUP, kKeyIdcText2, IDC_EXIT_TEXT2,
     u"To continue installing %s, click Resume.  To quit Setup, click Exit Setup.", kTitle},
    {IDD_EXIT_SETUP, kKeyIdcText22, IDC_EXIT_TEXT22,
     u"You may run Setup again to complete the installation at any time.", kPlain},
    {IDD_EXIT_SETUP, kKeyIdcResume, kIdOk, u"Resume", kPlain},
    {IDD_EXIT_SETUP, kKeyIdcExit, kIdCancel, u"E&xit Setup", kFitButton},

    {IDD_PAGE_INTERFACE, kKeySetupTypeText1, IDC_INTERFACE_TEXT,
     u"Please select the type of interface for your mouse.", kPlain},
    {IDD_PAGE_INTERFACE, kKeySetupType1, IDC_INTERFACE_PS2, u"PS/2 Interface", kPlain},
    {IDD_PAGE_INTERFACE, kKeySetupType2, IDC_INTERFACE_BT, u"Bluetooth Interface", kPlain},
    {IDD_PAGE_INTERFACE, kKeySetupType3, IDC_INTERFACE_USB, u"USB (Universal Serial Bus) Interface", kPlain},

    {IDD_PAGE_DESTINATION, kKeyChooseDest2, IDC_DEST_TEXT,
     u"Setup will install %s in the following folder. \\n\\nTo install to this folder, click Next. \\n\\nTo "
     u"install to a different folder, click Browse and select another folder.",
     kTitle},
    {IDD_PAGE_DESTINATION, kKeyChooseDest3, IDC_DEST_TEXT2,
     u"You can choose not to install %s by clicking Cancel to exit Setup.", kTitle},
    {IDD_PAGE_DESTINATION, kKeyDestinationStatic, IDC_DEST_GROUP, u"Destination Folder", kPlain},
    {IDD_PAGE_DESTINATION, kKeyBrowse, IDC_DEST_BROWSE, u"Browse...", kPlain},

    {IDD_PAGE_MOUSE_MODEL, kKeyMouseTypeText, IDC_MODEL_TEXT, u"Select your mouse:", kPlain},

    {IDD_PAGE_LOCATION, kKeyChooseStatic, IDC_LOCATION_TEXT,
     u"Choose the position you want to locate your mouse:", kPlain},
    {IDD_PAGE_LOCATION, kKeyRadioRight, IDC_LOCATION_RIGHT, u"Right side of the keyboard (for right hand user)",
     kPlain},
    {IDD_PAGE_LOCATION, kKeyRadioLeft, IDC_LOCATION_LEFT, u"Left side of the keyboard (for left hand user)", kPlain},

    {IDD_SETUP_FAILED, kKeySetupFail, kCaption, u"Setup Failed!", kPlain},
    {IDD_SETUP_FAILED, kKeyFailText, IDC_STATIC,
     u"Setup failed to install the driver on your system. Please refer to the README.TXT or user manual for "
     u"more information.",
     kPlain},
    {IDD_SETUP_FAILED, kKeyIdFail, IDC_FAIL_OK, u"OK", kPlain},

    {IDD_SETUP_ERROR, kKeySetupNoPrivilege, kCaption, u"Setup Error", kPlain},
    {IDD_SETUP_ERROR, kKeyErrorText, IDC_STATIC,
     u"You don't have enough privilege to install the driver. Please re-login as an administrator and run "
     u"this setup program again.",
     kPlain},
    {IDD_SETUP_ERROR, kKeyIdNoPrivilege, IDC_NOPRIVILEGE_OK, u"OK", kPlain},

    {IDD_COPY_PROGRESS, kKeyCopyFile4, IDC_COPY_LABEL,
     u"Please wait while Setup is copying the files to your system.", kPlain},
    {IDD_COPY_PROGRESS, kKeyCopyFile3, kIdCancel, u"Cancel", kPlain},

    {IDD_NEWER_VERSION, kKeyRecoverOlder, kCaption, u"Warning", kPlain},
    {IDD_NEWER_VERSION, kKeyFindNewerText, IDC_NEWER_TEXT,
     u"Setup found previous version of software newer than current version. You must remove previous "
     u"software before installing.",
     kPlain},
    {IDD_NEWER_VERSION, kKeyNewerNo, IDC_NEWER_EXIT, u"Exit Setup", kFitButton},

    {IDD_PAGE_COMPLETE, kKeyRestart1, IDC_COMPLETE_TEXT,
     u"Setup has successfully installed %s.\\n\\nBefore you can use %s, you must restart your computer.",
     kExpandThenTitle},
    {IDD_PAGE_COMPLETE, kKeyIdcRestart, IDC_COMPLETE_RESTART, u"Restart my computer now.", kPlain},
    {IDD_PAGE_COMPLETE, kKeyIdcNoRestart, IDC_COMPLETE_LATER, u"I will restart my computer later.", kPlain},
    {IDD_PAGE_COMPLETE, kKeyRestart2, IDC_COMPLETE_TEXT2, u"", kPlain},

    {IDD_PAGE_START, kKeyStartText, IDC_START_TEXT,
     u"Setup is ready to begin installation. Click Back to review or change the current configuration. If the "
     u"current configuration is correct, click Next to begin installation",
     kPlain},
    {IDD_PAGE_START, kKeyStartText2, IDC_START_LABEL, u"Current Configuration:", kPlain},
    {IDD_PAGE_START, nullptr, IDC_START_SUMMARY, nullptr, kSummary},

    {IDD_STAGE_WAIT, kKeyUpdateRegistry, IDC_STAGE_WAIT_TEXT, u"Setup is updating the registry. Please wait...",
     kUnlessSuppressed},

    {IDD_PAGE_WELCOME, kKeyWelcomeText1, IDC_WELCOME_TEXT1,
     u"Welcome to the %s Setup program.  This program will install %s on your computer.", kWelcomeTitle},
    {IDD_PAGE_WELCOME, kKeyWelcomeText2, IDC_WELCOME_TEXT2,
     u"It is strongly recommended that you exit all Windows programs before running this setup program.", kPlain},
};

// Summary labels and their defaults.
const char16_t kSummaryProduct[] = u"Product";
const char16_t kSummaryVersion[] = u"Version";
const char16_t kSummaryInterface[] = u"Mouse Interface";
const char16_t kSummaryPS2[] = u"PS/2 Interface";
const char16_t kSummaryBT[] = u"Bluetooth Interface";
const char16_t kSummaryUSB[] = u"USB (Universal Serial Bus) Interface";
const char16_t kSummaryLocation[] = u"Mouse Location";
const char16_t kSummaryLeft[] = u"Left side of the keyboard";
const char16_t kSummaryRight[] = u"Right side of the keyboard";
const char16_t kSummaryDestination[] = u"Installation Directory";

// Summary layout: the first label, every later label after a blank line, and the indent of a value.
const char16_t kFirstLabelFormat[] = u"%s:\r\n          ";
const char16_t kLabelFormat[] = u"\r\n\r\n%s:\r\n          ";
const char16_t kListLabelFormat[] = u"\r\n\r\n%s:";
const char16_t kIndent[] = u"\r\n          ";

// A file beside the program: its folder (up to the last backslash) + name, into out (260).
void FileBesideProgram(const char16_t* name, char16_t* out) {
  SysGetModulePath(out, 260);
  long cut = TextFindLastChar(out, u'\\');
  out[cut + 1] = 0;
  TextAppend(out, 260, name);
}

// Reads one text of the language section into out (kLocalisedTextSize characters).
void ReadLanguageText(const char16_t* languageFile, const char16_t* key, const char16_t* fallback, char16_t* out) {
  SysReadProfileString(g_Settings.LanguageName, key, fallback, out, kLocalisedTextSize, languageFile);
}

// The welcome title of SETUP2K.INI, or the product title when it is empty.
void ReadWelcomeTitle(char16_t* out) {
  char16_t file[260];
  FileBesideProgram(kFileSetup2K, file);
  SysReadProfileString(kSectionWelcomeTitle, kKeyWelcomeTitle, u"", out, kLocalisedTextSize, file);
  if (out[0] == 0) TextCopy(out, kLocalisedTextSize, g_Settings.Title);
}

// The name shown for the product: the chosen model's name when the user picks a model.
const char16_t* SummaryProductName() {
  const ModelRecord* model = g_Settings.ChooseMouse == 1 ? ChosenModel() : nullptr;
  return model ? model->name : g_Settings.Title;
}

// Appends one label line (label read from the language file, laid out by format) to summary.
void AppendLabel(char16_t* summary, const char16_t* languageFile, const char16_t* format, const char16_t* key,
                 const char16_t* fallback) {
  char16_t label[kLocalisedTextSize];
  char16_t line[kLocalisedTextSize];
  ReadLanguageText(languageFile, key, fallback, label);
  TextFormat(line, kLocalisedTextSize, format, label);
  TextAppend(summary, kLocalisedTextSize, line);
}

// Appends a value text read from the language file to summary.
void AppendValue(char16_t* summary, const char16_t* languageFile, const char16_t* key, const char16_t* fallback) {
  char16_t value[kLocalisedTextSize];
  ReadLanguageText(languageFile, key, fallback, value);
  TextAppend(summary, kLocalisedTextSize, value);
}

// The key and default of an interface's name, or false for a code without a name.
bool InterfaceName(int32_t interfaceType, const char16_t** key, const char16_t** fallback) {
  switch (interfaceType) {
    case kInterfacePS2:
      *key = kKeyIdsPS2;
      *fallback = kSummaryPS2;
      return true;
    case kInterfaceBluetooth:
      *key = kKeyIdsBT;
      *fallback = kSummaryBT;
      return true;
    case kInterfaceUSB:
      *key = kKeyIdsUSB;
      *fallback = kSummaryUSB;
      return true;
    default:
      return false;
  }
}

// Sets one text of the table on the window.
void ApplyEntry(WindowHandle window, const TextEntry& entry, const char16_t* languageFile, const char16_t* title) {
  char16_t text[kLocalisedTextSize];
  char16_t formatted[kLocalisedTextSize];
  const char16_t* shown = text;
  if (entry.treatment == kSummary) {
    BuildInstallSummary(text);
  } else {
    if (entry.treatment == kUnlessSuppressed && title != nullptr) return;
    ReadLanguageText(languageFile, entry.key, entry.fallback, text);
  }
  switch (entry.treatment) {
    case kTitle:
      FormatWithTitle(formatted, text, g_Settings.Title);
      shown = formatted;
      break;
    case kWelcomeTitle: {
      char16_t welcome[kLocalisedTextSize];
      ReadWelcomeTitle(welcome);
      FormatWithTitle(formatted, text, welcome);
      shown = formatted;
      break;
    }
    case kExpandThenTitle:
      ExpandNewlineEscapes(text);
      FormatWithTitle(formatted, text, g_Settings.Title);
      shown = formatted;
      break;
    default:
      break;
  }
  if (entry.target == kCaption)
    SysSetWindowText(window, shown);
  else
    SysSetDlgItemText(window, entry.target, shown);
  if (entry.treatment == kFitButton) FitButtonToText(window, entry.target, shown);
}

}  // namespace

int ApplyLocalisedTexts(WindowHandle window, uint32_t templateId, char16_t* title) {
  char16_t languageFile[260];
  FileBesideProgram(kFileLanguage, languageFile);
  int known = 0;
  if (window == nullptr) {
    for (const TextEntry& entry : kPageTitles) {
      if (entry.templateId != templateId) continue;
      if (title != nullptr) ReadLanguageText(languageFile, entry.key, entry.fallback, title);
      return 1;
    }
    return 0;
  }
  for (const TextEntry& entry : kDialogTexts) {
    if (entry.templateId != templateId) continue;
    ApplyEntry(window, entry, languageFile, title);
    known = 1;
  }
  return known;
}

void FitButtonToText(WindowHandle dialog, int id, const char16_t* text) {
  WindowHandle button = SysGetDlgItem(dialog, id);
  if (button == nullptr) return;
  int32_t textWidth = 0;
  int32_t textHeight = 0;
  DeviceContext dc = SysGetDC(button);
  SysGetTextExtent(dc, text, static_cast<int>(TextLength(text)), &textWidth, &textHeight);
  SysReleaseDC(button, dc);

  SysRect rect = {};
  SysGetWindowRect(button, &rect);
  SysPoint corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
  SysMapWindowPoints(nullptr, dialog, corners, 2);
  SysRect client = {};
  SysGetClientRect(dialog, &client);

  int32_t width = textWidth;
  if (corners[0].x + textWidth >= client.right) width = client.right - corners[0].x - 10;
  SysMoveWindow(button, corners[0].x, corners[0].y, width, corners[1].y - corners[0].y, 0);
}

void ExpandNewlineEscapes(char16_t* text) {
  for (char16_t* p = text; *p; ++p) {
    if (p[0] == u'\\' && p[1] == u'n') {
      p[0] = u' ';
      p[1] = u'\n';
    }
  }
}

void FormatWithTitle(char16_t* out, const char16_t* format, const char16_t* title) {
  size_t used = 0;
  const size_t last = kLocalisedTextSize - 1;
  for (const char16_t* p = format; *p && used < last; ++p) {
    if (p[0] == u'%' && p[1] == u's') {
      for (const char16_t* t = title; *t && used < last; ++t) out[used++] = *t;
      ++p;
    } else if (p[0] == u'%' && p[1] == u'%') {
      out[used++] = u'%';
      ++p;
    } else {
      out[used++] = *p;
    }
  }
  out[used] = 0;
}

void BuildInstallSummary(char16_t* out) {
  char16_t languageFile[260];
  FileBesideProgram(kFileLanguage, languageFile);
  const SettingsRecord& s = g_Settings;
  out[0] = 0;

  AppendLabel(out, languageFile, kFirstLabelFormat, kKeyIdsProduct, kSummaryProduct);
  TextAppend(out, kLocalisedTextSize, SummaryProductName());

  AppendLabel(out, languageFile, kLabelFormat, kKeyIdsVersion, kSummaryVersion);
  TextAppend(out, kLocalisedTextSize, s.Version);

  const char16_t* key = nullptr;
  const char16_t* fallback = nullptr;
  if (s.InstallAllType == 0) {
    AppendLabel(out, languageFile, kLabelFormat, kKeyIdsInterface, kSummaryInterface);
    if (InterfaceName(s.InterfaceType, &key, &fallback)) AppendValue(out, languageFile, key, fallback);
  } else {
    AppendLabel(out, languageFile, kListLabelFormat, kKeyIdsInterface, kSummaryInterface);
    const int32_t bits[] = {kInfPresentPS2, kInfPresentBT, kInfPresentUSB};
    const int32_t types[] = {kInterfacePS2, kInterfaceBluetooth, kInterfaceUSB};
    for (int i = 0; i < 3; ++i) {
      if ((s.InfPresence & bits[i]) == 0) continue;
      TextAppend(out, kLocalisedTextSize, kIndent);
      InterfaceName(types[i], &key, &fallback);
      AppendValue(out, languageFile, key, fallback);
    }
  }

  if (s.AskMousePosition == 1) {
    AppendLabel(out, languageFile, kLabelFormat, kKeyIdsLocation, kSummaryLocation);
    if (s.LeftHanded == 1)
      AppendValue(out, languageFile, kKeyIdsLeft, kSummaryLeft);
    else
      AppendValue(out, languageFile, kKeyIdsRight, kSummaryRight);
  }

  if (s.AskPath == 1) {
    AppendLabel(out, languageFile, kLabelFormat, kKeyIdsDestination, kSummaryDestination);
    TextAppend(out, kLocalisedTextSize, s.DestinationDir);
  }
}

void FormatControlWithTitle(WindowHandle dialog, int id) {
  char16_t text[kLocalisedTextSize];
  char16_t formatted[kLocalisedTextSize];
  SysGetDlgItemText(dialog, id, text, kLocalisedTextSize);
  FormatWithTitle(formatted, text, g_Settings.Title);
  SysSetDlgItemText(dialog, id, formatted);
}
