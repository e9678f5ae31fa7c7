// Tests of the simulated window table.
#include "platform/sim/ui/window_manager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/sim/machine/machine.h"
#include "support/ui_test_support.h"
#include "platform/ui.h"

namespace {

using ui_test::WindowFixture;
using WindowManagerTest = WindowFixture;

// Messages seen by the test procedures, as "<window tag>:<message>".
std::vector<std::string> g_seen;
WindowHandle g_tagged[4];

std::string Tag(WindowHandle window) {
  for (int i = 0; i < 4; ++i)
    if (g_tagged[i] == window) return "w" + std::to_string(i);
  return "?";
}

intptr_t RecordingDialogProc(WindowHandle dialog, uint32_t message, uintptr_t, intptr_t) {
  if (message == kWmDestroy) g_seen.push_back(Tag(dialog) + ":destroy");
  return 0;
}

intptr_t RecordingWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == kWmDestroy) g_seen.push_back(Tag(window) + ":destroy");
  return SysDefWindowProc(window, message, wParam, lParam);
}

WindowHandle MakeDialog(uint32_t templateId, WindowHandle owner = nullptr, bool asChild = false) {
  return sim::internal::CreateDialogFromTemplate(templateId, owner, asChild, RecordingDialogProc, 0);
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
  description.windowProc = RecordingWindowProc;
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
      {"OK button", SysGetDlgItem(alone, kIdOk), {165, 152, 240, 175}, {75, 23}},
      // SS_SUNKEN gives the static a one-pixel edge around its client area.
      {"sunken bar", SysGetDlgItem(alone, ui_test::kBarId), {41, 55, 242, 76}, {199, 19}},
      {"page button", SysGetDlgItem(page, 31), {194, 106, 269, 129}, {75, 23}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NE(c.window, nullptr);
    EXPECT_EQ(ScreenRect(c.window), c.rect);
    EXPECT_EQ(ClientSize(c.window), c.client);
  }
  // Client coordinates of a control map into its dialog's and the screen's.
  SysPoint points[2] = {{0, 0}, {5, 6}};
  SysMapWindowPoints(SysGetDlgItem(alone, kIdOk), alone, points, 2);
  EXPECT_EQ(std::vector<int>({points[0].x, points[0].y, points[1].x, points[1].y}),
            std::vector<int>({135, 130, 140, 136}));
  SysMapWindowPoints(alone, nullptr, points, 1);
  EXPECT_EQ(std::vector<int>({points[0].x, points[0].y}), std::vector<int>({165, 152}));
  // Controls take the template's font: "MS Shell Dlg" 8 points, 11 pixels.
  sim::WindowInfo info;
  ASSERT_TRUE(sim::GetWindowInfo(SysGetDlgItem(alone, ui_test::kLabelId), &info));
  EXPECT_EQ(info.fontFace, "MS Shell Dlg");
  EXPECT_EQ(info.fontHeight, -11);
  ASSERT_TRUE(sim::GetWindowInfo(SysGetDlgItem(alone, ui_test::kIconId), &info));
  EXPECT_EQ(info.textOrdinal, 115);
}

