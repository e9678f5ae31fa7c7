// The simulated window table: pixel geometry from templates, the window search, and the
// windows of a thread that ends.
#include "platform/sim/ui/window_manager.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/kernel.h"
#include "platform/sim/machine/machine.h"
#include "support/ui_test_support.h"
#include "platform/ui.h"

namespace {

using ui_test::WindowFixture;
using WindowManagerTest = WindowFixture;

WindowHandle MakeDialog(uint32_t templateId, WindowHandle owner = nullptr, bool asChild = false) {
  return sim::internal::CreateDialogFromTemplate(templateId, owner, asChild, nullptr, 0);
}

// A top-level window with a caption and sizing frame at (100, 50), 400 x 300.
WindowHandle MakeFrame(const std::u16string& className = u"Frame", const std::u16string& text = u"Frame window") {
  sim::internal::WindowDescription description;
  description.className = className;
  description.text = text;
  description.style = sim::kWsPopup | sim::kWsCaption | sim::kWsThickFrame | sim::kWsVisible;
  description.left = 100;
  description.top = 50;
  description.width = 400;
  description.height = 300;
  return sim::internal::CreateWindowObject(description);
}

std::vector<int> ScreenRect(WindowHandle window) {
  SysRect r{};
  EXPECT_TRUE(SysGetWindowRect(window, &r));
  return {r.left, r.top, r.right, r.bottom};
}

std::vector<int> ClientSize(WindowHandle window) {
  SysRect r{};
  EXPECT_TRUE(SysGetClientRect(window, &r));
  return {r.right, r.bottom};
}

TEST_F(WindowManagerTest, TemplatesGiveWindowsAndControlsTheirPixelGeometry) {
  WindowHandle frame = MakeFrame();
  WindowHandle alone = MakeDialog(ui_test::kFullDialog);
  WindowHandle owned = MakeDialog(ui_test::kFullDialog, frame);
  WindowHandle centred = MakeDialog(ui_test::kCentredDialog);
  WindowHandle page = MakeDialog(ui_test::kPageDialog, frame, true);
  struct Case {
    const char* what;
    WindowHandle window;
    std::vector<int> rect;    // on the screen
    std::vector<int> client;  // width, height
  };
  const Case cases[] = {
      // Caption 19 + dialog frame 3 around 300 x 163; the top would be above the work area.
      {"unowned dialog", alone, {27, 0, 333, 188}, {300, 163}},
      // Client area at (20, 10) dialog units from the owner's client corner (104, 73).
      {"owned dialog", owned, {131, 67, 437, 255}, {300, 163}},
      {"DS_CENTER dialog", centred, {275, 330, 748, 408}, {467, 72}},
      {"child page", page, {104, 73, 284, 171}, {180, 98}},
      // SS_SUNKEN gives the static a one-pixel edge around its client area.
      {"sunken bar", SysGetDlgItem(alone, ui_test::kBarId), {41, 55, 242, 76}, {199, 19}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NE(c.window, nullptr);
    EXPECT_EQ(ScreenRect(c.window), c.rect);
    EXPECT_EQ(ClientSize(c.window), c.client);
  }
  SysPoint point = {5, 6};  // client coordinates of a control map to the screen's
  SysMapWindowPoints(SysGetDlgItem(alone, kIdOk), nullptr, &point, 1);
  EXPECT_EQ(std::vector<int>({point.x, point.y}), std::vector<int>({170, 158}));
  // Controls take the template's font: "MS Shell Dlg" 8 points, 11 pixels.
  sim::WindowInfo info;
  ASSERT_TRUE(sim::GetWindowInfo(SysGetDlgItem(alone, ui_test::kLabelId), &info));
  EXPECT_EQ(info.fontFace, "MS Shell Dlg");
  EXPECT_EQ(info.fontHeight, -11);
  ASSERT_TRUE(sim::GetWindowInfo(SysGetDlgItem(alone, ui_test::kIconId), &info));
  EXPECT_EQ(info.textOrdinal, 115);
}

TEST_F(WindowManagerTest, FindWindowSearchesOwnTopLevelWindowsThenOtherPrograms) {
  WindowHandle mine = MakeFrame(u"NMSetup", u"Glidewave  install");
  WindowHandle dialog = MakeDialog(ui_test::kFullDialog, mine);
  const uint32_t otherId =
      sim::AddRunningProcess(u"Tray.exe", u"TrayClass", u"Tray", sim::CloseBehaviour::kClosesOnRequest);
  WindowHandle other = sim::ProcessWindow(otherId);
  ASSERT_NE(other, nullptr);
  struct Case {
    const char16_t* className;
    const char16_t* caption;
    WindowHandle found;
  };
  const Case cases[] = {
      {u"NMSetup", u"Glidewave  install", mine},
      {u"nmsetup", nullptr, mine},        // class names ignore case
      {nullptr, u"FULL DIALOG", dialog},  // captions too
      {u"Button", u"OK", nullptr},        // controls are child windows: never found
      {u"TrayClass", u"Tray", other},
      {u"NMSetup", u"Tray", nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SysFindWindow(c.className, c.caption), c.found)
        << (c.className ? sim::ToUtf8(c.className) : "-") << " " << (c.caption ? sim::ToUtf8(c.caption) : "-");
  }
  uint32_t processId = 0;
  EXPECT_NE(SysGetWindowThreadProcessId(other, &processId), 0u);
  EXPECT_EQ(processId, otherId);
}

// A window made on a worker thread belongs to that thread and is destroyed on it when it ends.
struct WorkerWindow {
  WindowHandle window = nullptr;
  uint32_t threadNumber = 0;
  std::thread::id destroyedOn, ranOn;
} g_worker;

TEST_F(WindowManagerTest, AThreadsWindowsAreDestroyedWhenItEnds) {
  g_worker = WorkerWindow();
  WindowHandle mine = MakeFrame();
  SysHandle thread = SysCreateThread([](void*) -> uint32_t {
    g_worker.ranOn = std::this_thread::get_id();
    sim::internal::WindowDescription description;
    description.windowProc = [](WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
      if (message == kWmDestroy) g_worker.destroyedOn = std::this_thread::get_id();
      return SysDefWindowProc(window, message, wParam, lParam);
    };
    g_worker.window = sim::internal::CreateWindowObject(description);
    g_worker.threadNumber = SysGetWindowThreadProcessId(g_worker.window, nullptr);
    return 0;
  }, nullptr);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(SysWaitForSingleObject(thread, kInfinite), kWaitObject0);
  SysCloseHandle(thread);
  EXPECT_FALSE(SysIsWindow(g_worker.window));
  EXPECT_EQ(g_worker.destroyedOn, g_worker.ranOn);
  EXPECT_NE(g_worker.threadNumber, 0u);
  EXPECT_NE(g_worker.threadNumber, SysGetWindowThreadProcessId(mine, nullptr));
  EXPECT_TRUE(SysIsWindow(mine));
}

}  // namespace
