// The copy progress dialog on the simulated window manager: the percentage bar as painted, the
// start on the first paint, the path line, hidden runs, the cabinet worker with its temporary
// folder, the missing package cabinet, Cancel through "Exit Setup" and the wait cursor.
#include "files/copy_dialog.h"

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/text.h"
#include "files/copy_list.h"
#include "files/copy_progress.h"
#include "files/copy_state.h"
#include "platform/kernel.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/ui.h"
#include "resource_ids.h"
#include "startup/help_files.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"
#include "ui/side_picture.h"

namespace {

// WM_DESTROY messages received by the stand-ins for the background window and the wizard page.
int g_MainDestroys = 0;
int g_PageDestroys = 0;

// Like the background window, ends the message loop when it gets WM_DESTROY.
intptr_t MainWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message != kWmDestroy) return SysDefWindowProc(window, message, wParam, lParam);
  ++g_MainDestroys;
  SysPostQuitMessage(0);
  return 0;
}

intptr_t PageProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message != kWmDestroy) return SysDefWindowProc(window, message, wParam, lParam);
  ++g_PageDestroys;
  return 0;
}

class CopyDialogTest : public SimFixture {
 protected:
  void Prepare() override {
    ResetCopyState();
    g_MainDestroys = g_PageDestroys = 0;
    UseConfig("");
    TextCopy(g_Settings.SubFolder, u"files");
    TextCopy(g_Settings.CabFileName, u"Install.cab");
    TextCopy(g_Settings.Title, u"Glidewave 98");
    g_Settings.AskPath = 1;
    TextCopy(g_Settings.DestinationDir, u"C:\\GW");
    main_ = TopLevel(u"NMSetup", MainWindowProc);
    page_ = TopLevel(u"Page", PageProc);
    frame_ = TopLevel(u"Frame", nullptr);
    g_hMainWindow = main_;
  }

  static WindowHandle TopLevel(const char16_t* className, SysWindowProc proc) {
    sim::internal::WindowDescription desc;
    desc.className = className;
    desc.style = sim::kWsPopup | sim::kWsVisible;
    desc.width = 400;
    desc.height = 300;
    desc.windowProc = proc;
    return sim::internal::CreateWindowObject(desc);
  }

  // Builds the copy list from the given [CopyList] lines and runs the dialog as the
  // installation sequence does.
  intptr_t RunCopyDialog(const std::string& copyList) {
    WritePackageFile(u"SETUP2K.INI", "[CopyList]\r\n" + copyList);
    CopyEntryCount = BuildCopyList();
    CopyStage stage = {frame_, MeasureCopySource};
    return SysDialogBoxParam(nullptr, IDD_COPY_PROGRESS, page_, CopyDialogProc, reinterpret_cast<intptr_t>(&stage));
  }

  WindowHandle main_ = nullptr;
  WindowHandle page_ = nullptr;
  WindowHandle frame_ = nullptr;
};

