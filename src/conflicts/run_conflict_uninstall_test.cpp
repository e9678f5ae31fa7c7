// Conflicting software on the simulated machine: the other maker's software (what detection finds
// per Windows family, what the warning shows, what "Uninstall It" leaves), the warning on the
// Welcome page's Next, the process listing past its largest buffer, closing listed windows over
// modelled programs, and the newer-version check with its "Warning" dialog.
#include "conflicts/run_conflict_uninstall.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "conflicts/conflict_warning_dialog.h"
#include "conflicts/detect_conflicting_software.h"
#include "conflicts/enumerate_processes.h"
#include "conflicts/kill_windows.h"
#include "conflicts/newer_version.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/sim/ui/window_manager.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"
#include "support/page_fixture.h"
#include "ui/side_picture.h"
#include "wizard/run_wizard.h"

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
  const struct { const char* machine; std::string registry; int32_t found, entry; const char* name; } cases[] = {
      {"winxp", std::string(kVxD) + kService + kEntry, 0, 0, "Logitech Mouse Driver"},
      {"win7", std::string(kVxD) + kService, 0, 0, "Logitech Mouse Driver"},
      {"win98", kService, 0, 0, "Logitech Mouse Driver"},  // the NT service means nothing on 9x
      {"win98", kVxD, 1, 0, "Logitech Mouse Driver"},
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
  const struct { const char* machine; std::string registry; std::vector<const char16_t*> gone; } cases[] = {
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
    for (const char16_t* key : c.gone) EXPECT_FALSE(KeyExists(kRegLocalMachine, key)) << sim::ToUtf8(key);
    DetectConflictingSoftware();
    EXPECT_EQ(ConflictFound, 0);
    EXPECT_TRUE(sim::StartedPrograms().empty());
  }
  // NT 4: every text value equal to the port driver's name, in any case and at any depth, now
  // names the system's; other values and other types are left alone.
  const char16_t* device = u"System\\CurrentControlSet\\Enum\\Root\\*PNP0F13\\0000";
  EXPECT_EQ(RegText(kRegLocalMachine, device, u"Service"), "i8042prt");
  EXPECT_EQ(RegText(kRegLocalMachine, device, u"Driver"), "l8042prt.sys");
  EXPECT_EQ(RegText(kRegLocalMachine, device, u"Path"), "l8042prt");
  EXPECT_EQ(RegText(kRegLocalMachine, u"System\\CurrentControlSet\\Enum\\Root\\LEGACY_L8042PRT\\0000\\Control", u"ActiveService"),
            "i8042prt");
}

// The uninstaller the entries name: it starts the given process and ends at once.
void ScriptUninstaller(const std::u16string& image, uint32_t lifetimeMs, std::vector<std::u16string> tasks = {}) {
  sim::WriteDiskFile(u"C:\\mw\\uninst.exe", "MZ");
  sim::ProgramBehaviour uninstaller;
  uninstaller.effect = [=](const sim::ProgramStart&) { sim::AddListedProcess(image, lifetimeMs, tasks); };
  sim::SetProgramBehaviour("uninst.exe", uninstaller);
}

TEST_F(ConflictTest, TheWaitLastsUntilNoUninstallerIsLeft) {
  // What the uninstaller leaves running and for how long, a platform function that fails (or ""),
  // the command started ("": none) and the wait: 5 s, then a second per scan until one sees no uninstaller.
  const struct { const char *name, *machine; std::string registry; std::u16string image; uint32_t lifetimeMs;
      std::vector<std::u16string> tasks; const char *fault, *command; uint64_t elapsedMs; } cases[] = {
      {"a name that only ends in ISUNINST.EXE is no uninstaller", "win98", std::string(kVxD) + kEntry, u"C:\\WINDOWS\\TEMP\\_ISTMP0.DIR\\_ISUNINST.EXE", 7500, {}, "", "C:\\mw\\uninst.exe /remove", 6000},
      {"an isuninst.exe for 7.5 s: scans at 5, 6, 7 and 8 s", "win98", std::string(kVxD) + kEntry, u"C:\\WINDOWS\\TEMP\\isuninst.exe", 7500, {}, "", "C:\\mw\\uninst.exe /remove", 9000},
      {"a 16-bit WINST.EXE under NTVDM", "nt4", std::string(kService) + kSecondEntry, u"C:\\WINNT\\system32\\ntvdm.exe", 6500, {u"C:\\TEMP\\WINST.EXE"}, "", "C:\\mw\\uninst.exe /old", 8000},
      {"an uninstaller that cannot start: the wait still runs once", "win98", std::string(kVxD) + kEntry, u"C:\\WINDOWS\\TEMP\\ISUNINST.EXE", 7500, {}, "SysCreateProcess", "", 6000},
      {"no process listing on NT 4 without PSAPI: one pass", "nt4", std::string(kService) + kEntry, u"C:\\TEMP\\ISUNINST.EXE", 7500, {}, "psapi", "C:\\mw\\uninst.exe /remove", 6000},
  };
  for (const auto& c : cases) {
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
    std::string started;  // command, creation flags (0x80: high priority), hidden
    for (const auto& p : sim::StartedPrograms())
      started += sim::ToUtf8(p.commandLine) + " " + std::to_string(p.creationFlags) + (p.hidden ? " hidden" : "");
    EXPECT_EQ(started, c.command[0] ? c.command + std::string(" 128") : "");
    EXPECT_TRUE(SysIsWindowVisible(frame_));
    EXPECT_TRUE(SysIsWindowVisible(g_hMainWindow));
    EXPECT_FALSE(SysIsWindow(sim::FindDialog(IDD_CONFLICT_WARNING)));
  }
}

