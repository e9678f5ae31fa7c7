// Mouse pictures: the .img bundle reader, the resource pictures of a library built by the Windows
// resource compiler, where a picture lands in the model page's frame, and the product lists that
// fill the model table.
#include "wizard/mouse_pictures.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "platform/kernel.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/ui.h"
#include "resource_ids.h"
#include "settings/model_table.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"
#include "wizard/read_model_list.h"

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

class ModelFrameTest : public MousePicturesTest {
 protected:
  void Prepare() override {
    page_ = sim::internal::CreateDialogFromTemplate(IDD_PAGE_MOUSE_MODEL, nullptr, true, nullptr, 0);
    // A frame of 206 x 146: its inner rectangle is 200 x 140.
    SysMoveWindow(SysGetDlgItem(page_, IDC_MODEL_FRAME), 20, 10, 206, 146, 0);
  }
  WindowHandle page_ = nullptr;
};

class ReadModelListTest : public SimFixture {
 protected:
  void TearDown() override {
    ClearModelTable();
    SimFixture::TearDown();
  }
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

}  // namespace
