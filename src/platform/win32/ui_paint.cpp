// Painting services on real Windows: paint cycles, device contexts, brushes, rectangles, text
// and fonts, over the graphics interface (the A functions on the ANSI road, except text output
// and measuring, which the 9x family implements in wide form).
#include <cstring>

#include "platform/ui.h"
#include "platform/win32/win32_internal.h"

using win32::AnsiText;
using win32::OnAnsiRoad;
using win32::Wide;

// SysPaint carries the system's paint record between SysBeginPaint and SysEndPaint.
static_assert(sizeof(PAINTSTRUCT) <= sizeof(SysPaint::reserved), "SysPaint::reserved must hold a PAINTSTRUCT");
static_assert(sizeof(TEXTMETRICW::tmHeight) == sizeof(SysTextMetrics::height), "text metrics widths differ");

namespace {

inline HWND Hwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
inline HDC Hdc(DeviceContext dc) { return reinterpret_cast<HDC>(dc); }
inline DeviceContext Dc(HDC dc) { return reinterpret_cast<DeviceContext>(dc); }
inline HGDIOBJ Gdi(GdiObject object) { return reinterpret_cast<HGDIOBJ>(object); }
inline GdiObject Obj(HGDIOBJ object) { return reinterpret_cast<GdiObject>(object); }

// The font's description of either width with another weight, as a new font.
template <typename LogFont, typename GetObjectFn, typename CreateFn>
HFONT Reweighted(HGDIOBJ font, int weight, GetObjectFn getObject, CreateFn create) {
  LogFont description;
  if (getObject(font, sizeof description, &description) != static_cast<int>(sizeof description)) return nullptr;
  description.lfWeight = weight;
  return create(&description);
}

}  // namespace

// BeginPaint; the paint record is kept in paint->reserved for SysEndPaint.
DeviceContext SysBeginPaint(WindowHandle window, SysPaint* paint) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Hwnd(window), &ps);
  std::memcpy(paint->reserved, &ps, sizeof ps);
  paint->dc = Dc(dc);
  paint->area = {ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom};
  return paint->dc;
}

// EndPaint with the record SysBeginPaint kept.
void SysEndPaint(WindowHandle window, SysPaint* paint) {
  PAINTSTRUCT ps;
  std::memcpy(&ps, paint->reserved, sizeof ps);
  EndPaint(Hwnd(window), &ps);
}

// GetDC.
DeviceContext SysGetDC(WindowHandle window) { return Dc(GetDC(Hwnd(window))); }

// ReleaseDC.
int SysReleaseDC(WindowHandle window, DeviceContext dc) { return ReleaseDC(Hwnd(window), Hdc(dc)); }

// FillRect with a solid brush made for this call and deleted after it.
int SysFillRectColor(DeviceContext dc, const SysRect* rect, uint32_t color) {
  HBRUSH brush = CreateSolidBrush(color);
  if (brush == nullptr) return 0;
  int done = FillRect(Hdc(dc), reinterpret_cast<const RECT*>(rect), brush);
  DeleteObject(brush);
  return done ? 1 : 0;
}

// CreateSolidBrush.
GdiObject SysCreateSolidBrush(uint32_t color) { return Obj(CreateSolidBrush(color)); }

// GetStockObject.
GdiObject SysGetStockObject(int index) { return Obj(GetStockObject(index)); }

// SelectObject.
GdiObject SysSelectObject(DeviceContext dc, GdiObject object) { return Obj(SelectObject(Hdc(dc), Gdi(object))); }

// DeleteObject.
int SysDeleteObject(GdiObject object) { return DeleteObject(Gdi(object)) ? 1 : 0; }

// Rectangle with the selected pen and brush.
int SysRectangle(DeviceContext dc, int left, int top, int right, int bottom) {
  return Rectangle(Hdc(dc), left, top, right, bottom) ? 1 : 0;
}

// SetBkMode: the previous mode.
int SysSetBkMode(DeviceContext dc, int mode) { return SetBkMode(Hdc(dc), mode); }

// SetTextColor: the previous colour.
uint32_t SysSetTextColor(DeviceContext dc, uint32_t color) { return SetTextColor(Hdc(dc), color); }

// TextOutW.
int SysTextOut(DeviceContext dc, int x, int y, const char16_t* text, int length) {
  return TextOutW(Hdc(dc), x, y, Wide(text), length) ? 1 : 0;
}

// GetTextMetricsW: the character height and average width of the selected font.
int SysGetTextMetrics(DeviceContext dc, SysTextMetrics* metrics) {
  if (OnAnsiRoad()) {
    TEXTMETRICA tm;
    if (!GetTextMetricsA(Hdc(dc), &tm)) return 0;
    metrics->height = tm.tmHeight;
    metrics->averageCharWidth = tm.tmAveCharWidth;
    return 1;
  }
  TEXTMETRICW tm;
  if (!GetTextMetricsW(Hdc(dc), &tm)) return 0;
  metrics->height = tm.tmHeight;
  metrics->averageCharWidth = tm.tmAveCharWidth;
  return 1;
}

// GetTextExtentPoint32W.
int SysGetTextExtent(DeviceContext dc, const char16_t* text, int length, int32_t* width, int32_t* height) {
  SIZE size = {0, 0};
  int done = GetTextExtentPoint32W(Hdc(dc), Wide(text), length, &size) ? 1 : 0;
  *width = size.cx;
  *height = size.cy;
  return done;
}

// WM_GETFONT; a control without a font of its own draws with the system font.
GdiObject SysGetWindowFont(WindowHandle window) {
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(win32::SendText(Hwnd(window), WM_GETFONT, 0, 0));
  return Obj(font != nullptr ? font : GetStockObject(SYSTEM_FONT));
}

// WM_SETFONT.
void SysSetWindowFont(WindowHandle window, GdiObject font, int redraw) {
  win32::SendText(Hwnd(window), WM_SETFONT, reinterpret_cast<WPARAM>(Gdi(font)), MAKELPARAM(redraw ? TRUE : FALSE, 0));
}

// A new font with the description of font and another weight; the caller deletes it.
GdiObject SysCreateFontWithWeight(GdiObject font, int weight) {
  if (OnAnsiRoad()) return Obj(Reweighted<LOGFONTA>(Gdi(font), weight, GetObjectA, CreateFontIndirectA));
  return Obj(Reweighted<LOGFONTW>(Gdi(font), weight, GetObjectW, CreateFontIndirectW));
}

// CreateFontW with the given height, weight, italic flag, pitch and family, and face; the rest
// left to the font mapper's defaults.
GdiObject SysCreateFont(int height, int weight, int italic, uint32_t pitchAndFamily, const char16_t* face) {
  if (OnAnsiRoad())
    return Obj(CreateFontA(height, 0, 0, 0, weight, italic ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, pitchAndFamily, AnsiText(face)));
  return Obj(CreateFontW(height, 0, 0, 0, weight, italic ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, pitchAndFamily, Wide(face)));
}
