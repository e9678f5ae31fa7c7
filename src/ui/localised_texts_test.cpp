// Localised texts: page titles, escapes, title formatting and the Start Installation summary;
// "Setup Failed!", "Setup Error" and "Exit Setup" in the chosen language, the buttons that close
// them and what each answer returns.
#include "ui/localised_texts.h"

#include <string>
#include <utility>
#include <vector>

#include "common/text.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/ui.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"
#include "ui/exit_setup_dialog.h"
#include "ui/message_dialogs.h"

namespace {

class LocalisedTextsTest : public SimFixture {
 protected:
  void Prepare() override {
    TextCopy(g_Settings.Title, u"Glidewave 98");
    TextCopy(g_Settings.Version, u"2.1");
  }
};

const char kIndent[] = "\r\n          ";

TEST_F(LocalisedTextsTest, NewlineEscapes) {
  // Any backslash-n pair, even inside a path; in "\\n" the second backslash pairs with the n.
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"A\\n\\nB", u"A \n \nB"}, {u"C:\\new", u"C: \new"}, {u"a\\tb\\", u"a\\tb\\"}, {u"\\\\n", u"\\ \n"}, {u"", u""}};
  for (const auto& c : cases) {
    char16_t text[64];
    TextCopy(text, c.first);
    ExpandNewlineEscapes(text);
    EXPECT_EQ(std::u16string(text), std::u16string(c.second)) << sim::ToUtf8(c.first);
  }
}

