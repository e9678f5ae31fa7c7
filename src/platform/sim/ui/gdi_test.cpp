// Drawing on the simulated machine: the paint log with colours, places and font, and the count
// of drawing objects and device contexts until they are given back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/machine/machine.h"
#include "support/ui_test_support.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/ui.h"

namespace {

using GdiTest = ui_test::WindowFixture;

constexpr uint32_t kBlue = SysRgb(0, 0, 255);

// Fills the client area, draws a blue box without a pen and a white text in the window's font.
intptr_t PaintProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message != kWmPaint) return SysDefWindowProc(window, message, wParam, lParam);
  SysPaint paint;
  DeviceContext dc = SysBeginPaint(window, &paint);
  SysRect r{};
  SysGetClientRect(window, &r);
  GdiObject oldFont = SysSelectObject(dc, SysGetWindowFont(window));
  SysFillRectColor(dc, &r, SysRgb(255, 255, 255));
  GdiObject blue = SysCreateSolidBrush(kBlue);
  GdiObject oldBrush = SysSelectObject(dc, blue);
  GdiObject oldPen = SysSelectObject(dc, SysGetStockObject(kNullPen));
  SysRectangle(dc, 0, 0, 90, r.bottom);
  SysSetBkMode(dc, kTransparent);
  SysSetTextColor(dc, SysRgb(255, 255, 255));
  SysTextOut(dc, 88, 3, u"45", 2);
  SysSelectObject(dc, oldFont);
  SysSelectObject(dc, oldBrush);
  SysSelectObject(dc, oldPen);
  SysDeleteObject(blue);
  SysEndPaint(window, &paint);
  return 0;
}

TEST_F(GdiTest, PaintingIsLoggedAndObjectsAreCountedUntilGivenBack) {
  WindowHandle dialog = sim::internal::CreateDialogFromTemplate(ui_test::kFullDialog, nullptr, false, nullptr, 0);
  GdiObject bold = SysCreateFontWithWeight(SysGetWindowFont(SysGetDlgItem(dialog, ui_test::kLabelId)), 700);
  sim::internal::WindowDescription description;
  description.className = u"Static";
  description.style = sim::kWsPopup | sim::kWsVisible;
  description.width = 200;
  description.height = 20;
  description.windowProc = PaintProc;
  WindowHandle window = sim::internal::CreateWindowObject(description);
  SysSetWindowFont(window, bold, 0);
  sim::ClearPaintLog(window);
  SysInvalidateRect(window, nullptr, 1);
  SysUpdateWindow(window);
  EXPECT_EQ(sim::PaintLogLines(window),
            (std::vector<std::string>{"fill 0,0,200,20 #FFFFFF", "rect 0,0,90,20 brush #0000FF pen none",
                                      "text 88,3 \"45\" #FFFFFF transparent"}));
  const std::vector<sim::PaintOp> ops = sim::PaintLog(window);
  ASSERT_FALSE(ops.empty());
  EXPECT_EQ(ops.back().fontFace + " " + std::to_string(ops.back().fontHeight) + " " + std::to_string(ops.back().fontWeight),
            "MS Shell Dlg 13 700");
  // Everything the painting made or took was given back; only the bold font lives.
  EXPECT_EQ(sim::LiveGdiObjects(), 1u);
  EXPECT_EQ(sim::OpenDeviceContexts(), 0u);
  EXPECT_TRUE(SysDeleteObject(bold));

  DeviceContext dc = SysGetDC(window);
  GdiObject brush = SysCreateSolidBrush(kBlue);
  EXPECT_EQ(sim::LiveGdiObjects(), 1u);
  EXPECT_EQ(sim::OpenDeviceContexts(), 1u);
  // Selecting answers the object it replaced: first the context's default.
  EXPECT_EQ(SysSelectObject(dc, brush), SysGetStockObject(0));
  EXPECT_EQ(SysSelectObject(dc, SysGetStockObject(0)), brush);
  EXPECT_EQ(SysDeleteObject(SysGetStockObject(kNullPen)), 1);  // stock objects stay
  EXPECT_EQ(SysDeleteObject(brush), 1);
  EXPECT_EQ(SysDeleteObject(brush), 0);
  EXPECT_EQ(SysReleaseDC(window, dc), 1);
  EXPECT_EQ(SysReleaseDC(window, dc), 0);
  EXPECT_EQ(sim::LiveGdiObjects() + sim::OpenDeviceContexts(), 0u);
}

}  // namespace