TEST_F(CopyDialogTest, CopiesAndEndsByItself) {
  const struct { const char* name; int32_t hidden; std::string sourceBytes;
      const char* journal;  // how the dialog appeared
      bool copied; } cases[] = {
      {"hidden run", 1, "driver bytes", "dialog: 10301 [] hidden", true},
      {"visible run", 0, "driver bytes", "dialog: 10301 [] shown", true},
      {"nothing to copy: total size 0", 0, "", "dialog: 10301 [] shown", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("winxp");
    g_Settings.HiddenMode = c.hidden;
    WritePackageFile(u"files\\mouse.sys.txt", c.sourceBytes);
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\GW\\keep.txt", ""));
    EXPECT_EQ(RunCopyDialog("1=mouse.sys.txt,,,%Program Files%\r\n"), 1);
    EXPECT_TRUE(JournalHas(c.journal));
    EXPECT_EQ(_nCurPercent, 100);
    EXPECT_EQ(CopyStartPending, 0);
    EXPECT_EQ(Disk(u"C:\\GW\\mouse.sys.txt"), c.copied ? c.sourceBytes : "<missing>");
    sim::WindowInfo line;  // the path line names the last target
    ASSERT_TRUE(sim::GetWindowInfo(sim::FindControl(sim::FindDialog(IDD_COPY_PROGRESS), kPathLineId), &line));
    EXPECT_EQ(line.text, c.copied ? "C:\\GW\\mouse.sys.txt" : "");
    // The wizard frame is hidden while the dialog runs; the background window comes forward.
    sim::WindowInfo frame;
    ASSERT_TRUE(sim::GetWindowInfo(frame_, &frame));
    EXPECT_FALSE(frame.visible);
    WindowHandle bar = sim::FindControl(sim::FindDialog(IDD_COPY_PROGRESS), IDC_COPY_BAR);
    EXPECT_EQ(sim::PaintLog(bar).empty(), c.hidden == 1);
    EXPECT_EQ(sim::LiveGdiObjects(), 0u);
  }
}

TEST_F(CopyDialogTest, CabinetModeExtractsIntoTheNextFreeTempFolder) {
  const std::string cabBytes = FixtureBytes("normal.cab");
  if (cabBytes.empty()) GTEST_SKIP() << "cabinet fixtures not built";
  const struct { const char* name; const char16_t* cabFileName; bool windowsFolderFails;
      std::u16string tempRoot;  // where the numbered folders are made ("" = the Windows folder)
  } cases[] = {
      {"the cabinet named in the configuration", u"Install.cab", false, u""},
      {"no name configured: Install.cab", u"", false, u""},
      {"no Windows folder: the root of the current drive", u"Install.cab", true, u"\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("winxp");
    g_Settings.CabFile = 1;
    TextCopy(g_Settings.CabFileName, c.cabFileName);
    WritePackageFile(u"Install.cab", cabBytes);
    const std::u16string root = c.windowsFolderFails ? c.tempRoot : WindowsDir() + u"\\";
    ASSERT_TRUE(sim::WriteDiskFile(root + u"_NorvikInstallTempDir0\\left.txt", "earlier run"));
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\GW\\keep.txt", ""));
    if (c.windowsFolderFails) sim::FailCall("SysGetWindowsDirectory", 1, kErrAccessDenied);
    EXPECT_EQ(RunCopyDialog("1=a.txt,,,%Program Files%\r\n2=z.txt,,,%Program Files%\r\n"), 1);

    EXPECT_EQ(sim::ToUtf8(TempExtractDir), sim::ToUtf8(root + u"_NorvikInstallTempDir1"));
    EXPECT_EQ(ExtractionDone, 1);
    EXPECT_EQ(Disk(u"C:\\GW\\a.txt"), "alpha\r\n");
    EXPECT_NE(Disk(u"C:\\GW\\z.txt"), "<missing>");
    // The folder of this run is gone (the file left in it by the extraction too); the earlier
    // run's folder stays.
    EXPECT_FALSE(sim::DiskPathExists(root + u"_NorvikInstallTempDir1"));
    EXPECT_TRUE(sim::DiskPathExists(root + u"_NorvikInstallTempDir0\\left.txt"));
  }
}

TEST_F(CopyDialogTest, MissingPackageCabinetFailsSetup) {
  g_Settings.CabFile = 1;
  ASSERT_TRUE(sim::WriteDiskFile(WindowsDir() + u"\\_NorvikInstallTempDir0\\left.txt", ""));
  EXPECT_EQ(RunCopyDialog("1=a.txt,,,%Program Files%\r\n"), 0);
  // The background window's end already stopped the dialog; the worker may still be posting.
  while (sim::internal::RunningProgramThreads() > 0) std::this_thread::yield();
  SysMessage message;
  while (SysPeekMessage(&message)) SysDispatchMessage(&message);

  EXPECT_TRUE(JournalHas("dialog: 116 [Setup Failed!] shown"));
  EXPECT_TRUE(JournalHas("dialog: 116 press 1044 (OK)"));
  EXPECT_EQ(g_MainDestroys, 1);
  EXPECT_EQ(g_PageDestroys, 1);
  EXPECT_EQ(ExtractionDone, 0);
  EXPECT_EQ(sim::ToUtf8(TempExtractDir), sim::ToUtf8(WindowsDir() + u"\\_NorvikInstallTempDir1"));
  EXPECT_TRUE(sim::DiskPathExists(TempExtractDir));
}

TEST_F(CopyDialogTest, CancelAsksExitSetupUntilTheUserLeaves) {
  CopyStartPending = 0;  // the work already started in this run, so the dialog only waits for the user
  for (int answer : {kIdOk, kIdCancel}) {  // Resume, then Exit Setup
    sim::QueueDialogAnswer(IDD_COPY_PROGRESS, kIdCancel);
    sim::QueueDialogAnswer(IDD_EXIT_SETUP, answer);
  }
  EXPECT_EQ(RunCopyDialog("1=mouse.txt,,,%Program Files%\r\n"), 0);
  EXPECT_EQ(CancelRequested, 1);
  EXPECT_EQ(JournalCount("dialog: 10300 [Exit Setup] shown"), 2u);
  sim::WindowInfo text;  // the question names the product
  ASSERT_TRUE(sim::GetWindowInfo(sim::FindControl(sim::FindDialog(IDD_EXIT_SETUP), IDC_EXIT_TEXT1), &text));
  EXPECT_EQ(text.text, "Setup is incomplete. If you exit Setup now, Glidewave 98 will not be installed on your computer.");
}

}  // namespace
