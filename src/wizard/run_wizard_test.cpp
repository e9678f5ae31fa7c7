// The wizard: the run on the simulated window manager (which pages the settings leave, Cancel
// with its question, Back over the empty model page, the model page), the interface, location
// and destination pages, the folder chooser; the mouse pictures (.img bundles and library resources)
// and the product lists that fill the model table; the background window's caption, painting and
// WizardMinTop.
#include "wizard/run_wizard.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "platform/kernel.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/ui.h"
#include "resource_ids.h"
#include "settings/model_table.h"
#include "settings/settings.h"
#include "support/page_fixture.h"
#include "support/sim_fixture.h"
#include "ui/side_picture.h"
#include "ui/wizard_messages.h"
#include "wizard/background_title.h"
#include "wizard/background_window.h"
#include "wizard/choose_folder.h"
#include "wizard/destination_page.h"
#include "wizard/interface_page.h"
#include "wizard/location_page.h"
#include "wizard/model_page.h"
#include "wizard/mouse_pictures.h"
#include "wizard/read_model_list.h"

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
  const struct { const char* name; int32_t presence, defaultChoice; int click;  // 0: the default is kept
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

using LocationPageTest = PageFixture;

TEST_F(LocationPageTest, ClicksChooseTheSideAndNextStoresIt) {
  for (bool left : {false, true}) {
    SCOPED_TRACE(left);
    StartMachine("win7");
    g_Settings.LeftHanded = left ? 0 : 1;  // the opposite of the answer expected
    CreatePage(IDD_PAGE_LOCATION, LocationPageProc);
    if (left) Click(IDC_LOCATION_LEFT);
    EXPECT_EQ(std::vector<bool>({Checked(IDC_LOCATION_LEFT), Visible(IDC_LOCATION_HAND_LEFT), Visible(IDC_LOCATION_HAND_RIGHT)}),
              std::vector<bool>({left, left, !left}));
    Notify(kPsnWizNext);
    EXPECT_EQ(g_Settings.LeftHanded, left ? 1 : 0);
  }
}

using DestinationPageTest = PageFixture;

TEST_F(DestinationPageTest, DefaultOnTheWindowsDrive) {
  sim::MachineProfile onE = Builtin("win7");
  onE.windowsDir = u"E:\\WINNT";
  onE.systemDir = u"E:\\WINNT\\system32";
  for (const sim::MachineProfile& profile : {Builtin("win7"), onE}) {
    StartMachine(profile);
    TextCopy(g_Settings.DefaultDestination, u"\\Tools\\Glidewave");
    TextCopy(g_Settings.DestinationDir, u"X:\\stale");
    CreatePage(IDD_PAGE_DESTINATION, DestinationPageProc);
    const std::string expected = sim::ToUtf8(profile.windowsDir.substr(0, 2)) + "\\Tools\\Glidewave";
    char16_t shown[260];
    SysGetDlgItemText(page_, IDC_DEST_FOLDER, shown, 260);
    EXPECT_EQ(sim::ToUtf8(g_Settings.DestinationDir) + " | " + sim::ToUtf8(shown), expected + " | " + expected);
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

class MousePicturesTest : public SimFixture {
 protected:
  void TearDown() override {
    ClearModelTable();
    SimFixture::TearDown();
  }
  // Copies a picture fixture into the Windows folder; returns its path there, "" when the
  // fixture was not built.
  std::u16string PlaceFixture(const std::string& name, const std::u16string& as) {
    const std::string bytes = FixtureBytes("pictures/" + name);
    if (bytes.empty() && name != "empty.img") return u"";
    const std::u16string path = WindowsDir() + u"\\" + as;
    sim::WriteDiskFile(path, bytes);
    return path;
  }
};

std::string Size(GdiObject bitmap) {
  int32_t w = 0, h = 0;
  if (!SysGetBitmapSize(bitmap, &w, &h)) return "none";
  return std::to_string(w) + "x" + std::to_string(h);
}

TEST_F(MousePicturesTest, BundlesGiveTheirFirstReadablePictureAndItsFirstPixel) {
  // Each fixture with the picture's size and its first pixel (the slot's background colour).
  const std::pair<const char*, const char*> cases[] = {
      {"white_first.img", "100x80 255,255,255"},
      {"capital_second.img", "100x80 32,64,192"},    // "MOUSE.BMP" after another entry
      {"unreadable_first.img", "100x80 32,64,192"},  // the first one's data is past the end
      {"no_picture.img", "none 0,0,0"},
      {"short_directory.img", "none 0,0,0"},  // three entries announced, one and a half there
      {"bad_bits.img", "none 0,0,0"},         // bits offset past the entry's data
      {"empty.img", "none 0,0,0"},
      // 16-bit bit fields: the masks reach the screen bitmap whatever the header's length.
      {"bitfields_40.img", "1x1 0,248,0"},
      {"bitfields_41.img", "1x1 0,248,0"},
      {"bitfields_124.img", "1x1 0,248,0"},
      {"bitfields_cut.img", "none 0,0,0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    const std::u16string path = PlaceFixture(c.first, u"mouse.img");
    if (path.empty()) GTEST_SKIP() << "picture fixtures not built";
    ClearModelTable();
    const size_t objects = sim::LiveGdiObjects();
    GdiObject picture = LoadImgPicture(path.c_str(), 4);
    const ModelRecord& m = ModelTable[4];
    EXPECT_EQ(Size(picture) + " " + std::to_string(m.backgroundRed) + "," + std::to_string(m.backgroundGreen) + "," +
                  std::to_string(m.backgroundBlue),
              c.second);
    if (picture) SysDeleteObject(picture);
    EXPECT_EQ(sim::LiveGdiObjects(), objects);
    EXPECT_EQ(sim::OpenDeviceContexts(), 0u);
  }
  EXPECT_EQ(LoadImgPicture((WindowsDir() + u"\\absent.img").c_str(), 4), nullptr);
}

TEST_F(MousePicturesTest, LibraryPicturesAreFoundByNameWithHighBytesDropped) {
  const std::u16string path = PlaceFixture("mouse_pictures.dll", u"gwpics.dll");
  if (path.empty()) GTEST_SKIP() << "mouse_pictures.dll not built";
  ModuleHandle library = SysLoadLibraryAsData(path.c_str());
  ASSERT_NE(library, nullptr);
  const std::pair<const char16_t*, const char*> cases[] = {
      {u"2Dmouse", "40x30"},      {u"3dMOUSE", "64x48"},  // resource names compare without case
      {u"\u0132Dmouse", "40x30"},  // U+0132 keeps its low byte, '2'
      {u"ergomouse", "none"},     // a resource, but not a PCX picture
      {u"4Dmouse", "none"},       {u"", "none"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(sim::ToUtf8(c.first));
    GdiObject picture = LoadResourcePicture(library, c.first);
    GdiObject palette = LoadResourcePalette(nullptr, library, c.first);
    EXPECT_EQ(Size(picture), c.second);
    EXPECT_EQ(palette != nullptr, picture != nullptr);
    if (picture) SysDeleteObject(picture);
    if (palette) SysDeleteObject(palette);
  }
  EXPECT_EQ(SysFreeLibrary(library), 1);
  EXPECT_EQ(sim::OpenDeviceContexts(), 0u);
}

TEST_F(MousePicturesTest, LoadingAsDataFailsWhenTheSystemRefuses) {
  const std::u16string path = PlaceFixture("mouse_pictures.dll", u"gwpics.dll");
  if (path.empty()) GTEST_SKIP() << "mouse_pictures.dll not built";
  sim::FailCall("SysLoadLibraryAsData", 1, 8);
  EXPECT_EQ(SysLoadLibraryAsData(path.c_str()), nullptr);
  ModuleHandle library = SysLoadLibraryAsData(path.c_str());
  ASSERT_NE(library, nullptr);
  sim::FailCall("SysFindResourceData", 1, 1814);
  EXPECT_EQ(LoadResourcePicture(library, u"2Dmouse"), nullptr);
  SysFreeLibrary(library);
}

class ReadModelListTest : public MousePicturesTest {
 protected:
  // Puts the product list into the configuration file and the picture files into the Windows
  // folder: *.img files get a bundle, *.dll files the resource library, others plain text.
  bool Seed(const std::string& lines, const std::vector<std::string>& files) {
    const std::string bundle = FixtureBytes("pictures/white_first.img");
    const std::string library = FixtureBytes("pictures/mouse_pictures.dll");
    if (bundle.empty() || library.empty()) return false;
    for (const std::string& file : files) {
      const std::string ext = file.substr(file.size() - 4);
      sim::WriteDiskFile(WindowsDir() + u"\\" + sim::FromUtf8(file),
                         ext == ".dll" ? library : ext == ".img" || ext == ".IMG" ? bundle : "text");
    }
    UseConfig("[Product.List.USB]\r\n" + lines);
    return true;
  }
};

// The table as "slot:name#number" for present slots (with "+pic" when a picture was taken) and
// "slot?name" for slots whose texts are filled but which are not present.
std::string Slots() {
  std::string out;
  for (int32_t slot = 0; slot < kModelSlotCount; ++slot) {
    const ModelRecord& m = ModelTable[slot];
    if (!ModelPresent[slot] && !m.name[0]) continue;
    out += (out.empty() ? "" : " ") + std::to_string(slot) + (ModelPresent[slot] ? ":" : "?") + sim::ToUtf8(m.name);
    if (ModelPresent[slot]) out += "#" + std::to_string(m.number) + (m.picture ? "+pic" : "");
  }
  return out;
}

TEST_F(ReadModelListTest, ModelsTakeSlotsByNumberUntilTheListEnds) {
  const struct { const char* name; std::string lines; std::vector<std::string> files; int result;
      int32_t count;  // ModelCount afterwards; 77 = left as it was
      const char* slots; } cases[] = {
      {"numbers wrap into the next free slot", "1=a.img,A,3\r\n2=b.img,B,13\r\n3=c.img,C,9\r\n4=d.img,D,19\r\n",
       {"a.img", "b.img", "c.img", "d.img"}, 1, 4, "0:D#19+pic 3:A#3+pic 4:B#13+pic 9:C#9+pic"},
      {"the same picture twice is two models", "1=a.img,A,1\r\n2=a.img,A again,1\r\n", {"a.img"}, 1, 2,
       "1:A#1+pic 2:A again#1+pic"},
      {"a missing picture file ends the list with its texts stored", "1=a.img,A,1\r\n2=gone.img,Gone,2\r\n3=c.img,C,3\r\n",
       {"a.img", "c.img"}, 1, 77, "1:A#1+pic 2?Gone"},
      {"a gap in the keys ends the list", "1=a.img,A,1\r\n3=c.img,C,3\r\n", {"a.img", "c.img"}, 1, 1, "1:A#1+pic"},
      {"library pictures by resource name", "1=gwpics.dll,Lib,5,2Dmouse\r\n2=gwpics.dll,No picture,6,4Dmouse\r\n",
       {"gwpics.dll"}, 1, 2, "5:Lib#5+pic 6:No picture#6"},
      {"a file that is no library is not offered", "1=notes.txt,Notes,1,2Dmouse\r\n", {"notes.txt"}, 0, 1, "1?Notes"},
      {"only the text from the first dot counts", "1=mouse.big.img,Big,1\r\n", {"mouse.big.img"}, 0, 1, "1?Big"},
      {"a bundle name in capitals", "1=MOUSE.IMG,Caps,1\r\n", {"MOUSE.IMG"}, 1, 1, "1:Caps#1+pic"},
      {"fields are split at commas only", "1=x.img,Mouse 100%,3,2Dmouse\r\n2=x.img, Two ,4\r\n", {"x.img"}, 1, 2,
       "3:Mouse 100%#3+pic 4: Two #4+pic"},
      {"quotes do not hold a comma", "1=x.img,\"Big, round\",5\r\n", {"x.img"}, 1, 1, "0:\"Big#0+pic"},
      {"an empty list", "", {}, 0, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    if (!Seed(c.lines, c.files)) GTEST_SKIP() << "picture fixtures not built";
    ClearModelTable();
    ModelCount = 77;
    EXPECT_EQ(ReadModelList(nullptr, u"Product.List.USB"), c.result);
    EXPECT_EQ(ModelCount, c.count);
    EXPECT_EQ(Slots(), c.slots);
  }
}

TEST_F(ReadModelListTest, AnEleventhModelFindsNoSlotAndReadingGoesOn) {
  std::string lines;
  for (int n = 1; n <= 11; ++n) lines += std::to_string(n) + "=a.img,M" + std::to_string(n) + "," + std::to_string(n) + "\r\n";
  if (!Seed(lines, {"a.img"})) GTEST_SKIP() << "picture fixtures not built";
  EXPECT_EQ(ReadModelList(nullptr, u"Product.List.USB"), 1);
  EXPECT_EQ(ModelCount, 11);
  EXPECT_EQ(Slots(), "0:M10#10+pic 1:M1#1+pic 2:M2#2+pic 3:M3#3+pic 4:M4#4+pic 5:M5#5+pic 6:M6#6+pic 7:M7#7+pic "
                     "8:M8#8+pic 9:M9#9+pic");
  EXPECT_EQ(FindFreeModelSlot(-3), -1);
  ClearModelTable();
  EXPECT_EQ(FindFreeModelSlot(-3), 0);  // a negative number starts at slot 0
}

TEST_F(ReadModelListTest, FieldsAreCutAndTheExtraTextNeedsNewUI) {
  const std::string longName(80, 'n');
  if (!Seed("1=a.img," + longName + ",2,2Dmouse,Extra text\r\n", {"a.img"})) GTEST_SKIP() << "picture fixtures not built";
  for (int32_t newUi : {0, 1}) {
    SCOPED_TRACE(newUi);
    g_Settings.NewUI = newUi;
    ClearModelTable();
    ReadModelList(nullptr, u"Product.List.USB");
    EXPECT_EQ(sim::ToUtf8(ModelTable[2].name), std::string(63, 'n'));
    EXPECT_EQ(sim::ToUtf8(ModelTable[2].resource), "2Dmouse");
    EXPECT_EQ(sim::ToUtf8(ModelTable[2].extra), newUi ? "Extra text" : "");
  }
}

// A 16-colour PCX picture, every pixel colour 1, with its palette in the header.
std::string Pcx(int width, int height) {
  const int bytesPerLine = (width + 1) / 2;
  std::string f(128, '\0');
  const int header[][2] = {{0, 10}, {1, 5}, {2, 1}, {3, 4}, {8, width - 1}, {10, height - 1}, {65, 1}, {66, bytesPerLine}};
  for (const auto& h : header) f[h[0]] = static_cast<char>(h[1] & 0xFF), f[h[0] + 1] |= static_cast<char>(h[1] >> 8);
  for (int y = 0; y < height; ++y)
    for (int left = bytesPerLine; left > 0; left -= 63) f += {static_cast<char>(0xC0 | (left < 63 ? left : 63)), 0x11};
  return f;
}

class BackgroundWindowTest : public SimFixture {
 protected:
  void Prepare() override {
    TextCopy(g_Settings.Title, u"Glidewave 98");
    TextCopy(g_Settings.EspecialFile, u"D:\\SETUP2K.INI");
    ASSERT_EQ(RegisterBackgroundClass(nullptr), 1);
  }
  void TearDown() override {
    WizardMinTop = 0;
    // The window frees its logo when it is destroyed, as at the end of a run.
    if (g_Background.window && SysIsWindow(g_Background.window)) SysDestroyWindow(g_Background.window);
    SimFixture::TearDown();
  }
  // Creates the window (which paints at once unless hidden) and returns it.
  WindowHandle Create() {
    EXPECT_EQ(CreateBackgroundWindow(nullptr, kSwShowNormal), 1);
    return g_Background.window;
  }
};

// Text height 42 in the simulated font; sizing frame 4 and caption 19.
constexpr int kFrameAndCaption = 4 + 19;

TEST_F(BackgroundWindowTest, PaintsTitleAndLogoAndKeepsTheWizardBelowThem) {
  const std::vector<std::string> texts = {"text 15,10 \"Glidewave 98  install\" #000000 transparent",
                                          "text 10,5 \"Glidewave 98  install\" #FFFFFF transparent"};
  const struct { const char* name; std::string logo;  // "" = no BkgLogo; "-" = a logo file that is missing
      std::string fontIni; int minTop; const char* bitmap;  // "" = no logo painted
  } cases[] = {
      {"no logo", "", "", 42 + 10 + kFrameAndCaption, ""},
      {"a missing logo file", "-", "", 42 + 10 + kFrameAndCaption, ""},
      {"a logo that is no picture", "GIF89a", "", 42 + 10 + kFrameAndCaption, ""},
      {"a flat logo leaves the text height", Pcx(640, 30), "[Especial]\r\nFontName=Georgia\r\n",
       42 + 10 + kFrameAndCaption, "bitmap 384,0,1024,30 dib 640x30 4-bit"},
      {"a tall logo pushes the wizard down", Pcx(640, 100), "", 100 + kFrameAndCaption,
       "bitmap 384,0,1024,100 dib 640x100 4-bit"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    if (!c.fontIni.empty()) WritePackageFile(u"SETUP2K.INI", c.fontIni);
    if (!c.logo.empty()) TextCopy(g_Settings.BkgLogo, u"logo.pcx");
    if (!c.logo.empty() && c.logo != "-") WritePackageFile(u"logo.pcx", c.logo);
    WindowHandle window = Create();
    EXPECT_EQ(WizardMinTop, c.minTop);
    std::vector<std::string> paint = {"fill 0,0,1024,719 #008080"};
    if (*c.bitmap) paint.push_back(c.bitmap);
    paint.insert(paint.end(), texts.begin(), texts.end());
    EXPECT_EQ(sim::PaintLogLines(window), paint);
    const sim::PaintOp last = sim::PaintLog(window).back();
    EXPECT_EQ(last.fontFace + " " + std::to_string(last.fontHeight) + " " + std::to_string(last.fontWeight),
              c.fontIni.empty() ? "Times New Roman 42 600" : "Georgia 42 600");
    EXPECT_EQ(sim::LiveGdiObjects(), *c.bitmap ? 2u : 0u);  // the logo's bitmap and palette
    EXPECT_EQ(sim::OpenDeviceContexts(), 0u);
  }
}

class BackgroundTitleTest : public SimFixture {};

TEST_F(BackgroundTitleTest, CaptionFromTitleEspecialAndLanguage) {
  const std::string kWindowsIni = "[Install]\r\nSetupTite=Special\r\nCH_SetupTite=ZhongWen\r\n";
  const struct { const char* name; int especial; const char16_t* language;
      std::string windowsIni;  // SETUP2K.INI in the Windows folder ("" = none)
      std::string installIni;  // install.ini beside the program ("" = none)
      const char* caption; const char* suffix; } cases[] = {
      {"defaults: title, two blanks, install", 0, u"ENGLISH", "", "", "Glide  install", " install"},
      {"caption word of the language", 0, u"ENGLISH", "", "[ENGLISH]\r\nIDS_STRING_INSTALL=Setup\r\n", "Glide Setup",
       "Setup"},
      {"another language's word is not used", 0, u"GERMAN", "", "[ENGLISH]\r\nIDS_STRING_INSTALL=Setup\r\n",
       "Glide  install", " install"},
      {"Especial off ignores SetupTite", 0, u"ENGLISH", kWindowsIni, "", "Glide  install", " install"},
      {"Especial: SetupTite and a blank", 1, u"ENGLISH", kWindowsIni, "", "Special   install", " install"},
      {"Especial without the key: Title and a blank", 1, u"ENGLISH", "", "", "Glide   install", " install"},
      {"Especial Chinese: CH_SetupTite, no extra blank", 1, u"chinese", kWindowsIni,
       "[chinese]\r\nIDS_STRING_INSTALL=AnZhuang\r\n", "ZhongWen AnZhuang", "AnZhuang"},
      {"Especial Chinese without the key", 1, u"CHINESE", "", "", "Glide  install", " install"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    // The package's own SETUP2K.INI is not the one read: only the Windows folder's counts.
    WritePackageFile(u"SETUP2K.INI", "[Install]\r\nSetupTite=Package\r\nCH_SetupTite=Package\r\n");
    if (!c.windowsIni.empty()) sim::WriteDiskFile(WindowsDir() + u"\\SETUP2K.INI", c.windowsIni);
    if (!c.installIni.empty()) WritePackageFile(u"install.ini", c.installIni);
    TextCopy(g_Settings.Title, u"Glide");
    TextCopy(g_Settings.LanguageName, c.language);
    g_Settings.Especial = c.especial;

    char16_t caption[kBackgroundTitleSize];
    ComposeBackgroundTitle(caption, kBackgroundTitleSize);
    EXPECT_EQ(sim::ToUtf8(caption), c.caption);
    ExpectSettings(std::string("TitleSuffix=") + c.suffix);
  }
}

}  // namespace