class ConflictWarningTest : public SimFixture {
 protected:
  void TearDown() override {
    ConflictFound = ConflictUninstallEntryFound = 0;
    SimFixture::TearDown();
  }
};

TEST_F(ConflictWarningTest, WelcomeNextWarnsOncePerPress) {
  const struct { const char* name; const char* machine; int32_t check; int button; size_t warnings; bool driverLeft;
  } cases[] = {
      {"Continue: on to the next page, the driver stays", "win98", 1, IDC_CONFLICT_CONTINUE, 1, true},
      {"Uninstall It: cleaned up, then on without a second warning", "win98", 1, IDC_CONFLICT_UNINSTALL, 1, false},
      {"the check not asked for", "win98", 0, IDC_CONFLICT_UNINSTALL, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine(c.machine);
    ConflictFound = 0;
    ImportReg("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\LMOUSE]\n");
    TextCopy(g_Settings.ConfigFile, kTextSize, PackagePath(u"SETUP98.INI").c_str());
    WritePackageFile(u"SETUP98.INI", "[CopyList]\r\n");
    g_Settings.AskType = g_Settings.ChooseMouse = g_Settings.AskMousePosition = g_Settings.AskPath = 0;
    g_Settings.UninstallConflictSoftware = c.check;
    sim::QueueDialogAnswer(IDD_CONFLICT_WARNING, c.button);
    sim::QueueDialogAnswer(IDD_PAGE_START, kIdCancel);
    sim::QueueDialogAnswer(IDD_EXIT_SETUP, kIdCancel);
    RunWizard(nullptr);
    EXPECT_EQ(JournalCount("dialog: 130 [Warning] shown"), c.warnings);
    EXPECT_TRUE(JournalHas("wizard: page 12030 [Start Installation] shown"));
    EXPECT_EQ(ConflictFound, c.driverLeft && c.check && c.warnings ? 1 : 0);
  }
}

using EnumerateProcessesTest = SimFixture;

int CountProcess(uint32_t, uint16_t, const char16_t*, void* context) {
  ++*static_cast<uint32_t*>(context);
  return 1;
}

TEST_F(EnumerateProcessesTest, TheIdBufferStopsGrowingAtItsLimit) {
  StartMachine("winxp");
  const uint32_t limit = kMaxIdBufferBytes / sizeof(uint32_t);
  for (uint32_t n = 0; n < limit + 10; ++n) sim::AddListedProcess(u"C:\\busy\\worker.exe");
  uint32_t listed = 0;
  EXPECT_EQ(EnumerateProcesses(CountProcess, &listed), 1);
  EXPECT_EQ(listed, limit);
}

using KillWindowsTest = SimFixture;

const char kConfig[] =
    "[KillWindow]\r\n1=Utility\r\n2=ClassOnly\r\n\r\n"
    "[Utility]\r\nClass=NvkUtil\r\nCaption=Glidewave Utility\r\n\r\n"
    "[ClassOnly]\r\nClass=NvkTray\r\n";

struct Program { const char16_t *image, *windowClass, *caption; sim::CloseBehaviour behaviour;
    bool canBeOpened, runsAfter; size_t closeRequests, destroyMessages;  // messages 1296 and 2 the program received
};

TEST_F(KillWindowsTest, ListedWindowsAreClosed) {
  using B = sim::CloseBehaviour;
  const char16_t* const kUtil = u"Glidewave Utility";
  // Closes on request; ignores it and is ended by a remote exit; cannot be opened and gets the
  // destroy message; cannot be opened and survives 100 passes; two windows of one class and
  // caption; an entry without caption is skipped.
  const std::vector<std::vector<Program>> cases = {
      {{u"util.exe", u"NvkUtil", kUtil, B::kClosesOnRequest, true, false, 1, 0}},
      {{u"util.exe", u"NvkUtil", kUtil, B::kIgnoresCloseRequest, true, false, 1, 0}},
      {{u"util.exe", u"NvkUtil", kUtil, B::kIgnoresCloseRequest, false, false, 1, 1}},
      {{u"util.exe", u"NvkUtil", kUtil, B::kOnlyRemoteExit, false, true, 100, 100}},
      {{u"one.exe", u"NvkUtil", kUtil, B::kIgnoresCloseRequest, true, false, 1, 0},
       {u"two.exe", u"NvkUtil", kUtil, B::kOnlyRemoteExit, true, false, 1, 0}},
      {{u"tray.exe", u"NvkTray", u"", B::kClosesOnRequest, true, true, 0, 0}, {u"tray2.exe", u"NvkTray", u"Tray", B::kClosesOnRequest, true, true, 0, 0}},
  };
  for (const auto& programs : cases) {
    StartMachine("winxp");
    UseConfig(kConfig);
    std::vector<uint32_t> ids;
    for (const Program& p : programs)
      ids.push_back(sim::AddRunningProcess(p.image, p.windowClass, p.caption, p.behaviour, p.canBeOpened));
    KillListedWindows();
    for (size_t i = 0; i < programs.size(); ++i) {
      const Program& p = programs[i];
      const std::string image = sim::ToUtf8(p.image);
      SCOPED_TRACE(image);
      uint32_t exitCode = 99;
      EXPECT_EQ(sim::ProcessRunning(ids[i]), p.runsAfter);
      EXPECT_EQ(p.runsAfter || (sim::ProcessExitCode(ids[i], &exitCode) && exitCode == 0), true);
      EXPECT_EQ(JournalCount("foreign-message: " + image + " <- 1296"), p.closeRequests);
      EXPECT_EQ(JournalCount("foreign-message: " + image + " <- 2"), p.destroyMessages);
    }
  }
}

TEST_F(KillWindowsTest, EndProcessOfWindowResults) {
  // The platform function made to fail once ("": none) and its error.
  const struct { const char* name; bool canBeOpened; const char* failing; ErrorCode failure; int result;
      ErrorCode lastError; bool runsAfter; } cases[] = {
      {"ended with its own ExitProcess", true, "", 0, 1, 0, false},
      {"duplicate refused: the handle first opened serves", true, "SysDuplicateHandle", kErrAccessDenied, 1, 0, false},
      {"cannot be opened", false, "", 0, 0, kErrAccessDenied, true},
      {"exit code unreadable: taken as ended", true, "SysGetExitCodeProcess", kErrAccessDenied, 0,
       kErrProcessAborted, true},
      {"no remote thread", true, "SysCreateRemoteThread", kErrNotEnoughMemory, 0, kErrNotEnoughMemory, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("winxp");
    uint32_t id = sim::AddRunningProcess(u"util.exe", u"NvkUtil", u"Glidewave Utility",
                                         sim::CloseBehaviour::kOnlyRemoteExit, c.canBeOpened);
    if (c.failing[0]) sim::FailCall(c.failing, 1, c.failure);
    SysSetLastError(0);
    EXPECT_EQ(EndProcessOfWindow(sim::ProcessWindow(id), 7), c.result);
    if (c.result == 0) { EXPECT_EQ(SysGetLastError(), c.lastError); }
    uint32_t exitCode = 0;
    EXPECT_EQ(sim::ProcessRunning(id), c.runsAfter);
    EXPECT_EQ(c.runsAfter || (sim::ProcessExitCode(id, &exitCode) && exitCode == 7), true);
  }
}

using NewerVersionTest = SimFixture;

TEST_F(NewerVersionTest, InstalledVersionDecides) {
  // The registry ("": no product key) and the warning: "shown", "hidden" or "" (none).
  struct Case { const char* name; std::string registry; const char *version, *subVersion;
      int32_t interfaceType, compareSubVer, replace, showWarning; int result; int32_t newerPackage; const char* dialog;
  };
  const char* kProduct = "[HKEY_LOCAL_MACHINE\\Software\\Norvik\\Glidewave 98]\n";
  const char* kInterfaces = "[HKEY_LOCAL_MACHINE\\Software\\Norvik\\Glidewave 98\\Interface]\n";
  const std::string v20 = std::string(kProduct) + "\"Version\"=\"2.0\"\n";
  const std::string v15 = std::string(kProduct) + "\"Version\"=\"1.5\"\n";
  const std::string equalAll = v15 + kInterfaces + "\"All\"=dword:00000007\n";
  const std::string equalPS2 = v15 + kInterfaces + "\"PS2\"=dword:00000001\n";
  const std::string subB = std::string(kProduct) + "\"Version\"=\"1.5\"\n\"SubVersion\"=\"B\"\n" + kInterfaces +
                           "\"PS2\"=dword:00000001\n";
  const Case cases[] = {
      {"installed 2.0, package 1.5", v20, "1.5", "", 3, 0, 1, 1, 1, 0, "shown"},
      {"installed 1.5, package 2.0", v15, "2.0", "", 3, 0, 1, 1, 0, 1, ""},
      {"1.10 is older than 1.9", std::string(kProduct) + "\"Version\"=\"1.9\"\n", "1.10", "", 3, 0, 1, 1, 1, 0, "shown"},
      {"case is ignored", std::string(kProduct) + "\"Version\"=\"1.5A\"\n", "1.5a", "", 3, 0, 1, 1, 0, 0, ""},
      {"equal, installed for every interface", equalAll, "1.5", "", 3, 0, 1, 1, 1, 0, "shown"},
      {"equal, installed for PS/2 only, USB chosen", equalPS2, "1.5", "", 3, 0, 1, 1, 0, 0, ""},
      {"equal, installed for PS/2, PS/2 chosen", equalPS2, "1.5", "", 1, 0, 1, 1, 1, 0, "shown"},
      {"equal, older sub-version", subB, "1.5", "A", 3, 1, 1, 1, 1, 0, "shown"},
      {"equal, newer sub-version, same interface", subB, "1.5", "C", 1, 1, 1, 1, 0, 0, ""},
      {"equal sub-versions, same interface", subB, "1.5", "b", 1, 1, 1, 1, 1, 0, "shown"},
      {"equal sub-versions, other interface", subB, "1.5", "B", 3, 1, 1, 1, 0, 0, ""},
      {"no installed sub-version, Replace 0", equalPS2, "1.5", "", 1, 1, 0, 1, 0, 0, ""},
      {"no installed sub-version, Replace 1: empty text", equalPS2, "1.5", "", 1, 1, 1, 1, 1, 0, "shown"},
      {"no installed sub-version, Replace 1, package has one", equalPS2, "1.5", "1", 1, 1, 1, 1, 0, 0, ""},
      {"warning switched off", v20, "1.5", "", 3, 0, 1, 0, 1, 0, "hidden"},
      {"an interface value that is no number ends the list", (std::string(kProduct) + "\"Version\"=\"1.5\"\n" + kInterfaces + "\"Text\"=\"7\"\n\"USB\"=dword:00000003\n"), "1.5", "", 3, 0, 1, 1, 0, 0, ""},
      {"no installed product", "", "1.5", "", 3, 0, 1, 1, 0, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("winxp");
    if (!c.registry.empty()) ImportReg(c.registry);
    TextCopy(g_Settings.Version, sim::FromUtf8(c.version).c_str());
    TextCopy(g_Settings.SubVersion, sim::FromUtf8(c.subVersion).c_str());
    g_Settings.InterfaceType = c.interfaceType, g_Settings.CompareSubVer = c.compareSubVer;
    g_Settings.Replace = c.replace, g_Settings.ShowWarning = c.showWarning;
    EXPECT_EQ(CheckNewerVersion(nullptr), c.result);
    EXPECT_EQ(g_Settings.NewerPackage, c.newerPackage);
    EXPECT_EQ(g_Settings.VersionChecked, 1);
    // A shown warning is left with its Exit Setup button.
    std::vector<std::string> expected;
    if (c.dialog[0]) expected.push_back("dialog: 12033 [Warning] " + std::string(c.dialog));
    if (std::string(c.dialog) == "shown") expected.push_back("dialog: 12033 press 1012 (Exit Setup)");
    EXPECT_EQ(JournalLines("dialog: 12033"), expected);
  }
}

}  // namespace
