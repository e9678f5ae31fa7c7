// Wizard placement and the side picture of the pages.
#include "wizard/side_picture.h"

#include "resource_ids.h"
#include "wizard/wizard_keys.h"

int32_t WizardMinTop = 0;
WindowHandle g_hMainWindow = nullptr;

namespace {

// Windows' button-face shadow and highlight, the two colours of a thin sunken edge.
constexpr uint32_t kEdgeShadow = SysRgb(128, 128, 128);
constexpr uint32_t kEdgeHighlight = SysRgb(255, 255, 255);

// One-pixel line as a filled rectangle.
void FillLine(DeviceContext dc, int left, int top, int right, int bottom, uint32_t color) {
  SysRect line = {left, top, right, bottom};
  SysFillRectColor(dc, &line, color);
}

}  // namespace

void LayoutSidePicture(WindowHandle page, SysRect* source, SysRect* destination) {
  WindowHandle placeholder = SysGetDlgItem(page, IDC_SIDE_PICTURE);
  SysRect s = {};
  SysGetClientRect(placeholder, &s);
  SysPoint corners[2] = {{s.left, s.top}, {s.right, s.bottom}};
  SysMapWindowPoints(placeholder, page, corners, 2);
  s = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};

  SysRect client = {};
  SysGetClientRect(page, &client);
  SysRect d = {};
  d.left = s.left;
  d.top = s.top;
  d.bottom = client.bottom - s.top;
  // The width grows with the height; a placeholder without height keeps its width.
  int32_t sourceHeight = s.bottom - s.top;
  if (sourceHeight != 0)
    d.right = s.left + (s.right - s.left) * (d.bottom - d.top) / sourceHeight;
  else
    d.right = s.right;

  SysShowWindow(placeholder, kSwHide);
  *source = s;
  *destination = d;
}

void PaintSidePicture(WindowHandle page, const SysRect*, const SysRect* destination) {
  // The platform layer has no bitmap drawing yet: the picture itself (bitmap 10551 stretched
  // from the source size into destination) is drawn once it has; the edge is drawn already.
  DeviceContext dc = SysGetDC(page);
  const SysRect& d = *destination;
  FillLine(dc, d.left, d.top, d.right, d.top + 1, kEdgeShadow);          // top
  FillLine(dc, d.left, d.top, d.left + 1, d.bottom, kEdgeShadow);        // left
  FillLine(dc, d.left, d.bottom - 1, d.right, d.bottom, kEdgeHighlight); // bottom
  FillLine(dc, d.right - 1, d.top, d.right, d.bottom, kEdgeHighlight);   // right
  SysReleaseDC(page, dc);
}

void CentreWizard(WindowHandle page) {
  WindowHandle frame = SysGetParent(page);
  SysRect r = {};
  SysRect work = {};
  SysGetWindowRect(frame, &r);
  SysGetWorkArea(&work);
  int32_t width = r.right - r.left;
  int32_t height = r.bottom - r.top;
  int32_t x = ((work.right - work.left) - width) / 2;
  int32_t y = ((work.bottom - work.top) - height) / 2;
  if (y < WizardMinTop) y = WizardMinTop;
  SysMoveWindow(frame, x, y, width, height, 1);
}
