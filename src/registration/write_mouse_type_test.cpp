// The chosen model's mouse-type values under both registry roots, by the model's type.
#include "registration/write_mouse_type.h"

#include <string>

#include "common/text.h"
#include "platform/registry.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"
#include "settings/model_table.h"

namespace {

// A text value of root\path as UTF-8, "<none>" when the key or value is missing.
std::string Text(RegKey root, const std::u16string& path, const char16_t* name) {
  RegKey key = nullptr;
  if (SysRegOpenKey(root, path.c_str(), kKeyRead, &key) != 0) return "<none>";
  uint8_t data[512] = {};
  uint32_t size = sizeof data - 2, type = 0;
  const int32_t status = SysRegQueryValue(key, name, &type, data, &size);
  SysRegCloseKey(key);
  if (status != 0 || type != kRegTypeSz) return "<none>";
  return sim::ToUtf8(reinterpret_cast<const char16_t*>(data));
}

const std::u16string kProduct = u"Software\\Norvik\\Glidewave 98";

class WriteMouseTypeTest : public SimFixture {
 protected:
  void ChooseModel(const char16_t* type) {
    ClearModelTable();
    g_Settings.ModelId = 3;
    TextCopy(ModelTable[3].name, u"Glide Ergo");
    TextCopy(ModelTable[3].file, u"gwergo.dll");
    TextCopy(ModelTable[3].resource, type);
  }
  void TearDown() override {
    ClearModelTable();
    SimFixture::TearDown();
  }
};

TEST_F(WriteMouseTypeTest, EachTypeNamesItsResourceLibraryValue) {
  const struct {
    const char16_t* type;
    const char16_t* valueName;  // null: no resource-library value
  } cases[] = {
      {u"2Dmouse", u"2DExternalResourceDll"},     {u"3Dmouse", u"3DExternalResourceDll"},
      {u"4Dmouse", u"4DExternalResourceDll"},     {u"ergomouse", u"ErgoExternalResourceDll"},
      {u"DPadmouse", u"DPadExternalResourceDll"}, {u"3D4Bmouse", u"3D4BExternalResourceDll"},
      {u"ErgoMouse", nullptr},  // types compare with case
      {u"5Dmouse", nullptr},
  };
  const char16_t* allNames[] = {u"2DExternalResourceDll",   u"3DExternalResourceDll",  u"4DExternalResourceDll",
                                u"ErgoExternalResourceDll", u"DPadExternalResourceDll", u"3D4BExternalResourceDll"};
  for (const auto& c : cases) {
    SCOPED_TRACE(sim::ToUtf8(c.type));
    StartMachine("winxp");
    ChooseModel(c.type);
    WriteMouseType();
    EXPECT_EQ(Text(kRegCurrentUser, kProduct + u"\\Mouse\\" + c.type, u"DefaultProductName"), "Glide Ergo");
    for (const char16_t* name : allNames)
      EXPECT_EQ(Text(kRegCurrentUser, kProduct, name), c.valueName && TextEqual(name, c.valueName) ? "gwergo.dll" : "<none>")
          << sim::ToUtf8(name);
    EXPECT_EQ(Text(kRegCurrentUser, kProduct + u"\\ResourceDLL", u"EnableSelect"), "0");
    EXPECT_EQ(Text(kRegLocalMachine, kProduct + u"\\ResourceDLL", u"EnableSelect"), "0");
  }
}

TEST_F(WriteMouseTypeTest, NothingIsWrittenWithoutTheUserProductKey) {
  ChooseModel(u"2Dmouse");
  const std::string before = sim::ExportRegText();
  sim::FailCall("SysRegCreateKey", 1, 5);
  WriteMouseType();
  EXPECT_EQ(sim::ExportRegText(), before);

  // A later key that cannot be made skips only its own value.
  sim::FailCall("SysRegCreateKey", 2, 5);
  WriteMouseType();
  EXPECT_EQ(Text(kRegCurrentUser, kProduct + u"\\Mouse\\2Dmouse", u"DefaultProductName"), "<none>");
  EXPECT_EQ(Text(kRegCurrentUser, kProduct, u"2DExternalResourceDll"), "gwergo.dll");
  EXPECT_EQ(Text(kRegLocalMachine, kProduct + u"\\ResourceDLL", u"EnableSelect"), "0");
}

}  // namespace
