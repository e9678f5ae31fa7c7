// PCX picture decoding (acceptance, palettes, run-length lines, row padding and truncation), the
// wizard's placement below the background window's title and the side picture's rectangle on a
// real page template.
#include "ui/pcx_picture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sim/ui/window_manager.h"
#include "resource_ids.h"
#include "support/page_fixture.h"
#include "ui/side_picture.h"

namespace {

struct PcxLayout {
  uint8_t manufacturer = 10;
  uint8_t bpp = 8;
  uint8_t planes = 1;
  uint16_t xmin = 0, ymin = 0, xmax = 0, ymax = 0;
  uint16_t hdpi = 72, vdpi = 72;
  uint16_t bytesPerLine = 1;
  std::vector<uint8_t> encoded;   // pixel data after the header
  bool trailingPalette = false;   // append 0x0C and a 768-byte palette
};

void Put16(std::vector<uint8_t>* f, size_t at, uint16_t v) {
  (*f)[at] = static_cast<uint8_t>(v & 0xFF);
  (*f)[at + 1] = static_cast<uint8_t>(v >> 8);
}

// Header palette entry i is (i, 16 + i, 32 + i); trailing palette entry i is (i, 255 - i, i ^ 0x55).
std::vector<uint8_t> BuildPcx(const PcxLayout& s) {
  std::vector<uint8_t> f(128, 0);
  f[0] = s.manufacturer;
  f[1] = 5;
  f[2] = 1;
  f[3] = s.bpp;
  Put16(&f, 4, s.xmin);
  Put16(&f, 6, s.ymin);
  Put16(&f, 8, s.xmax);
  Put16(&f, 10, s.ymax);
  Put16(&f, 12, s.hdpi);
  Put16(&f, 14, s.vdpi);
  for (int i = 0; i < 16; ++i) {
    f[16 + i * 3] = static_cast<uint8_t>(i);
    f[16 + i * 3 + 1] = static_cast<uint8_t>(16 + i);
    f[16 + i * 3 + 2] = static_cast<uint8_t>(32 + i);
  }
  f[65] = s.planes;
  Put16(&f, 66, s.bytesPerLine);
  f.insert(f.end(), s.encoded.begin(), s.encoded.end());
  if (s.trailingPalette) {
    f.push_back(0x0C);
    for (int i = 0; i < 256; ++i) {
      f.push_back(static_cast<uint8_t>(i));
      f.push_back(static_cast<uint8_t>(255 - i));
      f.push_back(static_cast<uint8_t>(i ^ 0x55));
    }
  }
  return f;
}

int Decode(const std::vector<uint8_t>& f, PcxPicture* out) {
  return DecodePcxPicture(f.data(), static_cast<uint32_t>(f.size()), out);
}

TEST(PcxPicture, DecodesAcceptedPictures) {
  const struct {
    const char* name;
    PcxLayout layout;
    int32_t width, height;
    uint32_t colours, stride;
    std::vector<uint8_t> pixels;  // bottom-up, padded
  } cases[] = {
      {"8 bits, literals and a run, bottom line first",
       {10, 8, 1, 0, 0, 2, 1, 72, 72, 4, {0x01, 0x02, 0x03, 0x00, 0xC4, 0x07}, true},
       3, 2, 256, 4,
       {0x07, 0x07, 0x07, 0x07, 0x01, 0x02, 0x03, 0x00}},
      {"a run crossing the line end is cut there",
       {10, 8, 1, 0, 0, 1, 1, 72, 72, 2, {0xC5, 0x09, 0x01, 0x02}, true},
       2, 2, 256, 4,
       {0x01, 0x02, 0, 0, 0x09, 0x09, 0, 0}},
      {"odd width padded to four bytes",
       {10, 8, 1, 0, 0, 4, 0, 72, 72, 6, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06}, true},
       5, 1, 256, 8,
       {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0, 0}},  // the line's own padding byte is kept
      {"4 bits with the header palette",
       {10, 4, 1, 0, 0, 3, 0, 72, 72, 2, {0x12, 0x34}, false},
       4, 1, 16, 4,
       {0x12, 0x34, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PcxPicture pic;
    ASSERT_EQ(Decode(BuildPcx(c.layout), &pic), 1);
    EXPECT_EQ(pic.header.size, 40u);
    EXPECT_EQ(pic.header.width, c.width);
    EXPECT_EQ(pic.header.height, c.height);
    EXPECT_EQ(pic.header.planes, 1);
    EXPECT_EQ(pic.header.bitCount, c.layout.bpp);
    EXPECT_EQ(pic.header.compression, 0u);
    EXPECT_EQ(pic.header.xPelsPerMeter, c.layout.hdpi * 39);  // dots per inch times 39
    EXPECT_EQ(pic.header.yPelsPerMeter, c.layout.vdpi * 39);
    EXPECT_EQ(pic.header.clrUsed, c.colours);
    EXPECT_EQ(pic.colours.size(), c.colours);
    EXPECT_EQ(pic.rowStride, c.stride);
    EXPECT_EQ(pic.pixels, c.pixels);
  }
}

TEST(PcxPicture, ColourTableComesFromTheRightPalette) {
  const struct {
    const char* name;
    uint8_t bpp;
    bool fromHeader;
  } cases[] = {
      {"16 colours: header palette", 4, true},
      {"256 colours: last 768 bytes", 8, false},
      {"2 colours: last 768 bytes", 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PcxLayout s;
    s.bpp = c.bpp;
    s.bytesPerLine = 1;
    s.encoded = {0x00};
    s.trailingPalette = true;  // present even for 16 colours, where it must be ignored
    PcxPicture pic;
    ASSERT_EQ(Decode(BuildPcx(s), &pic), 1);
    const uint32_t n = 1u << c.bpp;
    ASSERT_EQ(pic.colours.size(), n);
    for (uint32_t i = 0; i < n; ++i) {
      const uint8_t r = static_cast<uint8_t>(i);
      const uint8_t g = c.fromHeader ? static_cast<uint8_t>(16 + i) : static_cast<uint8_t>(255 - i);
      const uint8_t b = c.fromHeader ? static_cast<uint8_t>(32 + i) : static_cast<uint8_t>(i ^ 0x55);
      EXPECT_EQ(pic.colours[i].red, r) << i;
      EXPECT_EQ(pic.colours[i].green, g) << i;
      EXPECT_EQ(pic.colours[i].blue, b) << i;
      EXPECT_EQ(pic.colours[i].reserved, 0) << i;
    }
  }
}

TEST(PcxPicture, RejectsPicturesThatAreNotAccepted) {
  const struct {
    const char* name;
    uint8_t manufacturer, bpp, planes;
    uint16_t xmin, xmax, bytesPerLine;
  } cases[] = {
      {"wrong manufacturer byte", 11, 8, 1, 0, 0, 1}, {"two planes", 10, 8, 2, 0, 0, 1},
      {"zero planes", 10, 8, 0, 0, 0, 1},             {"0 bits per pixel", 10, 0, 1, 0, 0, 1},
      {"9 bits per pixel", 10, 9, 1, 0, 0, 1},        {"zero bytes per line", 10, 8, 1, 0, 0, 0},
      {"an empty window", 10, 8, 1, 5, 4, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PcxLayout s;
    s.manufacturer = c.manufacturer;
    s.bpp = c.bpp;
    s.planes = c.planes;
    s.xmin = c.xmin;
    s.xmax = c.xmax;
    s.bytesPerLine = c.bytesPerLine;
    s.encoded = {0x00, 0x00, 0x00, 0x00};
    s.trailingPalette = true;
    PcxPicture pic;
    pic.pixels.assign(3, 1);
    EXPECT_EQ(Decode(BuildPcx(s), &pic), 0);
    EXPECT_TRUE(pic.pixels.empty());
    EXPECT_TRUE(pic.colours.empty());
  }
}

TEST(PcxPicture, TruncatedFilesGiveNoPicture) {
  // 4-bit picture (palette in the header): 2 lines of 4 bytes, the second a run.
  PcxLayout s4;
  s4.bpp = 4;
  s4.xmax = 7;
  s4.ymax = 1;
  s4.bytesPerLine = 4;
  s4.encoded = {0x11, 0x22, 0x33, 0x44, 0xC4, 0x55};
  const std::vector<uint8_t> full4 = BuildPcx(s4);
  PcxPicture pic;
  ASSERT_EQ(Decode(full4, &pic), 1);
  for (size_t len : {size_t{0}, size_t{1}, size_t{64}, size_t{127}, size_t{128}, size_t{131},
                     size_t{132}, size_t{133}}) {
    SCOPED_TRACE(len);
    // Copy into an exactly sized buffer so the sanitizer catches any read past the end.
    std::vector<uint8_t> part(full4.begin(), full4.begin() + static_cast<std::ptrdiff_t>(len));
    PcxPicture out;
    EXPECT_EQ(DecodePcxPicture(len ? part.data() : nullptr, static_cast<uint32_t>(len), &out), 0);
    EXPECT_TRUE(out.pixels.empty());
  }

  // 8-bit picture: the palette is the last 768 bytes, so cutting the file shortens the pixel
  // data seen before it or leaves too few bytes for a palette.
  PcxLayout s8;
  s8.xmax = 3;
  s8.ymax = 2;
  s8.bytesPerLine = 4;
  s8.encoded = {0xC4, 0x01, 0xC4, 0x02, 0xC4, 0x03};
  s8.trailingPalette = true;
  const std::vector<uint8_t> full8 = BuildPcx(s8);
  for (size_t len : {size_t{128}, size_t{129}, size_t{133}, size_t{500}, size_t{128 + 767}}) {
    SCOPED_TRACE(len);
    std::vector<uint8_t> part(full8.begin(), full8.begin() + static_cast<std::ptrdiff_t>(len));
    PcxPicture out;
    EXPECT_EQ(Decode(part, &out), 0);
  }
  // Without the trailing palette an 8-bit picture of a few bytes is too short to hold one.
  s8.trailingPalette = false;
  EXPECT_EQ(Decode(BuildPcx(s8), &pic), 0);
  // A run count as the last byte of the file, with its value missing.
  PcxLayout sRun = s4;
  sRun.encoded = {0x11, 0x22, 0x33, 0x44, 0xC4};
  EXPECT_EQ(Decode(BuildPcx(sRun), &pic), 0);
  // A header claiming far more lines than the file could hold.
  PcxLayout sTall = s4;
  sTall.ymax = 60000;
  EXPECT_EQ(Decode(BuildPcx(sTall), &pic), 0);
  EXPECT_EQ(DecodePcxPicture(full4.data(), static_cast<uint32_t>(full4.size()), nullptr), 0);
}

class SidePictureTest : public SimFixture {
 protected:
  void Prepare() override {
    frame_ = MakeWizardFrame();
    page_ = sim::internal::CreateDialogFromTemplate(IDD_PAGE_START, frame_, true, nullptr, 0);
  }
  void TearDown() override {
    WizardMinTop = 0;
    SimFixture::TearDown();
  }
  WindowHandle frame_ = nullptr;
  WindowHandle page_ = nullptr;
};

TEST_F(SidePictureTest, CentreWizardKeepsBelowTheTitle) {
  const struct {
    const char* name;
    SysRect work;
    int32_t minTop;
    int x, y;
  } cases[] = {
      {"centred in the work area", {0, 0, 1024, 738}, 0, 262, 179},
      {"never above the title", {0, 0, 1024, 738}, 200, 262, 200},
      {"measured from the screen corner, not the work area's", {100, 60, 1024, 768}, 0, 212, 164},
      {"the title wins over a low work area", {0, 0, 1024, 400}, 150, 262, 150},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sim::SetScreen(1024, 768, c.work.left, c.work.top, c.work.right, c.work.bottom);
    WizardMinTop = c.minTop;
    CentreWizard(page_);
    SysRect r = {};
    SysGetWindowRect(frame_, &r);
    EXPECT_EQ(r.left, c.x);
    EXPECT_EQ(r.top, c.y);
    EXPECT_EQ(r.right - r.left, 500);
    EXPECT_EQ(r.bottom - r.top, 380);
  }
}

TEST_F(SidePictureTest, PictureFillsThePageHeightLessItsMarginTwice) {
  WindowHandle placeholder = SysGetDlgItem(page_, IDC_SIDE_PICTURE);
  SysRect s = {}, client = {};
  SysGetClientRect(placeholder, &s);
  SysPoint corner = {0, 0};
  SysMapWindowPoints(placeholder, page_, &corner, 1);
  SysGetClientRect(page_, &client);

  SysRect source = {}, destination = {};
  LayoutSidePicture(page_, &source, &destination);
  EXPECT_FALSE(SysIsWindowVisible(placeholder));
  EXPECT_EQ(destination.left, corner.x);
  EXPECT_EQ(destination.top, corner.y);
  EXPECT_EQ(destination.bottom, client.bottom - corner.y);
  // Taller than the placeholder, so wider in the same proportion.
  const int height = destination.bottom - destination.top;
  EXPECT_GT(height, s.bottom);
  EXPECT_EQ(destination.right - destination.left, s.right * height / s.bottom);

  sim::ClearPaintLog(page_);
  PaintSidePicture(page_, &source, &destination);
  const auto box = [](const SysRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
  };
  const std::vector<std::string> expected = {
      "stretch " + box(destination) + " resource 10551 from 0,0," + std::to_string(s.right) + "," +
          std::to_string(s.bottom) + " mode 3",
      "edge " + box(destination) + " 0x2 0xF"};
  EXPECT_EQ(sim::PaintLogLines(page_), expected);
  EXPECT_EQ(sim::LiveGdiObjects(), 0u);
  EXPECT_EQ(sim::OpenDeviceContexts(), 0u);
}

}  // namespace
