// Wizard placement and the side picture of the pages.
#include "ui/side_picture.h"

#include "resource_ids.h"
#include "settings/settings.h"
#include "ui/text_keys.h"

int32_t WizardMinTop = 0;
WindowHandle g_hMainWindow = nullptr;

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

void PaintSidePicture(WindowHandle page, const SysRect* source, const SysRect* destination) {
  const SysRect& s = *source;
  const SysRect& d = *destination;
  DeviceContext dc = SysGetDC(page);
  if (!dc) return;
  GdiObject bitmap = SysLoadBitmapResource(g_Settings.InstanceHandle, IDB_SIDE_PICTURE);
  DeviceContext memory = bitmap ? SysCreateCompatibleDC(dc) : nullptr;
  if (memory) {
    GdiObject previous = SysSelectObject(memory, bitmap);
    SysSetStretchBltMode(dc, kStretchColorOnColor);
    SysStretchBlt(dc, d.left, d.top, d.right - d.left, d.bottom - d.top, memory, 0, 0, s.right - s.left,
                  s.bottom - s.top);
    SysSelectObject(memory, previous);
    SysDeleteDC(memory);
  }
  if (bitmap) SysDeleteObject(bitmap);
  SysRect edge = d;
  SysDrawEdge(dc, &edge, kBdrSunkenOuter, kBfRect);
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
