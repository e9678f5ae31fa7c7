// Bitmap resources, memory contexts, stretched copies and edges on real Windows, for the wizard
// pages' side picture.
#include "platform/ui.h"
#include "platform/win32/win32_internal.h"

namespace {

inline HDC Hdc(DeviceContext dc) { return reinterpret_cast<HDC>(dc); }

}  // namespace

// LoadBitmapW of a numbered bitmap resource.
GdiObject SysLoadBitmapResource(ModuleHandle instance, uint32_t bitmapId) {
  HINSTANCE module = reinterpret_cast<HINSTANCE>(instance);
  return reinterpret_cast<GdiObject>(win32::OnAnsiRoad() ? LoadBitmapA(module, MAKEINTRESOURCEA(bitmapId))
                                                         : LoadBitmapW(module, MAKEINTRESOURCEW(bitmapId)));
}

// CreateCompatibleDC.
DeviceContext SysCreateCompatibleDC(DeviceContext dc) { return reinterpret_cast<DeviceContext>(CreateCompatibleDC(Hdc(dc))); }

// DeleteDC.
int SysDeleteDC(DeviceContext dc) { return DeleteDC(Hdc(dc)) ? 1 : 0; }

// SetStretchBltMode.
int SysSetStretchBltMode(DeviceContext dc, int mode) { return SetStretchBltMode(Hdc(dc), mode); }

// StretchBlt with SRCCOPY.
int SysStretchBlt(DeviceContext dc, int x, int y, int width, int height, DeviceContext source, int sourceX,
                  int sourceY, int sourceWidth, int sourceHeight) {
  return StretchBlt(Hdc(dc), x, y, width, height, Hdc(source), sourceX, sourceY, sourceWidth, sourceHeight, SRCCOPY)
             ? 1
             : 0;
}

// DrawEdge on a copy of the rectangle (DrawEdge may change it with BF_ADJUST).
int SysDrawEdge(DeviceContext dc, const SysRect* rect, uint32_t edge, uint32_t flags) {
  if (!rect) return 0;
  RECT r = {rect->left, rect->top, rect->right, rect->bottom};
  return DrawEdge(Hdc(dc), &r, edge, flags) ? 1 : 0;
}
