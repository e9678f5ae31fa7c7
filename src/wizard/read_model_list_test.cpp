// Product lists into the model table: slots by model number, where the list ends, which
// picture files count, and the field limits.
#include "wizard/read_model_list.h"

#include <cctype>
#include <string>
#include <vector>

#include "common/text.h"
#include "platform/ui.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"
#include "settings/model_table.h"

namespace {

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
      std::string lower = file;
      for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      const bool isLibrary = lower.size() > 4 && lower.substr(lower.size() - 4) == ".dll";
      const bool isBundle = lower.size() > 4 && lower.substr(lower.size() - 4) == ".img";
      sim::WriteDiskFile(WindowsDir() + u"\\" + sim::FromUtf8(file), isLibrary ? library : isBundle ? bundle : "text");
    }
    WritePackageFile(u"SETUP2K.INI", "[Product.List.USB]\r\n" + lines);
    TextCopy(g_Settings.ConfigFile, kTextSize, PackagePath(u"SETUP2K.INI").c_str());
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
  const struct {
    const char* name;
    std::string lines;
    std::vector<std::string> files;
    int result;
    int32_t count;  // ModelCount afterwards; 77 = left as it was
    const char* slots;
  } cases[] = {
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
