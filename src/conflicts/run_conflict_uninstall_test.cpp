// The other maker's software on the simulated machine: what detection finds per Windows family,
// what the warning shows, and what "Uninstall It" leaves: the direct registry clean-up, or the
// uninstaller started and waited for until no uninstaller process is left.
#include "conflicts/run_conflict_uninstall.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "conflicts/conflict_warning_dialog.h"
#include "conflicts/detect_conflicting_software.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/sim/ui/window_manager.h"
#include "resource_ids.h"
#include "support/sim_fixture.h"
#include "support/wizard_frame.h"
#include "ui/side_picture.h"

namespace {

const char* const kVxD = "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\LMOUSE]\n\"StaticVxD\"=\"lmouse.vxd\"\n"
                         "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\LMOUSE\\Settings]\n";
const char* const kService = "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\l8042prt]\n\"Start\"=dword:1\n"
                             "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\l8042prt\\Parameters]\n";
const char* const kEnumRoot =
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Enum\\Root\\*PNP0F13\\0000]\n"
    "\"Service\"=\"L8042Prt\"\n\"Driver\"=\"l8042prt.sys\"\n\"Path\"=hex(2):6c,00,38,00,30,00,34,00,32,00,70,00,72,00,74,00,00,00\n"
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Enum\\Root\\LEGACY_L8042PRT\\0000\\Control]\n"
    "\"ActiveService\"=\"l8042prt\"\n";
const char* const kEntry = "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MouseWare]\n"
                           "\"DisplayName\"=\"Mouse Driver 9.2\"\n\"UninstallString\"=\"C:\\\\mw\\\\uninst.exe /remove\"\n";
const char* const kSecondEntry =
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Logitech MouseWare]\n"
    "\"DisplayName\"=\"Mouse Driver 8.0\"\n\"UninstallString\"=\"C:\\\\mw\\\\uninst.exe /old\"\n";

const std::u16string kFirstEntry = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MouseWare";

// A text value of HKEY_LOCAL_MACHINE, "<none>" when missing.
std::string Value(const char16_t* path, const char16_t* name) {
  RegKey key = nullptr;
  if (SysRegOpenKey(kRegLocalMachine, path, kKeyRead, &key) != 0) return "<none>";
  uint8_t data[512] = {};
  uint32_t size = sizeof data - 2, type = 0;
  const int32_t status = SysRegQueryValue(key, name, &type, data, &size);
  SysRegCloseKey(key);
  return status == 0 ? sim::ToUtf8(reinterpret_cast<const char16_t*>(data)) : "<none>";
}

bool KeyExists(const char16_t* path) {
  RegKey key = nullptr;
  if (SysRegOpenKey(kRegLocalMachine, path, kKeyRead, &key) != 0) return false;
  SysRegCloseKey(key);
  return true;
}

class ConflictTest : public SimFixture {
 protected:
  void TearDown() override {
    ConflictFound = ConflictUninstallEntryFound = 0;
    TextCopy(ConflictDisplayName, u"Logitech Mouse Driver");
    TextCopy(ConflictUninstallKey, kFirstEntry.c_str());
    g_hMainWindow = nullptr;
    SimFixture::TearDown();
  }
  // The wizard frame and the background window the warning hides and shows again.
  void MakeWindows() {
    frame_ = MakeWizardFrame();
    g_hMainWindow = MakeWizardFrame(u"NMSetup");
  }
  // The warning, answered with a button; returns the centred line as it was shown.
  std::string Warn(int button) {
    std::string shown;
    sim::SetDialogWaitHook([&shown](WindowHandle dialog, uint32_t templateId) {
      if (templateId != IDD_CONFLICT_WARNING || !shown.empty()) return;
      char16_t text[256];
      SysGetDlgItemText(dialog, IDC_CONFLICT_NAME, text, 256);
      shown = sim::ToUtf8(text);
    });
    sim::QueueDialogAnswer(IDD_CONFLICT_WARNING, button);
    EXPECT_EQ(ConflictWarningDialog(frame_), 0);
    sim::SetDialogWaitHook(nullptr);
    return shown;
  }
  WindowHandle frame_ = nullptr;
};

