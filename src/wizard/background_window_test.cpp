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
    EXPECT_EQ(SettingsField("TitleSuffix"), c.suffix);
  }
}

}  // namespace
