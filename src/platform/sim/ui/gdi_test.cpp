// Tests of drawing on the simulated machine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/machine/machine.h"
#include "support/ui_test_support.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/ui.h"

namespace {

using GdiTest = ui_test::WindowFixture;

constexpr uint32_t kWhite = SysRgb(255, 255, 255);
constexpr uint32_t kBlack = SysRgb(0, 0, 0);
constexpr uint32_t kBlue = SysRgb(0, 0, 255);
constexpr int kBoldWeight = 700;
constexpr int kDefaultGuiFont = 17;  // GetStockObject index

int g_percent = 0;

void DrawText(DeviceContext dc, int x, int y, const std::u16string& text, bool white) {
  SysSetTextColor(dc, white ? kWhite : kBlack);
  SysTextOut(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

// A percentage bar painted on WM_PAINT in the window's own font.
intptr_t BarProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message != kWmPaint) return SysDefWindowProc(window, message, wParam, lParam);
  SysPaint paint;
  DeviceContext dc = SysBeginPaint(window, &paint);
  SysRect r{};
  SysGetClientRect(window, &r);
  const int w = r.right, h = r.bottom;
  GdiObject oldFont = SysSelectObject(dc, SysGetWindowFont(window));
  SysFillRectColor(dc, &r, kWhite);
  const int filled = g_percent * w / 100;
  GdiObject blue = SysCreateSolidBrush(kBlue);
  GdiObject oldBrush = SysSelectObject(dc, blue);
  GdiObject oldPen = SysSelectObject(dc, SysGetStockObject(kNullPen));
  SysRectangle(dc, 0, 0, filled, h);
  SysSetBkMode(dc, kTransparent);
  SysTextMetrics tm{};
  SysGetTextMetrics(dc, &tm);
  const int aw = tm.averageCharWidth, y = (h - tm.height) / 2, half = w / 2;
  const std::u16string digits = g_percent == 100 ? u"100"
                                                 : std::u16string(1, static_cast<char16_t>(u'0' + g_percent / 10)) +
                                                       static_cast<char16_t>(u'0' + g_percent % 10);
  if (g_percent == 100) {
    DrawText(dc, half - 3 * aw, y, digits, true);
  } else if (g_percent < 10) {
    DrawText(dc, half - aw, y, digits.substr(1), half < filled);
  } else {
    DrawText(dc, half - 2 * aw, y, digits.substr(0, 1), half - aw < filled);
    DrawText(dc, half - aw, y, digits.substr(1), half < filled);
  }
  DrawText(dc, half + aw, y, u"%", half + 2 * aw < filled);
  SysSelectObject(dc, oldFont);
  SysSelectObject(dc, oldBrush);
  SysSelectObject(dc, oldPen);
  SysDeleteObject(blue);
  SysEndPaint(window, &paint);
  return 0;
}

// The dialog font of the test templates.
GdiObject DialogFont() {
  WindowHandle dialog = sim::internal::CreateDialogFromTemplate(ui_test::kFullDialog, nullptr, false, nullptr, 0);
  return SysGetWindowFont(SysGetDlgItem(dialog, ui_test::kLabelId));
}

WindowHandle MakeBar(GdiObject font) {
  sim::internal::WindowDescription description;
  description.className = u"Static";
  description.style = sim::kWsPopup | sim::kWsVisible;
  description.width = 200;
  description.height = 20;
  description.windowProc = BarProc;
  WindowHandle bar = sim::internal::CreateWindowObject(description);
  SysSetWindowFont(bar, font, 0);
  return bar;
}

void PaintNow(WindowHandle window) {
  SysInvalidateRect(window, nullptr, 1);
  SysUpdateWindow(window);
}

TEST_F(GdiTest, ThePercentageBarIsRecordedWithItsColoursAndPlaces) {
  GdiObject bold = SysCreateFontWithWeight(DialogFont(), kBoldWeight);
  WindowHandle bar = MakeBar(bold);
  struct Case {
    int percent;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      // F = 90: the tens digit (88) is black because 94 is not below 90; the sign at 106 too.
      {45,
       {"fill 0,0,200,20 #FFFFFF", "rect 0,0,90,20 brush #0000FF pen none", "text 88,3 \"4\" #000000 transparent",
        "text 94,3 \"5\" #000000 transparent", "text 106,3 \"%\" #000000 transparent"}},
      // F = 110: both digits white, the sign black (112 is not below 110).
      {55,
       {"fill 0,0,200,20 #FFFFFF", "rect 0,0,110,20 brush #0000FF pen none", "text 88,3 \"5\" #FFFFFF transparent",
        "text 94,3 \"5\" #FFFFFF transparent", "text 106,3 \"%\" #000000 transparent"}},
      {5,
       {"fill 0,0,200,20 #FFFFFF", "rect 0,0,10,20 brush #0000FF pen none", "text 94,3 \"5\" #000000 transparent",
        "text 106,3 \"%\" #000000 transparent"}},
      {100,
       {"fill 0,0,200,20 #FFFFFF", "rect 0,0,200,20 brush #0000FF pen none", "text 82,3 \"100\" #FFFFFF transparent",
        "text 106,3 \"%\" #FFFFFF transparent"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.percent);
    g_percent = c.percent;
    sim::ClearPaintLog(bar);
    PaintNow(bar);
    EXPECT_EQ(sim::PaintLogLines(bar), c.lines);
  }
  const std::vector<sim::PaintOp> ops = sim::PaintLog(bar);
  ASSERT_FALSE(ops.empty());
  EXPECT_EQ(ops.back().fontFace, "MS Shell Dlg");
  EXPECT_EQ(ops.back().fontHeight, 13);
  EXPECT_EQ(ops.back().fontWeight, kBoldWeight);
  // Everything the painting made or took was given back; only the test's bold font lives.
  EXPECT_EQ(sim::LiveGdiObjects(), 1u);
  EXPECT_EQ(sim::OpenDeviceContexts(), 0u);
  EXPECT_TRUE(SysDeleteObject(bold));
  EXPECT_EQ(sim::LiveGdiObjects(), 0u);
}

TEST_F(GdiTest, DrawingObjectsAndContextsAreCountedUntilGivenBack) {
  WindowHandle window = MakeBar(nullptr);
  DeviceContext dc = SysGetDC(window);
  GdiObject brush = SysCreateSolidBrush(kBlue);
  GdiObject font = SysCreateFont(-11, 400, 0, 0, u"MS Shell Dlg");
  EXPECT_EQ(sim::LiveGdiObjects(), 2u);
  EXPECT_EQ(sim::OpenDeviceContexts(), 1u);
  // Selecting answers the object it replaced: first the context's defaults.
  EXPECT_EQ(SysSelectObject(dc, brush), SysGetStockObject(0));
  EXPECT_EQ(SysSelectObject(dc, SysGetStockObject(0)), brush);
  EXPECT_EQ(SysDeleteObject(SysGetStockObject(kNullPen)), 1);  // stock objects stay
  EXPECT_EQ(SysDeleteObject(brush), 1);
  EXPECT_EQ(SysDeleteObject(brush), 0);
  EXPECT_EQ(SysDeleteObject(font), 1);
  EXPECT_EQ(SysReleaseDC(window, dc), 1);
  EXPECT_EQ(SysReleaseDC(window, dc), 0);
  EXPECT_EQ(sim::LiveGdiObjects(), 0u);
  EXPECT_EQ(sim::OpenDeviceContexts(), 0u);
  // A brush the program forgets is still counted.
  SysCreateSolidBrush(kWhite);
  EXPECT_EQ(sim::LiveGdiObjects(), 1u);
}

}  // namespace
