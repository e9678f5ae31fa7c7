// The wizard run on the simulated window manager: which pages the settings leave, silent and
// hidden runs, Cancel with its question, Back over the empty model page and the model page.
#include "wizard/run_wizard.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "platform/sim/machine/machine.h"
#include "platform/ui.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"
#include "wizard/choose_folder.h"
#include "wizard/destination_page.h"
#include "wizard/model_page.h"
#include "settings/model_table.h"

namespace {

class RunWizardTest : public SimFixture {
 protected:
  void Prepare() override {
    TextCopy(g_Settings.Title, u"Glidewave 98");
    TextCopy(g_Settings.MfgName, u"Norvik");
    TextCopy(g_Settings.DefaultDestination, u"\\Program Files\\Norvik\\Glidewave 98");
    TextCopy(g_Settings.SourceDir, PackageDir().c_str());
    TextCopy(g_Settings.ConfigFile, PackagePath(u"SETUP2K.INI").c_str());
    WritePackageFile(u"SETUP2K.INI", "[CopyList]\r\n");
    g_Settings.NoRestart = 1;
    ModelPageLeftForward = 0;
    TextCopy(g_szBrowsePath, kBrowsePathSize, u"C:\\Program Files");
  }
  // Every question answered by Next; the run stops at Start Installation with Cancel and
  // "Exit Setup", before anything is installed.
  static void StopAtStartInstallation() {
    sim::QueueDialogAnswer(IDD_PAGE_START, kIdCancel);
    sim::QueueDialogAnswer(IDD_EXIT_SETUP, kIdCancel);
  }
  // The templates of the pages shown, in order.
  std::vector<uint32_t> PagesShown() const {
    std::vector<uint32_t> pages;
    for (const std::string& line : JournalLines("wizard: page ")) {
      if (line.find("] shown") == std::string::npos) continue;
      pages.push_back(static_cast<uint32_t>(std::stoul(line.substr(std::string("wizard: page ").size()))));
    }
    return pages;
  }
};

TEST_F(RunWizardTest, SettingsDecideThePagesShown) {
  struct Case {
    const char* name;
    int32_t askType, chooseMouse, modelIdGiven, askMousePosition, askPath;
    std::vector<uint32_t> pages;
    const char* destination;
  };
  const Case cases[] = {
      {"no questions", 0, 0, 0, 0, 0, {12006, 12030}, "C:\\Windows\\System32"},
      {"every question; the empty model list passes itself by", 1, 1, 0, 1, 1,
       {12006, 10203, 1162, 123, 10201, 12030}, "C:\\Program Files\\Norvik\\Glidewave 98"},
      {"a model given on the command line removes the model page", 1, 1, 1, 0, 0, {12006, 10203, 12030},
       "C:\\Windows\\System32"},
      {"location and destination only", 0, 0, 0, 1, 1, {12006, 123, 10201, 12030},
       "C:\\Program Files\\Norvik\\Glidewave 98"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    g_Settings.AskType = c.askType;
    g_Settings.ChooseMouse = c.chooseMouse;
    g_Settings.ModelIdGiven = c.modelIdGiven;
    g_Settings.AskMousePosition = c.askMousePosition;
    g_Settings.AskPath = c.askPath;
    StopAtStartInstallation();
    EXPECT_EQ(RunWizard(nullptr), 0);
    EXPECT_EQ(PagesShown(), c.pages);
    EXPECT_EQ(sim::ToUtf8(g_Settings.DestinationDir), c.destination);
    EXPECT_TRUE(JournalHas("wizard: cancelled"));
  }
}

TEST_F(RunWizardTest, SilentAndHiddenRunsNeedNoInput) {
  const struct {
    const char* name;
    int32_t silent, hidden;
  } cases[] = {{"silent", 1, 0}, {"hidden", 1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    g_Settings.AskType = g_Settings.ChooseMouse = g_Settings.AskMousePosition = g_Settings.AskPath = 0;
    g_Settings.SilentMode = c.silent;
    g_Settings.HiddenMode = c.hidden;
    EXPECT_GT(RunWizard(nullptr), 0);
    EXPECT_EQ(PagesShown(), (std::vector<uint32_t>{12006, 12030, 12032}));
    EXPECT_EQ(JournalLines("wizard: press ").size(), 0u);  // nothing pressed for the user
    EXPECT_EQ(JournalCount("] shown in a hidden frame"), c.hidden ? 3u : 0u);
    EXPECT_TRUE(JournalHas("wizard: finished"));
  }
}

TEST_F(RunWizardTest, CancelAsksUnlessTheInstallationBegan) {
  struct Case {
    const char* name;
    int32_t askType, installStarted;
    uint32_t cancelOn;
    std::vector<int> exitAnswers;  // Resume 1, Exit Setup 2
    size_t questions;
  };
  const Case cases[] = {
      {"Exit Setup ends the wizard", 0, 0, IDD_PAGE_WELCOME, {2}, 1},
      {"Resume keeps it until Exit Setup", 0, 0, IDD_PAGE_WELCOME, {1, 2}, 2},
      {"Welcome closes at once after the installation began", 0, 1, IDD_PAGE_WELCOME, {}, 0},
      {"the interface page always asks", 1, 1, IDD_PAGE_INTERFACE, {2}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    g_Settings.AskType = c.askType;
    g_Settings.InstallStarted = c.installStarted;
    for (size_t i = 0; i < c.exitAnswers.size(); ++i) {
      sim::QueueDialogAnswer(c.cancelOn, kIdCancel);
      sim::QueueDialogAnswer(IDD_EXIT_SETUP, c.exitAnswers[i]);
    }
    if (c.exitAnswers.empty()) sim::QueueDialogAnswer(c.cancelOn, kIdCancel);
    EXPECT_EQ(RunWizard(nullptr), 0);
    EXPECT_EQ(JournalCount("dialog: 10300 [Exit Setup] shown"), c.questions);
    EXPECT_FALSE(JournalHas("wizard: page 12030"));
  }
}

// Once the installation began, the location and destination pages still ask before closing.
TEST_F(RunWizardTest, LocationAndDestinationAlwaysAskOnCancel) {
  for (uint32_t cancelOn : {IDD_PAGE_LOCATION, IDD_PAGE_DESTINATION}) {
    SCOPED_TRACE(cancelOn);
    StartMachine("win7");
    g_Settings.AskMousePosition = g_Settings.AskPath = 1;
    g_Settings.InstallStarted = 1;
    sim::QueueDialogAnswer(cancelOn, kIdCancel);
    sim::QueueDialogAnswer(IDD_EXIT_SETUP, 2);  // Exit Setup
    EXPECT_EQ(RunWizard(nullptr), 0);
    EXPECT_EQ(JournalCount("dialog: 10300 [Exit Setup] shown"), 1u);
    EXPECT_FALSE(JournalHas("wizard: page 12030"));
  }
}

TEST_F(RunWizardTest, BackPassesTheEmptyModelPageAndBrowseShowsTheChoice) {
  g_Settings.ChooseMouse = g_Settings.AskMousePosition = g_Settings.AskPath = 1;
  sim::QueueDialogAnswer(IDD_PAGE_LOCATION, kIdWizardBack);
  sim::QueueDialogAnswer(IDD_PAGE_DESTINATION, IDC_DEST_BROWSE);
  sim::QueueFolderChoice(u"D:\\Apps", u"", true);
  std::string shownFolder;
  // What the destination page shows once the walk reaches Start Installation.
  sim::SetDialogWaitHook([&shownFolder](WindowHandle, uint32_t templateId) {
    if (templateId != IDD_PAGE_START) return;
    sim::WindowInfo info;
    sim::GetWindowInfo(sim::FindControl(sim::FindDialog(IDD_PAGE_DESTINATION), IDC_DEST_FOLDER), &info);
    shownFolder = info.text;
  });
  StopAtStartInstallation();
  RunWizard(nullptr);
  // Back from the location page lands on the interface page: the empty model page steps back too.
  EXPECT_EQ(PagesShown(), (std::vector<uint32_t>{12006, 10203, 1162, 123, 1162, 10203, 1162, 123, 10201, 12030}));
  EXPECT_EQ(sim::ToUtf8(g_Settings.DestinationDir), "D:\\Apps\\Norvik\\Glidewave 98");
  EXPECT_EQ(shownFolder, "D:\\Apps\\Norvik\\Glidewave 98");
  ExpectSettings("ChooseMouse=0;ModelId=0");
}

// A USB product list of two models (numbers 1 and 2) with a picture bundle in the Windows folder;
// false when the picture fixtures were not built.
bool SeedModelList(bool withModels) {
  const std::string bundle = FixtureBytes("pictures/white_first.img");
  if (bundle.empty()) return false;
  sim::WriteDiskFile(WindowsDir() + u"\\gwoptic.img", bundle);
  std::string ini = "[CopyList]\r\n[Product.List.USB]\r\n";
  if (withModels) ini += "1=gwoptic.img,Glide Optical,1,2Dmouse\r\n2=gwoptic.img,Glide Travel,2,2Dmouse\r\n";
  sim::WriteDiskFile(sim::FromUtf8(sim::ToUtf8(g_Settings.ConfigFile)), ini);
  g_Settings.InterfaceType = kInterfaceUSB;
  g_Settings.ChooseMouse = 1;
  return true;
}

TEST_F(RunWizardTest, ModelPageOffersTheListAndTheSummaryNamesTheChoice) {
  const struct {
    const char* name;
    int32_t defaultModel;
    int click;  // a radio button pressed on the page, 0 for none
    int32_t modelId;
    const char* product;
  } cases[] = {
      {"the default model is preselected", 2, 0, 2, "Glide Travel"},
      {"a default beyond the list preselects slot 0, here empty", 3, 0, 0, ""},
      {"a click chooses", 0, IDC_MODEL_FIRST + 1, 1, "Glide Optical"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    if (!SeedModelList(true)) GTEST_SKIP() << "picture fixtures not built";
    g_Settings.DefaultPS2Model = c.defaultModel;
    g_Settings.AskType = 0;
    std::vector<std::string> buttons;
    std::string summary;
    sim::SetDialogWaitHook([&](WindowHandle page, uint32_t templateId) {
      if (templateId == IDD_PAGE_MOUSE_MODEL && buttons.empty()) {
        for (int id = IDC_MODEL_FIRST; id <= IDC_MODEL_LAST; ++id) {
          if (!SysIsWindowVisible(SysGetDlgItem(page, id))) continue;
          char16_t text[64];
          SysGetDlgItemText(page, id, text, 64);
          buttons.push_back(sim::ToUtf8(text) + (SysIsDlgButtonChecked(page, id) ? " (checked)" : ""));
        }
      }
      if (templateId == IDD_PAGE_START && summary.empty()) {
        char16_t text[512];
        SysGetDlgItemText(page, 301, text, 512);
        summary = sim::ToUtf8(text);
      }
    });
    if (c.click) sim::QueueDialogAnswer(IDD_PAGE_MOUSE_MODEL, c.click);
    StopAtStartInstallation();
    RunWizard(nullptr);
    EXPECT_EQ(PagesShown(), (std::vector<uint32_t>{12006, 1162, 12030}));
    const std::string checkedTravel = c.modelId == 2 ? " (checked)" : "";
    EXPECT_EQ(buttons, (std::vector<std::string>{"Glide Optical", "Glide Travel" + checkedTravel}));
    ExpectSettings("ChooseMouse=1;ModelId=" + std::to_string(c.modelId));
    EXPECT_EQ(summary.rfind(std::string("Product:\r\n          ") + c.product + "\r\n", 0), 0u) << summary;
  }
}

TEST_F(RunWizardTest, SilentRunsPassTheModelPageWithOrWithoutModels) {
  for (bool withModels : {true, false}) {
    SCOPED_TRACE(withModels ? "a list" : "an empty list: the page's own press and the silent one");
    StartMachine("win7");
    if (!SeedModelList(withModels)) GTEST_SKIP() << "picture fixtures not built";
    g_Settings.SilentMode = 1;
    g_Settings.AskType = g_Settings.AskMousePosition = g_Settings.AskPath = 0;
    g_Settings.DefaultPS2Model = 1;
    EXPECT_GT(RunWizard(nullptr), 0);
    EXPECT_EQ(PagesShown(), (std::vector<uint32_t>{12006, 1162, 12030, 12032}));
    EXPECT_TRUE(JournalHas("wizard: finished"));
    ExpectSettings(withModels ? "ChooseMouse=1;ModelId=1" : "ChooseMouse=0");
    EXPECT_EQ(JournalCount("dialog: 10301 [] shown"), 1u);  // the copy ran once
  }
}

}  // namespace
