// The kit's pictures and texts: PCX decoding (acceptance, palettes, run-length lines, row padding
// and truncation), the wizard's placement below the background window's title, the Start
// Installation summary and the texts a language section puts on the pages and dialogs.
#include "ui/pcx_picture.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

#include "common/text.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/ui.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "support/page_fixture.h"
#include "support/sim_fixture.h"
#include "ui/localised_texts.h"
#include "ui/side_picture.h"

namespace {

struct PcxLayout { uint8_t manufacturer = 10; uint8_t bpp = 8; uint8_t planes = 1;
    uint16_t xmin = 0, ymin = 0, xmax = 0, ymax = 0; uint16_t hdpi = 72, vdpi = 72; uint16_t bytesPerLine = 1;
    std::vector<uint8_t> encoded;  // pixel data after the header
    bool trailingPalette = false;  // append 0x0C and a 768-byte palette
};

// Header palette entry i is (i, 16 + i, 32 + i); trailing palette entry i is (i, 255 - i, i ^ 0x55).
std::vector<uint8_t> BuildPcx(const PcxLayout& s) {
  std::vector<uint8_t> f(128, 0);
  f[0] = s.manufacturer, f[1] = 5, f[2] = 1, f[3] = s.bpp, f[65] = s.planes;
  const std::pair<size_t, uint16_t> words[] = {{4, s.xmin}, {6, s.ymin}, {8, s.xmax}, {10, s.ymax},
                                               {12, s.hdpi}, {14, s.vdpi}, {66, s.bytesPerLine}};
  for (const auto& w : words) f[w.first] = static_cast<uint8_t>(w.second), f[w.first + 1] = static_cast<uint8_t>(w.second >> 8);
  for (int i = 0; i < 48; ++i) f[16 + i] = static_cast<uint8_t>(i / 3 + 16 * (i % 3));
  f.insert(f.end(), s.encoded.begin(), s.encoded.end());
  if (s.trailingPalette) f.push_back(0x0C);
  for (int i = 0; s.trailingPalette && i < 256; ++i)
    f.insert(f.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i ^ 0x55)});
  return f;
}

int Decode(const std::vector<uint8_t>& f, PcxPicture* out) {
  return DecodePcxPicture(f.data(), static_cast<uint32_t>(f.size()), out);
}