TEST_F(WindowManagerTest, TextsAreCutToTheirBufferAndReachControlsByMessage) {
  WindowHandle dialog = MakeDialog(ui_test::kFullDialog);
  struct Case {
    uint32_t cap;
    std::u16string text;
    uint32_t length;
  };
  const Case cases[] = {{0, u"", 0}, {1, u"", 0}, {4, u"Ple", 3}, {12, u"Please wait", 11}, {64, u"Please wait", 11}};
  for (const Case& c : cases) {
    char16_t buffer[64];
    for (char16_t& ch : buffer) ch = u'#';
    EXPECT_EQ(SysGetDlgItemText(dialog, ui_test::kLabelId, buffer, c.cap), c.length) << c.cap;
    if (c.cap) {
      EXPECT_EQ(std::u16string(buffer), c.text) << c.cap;
    } else {
      EXPECT_EQ(buffer[0], u'#');  // nothing written into a zero-size buffer
    }
  }
  EXPECT_TRUE(SysSetDlgItemText(dialog, ui_test::kLabelId, u"C:\\WINDOWS\\a.dll"));
  char16_t text[32] = {};
  EXPECT_EQ(SysSendDlgItemMessage(dialog, ui_test::kLabelId, kWmGetText, 32, reinterpret_cast<intptr_t>(text)), 16);
  EXPECT_EQ(std::u16string(text), u"C:\\WINDOWS\\a.dll");
  SysSendDlgItemMessage(dialog, kIdOk, kWmSetText, 0, reinterpret_cast<intptr_t>(u"&Next >"));
  sim::WindowInfo info;
  ASSERT_TRUE(sim::GetWindowInfo(SysGetDlgItem(dialog, kIdOk), &info));
  EXPECT_EQ(info.text, "&Next >");
  EXPECT_EQ(SysGetWindowText(dialog, text, 32), 11u);
  EXPECT_EQ(std::u16string(text), u"Full Dialog");
  EXPECT_EQ(SysGetClassName(dialog, text, 32), 6u);
  EXPECT_EQ(std::u16string(text), u"#32770");
  EXPECT_EQ(SysGetDlgItem(dialog, 9999), nullptr);
  EXPECT_EQ(SysGetLastError(), 1421u);
}

TEST_F(WindowManagerTest, ShowAndEnableAnswerThePreviousStateAsWindowsDoes) {
  WindowHandle dialog = MakeDialog(ui_test::kFullDialog);  // made hidden
  WindowHandle label = SysGetDlgItem(dialog, ui_test::kLabelId);
  struct Step {
    const char* what;
    int (*call)(WindowHandle, int);
    WindowHandle window;
    int argument;
    int answer;        // previous visibility / previous disabled state
    int visibleAfter;  // SysIsWindowVisible of the label afterwards
  };
  const Step steps[] = {
      {"label shown, dialog hidden", SysShowWindow, label, kSwShow, 1, 0},
      {"dialog shown", SysShowWindow, dialog, kSwShow, 0, 1},
      {"dialog shown again", SysShowWindow, dialog, kSwShowNormal, 1, 1},
      {"label hidden", SysShowWindow, label, kSwHide, 1, 0},
      {"label hidden again", SysShowWindow, label, kSwHide, 0, 0},
      {"label disabled", SysEnableWindow, label, 0, 0, 0},
      {"label disabled again", SysEnableWindow, label, 0, 1, 0},
      {"label enabled", SysEnableWindow, label, 1, 1, 0},
      {"label enabled again", SysEnableWindow, label, 1, 0, 0},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(s.call(s.window, s.argument), s.answer) << s.what;
    EXPECT_EQ(SysIsWindowVisible(label), s.visibleAfter) << s.what;
  }
  EXPECT_TRUE(SysIsWindowEnabled(label));
  EXPECT_FALSE(SysIsWindowEnabled(SysGetDlgItem(dialog, -1)));  // WS_DISABLED in the template
}

