// "Setup Failed!", "Setup Error" and "Exit Setup" on the simulated window manager: their texts
// in the chosen language, the buttons that close them and what each answer returns.
#include "ui/message_dialogs.h"

#include <string>

#include "common/text.h"
#include "platform/ui.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "platform/sim/ui/window_manager.h"
#include "support/sim_fixture.h"
#include "ui/exit_setup_dialog.h"

namespace {

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
  struct Case {
    const char* name;
    bool setupFailed;  // else Setup Error
    const char* ini;
    int press;  // 0: left to the default button
    const char* journal;
    const char* text;
    const char* button;
  };
  const Case cases[] = {
      {"Setup Failed, OK", true, nullptr, 0, "dialog: 116 [Setup Failed!] shown",
       kBuiltIn, "OK"},
      {"Setup Failed, Escape", true, nullptr, kIdCancel, "dialog: 116 press 2", nullptr, nullptr},
      {"Setup Failed in German", true,
       "[GERMAN]\r\nSETUP_FAIL=Setup fehlgeschlagen\r\nFAIL_TEXT=Treiber nicht installiert.\r\nID_FAIL=Gut\r\n", 0,
       "dialog: 116 [Setup fehlgeschlagen] shown", "Treiber nicht installiert.", "Gut"},
      {"Setup Error with a section lacking its keys", false, "[GERMAN]\r\nSETUP_FAIL=Setup fehlgeschlagen\r\n", 0,
       "dialog: 114 [Setup Error] shown",
       kBuiltIn, "OK"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("winxp");
    TextCopy(g_Settings.LanguageName, u"GERMAN");
    if (c.ini) WritePackageFile(u"install.ini", c.ini);
    const uint32_t templateId = c.setupFailed ? IDD_SETUP_FAILED : IDD_SETUP_ERROR;
    if (c.press) sim::QueueDialogAnswer(templateId, c.press);
    EXPECT_EQ(c.setupFailed ? ShowSetupFailed(nullptr) : ShowNoPrivilege(nullptr), 1);
    EXPECT_TRUE(JournalHas(c.journal));
    // One press closed it: no second press was needed.
    EXPECT_EQ(JournalLines("dialog: " + std::to_string(templateId) + " press").size(), 1u);
    if (c.text == kBuiltIn) {
      EXPECT_FALSE(ControlText(templateId, IDC_STATIC).empty());  // the built-in text stays
    } else if (c.text) {
      EXPECT_EQ(ControlText(templateId, IDC_STATIC), c.text);
    }
    if (c.button) {
      EXPECT_EQ(ControlText(templateId, c.setupFailed ? IDC_FAIL_OK : IDC_NOPRIVILEGE_OK), c.button);
    }
  }
}

TEST_F(MessageDialogsTest, ExitButtonFitsItsTranslatedText) {
  // Geometry of the Exit button in dialog client coordinates, measured while the dialog waits.
  struct Measured {
    int left = 0, width = 0, clientRight = 0;
  };
  struct Case {
    const char* name;
    const char* exitText;
    bool reachesEdge;
  };
  const Case cases[] = {
      {"short text: as wide as the text", "Quit", false},
      {"long text: 10 pixels short of the right edge",
       "Quit the setup program now and leave everything as it is today", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("winxp");
    TextCopy(g_Settings.LanguageName, u"ENGLISH");
    WritePackageFile(u"install.ini", std::string("[ENGLISH]\r\nIDC_EXIT=") + c.exitText + "\r\n");
    static Measured measured;
    measured = Measured();
    sim::SetDialogWaitHook([](WindowHandle dialog, uint32_t) {
      WindowHandle button = SysGetDlgItem(dialog, kIdCancel);
      SysRect r = {}, client = {};
      SysGetWindowRect(button, &r);
      SysPoint corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
      SysMapWindowPoints(nullptr, dialog, corners, 2);
      SysGetClientRect(dialog, &client);
      measured.left = corners[0].x;
      measured.width = corners[1].x - corners[0].x;
      measured.clientRight = client.right;
    });
    ExitSetupDialog(nullptr);
    EXPECT_EQ(ControlText(IDD_EXIT_SETUP, kIdCancel), c.exitText);
    // Text extents on the machine: 7 pixels a character in a fresh drawing context.
    const int textWidth = 7 * static_cast<int>(std::string(c.exitText).size());
    ASSERT_GT(measured.clientRight, 0);
    if (c.reachesEdge) {
      ASSERT_GE(measured.left + textWidth, measured.clientRight);
      EXPECT_EQ(measured.left + measured.width, measured.clientRight - 10);
    } else {
      EXPECT_EQ(measured.width, textWidth);
    }
  }
}

}  // namespace
