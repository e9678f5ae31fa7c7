// The wizard: the run on the simulated window manager (which pages the settings leave, silent
// and hidden runs, Cancel with its question, Back over the empty model page, the model page), the
// interface, location and destination pages on the page fixture, and the folder chooser.
#include "wizard/run_wizard.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "platform/sim/machine/machine.h"
#include "platform/ui.h"
#include "resource_ids.h"
#include "settings/model_table.h"
#include "settings/settings.h"
#include "support/page_fixture.h"
#include "support/sim_fixture.h"
#include "ui/wizard_messages.h"
#include "wizard/choose_folder.h"
#include "wizard/destination_page.h"
#include "wizard/interface_page.h"
#include "wizard/location_page.h"
#include "wizard/model_page.h"
namespace {

class RunWizardTest : public SimFixture {
 protected:
  void Prepare() override {
    TextCopy(g_Settings.Title, u"Glidewave 98");
    TextCopy(g_Settings.MfgName, u"Norvik");
    TextCopy(g_Settings.DefaultDestination, u"\\Program Files\\Norvik\\Glidewave 98");
    UseConfig("[CopyList]\r\n");
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
  const struct { const char* name; int32_t askType, chooseMouse, modelIdGiven, askMousePosition, askPath;
      std::vector<uint32_t> pages; const char* destination; } cases[] = {
      {"no questions", 0, 0, 0, 0, 0, {12006, 12030}, "C:\\Windows\\System32"},
      {"every question; the empty model list passes itself by", 1, 1, 0, 1, 1,
       {12006, 10203, 1162, 123, 10201, 12030}, "C:\\Program Files\\Norvik\\Glidewave 98"},
      {"a model given on the command line removes the model page", 1, 1, 1, 0, 0, {12006, 10203, 12030},
       "C:\\Windows\\System32"},
      {"location and destination only", 0, 0, 0, 1, 1, {12006, 123, 10201, 12030},
       "C:\\Program Files\\Norvik\\Glidewave 98"},
  };
  for (const auto& c : cases) {
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

TEST_F(RunWizardTest, CancelAsksUnlessTheInstallationBegan) {
  const struct { const char* name;
      int32_t ask, installStarted;  // ask: the interface, location and destination questions
      uint32_t cancelOn; std::vector<int> exitAnswers;  // Resume 1, Exit Setup 2
  } cases[] = {
      {"Resume keeps it until Exit Setup", 0, 0, IDD_PAGE_WELCOME, {1, 2}},
      {"Welcome closes at once after the installation began", 0, 1, IDD_PAGE_WELCOME, {}},
      {"the interface page always asks", 1, 1, IDD_PAGE_INTERFACE, {2}},
      {"the location page always asks", 1, 1, IDD_PAGE_LOCATION, {2}},
      {"the destination page always asks", 1, 1, IDD_PAGE_DESTINATION, {2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    g_Settings.AskType = g_Settings.AskMousePosition = g_Settings.AskPath = c.ask;
    g_Settings.InstallStarted = c.installStarted;
    for (size_t i = 0; i < c.exitAnswers.size(); ++i) {
      sim::QueueDialogAnswer(c.cancelOn, kIdCancel);
      sim::QueueDialogAnswer(IDD_EXIT_SETUP, c.exitAnswers[i]);
    }
    if (c.exitAnswers.empty()) sim::QueueDialogAnswer(c.cancelOn, kIdCancel);
    EXPECT_EQ(RunWizard(nullptr), 0);
    EXPECT_EQ(JournalCount("dialog: 10300 [Exit Setup] shown"), c.exitAnswers.size());
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
  const struct { const char* name; int32_t defaultModel; int click;  // a radio button pressed on the page, 0 for none
      int32_t modelId; const char* product; } cases[] = {
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

class InterfacePageTest : public PageFixture {
 protected:
  void Prepare() override {
    TextCopy(g_Settings.SourceDir, PackageDir().c_str());
    TextCopy(g_Settings.InfFile, u"ps2.inf");
    TextCopy(g_Settings.BTInf, u"bt.inf");
    TextCopy(g_Settings.USBInf, u"usb.inf");
    TextCopy(g_Settings.InfPath, u"earlier.inf");
    g_Settings.CallConfigMg = 1;
    g_Settings.Restart = 7;
  }
};

TEST_F(InterfacePageTest, OfferedButtonsDefaultAndStoredChoice) {
  const struct { const char* name; int32_t presence, defaultChoice; int click;          // 0: the default is kept
      bool emptyInfName;  // the chosen interface's INF name is empty
      std::vector<int> visible; int32_t type, restart, callConfigMg; const char* infPath; } cases[] = {
      {"PS/2 by default", kInfPresentPS2 | kInfPresentBT | kInfPresentUSB, kInterfacePS2, 0, false,
       {IDC_INTERFACE_PS2, IDC_INTERFACE_BT, IDC_INTERFACE_USB}, kInterfacePS2, 1, 0, "D:\\ps2.inf"},
      {"Bluetooth clicked", kInfPresentPS2 | kInfPresentBT, kInterfacePS2, IDC_INTERFACE_BT, false,
       {IDC_INTERFACE_PS2, IDC_INTERFACE_BT}, kInterfaceBluetooth, 0, 1, "D:\\bt.inf"},
      {"hidden default Bluetooth is still the choice", kInfPresentUSB, kInterfaceBluetooth, 0, false,
       {IDC_INTERFACE_USB}, kInterfaceBluetooth, 0, 1, "D:\\bt.inf"},
      {"any other default means USB", kInfPresentUSB, 0, 0, false, {IDC_INTERFACE_USB}, kInterfaceUSB, 0, 1,
       "D:\\usb.inf"},
      {"an empty INF name keeps the earlier path", kInfPresentPS2 | kInfPresentUSB, kInterfaceUSB,
       IDC_INTERFACE_PS2, true, {IDC_INTERFACE_PS2, IDC_INTERFACE_USB}, kInterfacePS2, 1, 0, "earlier.inf"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    g_Settings.InfPresence = c.presence;
    g_Settings.DefaultTypeChoice = c.defaultChoice;
    if (c.emptyInfName) g_Settings.InfFile[0] = 0;
    CreatePage(IDD_PAGE_INTERFACE, InterfacePageProc);
    std::vector<int> visible;
    for (int id : {IDC_INTERFACE_PS2, IDC_INTERFACE_BT, IDC_INTERFACE_USB})
      if (Visible(id)) visible.push_back(id);
    EXPECT_EQ(visible, c.visible);
    if (c.click) Click(c.click);
    Requests();
    Notify(kPsnSetActive);
    EXPECT_EQ(Requests(), (std::vector<FrameRequest>{{kPsmSetWizButtons, 0, kPswizbBack | kPswizbNext}}));
    Notify(kPsnWizNext);
    ExpectSettings("InterfaceType=" + std::to_string(c.type) + ";Restart=" + std::to_string(c.restart) +
                   ";CallConfigMg=" + std::to_string(c.callConfigMg) + ";InfPath=" + c.infPath);
  }
}

class LocationPageTest : public PageFixture {};

class DestinationPageTest : public PageFixture {
 protected:
  void Prepare() override {
    TextCopy(g_Settings.Title, u"Glidewave 98");
    TextCopy(g_Settings.MfgName, u"Norvik");
    TextCopy(g_Settings.DefaultDestination, u"\\Tools\\Glidewave");
    TextCopy(g_szBrowsePath, kBrowsePathSize, u"C:\\Program Files");
  }
  std::string Shown() const {
    char16_t text[260];
    SysGetDlgItemText(page_, IDC_DEST_FOLDER, text, 260);
    return sim::ToUtf8(text);
  }
};

TEST_F(DestinationPageTest, DefaultOnTheWindowsDrive) {
  sim::MachineProfile onE = Builtin("win7");
  onE.windowsDir = u"E:\\WINNT";
  onE.systemDir = u"E:\\WINNT\\system32";
  for (const sim::MachineProfile& profile : {Builtin("win7"), onE}) {
    StartMachine(profile);
    TextCopy(g_Settings.DestinationDir, u"X:\\stale");
    CreatePage(IDD_PAGE_DESTINATION, DestinationPageProc);
    const std::string expected = sim::ToUtf8(profile.windowsDir.substr(0, 2)) + "\\Tools\\Glidewave";
    EXPECT_EQ(sim::ToUtf8(g_Settings.DestinationDir), expected);
    EXPECT_EQ(Shown(), expected);
  }
}

class ChooseFolderTest : public SimFixture {
 protected:
  void Prepare() override {
    TextCopy(g_Settings.MfgName, u"Norvik Electronics Ltd.");
    TextCopy(g_Settings.Title, u"Glidewave 98");
    TextCopy(g_Settings.DestinationDir, u"C:\\Before");
  }
};

TEST_F(ChooseFolderTest, ProposesTheMakersFolderInsideTheSelection) {
  const struct { const char* name; std::u16string folder, typed; bool ok; int result;
      const char *destination, *browsePath; } cases[] = {
      {"a folder", u"D:\\Apps", u"", true, 1, "D:\\Apps\\Norvik Electronics Ltd.\\Glidewave 98", "D:\\Apps"},
      {"the Windows drive's root", u"C:\\", u"", true, 1, "C:\\Norvik Electronics Ltd.\\Glidewave 98", "C:\\"},
      {"another drive's root", u"D:\\", u"", true, 1, "D:\\Norvik Electronics Ltd.\\Glidewave 98", "D:\\"},
      {"the folder already proposed stays", u"c:\\program files\\norvik electronics ltd.\\glidewave 98", u"", true, 1,
       "c:\\program files\\norvik electronics ltd.\\glidewave 98",
       "c:\\program files\\norvik electronics ltd.\\glidewave 98"},
      {"a typed folder is taken as it is", u"D:\\Apps", u"E:\\Mine", true, 1, "E:\\Mine", "D:\\Apps"},
      {"Cancel", u"D:\\Apps", u"", false, 0, "C:\\Before", "C:\\Program Files"},
      {"a folder without a path keeps OK disabled", u"", u"", true, 0, "C:\\Before", "C:\\Program Files"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    char16_t browsePath[kBrowsePathSize] = u"C:\\Program Files";
    sim::QueueFolderChoice(c.folder, c.typed, c.ok);
    EXPECT_EQ(ChooseFolder(nullptr, browsePath), c.result);
    EXPECT_EQ(sim::ToUtf8(g_Settings.DestinationDir), c.destination);
    EXPECT_EQ(sim::ToUtf8(browsePath), c.browsePath);
  }
  // The browser opened centred on the screen.
  sim::WindowInfo info;
  ASSERT_TRUE(sim::GetWindowInfo(sim::LastFolderBrowser(), &info));
  EXPECT_EQ(info.left, (1024 - info.clientWidth) / 2);
  EXPECT_EQ(info.top, (768 - info.clientHeight) / 2);
}

}  // namespace