TEST_F(WindowManagerTest, SetWindowPosFollowsItsFlags) {
  WindowHandle back = MakeFrame(u"Back");
  WindowHandle front = MakeFrame(u"Front");
  ASSERT_EQ(sim::TopLevelWindows(), std::vector<WindowHandle>({front, back}));
  struct Case {
    const char* what;
    WindowHandle insertAfter;
    int x, y, cx, cy;
    uint32_t flags;
    std::vector<int> rect;
    bool visible;
    std::vector<WindowHandle> order;
  };
  const Case cases[] = {
      // The hidden-run recipe: to the bottom, size zero, hidden, position kept.
      {"hide at bottom",
       kHwndBottom,
       7,
       7,
       0,
       0,
       kSwpNoMove | kSwpNoActivate | kSwpHideWindow,
       {100, 50, 100, 50},
       false,
       {back, front}},
      {"show at top",
       kHwndTop,
       0,
       0,
       0,
       0,
       kSwpNoMove | kSwpNoSize | kSwpShowWindow,
       {100, 50, 100, 50},
       true,
       {front, back}},
      {"move and size, order kept", kHwndBottom, 10, 20, 30, 40, kSwpNoZOrder, {10, 20, 40, 60}, true, {front, back}},
      {"nothing changes",
       kHwndBottom,
       0,
       0,
       0,
       0,
       kSwpNoMove | kSwpNoSize | kSwpNoZOrder,
       {10, 20, 40, 60},
       true,
       {front, back}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(SysSetWindowPos(front, c.insertAfter, c.x, c.y, c.cx, c.cy, c.flags), 1);
    EXPECT_EQ(ScreenRect(front), c.rect);
    EXPECT_EQ(SysIsWindowVisible(front) != 0, c.visible);
    EXPECT_EQ(sim::TopLevelWindows(), c.order);
  }
  EXPECT_EQ(SysMoveWindow(front, 1, 2, 3, 4, 1), 1);
  EXPECT_EQ(ScreenRect(front), std::vector<int>({1, 2, 4, 6}));
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
  const uint32_t ownThread = SysGetWindowThreadProcessId(SysGetDlgItem(dialog, kIdOk), &processId);
  EXPECT_NE(ownThread, 0u);
  EXPECT_NE(processId, otherId);
  EXPECT_EQ(SysGetWindowThreadProcessId(mine, nullptr), ownThread);
  EXPECT_NE(SysGetWindowThreadProcessId(other, &processId), 0u);
  EXPECT_EQ(processId, otherId);
}

TEST_F(WindowManagerTest, ParentsAndOwnersAndDestructionOrder) {
  WindowHandle frame = MakeFrame();
  WindowHandle page = MakeDialog(ui_test::kPageDialog, frame, true);
  WindowHandle popup = MakeDialog(ui_test::kFullDialog, page);  // owned by the page's top-level window
  sim::internal::WindowDescription overlapped;
  overlapped.className = u"Plain";
  overlapped.owner = frame;
  WindowHandle notPopup = sim::internal::CreateWindowObject(overlapped);
  EXPECT_EQ(SysGetParent(page), frame);
  EXPECT_EQ(SysGetParent(popup), frame);  // a pop-up's "parent" is its owner
  EXPECT_EQ(SysGetParent(notPopup), nullptr);
  EXPECT_EQ(SysGetParent(SysGetDlgItem(page, 31)), page);

  g_seen.clear();
  g_tagged[0] = frame;
  g_tagged[1] = page;
  g_tagged[2] = popup;
  SysPostMessage(popup, kWmApp, 0, 0);
  EXPECT_EQ(SysDestroyWindow(frame), 1);
  // Owned windows go first, then the window itself before its children.
  EXPECT_EQ(g_seen, std::vector<std::string>({"w2:destroy", "w0:destroy", "w1:destroy"}));
  for (WindowHandle w : {frame, page, popup, SysGetDlgItem(page, 31)}) EXPECT_FALSE(SysIsWindow(w));
  SysMessage m;
  EXPECT_EQ(SysPeekMessage(&m), 0);  // the message posted to the destroyed dialog is gone
  EXPECT_EQ(SysDestroyWindow(frame), 0);
  EXPECT_EQ(SysGetLastError(), 1400u);
  // The records stay readable for tests.
  sim::WindowInfo info;
  ASSERT_TRUE(sim::GetWindowInfo(page, &info));
  EXPECT_FALSE(info.alive);
  EXPECT_EQ(sim::FindDialog(ui_test::kPageDialog), page);
}

TEST_F(WindowManagerTest, MaximisingCoversTheWorkAreaWithTheFrameOutside) {
  sim::SetScreen(800, 600, 0, 0, 800, 570);
  SysRect area{};
  ASSERT_TRUE(SysGetWorkArea(&area));
  EXPECT_EQ(std::vector<int>({area.left, area.top, area.right, area.bottom}), std::vector<int>({0, 0, 800, 570}));
  WindowHandle frame = MakeFrame();
  SysShowWindow(frame, kSwShowMaximized);
  EXPECT_EQ(ScreenRect(frame), std::vector<int>({-4, -4, 804, 574}));
  EXPECT_EQ(ClientSize(frame), std::vector<int>({800, 551}));  // 570 less the 19-pixel caption
  SysShowWindow(frame, kSwRestore);
  EXPECT_EQ(ScreenRect(frame), std::vector<int>({100, 50, 500, 350}));
}

}  // namespace