TEST_F(ConflictTest, DetectionLooksOnlyAtOlderFamilies) {
  const struct {
    const char* machine;
    std::string registry;
    int32_t found, entry;
    const char* name;
  } cases[] = {
      {"winxp", std::string(kVxD) + kService + kEntry, 0, 0, "Logitech Mouse Driver"},
      {"win7", std::string(kVxD) + kService, 0, 0, "Logitech Mouse Driver"},
      {"win98", kService, 0, 0, "Logitech Mouse Driver"},  // the NT service means nothing on 9x
      {"win98", kVxD, 1, 0, "Logitech Mouse Driver"},
      {"nt4", kService, 1, 0, "Logitech Mouse Driver"},
      {"nt4", std::string(kService) + kEntry + kSecondEntry, 1, 1, "Mouse Driver 9.2"},
      {"win95", std::string(kVxD) + kSecondEntry, 1, 1, "Mouse Driver 8.0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.machine) + ": " + c.registry.substr(0, 60));
    StartMachine(c.machine);
    TearDown();
    ImportReg(c.registry);
    DetectConflictingSoftware();
    EXPECT_EQ(ConflictFound, c.found);
    EXPECT_EQ(ConflictUninstallEntryFound, c.entry);
    EXPECT_EQ(sim::ToUtf8(ConflictDisplayName), c.name);
  }
}

TEST_F(ConflictTest, WithoutAnUninstallerTheRegistryIsCleanedDirectly) {
  const struct {
    const char* machine;
    std::string registry;
    std::vector<const char16_t*> gone;
  } cases[] = {
      {"win98", std::string(kVxD) + kService, {u"System\\CurrentControlSet\\Services\\VxD\\LMOUSE"}},
      {"nt4", std::string(kService) + kEnumRoot, {u"System\\CurrentControlSet\\Services\\l8042prt"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.machine);
    StartMachine(c.machine);
    MakeWindows();
    ImportReg(c.registry);
    DetectConflictingSoftware();
    ASSERT_EQ(ConflictFound, 1);
    EXPECT_EQ(Warn(IDC_CONFLICT_UNINSTALL), "\"Logitech Mouse Driver\"");
    for (const char16_t* key : c.gone) EXPECT_FALSE(KeyExists(key)) << sim::ToUtf8(key);
    DetectConflictingSoftware();
    EXPECT_EQ(ConflictFound, 0);
    EXPECT_TRUE(sim::StartedPrograms().empty());
  }
  // NT 4: every text value equal to the port driver's name, in any case and at any depth, now
  // names the system's; other values and other types are left alone.
  const char16_t* device = u"System\\CurrentControlSet\\Enum\\Root\\*PNP0F13\\0000";
  EXPECT_EQ(Value(device, u"Service"), "i8042prt");
  EXPECT_EQ(Value(device, u"Driver"), "l8042prt.sys");
  EXPECT_EQ(Value(device, u"Path"), "l8042prt");
  EXPECT_EQ(Value(u"System\\CurrentControlSet\\Enum\\Root\\LEGACY_L8042PRT\\0000\\Control", u"ActiveService"),
            "i8042prt");
}

TEST_F(ConflictTest, ContinueLeavesEverythingAsItWas) {
  StartMachine("win98");
  MakeWindows();
  ImportReg(std::string(kVxD) + kEntry);
  DetectConflictingSoftware();
  const std::string before = sim::ExportRegText();
  EXPECT_EQ(Warn(IDC_CONFLICT_CONTINUE), "\"Mouse Driver 9.2\"");
  EXPECT_EQ(sim::ExportRegText(), before);
  EXPECT_TRUE(sim::StartedPrograms().empty());
}

// The uninstaller the entries name: it starts the given process and ends at once.
void ScriptUninstaller(const std::u16string& image, uint32_t lifetimeMs, std::vector<std::u16string> tasks = {}) {
  sim::WriteDiskFile(u"C:\\mw\\uninst.exe", "MZ");
  sim::ProgramBehaviour uninstaller;
  uninstaller.effect = [=](const sim::ProgramStart&) { sim::AddListedProcess(image, lifetimeMs, tasks); };
  sim::SetProgramBehaviour("uninst.exe", uninstaller);
}

TEST_F(ConflictTest, TheWaitLastsUntilNoUninstallerIsLeft) {
  struct Case {
    const char* name;
    const char* machine;
    std::string registry;
    std::u16string image;  // what the uninstaller leaves running
    uint32_t lifetimeMs;
    std::vector<std::u16string> tasks;
    const char* fault;     // a platform function that fails, or ""
    const char* command;   // the command line started, "" for none
    uint64_t elapsedMs;    // 5 s, then one second per scan until one sees no uninstaller
  };
  const Case cases[] = {
      {"a name that only ends in ISUNINST.EXE is no uninstaller", "win98", std::string(kVxD) + kEntry,
       u"C:\\WINDOWS\\TEMP\\_ISTMP0.DIR\\_ISUNINST.EXE", 7500, {}, "", "C:\\mw\\uninst.exe /remove", 6000},
      {"an isuninst.exe for 7.5 s: scans at 5, 6, 7 and 8 s", "win98", std::string(kVxD) + kEntry,
       u"C:\\WINDOWS\\TEMP\\isuninst.exe", 7500, {}, "", "C:\\mw\\uninst.exe /remove", 9000},
      {"a 16-bit WINST.EXE under NTVDM", "nt4", std::string(kService) + kSecondEntry,
       u"C:\\WINNT\\system32\\ntvdm.exe", 6500, {u"C:\\TEMP\\WINST.EXE"}, "", "C:\\mw\\uninst.exe /old", 8000},
      {"an uninstaller that cannot start: the wait still runs once", "win98", std::string(kVxD) + kEntry,
       u"C:\\WINDOWS\\TEMP\\ISUNINST.EXE", 7500, {}, "SysCreateProcess", "", 6000},
      {"no process listing on NT 4 without PSAPI: one pass", "nt4", std::string(kService) + kEntry,
       u"C:\\TEMP\\ISUNINST.EXE", 7500, {}, "psapi", "C:\\mw\\uninst.exe /remove", 6000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine(c.machine);
    TearDown();
    MakeWindows();
    ImportReg(c.registry);
    ScriptUninstaller(c.image, c.lifetimeMs, c.tasks);
    if (std::string(c.fault) == "psapi") sim::SetLibraryMissing("psapi.dll");
    else if (c.fault[0]) sim::FailCall(c.fault, 1, 2);
    DetectConflictingSoftware();
    const uint64_t start = sim::ElapsedMilliseconds();
    Warn(IDC_CONFLICT_UNINSTALL);
    EXPECT_EQ(sim::ElapsedMilliseconds() - start, c.elapsedMs);
    const std::vector<sim::ProgramStart> started = sim::StartedPrograms();
    if (c.command[0]) {
      ASSERT_EQ(started.size(), 1u);
      EXPECT_EQ(sim::ToUtf8(started[0].commandLine), c.command);
      EXPECT_EQ(started[0].creationFlags, 0x80u);  // high priority
      EXPECT_FALSE(started[0].hidden);
    } else {
      EXPECT_TRUE(started.empty());
    }
    // The wizard and the background are back, the dialog is gone.
    EXPECT_TRUE(SysIsWindowVisible(frame_));
    EXPECT_TRUE(SysIsWindowVisible(g_hMainWindow));
    EXPECT_FALSE(SysIsWindow(sim::FindDialog(IDD_CONFLICT_WARNING)));
  }
}

TEST_F(ConflictTest, AnEntryFoundSecondBecomesTheOneLookedAtFirst) {
  StartMachine("win98");
  ImportReg(std::string(kVxD) + kSecondEntry);
  DetectConflictingSoftware();
  EXPECT_EQ(sim::ToUtf8(ConflictUninstallKey),
            "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Logitech MouseWare");
  // Later detections keep the name and key of the last entry found, even when it is gone.
  ImportReg("[-HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Logitech MouseWare]\n");
  DetectConflictingSoftware();
  EXPECT_EQ(ConflictFound, 1);
  EXPECT_EQ(ConflictUninstallEntryFound, 0);
  EXPECT_EQ(sim::ToUtf8(ConflictDisplayName), "Mouse Driver 8.0");
}

}  // namespace