TEST_F(LocalisedTextsTest, InstallSummary) {
  struct Case { const char* name; const char* ini;
      int32_t installAll, interfaceType, infPresence, askPosition, leftHanded, askPath; std::string expected; };
  const std::string product = std::string("Product:") + kIndent + "Glidewave 98";
  const std::string version = std::string("\r\n\r\nVersion:") + kIndent + "2.1";
  const Case cases[] = {
      {"PS/2 without location and destination", nullptr, 0, 1, 7, 0, 0, 0,
       product + version + "\r\n\r\nMouse Interface:" + kIndent + "PS/2 Interface"},
      {"USB on the right, destination", nullptr, 0, 3, 0, 1, 0, 1,
       product + version + "\r\n\r\nMouse Interface:" + kIndent + "USB (Universal Serial Bus) Interface" +
           "\r\n\r\nMouse Location:" + kIndent + "Right side of the keyboard" +
           "\r\n\r\nInstallation Directory:" + kIndent + "C:\\Tools"},
      {"unknown interface code names nothing", nullptr, 0, 7, 0, 0, 0, 0, product + version + "\r\n\r\nMouse Interface:" + kIndent},
      {"all interfaces present beside the program", nullptr, 1, 3, 5, 0, 0, 0, product + version + "\r\n\r\nMouse Interface:" + kIndent + "PS/2 Interface" + kIndent + "USB (Universal Serial Bus) Interface"},
      {"labels from the language section", "[ENGLISH]\r\nIDS_PRODUCT=Produkt\r\nIDS_PS2=PS2\r\n", 0, 1, 0, 0, 0, 0, std::string("Produkt:") + kIndent + "Glidewave 98" + version + "\r\n\r\nMouse Interface:" + kIndent + "PS2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    TextCopy(g_Settings.DestinationDir, u"C:\\Tools");
    if (c.ini) WritePackageFile(u"install.ini", c.ini);
    g_Settings.InstallAllType = c.installAll, g_Settings.InterfaceType = c.interfaceType;
    g_Settings.InfPresence = c.infPresence, g_Settings.AskMousePosition = c.askPosition;
    g_Settings.LeftHanded = c.leftHanded, g_Settings.AskPath = c.askPath;
    char16_t summary[kLocalisedTextSize];
    BuildInstallSummary(summary);
    EXPECT_EQ(sim::ToUtf8(summary), c.expected);
  }
}

// A page or dialog made from its template with no procedure of its own, as a child of a plain
// frame for pages.
WindowHandle MakeDialog(uint32_t templateId) {
  sim::internal::WindowDescription desc;
  desc.className = u"Frame", desc.style = sim::kWsPopup, desc.width = 600, desc.height = 400;
  WindowHandle frame = sim::internal::CreateWindowObject(desc);
  return sim::internal::CreateDialogFromTemplate(templateId, frame, true, nullptr, 0);
}

std::string Text(WindowHandle window) {
  char16_t text[1024] = u"<none>";
  if (window) SysGetWindowText(window, text, 1024);
  return sim::ToUtf8(text);
}

TEST_F(LocalisedTextsTest, TextsOnTheirDialogs) {
  constexpr int kCaption = 0;  // the window's own title
  struct Case { const char* name; uint32_t templateId;
      const char *ini, *setup2k;  // install.ini, SETUP2K.INI beside the program
      bool suppress;              // a non-null third argument
      std::vector<std::pair<int, std::string>> texts; };
  const Case cases[] = {
      {"German section with one key", IDD_PAGE_WELCOME,
       "[GERMAN]\r\nWELCOME_TEXT1=Willkommen bei %s. %s wird installiert.\r\n", nullptr, false,
       {{IDC_WELCOME_TEXT1, "Willkommen bei Glidewave 98. Glidewave 98 wird installiert."}}},
      {"welcome title from SETUP2K.INI", IDD_PAGE_WELCOME, nullptr, "[Install]\r\nWelcome Title=Glidewave Pro\r\n",
       false,
       {{IDC_WELCOME_TEXT1,
         "Welcome to the Glidewave Pro Setup program.  This program will install Glidewave Pro on your computer."}}},
      {"RESTART1 with a backslash-n pair", IDD_PAGE_COMPLETE,
       "[GERMAN]\r\nRESTART1=%s ist installiert.\\nBitte starten Sie neu.\r\nRESTART2=Danke.\r\n", nullptr, false,
       {{IDC_COMPLETE_TEXT, "Glidewave 98 ist installiert. \nBitte starten Sie neu."},
        {IDC_COMPLETE_RESTART, "Restart my computer now."},
        {IDC_COMPLETE_TEXT2, "Danke."}}},
      {"wait dialog", IDD_STAGE_WAIT, "[GERMAN]\r\nIDC_UPDATE_REGISTRY=Bitte warten\r\n", nullptr, false, {{IDC_STAGE_WAIT_TEXT, "Bitte warten"}}},
      {"wait dialog told to leave its text", IDD_STAGE_WAIT, "[GERMAN]\r\nIDC_UPDATE_REGISTRY=Bitte warten\r\n", nullptr, true, {{IDC_STAGE_WAIT_TEXT, "Setup is updating the registry. Please wait..."}}},
      {"captions", IDD_NEWER_VERSION, "[GERMAN]\r\nSETUP_RECOVER_OLDER=Warnung\r\n", nullptr, false, {{kCaption, "Warnung"}, {IDC_NEWER_EXIT, "Exit Setup"}, {IDC_NEWER_CONTINUE, "&Continue"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    TextCopy(g_Settings.LanguageName, u"GERMAN");
    g_Settings.InterfaceType = 1;
    if (c.ini) WritePackageFile(u"install.ini", c.ini);
    if (c.setup2k) WritePackageFile(u"SETUP2K.INI", c.setup2k);
    WindowHandle dialog = MakeDialog(c.templateId);
    ASSERT_NE(dialog, nullptr);
    char16_t unused[kLocalisedTextSize] = u"";
    EXPECT_EQ(ApplyLocalisedTexts(dialog, c.templateId, c.suppress ? unused : nullptr), 1);
    for (const auto& expected : c.texts)
      EXPECT_EQ(Text(expected.first == kCaption ? dialog : SysGetDlgItem(dialog, expected.first)), expected.second)
          << expected.first;
  }
}

class MessageDialogsTest : public SimFixture {
 protected:
  void Prepare() override { TextCopy(g_Settings.Title, u"Glidewave 98"); }
  // The text of a control of the newest dialog of a template (alive or closed).
  static std::string ControlText(uint32_t templateId, int id) {
    sim::WindowInfo info;
    if (!sim::GetWindowInfo(sim::FindControl(sim::FindDialog(templateId), id), &info)) return "<none>";
    return info.text;
  }
};

// A dialog text without a language version: the built-in one, whatever its wording.
const char kBuiltIn[] = "<built-in>";

TEST_F(MessageDialogsTest, FailureDialogsCloseWithOneAndShowTheLanguage) {
  // Setup Failed (else Setup Error), install.ini, the button pressed (0: the default one), the
  // journal line, the text and the button's text (nullptr: not checked).
  const struct { const char* name; bool setupFailed; const char* ini; int press; const char *journal, *text, *button;
  } cases[] = {
      {"Setup Failed, OK", true, nullptr, 0, "dialog: 116 [Setup Failed!] shown", kBuiltIn, "OK"},
      {"Setup Failed, Escape", true, nullptr, kIdCancel, "dialog: 116 press 2", nullptr, nullptr},
      {"Setup Failed in German", true,
       "[GERMAN]\r\nSETUP_FAIL=Setup fehlgeschlagen\r\nFAIL_TEXT=Treiber nicht installiert.\r\nID_FAIL=Gut\r\n", 0,
       "dialog: 116 [Setup fehlgeschlagen] shown", "Treiber nicht installiert.", "Gut"},
      {"Setup Error with a section lacking its keys", false, "[GERMAN]\r\nSETUP_FAIL=Setup fehlgeschlagen\r\n", 0,
       "dialog: 114 [Setup Error] shown", kBuiltIn, "OK"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("winxp");
    TextCopy(g_Settings.LanguageName, u"GERMAN");
    if (c.ini) WritePackageFile(u"install.ini", c.ini);
    const uint32_t templateId = c.setupFailed ? IDD_SETUP_FAILED : IDD_SETUP_ERROR;
    if (c.press) sim::QueueDialogAnswer(templateId, c.press);
    EXPECT_EQ(c.setupFailed ? ShowSetupFailed(nullptr) : ShowNoPrivilege(nullptr), 1);
    EXPECT_TRUE(JournalHas(c.journal));
    EXPECT_EQ(JournalLines("dialog: " + std::to_string(templateId) + " press").size(), 1u);
    if (c.text == kBuiltIn) { EXPECT_FALSE(ControlText(templateId, IDC_STATIC).empty()); }
    if (c.text && c.text != kBuiltIn) { EXPECT_EQ(ControlText(templateId, IDC_STATIC), c.text); }
    if (c.button) { EXPECT_EQ(ControlText(templateId, c.setupFailed ? IDC_FAIL_OK : IDC_NOPRIVILEGE_OK), c.button); }
  }
}

}  // namespace
