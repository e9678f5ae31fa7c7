// Window test support: the test dialogs' script, compiled once by mingw-w64 windres and served as a
// template overlay, and a fixture with a fresh machine and an empty window manager.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sim/machine/machine.h"
#include "platform/sim/ui/window_manager.h"
#include "support/sim_fixture.h"

namespace ui_test {

// Templates of the test script.
constexpr uint32_t kFullDialog = 100;     // caption, font, default button, radio group, ...
constexpr uint32_t kPlainDialog = 200;    // plain DIALOG layout, no default button
constexpr uint32_t kCentredDialog = 300;  // centred pop-up with a modal frame and no caption
constexpr uint32_t kPageDialog = 400;     // a child dialog (property-sheet page style)

// Control ids of kFullDialog.
constexpr int kLabelId = 1400;
constexpr int kBarId = 1500;
constexpr int kIconId = 1002;
constexpr int kRadioPs2 = 301;
constexpr int kRadioBt = 302;
constexpr int kRadioUsb = 303;
constexpr int kGoId = 10;

constexpr const char kScript[] = R"RC(
#include <winresrc.h>
LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US

100 DIALOGEX 20, 10, 200, 100
STYLE DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "Full Dialog"
FONT 8, "MS Shell Dlg", 400, 0, 0x1
BEGIN
    DEFPUSHBUTTON   "OK", IDOK, 90, 80, 50, 14
    PUSHBUTTON      "Cancel", IDCANCEL, 144, 80, 50, 14
    LTEXT           "Please wait", 1400, 7, 7, 186, 8
    CONTROL         "", 1500, "Static", SS_SUNKEN | WS_VISIBLE, 7, 20, 134, 13
    ICON            115, 1002, 160, 20, 21, 20
    AUTORADIOBUTTON "&PS/2", 301, 7, 40, 60, 10, WS_GROUP | WS_TABSTOP
    AUTORADIOBUTTON "Blue&tooth", 302, 7, 52, 60, 10
    AUTORADIOBUTTON "&USB", 303, 7, 64, 60, 10
    AUTOCHECKBOX    "Restart", 410, 90, 40, 60, 10, WS_GROUP | WS_TABSTOP
    LTEXT           "x", -1, 90, 60, 10, 8, WS_DISABLED
END

200 DIALOG 0, 0, 100, 40
STYLE DS_SETFONT | WS_POPUP | WS_CAPTION
CAPTION "Plain"
FONT 8, "MS Shell Dlg"
BEGIN
    PUSHBUTTON      "Go", 10, 10, 20, 40, 14
    LTEXT           "Static text", -1, 7, 7, 80, 8
END

300 DIALOGEX 0, 0, 311, 44
STYLE DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP
FONT 8, "MS Shell Dlg", 400, 0, 0x1
BEGIN
    LTEXT           "Setup is updating the registry. Please wait...", 710, 40, 16, 260, 8
END

400 DIALOGEX 0, 0, 120, 60
STYLE DS_SETFONT | DS_CONTROL | WS_CHILD
FONT 8, "MS Shell Dlg", 400, 0, 0x1
BEGIN
    CONTROL         "", 1006, "Static", SS_BITMAP | WS_VISIBLE, 4, 4, 40, 52
    PUSHBUTTON      "B&rowse...", 31, 60, 20, 50, 14
END
)RC";

// Compiles a resource script to .res bytes; false with the compiler's message on failure.
inline bool CompileResourceScript(const std::string& script, std::string* resBytes, std::string* error) {
  std::error_code ec;
  std::string pattern = (std::filesystem::temp_directory_path(ec) / "glidewave-rc-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back(0);
  if (!mkdtemp(buffer.data())) {
    *error = "no temporary folder";
    return false;
  }
  const std::filesystem::path dir = buffer.data();
  const std::filesystem::path rc = dir / "test.rc", res = dir / "test.res", log = dir / "windres.log";
  std::ofstream(rc) << script;
  const std::string command = "x86_64-w64-mingw32-windres -O res -i '" + rc.string() + "' -o '" + res.string() +
                              "' > '" + log.string() + "' 2>&1";
  const int status = std::system(command.c_str());
  auto slurp = [](const std::filesystem::path& p) {
    std::stringstream text;
    text << std::ifstream(p, std::ios::binary).rdbuf();
    return text.str();
  };
  *resBytes = slurp(res);
  if (status != 0 || resBytes->empty()) *error = "windres failed: " + slurp(log);
  std::filesystem::remove_all(dir, ec);
  return status == 0 && !resBytes->empty();
}

// The compiled test script, made once per test binary.
inline const std::string& TestResources() {
  static const std::string* bytes = [] {
    std::string res, error;
    EXPECT_TRUE(CompileResourceScript(kScript, &res, &error)) << error;
    return new std::string(res);
  }();
  return *bytes;
}

// A fresh machine whose window manager is empty and serves the test templates.
class WindowFixture : public SimFixture {
 protected:
  void SetUp() override {
    SimFixture::SetUp();
    sim::internal::ResetWindowManager();
    ASSERT_FALSE(TestResources().empty());
    sim::SetDialogResourceOverlay(TestResources());
  }
  void TearDown() override {
    sim::internal::ResetWindowManager();
    SimFixture::TearDown();
  }
};

inline int LowWord(uintptr_t value) { return static_cast<int>(value & 0xFFFF); }
inline int HighWord(uintptr_t value) { return static_cast<int>((value >> 16) & 0xFFFF); }

}  // namespace ui_test
