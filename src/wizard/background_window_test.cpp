// The background window over the simulated screen: its caption (Especial builds, Chinese, the
// caption word of install.ini), painting and WizardMinTop, the logo and its place, hidden runs and
// pictures that are not accepted.
#include "wizard/background_window.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "platform/sim/machine/machine.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"
#include "ui/side_picture.h"
#include "wizard/background_title.h"

namespace {

// A 16-colour PCX picture, every pixel colour 1, with its palette in the header.
std::string Pcx(int width, int height) {
  const int bytesPerLine = (width + 1) / 2;
  std::string f(128, '\0');
  f[0] = 10;
  f[1] = 5;
  f[2] = 1;
  f[3] = 4;
  f[8] = static_cast<char>((width - 1) & 0xFF);
  f[9] = static_cast<char>((width - 1) >> 8);
  f[10] = static_cast<char>((height - 1) & 0xFF);
  f[11] = static_cast<char>((height - 1) >> 8);
  f[65] = 1;
  f[66] = static_cast<char>(bytesPerLine & 0xFF);
  f[67] = static_cast<char>(bytesPerLine >> 8);
  for (int y = 0; y < height; ++y) {
    for (int left = bytesPerLine; left > 0; left -= 63) {
      f.push_back(static_cast<char>(0xC0 | (left < 63 ? left : 63)));
      f.push_back(0x11);
    }
  }
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
  const struct {
    const char* name;
    std::string logo;  // "" = no BkgLogo
    std::string fontIni;
    int minTop;
    std::vector<std::string> paint;
  } cases[] = {
      {"no logo", "", "", 42 + 10 + kFrameAndCaption,
       {"fill 0,0,1024,719 #008080", "text 15,10 \"Glidewave 98  install\" #000000 transparent",
        "text 10,5 \"Glidewave 98  install\" #FFFFFF transparent"}},
      {"a flat logo leaves the text height", Pcx(640, 30), "[Especial]\r\nFontName=Georgia\r\n",
       42 + 10 + kFrameAndCaption,
       {"fill 0,0,1024,719 #008080", "bitmap 384,0,1024,30 dib 640x30 4-bit",
        "text 15,10 \"Glidewave 98  install\" #000000 transparent",
        "text 10,5 \"Glidewave 98  install\" #FFFFFF transparent"}},
      {"a tall logo pushes the wizard down", Pcx(640, 100), "", 100 + kFrameAndCaption,
       {"fill 0,0,1024,719 #008080", "bitmap 384,0,1024,100 dib 640x100 4-bit",
        "text 15,10 \"Glidewave 98  install\" #000000 transparent",
        "text 10,5 \"Glidewave 98  install\" #FFFFFF transparent"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    if (!c.fontIni.empty()) WritePackageFile(u"SETUP2K.INI", c.fontIni);
    if (!c.logo.empty()) {
      WritePackageFile(u"logo.pcx", c.logo);
      TextCopy(g_Settings.BkgLogo, u"logo.pcx");
    }
    WindowHandle window = Create();
    EXPECT_EQ(WizardMinTop, c.minTop);
    EXPECT_EQ(sim::PaintLogLines(window), c.paint);
    const std::vector<sim::PaintOp> ops = sim::PaintLog(window);
    EXPECT_EQ(ops.back().fontFace, c.fontIni.empty() ? "Times New Roman" : "Georgia");
    EXPECT_EQ(ops.back().fontHeight, 42);
    EXPECT_EQ(ops.back().fontWeight, 600);
    EXPECT_EQ(sim::LiveGdiObjects(), c.logo.empty() ? 0u : 2u);  // the logo's bitmap and palette
    EXPECT_EQ(sim::OpenDeviceContexts(), 0u);
  }
}

TEST_F(BackgroundWindowTest, LogoFollowsTheClientEdgeAfterASettingsChange) {
  WritePackageFile(u"logo.pcx", Pcx(640, 48));
  TextCopy(g_Settings.BkgLogo, u"logo.pcx");
  WindowHandle window = Create();
  sim::ClearPaintLog(window);
  sim::SetScreen(800, 600, 0, 0, 800, 570);
  SysSendMessage(window, kWmSettingChange, 0, 0);
  SysUpdateWindow(window);
  sim::WindowInfo info;
  ASSERT_TRUE(sim::GetWindowInfo(window, &info));
  EXPECT_EQ(info.right - info.left, 800);
  EXPECT_EQ(info.bottom - info.top, 570);
  const std::string x = std::to_string(info.clientWidth - 640);
  EXPECT_EQ(sim::PaintLogLines(window)[1], "bitmap " + x + ",0," + std::to_string(info.clientWidth) + ",48 dib 640x48 4-bit");
}

TEST_F(BackgroundWindowTest, PicturesThatAreNotAcceptedGiveNoLogo) {
  const struct {
    const char* name;
    const char16_t* logo;
    std::string bytes;
  } cases[] = {
      {"missing file", u"none.pcx", ""},
      {"not a picture", u"logo.pcx", "GIF89a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    if (!c.bytes.empty()) WritePackageFile(u"logo.pcx", c.bytes);
    TextCopy(g_Settings.BkgLogo, c.logo);
    WindowHandle window = Create();
    EXPECT_EQ(g_Background.hasLogo, 0);
    EXPECT_EQ(WizardMinTop, 42 + 10 + kFrameAndCaption);
    EXPECT_EQ(sim::PaintLogLines(window).size(), 3u);  // fill and the two texts
    EXPECT_EQ(sim::LiveGdiObjects(), 0u);
  }
}

class BackgroundTitleTest : public SimFixture {};

TEST_F(BackgroundTitleTest, CaptionFromTitleEspecialAndLanguage) {
  const std::string kWindowsIni = "[Install]\r\nSetupTite=Special\r\nCH_SetupTite=ZhongWen\r\n";
  const struct {
    const char* name;
    int especial;
    const char16_t* language;
    std::string windowsIni;  // SETUP2K.INI in the Windows folder ("" = none)
    std::string installIni;  // install.ini beside the program ("" = none)
    const char* caption;
    const char* suffix;
  } cases[] = {
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
    EXPECT_EQ(SettingsField("TitleSuffix"), c.suffix);
  }
}

}  // namespace