TEST(PcxPicture, DecodesAcceptedPicturesAndRejectsOthers) {
  // width, height, colours and stride 0: the picture is refused.
  const struct { const char* name; PcxLayout layout; int32_t width, height; uint32_t colours, stride;
      std::vector<uint8_t> pixels;  // bottom-up, padded
  } cases[] = {
      {"8 bits, a run, bottom line first", {10, 8, 1, 0, 0, 2, 1, 72, 72, 4, {1, 2, 3, 0, 0xC4, 7}, true}, 3, 2, 256, 4, {7, 7, 7, 7, 1, 2, 3, 0}},
      {"a run crossing the line end is cut", {10, 8, 1, 0, 0, 1, 1, 96, 72, 2, {0xC5, 9, 1, 2}, true}, 2, 2, 256, 4, {1, 2, 0, 0, 9, 9, 0, 0}},
      {"odd width keeps its padding byte", {10, 8, 1, 0, 0, 4, 0, 72, 72, 6, {1, 2, 3, 4, 5, 6}, true}, 5, 1, 256, 8, {1, 2, 3, 4, 5, 6, 0, 0}},
      {"4 bits, header palette", {10, 4, 1, 0, 0, 3, 0, 72, 72, 2, {0x12, 0x34}, true}, 4, 1, 16, 4, {0x12, 0x34, 0, 0}},
      {"1 bit, trailing palette", {10, 1, 1, 0, 0, 7, 0, 72, 72, 1, {0}, true}, 8, 1, 2, 4, {0, 0, 0, 0}},
      {"wrong manufacturer byte", {11, 8, 1, 0, 0, 0, 0, 72, 72, 1, {0, 0, 0, 0}, true}, 0, 0, 0, 0, {}},
      {"two planes", {10, 8, 2, 0, 0, 0, 0, 72, 72, 1, {0, 0, 0, 0}, true}, 0, 0, 0, 0, {}},
      {"zero planes", {10, 8, 0, 0, 0, 0, 0, 72, 72, 1, {0, 0, 0, 0}, true}, 0, 0, 0, 0, {}},
      {"0 bits per pixel", {10, 0, 1, 0, 0, 0, 0, 72, 72, 1, {0, 0, 0, 0}, true}, 0, 0, 0, 0, {}},
      {"9 bits per pixel", {10, 9, 1, 0, 0, 0, 0, 72, 72, 1, {0, 0, 0, 0}, true}, 0, 0, 0, 0, {}},
      {"zero bytes per line", {10, 8, 1, 0, 0, 0, 0, 72, 72, 0, {0, 0, 0, 0}, true}, 0, 0, 0, 0, {}},
      {"an empty window", {10, 8, 1, 5, 0, 4, 0, 72, 72, 1, {0, 0, 0, 0}, true}, 0, 0, 0, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PcxPicture pic;
    pic.pixels.assign(3, 1);
    ASSERT_EQ(Decode(BuildPcx(c.layout), &pic), c.width ? 1 : 0);
    EXPECT_EQ(pic.pixels, c.pixels);
    if (!c.width) {
      EXPECT_TRUE(pic.colours.empty());
      continue;
    }
    const auto& h = pic.header;
    EXPECT_EQ(std::vector<int64_t>({h.size, h.width, h.height, h.planes, h.bitCount, h.compression, h.xPelsPerMeter,
                                    h.yPelsPerMeter, h.clrUsed, pic.rowStride}),
              std::vector<int64_t>({40, c.width, c.height, 1, c.layout.bpp, 0, c.layout.hdpi * 39,
                                    c.layout.vdpi * 39, c.colours, c.stride}));
    // 16 colours come from the header even when a trailing palette is present.
    ASSERT_EQ(pic.colours.size(), c.colours);
    for (uint32_t i = 0; i < c.colours; ++i) {
      const auto& q = pic.colours[i];
      const bool header = c.colours == 16;
      EXPECT_EQ(std::vector<int>({q.red, q.green, q.blue, q.reserved}),
                std::vector<int>({int(i & 0xFF), int(header ? 16 + i : 255 - i), int(header ? 32 + i : (i ^ 0x55)), 0}))
          << i;
    }
  }
}

TEST(PcxPicture, TruncatedFilesGiveNoPicture) {
  // 4 bits (palette in the header): 2 lines of 4 bytes, the second a run.
  const PcxLayout s4 = {10, 4, 1, 0, 0, 7, 1, 72, 72, 4, {0x11, 0x22, 0x33, 0x44, 0xC4, 0x55}, false};
  // 8 bits: the palette is the last 768 bytes, so a cut shortens the pixels seen before it.
  const PcxLayout s8 = {10, 8, 1, 0, 0, 3, 2, 72, 72, 4, {0xC4, 1, 0xC4, 2, 0xC4, 3}, true};
  const std::vector<uint8_t> full4 = BuildPcx(s4), full8 = BuildPcx(s8);
  PcxPicture pic;
  ASSERT_EQ(Decode(full4, &pic), 1);
  const std::pair<const std::vector<uint8_t>*, size_t> cuts[] = {
      {&full4, 0},   {&full4, 1},   {&full4, 64},  {&full4, 127}, {&full4, 128}, {&full4, 131}, {&full4, 132},
      {&full4, 133}, {&full8, 128}, {&full8, 129}, {&full8, 133}, {&full8, 500}, {&full8, 128 + 767}};
  for (const auto& cut : cuts) {
    SCOPED_TRACE(cut.second);
    // An exactly sized copy, so the sanitizer catches any read past the end.
    std::vector<uint8_t> part(cut.first->begin(), cut.first->begin() + static_cast<std::ptrdiff_t>(cut.second));
    PcxPicture out;
    EXPECT_EQ(DecodePcxPicture(part.empty() ? nullptr : part.data(), static_cast<uint32_t>(part.size()), &out), 0);
    EXPECT_TRUE(out.pixels.empty());
  }
  PcxLayout noPalette = s8, runAtEnd = s4, tall = s4;
  noPalette.trailingPalette = false;  // too short to hold one
  runAtEnd.encoded = {0x11, 0x22, 0x33, 0x44, 0xC4};
  tall.ymax = 60000;
  for (const PcxLayout* bad : {&noPalette, &runAtEnd, &tall}) EXPECT_EQ(Decode(BuildPcx(*bad), &pic), 0);
  EXPECT_EQ(DecodePcxPicture(full4.data(), static_cast<uint32_t>(full4.size()), nullptr), 0);
}

using SidePictureTest = PageFixture;

TEST_F(SidePictureTest, CentreWizardKeepsBelowTheTitle) {
  CreatePage(IDD_PAGE_START, nullptr);
  const struct { SysRect work; int32_t minTop; int x, y; } cases[] = {
      {{0, 0, 1024, 738}, 0, 262, 179},    // centred in the work area
      {{0, 0, 1024, 738}, 200, 262, 200},  // never above the title
      {{100, 60, 1024, 768}, 0, 212, 164}, // measured from the screen corner, not the work area's
      {{0, 0, 1024, 400}, 150, 262, 150},  // the title wins over a low work area
  };
  for (const auto& c : cases) {
    sim::SetScreen(1024, 768, c.work.left, c.work.top, c.work.right, c.work.bottom);
    WizardMinTop = c.minTop;
    CentreWizard(page_);
    SysRect r = {};
    SysGetWindowRect(frame_, &r);
    EXPECT_EQ(std::vector<int>({r.left, r.top, r.right - r.left, r.bottom - r.top}),
              std::vector<int>({c.x, c.y, 500, 380}));
  }
  WizardMinTop = 0;
}

class LocalisedTextsTest : public SimFixture {
 protected:
  void Prepare() override {
    TextCopy(g_Settings.Title, u"Glidewave 98");
    TextCopy(g_Settings.Version, u"2.1");
  }
};

const char kIndent[] = "\r\n          ";

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

std::string Text(WindowHandle window) {
  char16_t text[1024] = u"<none>";
  if (window) SysGetWindowText(window, text, 1024);
  return sim::ToUtf8(text);
}

TEST_F(LocalisedTextsTest, TextsOnTheirDialogs) {
  constexpr int kCaption = 0;  // the window's own title
  struct Case { const char* name; uint32_t templateId;
      const char *ini, *setup2k;  // install.ini, SETUP2K.INI beside the program
      bool suppress;  // a non-null third argument
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
    WindowHandle dialog = sim::internal::CreateDialogFromTemplate(c.templateId, MakeWizardFrame(), true, nullptr, 0);
    ASSERT_NE(dialog, nullptr);
    char16_t unused[kLocalisedTextSize] = u"";
    EXPECT_EQ(ApplyLocalisedTexts(dialog, c.templateId, c.suppress ? unused : nullptr), 1);
    for (const auto& expected : c.texts)
      EXPECT_EQ(Text(expected.first == kCaption ? dialog : SysGetDlgItem(dialog, expected.first)), expected.second)
          << expected.first;
  }
}

}  // namespace
