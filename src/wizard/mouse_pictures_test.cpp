// Mouse pictures: the .img bundle reader against sound and damaged bundles, the resource
// pictures of a library built by the Windows resource compiler, and where a picture lands in
// the model page's frame.
#include "wizard/mouse_pictures.h"

#include <string>

#include "platform/kernel.h"
#include "platform/sim/ui/window_manager.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"
#include "settings/model_table.h"

namespace {

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
  const struct {
    const char* fixture;
    const char* size;
    uint8_t red, green, blue;
  } cases[] = {
      {"white_first.img", "100x80", 0xFF, 0xFF, 0xFF},
      {"capital_second.img", "100x80", 0x20, 0x40, 0xC0},    // "MOUSE.BMP" after another entry
      {"unreadable_first.img", "100x80", 0x20, 0x40, 0xC0},  // the first one's data is past the end
      {"no_picture.img", "none", 0, 0, 0},
      {"short_directory.img", "none", 0, 0, 0},  // three entries announced, one and a half there
      {"bad_bits.img", "none", 0, 0, 0},         // bits offset past the entry's data
      {"empty.img", "none", 0, 0, 0},
      // 16-bit bit fields: the masks reach the screen bitmap whatever the header's length.
      {"bitfields_40.img", "1x1", 0x00, 0xF8, 0x00},
      {"bitfields_41.img", "1x1", 0x00, 0xF8, 0x00},
      {"bitfields_108.img", "1x1", 0x00, 0xF8, 0x00},
      {"bitfields_124.img", "1x1", 0x00, 0xF8, 0x00},
      {"bitfields_cut.img", "none", 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fixture);
    const std::u16string path = PlaceFixture(c.fixture, u"mouse.img");
    if (path.empty()) GTEST_SKIP() << "picture fixtures not built";
    ClearModelTable();
    const size_t objects = sim::LiveGdiObjects();
    GdiObject picture = LoadImgPicture(path.c_str(), 4);
    EXPECT_EQ(Size(picture), c.size);
    EXPECT_EQ(ModelTable[4].backgroundRed, c.red);
    EXPECT_EQ(ModelTable[4].backgroundGreen, c.green);
    EXPECT_EQ(ModelTable[4].backgroundBlue, c.blue);
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
  const struct {
    const char16_t* name;
    const char* size;
  } cases[] = {
      {u"2Dmouse", "40x30"},
      {u"3dMOUSE", "64x48"},           // resource names compare without case
      {u"\u0132Dmouse", "40x30"},      // U+0132 keeps its low byte, '2'
      {u"ergomouse", "none"},          // a resource, but not a PCX picture
      {u"4Dmouse", "none"},
      {u"", "none"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(sim::ToUtf8(c.name));
    GdiObject picture = LoadResourcePicture(library, c.name);
    GdiObject palette = LoadResourcePalette(nullptr, library, c.name);
    EXPECT_EQ(Size(picture), c.size);
    EXPECT_EQ(palette != nullptr, picture != nullptr);
    if (picture) SysDeleteObject(picture);
    if (palette) SysDeleteObject(palette);
  }
  EXPECT_EQ(SysFreeLibrary(library), 1);
  EXPECT_EQ(sim::OpenDeviceContexts(), 0u);
}

TEST_F(MousePicturesTest, DamagedLibrariesAreRefusedWithoutReadingPastThem) {
  const std::string dll = FixtureBytes("pictures/mouse_pictures.dll");
  if (dll.empty()) GTEST_SKIP() << "mouse_pictures.dll not built";
  const std::u16string path = WindowsDir() + u"\\broken.dll";
  sim::WriteDiskFile(path, "MZ this is not a program");
  EXPECT_EQ(SysLoadLibraryAsData(path.c_str()), nullptr);
  EXPECT_EQ(SysGetLastError(), 193u);
  EXPECT_EQ(SysLoadLibraryAsData((WindowsDir() + u"\\absent.dll").c_str()), nullptr);
  EXPECT_EQ(SysGetLastError(), 126u);

  // Every cut of the real library either loads with or without the picture; none reads past.
  int found = 0;
  for (size_t cut = 0; cut <= dll.size(); cut += 61) {
    sim::WriteDiskFile(path, dll.substr(0, cut));
    ModuleHandle library = SysLoadLibraryAsData(path.c_str());
    if (!library) continue;
    GdiObject picture = LoadResourcePicture(library, u"2Dmouse");
    if (picture) {
      ++found;
      SysDeleteObject(picture);
    }
    SysFreeLibrary(library);
  }
  EXPECT_GT(found, 0);  // the longest cuts still hold the whole picture
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

class ModelFrameTest : public MousePicturesTest {
 protected:
  void Prepare() override {
    page_ = sim::internal::CreateDialogFromTemplate(IDD_PAGE_MOUSE_MODEL, nullptr, true, nullptr, 0);
    // A frame of 206 x 146: its inner rectangle is 200 x 140.
    SysMoveWindow(SysGetDlgItem(page_, IDC_MODEL_FRAME), 20, 10, 206, 146, 0);
  }
  WindowHandle page_ = nullptr;
};

TEST_F(ModelFrameTest, PictureIsCentredInTheInnerFrameOverItsBackground) {
  const std::u16string bundle = PlaceFixture("white_first.img", u"white.img");
  const std::u16string library = PlaceFixture("mouse_pictures.dll", u"gwpics.dll");
  if (bundle.empty() || library.empty()) GTEST_SKIP() << "picture fixtures not built";
  SysRect frame = {};
  SysGetWindowRect(SysGetDlgItem(page_, IDC_MODEL_FRAME), &frame);
  SysPoint corner = {frame.left + 3, frame.top + 3};
  SysMapWindowPoints(nullptr, page_, &corner, 1);
  const auto box = [&](int l, int t, int r, int b) {
    return std::to_string(corner.x + l) + "," + std::to_string(corner.y + t) + "," + std::to_string(corner.x + r) +
           "," + std::to_string(corner.y + b);
  };

  // Slot 2 holds the bundle picture (100 x 80, white first pixel), slot 5 a library picture.
  ModelTable[2].isBundle = 1;
  ModelTable[2].picture = LoadImgPicture(bundle.c_str(), 2);
  ModuleHandle module = SysLoadLibraryAsData(library.c_str());
  ModelTable[5].palette = LoadResourcePalette(page_, module, u"2Dmouse");
  ModelTable[5].picture = LoadResourcePicture(module, u"2Dmouse");
  SysFreeLibrary(module);
  ASSERT_NE(ModelTable[2].picture, nullptr);
  ASSERT_NE(ModelTable[5].picture, nullptr);

  const struct {
    const char* name;
    int32_t slot;
    std::vector<std::string> drawn;
  } cases[] = {
      // 100 x 80 in 200 x 140: left + 9 + 50, top + 1 + 30.
      {"bundle picture on its first pixel's colour", 2,
       {"rect " + box(0, 0, 200, 140) + " brush #FFFFFF pen #000000", "bitmap " + box(59, 31, 259, 171) + " dib 100x80 24-bit"}},
      // 40 x 30: left + 9 + 80, top + 1 + 55.
      {"library picture on black", 5,
       {"rect " + box(0, 0, 200, 140) + " brush #000000 pen #000000", "bitmap " + box(89, 56, 289, 196) + " dib 40x30 8-bit"}},
      {"an empty slot draws nothing", 7, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_Settings.ModelId = c.slot;
    sim::ClearPaintLog(page_);
    const size_t objects = sim::LiveGdiObjects();
    DeviceContext dc = SysGetDC(page_);
    EXPECT_EQ(DrawModelPicture(page_, dc, IDC_MODEL_FRAME, ModelTable[c.slot].picture), c.drawn.empty() ? 0 : 1);
    SysReleaseDC(page_, dc);
    EXPECT_EQ(sim::PaintLogLines(page_), c.drawn);
    EXPECT_EQ(sim::LiveGdiObjects(), objects);  // the brush and memory context are gone again
  }
}

}  // namespace
