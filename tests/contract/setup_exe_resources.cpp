// Resources linked into setup.exe, read by the Windows build's contract program: the exact
// string-table texts, the icon sizes with their alpha edges, the manifest's requests and the
// version block; and the wizard's property-sheet numbers against the system's.
#include <windows.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui.h"
#include "res/resource_ids.h"
#include "ui/wizard_messages.h"

extern std::wstring g_setupExe;

namespace {

static_assert(kPsmRemovePage == PSM_REMOVEPAGE && kPsmSetWizButtons == PSM_SETWIZBUTTONS &&
              kPsmPressButton == PSM_PRESSBUTTON && kPsmCancelToClose == PSM_CANCELTOCLOSE, "PSM_*");
static_assert(kPsbtnBack == PSBTN_BACK && kPsbtnNext == PSBTN_NEXT && kPsbtnFinish == PSBTN_FINISH &&
              kPsbtnCancel == PSBTN_CANCEL, "PSBTN_*");
static_assert(kPswizbBack == PSWIZB_BACK && kPswizbNext == PSWIZB_NEXT && kPswizbFinish == PSWIZB_FINISH, "PSWIZB_*");
static_assert(kPsnSetActive == int32_t(PSN_SETACTIVE) && kPsnKillActive == int32_t(PSN_KILLACTIVE) &&
              kPsnReset == int32_t(PSN_RESET) && kPsnWizBack == int32_t(PSN_WIZBACK) &&
              kPsnWizNext == int32_t(PSN_WIZNEXT) && kPsnWizFinish == int32_t(PSN_WIZFINISH) &&
              kPsnQueryCancel == int32_t(PSN_QUERYCANCEL), "PSN_*");
static_assert(kIdWizardBack == 0x3023 && kIdWizardNext == 0x3024 && kIdWizardFinish == 0x3025, "wizard button ids");

// setup.exe loaded as data for the resource cases.
class SetupExeResources : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(g_setupExe.empty()) << "pass the path of setup.exe";
    ASSERT_NE(module_ = LoadLibraryExW(g_setupExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), nullptr);
  }
  void TearDown() override { FreeLibrary(module_); }
  HMODULE module_ = nullptr;
};

// The string table holds the exact texts; loading cuts, terminates and never overruns.
TEST_F(SetupExeResources, StringTable) {
  struct Row {
    uint32_t id;
    uint32_t cap;
    std::wstring text;
  };
  const Row rows[] = {
      {IDS_RESTART_REMOVE_DISKS, 256, L"Please remove any disks from floppy drives, then click OK to restart your computer."},
      {IDS_RESTART_CAPTION, 256, L"Warning"},
      {IDS_SETUP_WARNING, 256, L"Setup Warning"},
      {IDS_OS_NOT_SUPPORTED, 256,
       L"Current O.S. is not supported by this software, please refer to the user's manual or readme.txt for more "
       L"information."},
      {IDS_OS_NOT_SUPPORTED, 8, L"Current"},
      {IDS_SETUP_WARNING, 1, L""},
      {999, 256, L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("string " + std::to_string(row.id) + ", cap " + std::to_string(row.cap));
    std::vector<char16_t> out(row.cap + 4, u'#');
    uint32_t n = SysLoadString(reinterpret_cast<ModuleHandle>(module_), row.id, out.data(), row.cap);
    EXPECT_EQ(n, row.text.size());
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(out.data())), row.text);
    for (size_t i = row.cap; i < out.size(); ++i) EXPECT_EQ(out[i], u'#');
  }
}

// Icons of 16, 32 and 48 pixels with smooth alpha edges, the manifest's requests and the
// version block.
TEST_F(SetupExeResources, IconManifestAndVersion) {
  HRSRC group = FindResourceW(module_, MAKEINTRESOURCEW(IDI_SETUP), MAKEINTRESOURCEW(14));
  ASSERT_NE(group, nullptr);
  const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(module_, group)));
  std::vector<int> sizes;
  for (int i = 0; i < (dir[4] | (dir[5] << 8)); ++i) {
    const BYTE* entry = dir + 6 + 14 * i;  // width, height, colours, reserved, planes, bits, bytes, id
    sizes.push_back(entry[0]);
    HRSRC image = FindResourceW(module_, MAKEINTRESOURCEW(entry[12] | (entry[13] << 8)), MAKEINTRESOURCEW(3));
    ASSERT_NE(image, nullptr);
    const BYTE* dib = static_cast<const BYTE*>(LockResource(LoadResource(module_, image)));
    const BITMAPINFOHEADER* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib);
    EXPECT_EQ(header->biBitCount, 32);
    bool partial = false, opaque = false;
    for (LONG p = 0; p < header->biWidth * header->biWidth; ++p) {
      BYTE alpha = dib[header->biSize + 4 * p + 3];
      partial = partial || (alpha > 0 && alpha < 255);
      opaque = opaque || alpha == 255;
    }
    EXPECT_TRUE(partial && opaque) << "size " << int(entry[0]) << " has no smooth alpha edge";
  }
  EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));

  HRSRC manifest = FindResourceW(module_, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(manifest, nullptr);
  std::string xml(static_cast<const char*>(LockResource(LoadResource(module_, manifest))), SizeofResource(module_, manifest));
  for (const char* part : {"requireAdministrator", "Microsoft.Windows.Common-Controls", "6.0.0.0",
                           "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", ">false</dpiAware>"})
    EXPECT_NE(xml.find(part), std::string::npos) << part;

  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(g_setupExe.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(g_setupExe.c_str(), 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  const std::pair<const wchar_t*, const wchar_t*> strings[] = {{L"CompanyName", L"Norvik Electronics Ltd."},
                                                               {L"ProductName", L"Glidewave 98 Setup"},
                                                               {L"FileDescription", L"Glidewave Setup"},
                                                               {L"FileVersion", L"1.0.0.0"}};
  for (const auto& s : strings) {
    wchar_t* value = nullptr;
    std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + s.first;
    ASSERT_TRUE(VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) << s.first;
    EXPECT_EQ(std::wstring(value), s.second);
  }
}

}  // namespace
