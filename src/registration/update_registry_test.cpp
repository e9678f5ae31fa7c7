// The registry stage on simulated Windows 7: which registry script sections and program sections
// run for each interface and mode, and the please-wait dialog that runs the stage.
#include "registration/update_registry.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/text.h"
#include "platform/registry.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

class UpdateRegistryTest : public SimFixture {
 protected:
  // Each registry section writes a value of its own name under HKLM\Software\T; each program
  // section starts a program of its own.
  void Prepare() override {
    TextCopy(g_Settings.SourceDir, PackageDir().c_str());
    TextCopy(g_Settings.ConfigFile, PackagePath(u"SETUP2K.INI").c_str());
    for (const char16_t* program : {u"usb.exe", u"ps2.exe", u"bt.exe", u"pre.exe"}) WritePackageFile(program, "");
    ImportReg("[HKEY_CURRENT_USER\\SOFTWARE\\Norvik\\CoInstaller\\Class]\n\"x\"=\"y\"\n");
  }
  void WriteConfig(const char* useXmouseCpl) {
    WritePackageFile(u"SETUP2K.INI", std::string("[Default]\r\nUsexmousecpl=") + useXmouseCpl +
                                         "\r\n[CPL Registry]\r\n1=HKLM,Software\\T,Cpl,0,1\r\n"
                                         "[Add Registry]\r\n1=HKLM,Software\\T,Add,0,1\r\n"
                                         "[Add CH_Registry]\r\n1=HKLM,Software\\T,Ch,0,1\r\n"
                                         "[Add Registry.ps2]\r\n1=HKLM,Software\\T,Ps2,0,1\r\n"
                                         "[Run]\r\n1=usb.exe\r\n[Run.PS2]\r\n1=ps2.exe\r\n"
                                         "[Run.BT]\r\n1=bt.exe\r\n[Run.Preload]\r\n1=pre.exe\r\n");
  }
  // The value names under HKLM\Software\T, sorted.
  static std::vector<std::string> Values() {
    std::vector<std::string> names;
    RegKey key = nullptr;
    if (SysRegOpenKey(kRegLocalMachine, u"Software\\T", kKeyRead, &key) != 0) return names;
    for (uint32_t index = 0;; ++index) {
      char16_t name[64];
      uint32_t length = 64;
      if (SysRegEnumValue(key, index, name, &length, nullptr, nullptr, nullptr) != 0) break;
      names.push_back(sim::ToUtf8(name));
    }
    SysRegCloseKey(key);
    std::sort(names.begin(), names.end());
    return names;
  }
  // The section programs started, in order.
  static std::vector<std::string> Programs() {
    std::vector<std::string> started;
    for (const sim::ProgramStart& start : sim::StartedPrograms()) {
      std::string program = sim::ToUtf8(start.program);
      program = program.substr(program.find_last_of('\\') + 1);
      if (program != "nvkmiced.exe") started.push_back(program);
    }
    return started;
  }
  static bool CoInstallerKept() {
    RegKey key = nullptr;
    if (SysRegOpenKey(kRegCurrentUser, u"SOFTWARE\\Norvik\\CoInstaller", kKeyRead, &key) != 0) return false;
    SysRegCloseKey(key);
    return true;
  }
};

TEST_F(UpdateRegistryTest, SectionsFollowInterfaceAndMode) {
  struct Case {
    const char* name;
    int32_t interfaceType, preload, especial;
    const char16_t* language;
    const char* useXmouseCpl;
    std::vector<std::string> values;
    std::vector<std::string> programs;
    bool coInstallerKept;
  };
  const Case cases[] = {
      {"USB", kInterfaceUSB, 0, 1, u"ENGLISH", "TRUE", {"Add"}, {"usb.exe"}, true},
      {"PS/2", kInterfacePS2, 0, 0, u"ENGLISH", "TRUE", {"Add", "Ps2"}, {"ps2.exe"}, false},
      {"PS/2 preloaded", kInterfacePS2, 1, 0, u"ENGLISH", "TRUE", {"Add", "Ps2"}, {"pre.exe"}, true},
      {"all interfaces, own control panel, Chinese", kInterfaceAll, 0, 1, u"chinese", "false", {"Add", "Ch", "Cpl"},
       {}, true},
      {"Chinese without Especial", kInterfaceAll, 0, 0, u"CHINESE", "TRUE", {"Add"}, {}, true},
      {"all interfaces preloaded", kInterfaceAll, 1, 0, u"ENGLISH", "TRUE", {"Add"}, {"pre.exe"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    WriteConfig(c.useXmouseCpl);
    g_Settings.InterfaceType = c.interfaceType;
    g_Settings.PreloadMode = c.preload;
    g_Settings.Especial = c.especial;
    TextCopy(g_Settings.LanguageName, c.language);
    EXPECT_EQ(UpdateRegistry(nullptr, nullptr), 1);
    EXPECT_EQ(Values(), c.values);
    EXPECT_EQ(Programs(), c.programs);
    EXPECT_EQ(CoInstallerKept(), c.coInstallerKept);
  }
}

TEST_F(UpdateRegistryTest, DialogRunsTheStageAndEndsWithOne) {
  const struct {
    int32_t hidden;
    const char* shown;
  } cases[] = {{0, "dialog: 12012 [] shown"}, {1, "dialog: 12012 [] hidden"}};
  for (const auto& c : cases) {
    StartMachine("win7");
    WriteConfig("TRUE");
    g_Settings.HiddenMode = c.hidden;
    g_Settings.InterfaceType = kInterfaceBluetooth;  // the opening's work: a mouse is present
    const RegistryStage present = {[](WindowHandle dialog) {
      static const RegistryStageQuestions questions = {[] { return 1; }};
      return UpdateRegistry(dialog, &questions);
    }};
    EXPECT_EQ(SysDialogBoxParam(nullptr, IDD_STAGE_WAIT, nullptr, UpdateRegistryDlgProc,
                                reinterpret_cast<intptr_t>(&present)), 1);
    EXPECT_TRUE(JournalHas(c.shown));
    EXPECT_EQ(Values(), std::vector<std::string>{"Add"});
    EXPECT_EQ(Programs(), std::vector<std::string>{});
    // A second opening starts a new worker; without work given no Bluetooth mouse is present.
    WriteConfig("FALSE");
    EXPECT_EQ(SysDialogBoxParam(nullptr, IDD_STAGE_WAIT, nullptr, UpdateRegistryDlgProc, 0), 1);
    EXPECT_EQ(Values(), (std::vector<std::string>{"Add", "Cpl"}));
    EXPECT_EQ(Programs(), std::vector<std::string>{"bt.exe"});
  }
}

}  // namespace
