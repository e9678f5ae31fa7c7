// Drawing on the simulated screen: device contexts of windows (BeginPaint/EndPaint, GetDC), the
// drawing objects (solid brushes, stock brushes, pens and fonts, fonts made from others), text
// metrics, and a paint log per window that records every fill, rectangle and text with its
// colours and position, which tests read back instead of pixels.
//
// Text metrics follow one rule for every font: the character cell is the font's height when
// positive; a negative (character) height h gives |h| x 13 / 11 rounded, so the 8-point dialog
// font (-11) and its bold variant measure 13; height 0 means 13. The average character width is
// the cell height x 6 / 13 rounded down (6 for the dialog font, 7 for the 16-pixel system font
// that a fresh device context holds, as on Windows). A text's extent is its length times the
// average width.
#include <cstdio>
#include <mutex>

#include "platform/sim/ui/dialog_template.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/kernel/res_file.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/ui/window_state.h"
#include "platform/ui.h"

namespace sim {
namespace internal {

namespace {

using sim::internal::Guard;

// GetStockObject indexes.
constexpr int kWhiteBrush = 0;
constexpr int kLightGrayBrush = 1;
constexpr int kGrayBrush = 2;
constexpr int kDarkGrayBrush = 3;
constexpr int kBlackBrush = 4;
constexpr int kNullBrush = 5;
constexpr int kWhitePen = 6;
constexpr int kBlackPen = 7;
constexpr int kOemFixedFont = 10;
constexpr int kAnsiFixedFont = 11;
constexpr int kAnsiVarFont = 12;
constexpr int kSystemFont = 13;
constexpr int kDeviceDefaultFont = 14;
constexpr int kSystemFixedFont = 16;
constexpr int kDefaultGuiFont = 17;
constexpr int kStockCount = 18;
// Stock objects have fixed handles far above the machine's handle tokens.
constexpr uintptr_t kStockBase = 0x7FFF0000;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kLightGray = 0xC0C0C0;
constexpr uint32_t kGray = 0x808080;
constexpr uint32_t kDarkGray = 0x404040;
constexpr uint32_t kBlack = 0;
constexpr uint32_t kInvalidColor = 0xFFFFFFFF;  // CLR_INVALID
constexpr int kSystemFontHeight = 16;
constexpr int kBoldWeight = 700;
constexpr int kNormalWeight = 400;
constexpr int kDialogFontHeight = -11;  // "MS Shell Dlg" 8 at 96 dots per inch
constexpr int kDialogFontPixels = 11;

GdiRecord Brush(uint32_t color, bool null = false) {
  GdiRecord r;
  r.kind = GdiRecord::kBrush;
  r.stock = true;
  r.color = color;
  r.null = null;
  return r;
}
GdiRecord Pen(uint32_t color, bool null = false) {
  GdiRecord r = Brush(color, null);
  r.kind = GdiRecord::kPen;
  return r;
}
GdiRecord Font(const char16_t* face, int height, int weight) {
  GdiRecord r;
  r.kind = GdiRecord::kFont;
  r.stock = true;
  r.face = face;
  r.height = height;
  r.weight = weight;
  return r;
}

// The stock objects by index (an entry of kind brush with stock = false marks a gap).
const GdiRecord* StockRecord(int index) {
  static const GdiRecord* table = [] {
    GdiRecord* t = new GdiRecord[kStockCount];
    t[kWhiteBrush] = Brush(kWhite);
    t[kLightGrayBrush] = Brush(kLightGray);
    t[kGrayBrush] = Brush(kGray);
    t[kDarkGrayBrush] = Brush(kDarkGray);
    t[kBlackBrush] = Brush(kBlack);
    t[kNullBrush] = Brush(kBlack, true);
    t[kWhitePen] = Pen(kWhite);
    t[kBlackPen] = Pen(kBlack);
    t[kNullPen] = Pen(kBlack, true);
    t[kOemFixedFont] = Font(u"Terminal", kSystemFontHeight, kNormalWeight);
    t[kAnsiFixedFont] = Font(u"Courier", kSystemFontHeight, kNormalWeight);
    t[kAnsiVarFont] = Font(u"MS Sans Serif", kDialogFontHeight, kNormalWeight);
    t[kSystemFont] = Font(u"System", kSystemFontHeight, kBoldWeight);
    t[kDeviceDefaultFont] = Font(u"System", kSystemFontHeight, kBoldWeight);
    t[kSystemFixedFont] = Font(u"Fixedsys", kSystemFontHeight, kNormalWeight);
    t[kDefaultGuiFont] = Font(u"MS Shell Dlg", kDialogFontHeight, kNormalWeight);
    return t;
  }();
  if (index < 0 || index >= kStockCount || !table[index].stock) return nullptr;
  return &table[index];
}

GdiObject StockHandle(int index) { return reinterpret_cast<GdiObject>(kStockBase + static_cast<uintptr_t>(index)); }

// The record of a drawing object (stock or created), else null.
const GdiRecord* Lookup(GdiObject object) {
  const uintptr_t token = reinterpret_cast<uintptr_t>(object);
  if (token >= kStockBase && token < kStockBase + kStockCount) return StockRecord(static_cast<int>(token - kStockBase));
  auto it = Ui().gdiObjects.find(token);
  return it == Ui().gdiObjects.end() ? nullptr : &it->second;
}

// The selected object of a kind, or the default one when it was deleted meanwhile.
const GdiRecord& Selected(GdiObject object, int fallbackStock) {
  const GdiRecord* r = Lookup(object);
  return r ? *r : *StockRecord(fallbackStock);
}

int CellHeight(const GdiRecord& font) {
  if (font.height > 0) return font.height;
  if (font.height < 0) return (-font.height * kDialogBaseUnitY + kDialogFontPixels / 2) / kDialogFontPixels;
  return kDialogBaseUnitY;
}
int AverageWidth(const GdiRecord& font) { return CellHeight(font) * kDialogBaseUnitX / kDialogBaseUnitY; }

// Adds a drawing operation to the log of the context's window. False for a bad context.
bool Record(DeviceContext dc, PaintOp op) {
  DeviceContextRecord* d = Dc(dc);
  if (!d) return false;
  if (!d->window) {
    Ui().screenLog.push_back(std::move(op));
    return true;
  }
  Window* w = WindowRecord(d->window);
  if (w) w->paintLog.push_back(std::move(op));
  return true;
}

GdiObject AddObject(const GdiRecord& record) {
  const uintptr_t token = NewHandleToken();
  Ui().gdiObjects[token] = record;
  return reinterpret_cast<GdiObject>(token);
}

std::string ColorText(uint32_t color) {
  char text[8];
  std::snprintf(text, sizeof(text), "#%02X%02X%02X", color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
  return text;
}

std::string Describe(const PaintOp& op) {
  const std::string box = std::to_string(op.left) + "," + std::to_string(op.top) + "," + std::to_string(op.right) +
                          "," + std::to_string(op.bottom);
  switch (op.kind) {
    case PaintOp::kFill:
      return "fill " + box + " " + ColorText(op.color);
    case PaintOp::kRectangle:
      return "rect " + box + " brush " + (op.filled ? ColorText(op.color) : "none") + " pen " +
             (op.outlined ? ColorText(op.penColor) : "none");
    case PaintOp::kText:
      return "text " + std::to_string(op.x) + "," + std::to_string(op.y) + " \"" + op.text + "\" " +
             ColorText(op.color) + (op.transparent ? " transparent" : " opaque " + ColorText(op.background));
    case PaintOp::kBitmap:
      return "bitmap " + box + " " + op.text;
    case PaintOp::kStretch:
      return "stretch " + box + " " + op.text + " from " + std::to_string(op.sourceX) + "," +
             std::to_string(op.sourceY) + "," + std::to_string(op.sourceWidth) + "," +
             std::to_string(op.sourceHeight) + " mode " + std::to_string(op.stretchMode);
    case PaintOp::kEdge: {
      char flags[32];
      std::snprintf(flags, sizeof(flags), " 0x%X 0x%X", op.edge, op.edgeFlags);
      return "edge " + box + flags;
    }
  }
  return "";
}

}  // namespace

GdiObject NewFont(const std::u16string& face, int height, int weight, bool italic, uint32_t pitchAndFamily,
                  bool systemOwned) {
  Guard guard(Lock());
  GdiRecord r;
  r.kind = GdiRecord::kFont;
  r.systemOwned = systemOwned;
  r.face = face;
  r.height = height;
  r.weight = weight;
  r.italic = italic;
  r.pitchAndFamily = pitchAndFamily;
  return AddObject(r);
}

void DeleteFontObject(GdiObject font) {
  Guard guard(Lock());
  Ui().gdiObjects.erase(reinterpret_cast<uintptr_t>(font));
}

void Validate(WindowHandle window) {
  Guard guard(Lock());
  Window* w = LiveWindow(window);
  if (w) w->invalid = false;
}

DeviceContextRecord DefaultDc() {
  DeviceContextRecord d;
  d.font = StockHandle(kSystemFont);
  d.brush = StockHandle(kWhiteBrush);
  d.pen = StockHandle(kBlackPen);
  d.bkMode = kOpaque;
  d.textColor = kBlack;
  d.bkColor = kWhite;
  return d;
}

}  // namespace internal

// ---- Test API ----

std::vector<PaintOp> PaintLog(WindowHandle window) {
  internal::Guard guard(internal::Lock());
  if (!window) return internal::Ui().screenLog;
  const internal::Window* w = internal::WindowRecord(window);
  return w ? w->paintLog : std::vector<PaintOp>();
}

std::vector<std::string> PaintLogLines(WindowHandle window) {
  std::vector<std::string> lines;
  for (const PaintOp& op : PaintLog(window)) lines.push_back(internal::Describe(op));
  return lines;
}

void ClearPaintLog(WindowHandle window) {
  internal::Guard guard(internal::Lock());
  if (!window) {
    internal::Ui().screenLog.clear();
    return;
  }
  internal::Window* w = internal::WindowRecord(window);
  if (w) w->paintLog.clear();
}

size_t LiveGdiObjects() {
  internal::Guard guard(internal::Lock());
  size_t count = 0;
  for (const auto& entry : internal::Ui().gdiObjects)
    if (!entry.second.systemOwned) ++count;
  return count;
}

size_t OpenDeviceContexts() {
  internal::Guard guard(internal::Lock());
  return internal::Ui().dcs.size();
}

}  // namespace sim

// ---- ui.h: painting ----

using sim::PaintOp;
using sim::internal::Guard;
using sim::internal::Lock;
using sim::internal::Ui;

DeviceContext SysGetDC(WindowHandle window) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetDC)) return nullptr;
  if (window && !sim::internal::LiveWindow(window)) return nullptr;
  sim::internal::DeviceContextRecord d = sim::internal::DefaultDc();
  d.window = window;
  const uintptr_t token = sim::internal::NewHandleToken();
  Ui().dcs[token] = d;
  return reinterpret_cast<DeviceContext>(token);
}

int SysReleaseDC(WindowHandle, DeviceContext dc) {
  Guard guard(Lock());
  if (SIM_FAULT(SysReleaseDC)) return 0;
  return Ui().dcs.erase(reinterpret_cast<uintptr_t>(dc)) ? 1 : 0;
}

DeviceContext SysBeginPaint(WindowHandle window, SysPaint* paint) {
  Guard guard(Lock());
  if (SIM_FAULT(SysBeginPaint)) return {};
  sim::internal::Window* w = sim::internal::LiveWindow(window);
  if (!w || !paint) return nullptr;
  w->invalid = false;
  *paint = SysPaint();
  paint->area = SysRect{0, 0, sim::internal::ClientWidth(*w), sim::internal::ClientHeight(*w)};
  paint->dc = SysGetDC(window);
  return paint->dc;
}

void SysEndPaint(WindowHandle window, SysPaint* paint) {
  if (!paint) return;
  SysReleaseDC(window, paint->dc);
}

int SysFillRectColor(DeviceContext dc, const SysRect* rect, uint32_t color) {
  Guard guard(Lock());
  if (SIM_FAULT(SysFillRectColor)) return 0;
  if (!rect) return 0;
  PaintOp op;
  op.kind = PaintOp::kFill;
  op.left = rect->left;
  op.top = rect->top;
  op.right = rect->right;
  op.bottom = rect->bottom;
  op.color = color;
  return sim::internal::Record(dc, op) ? 1 : 0;
}

GdiObject SysCreateSolidBrush(uint32_t color) {
  Guard guard(Lock());
  if (SIM_FAULT(SysCreateSolidBrush)) return nullptr;
  sim::internal::GdiRecord r;
  r.kind = sim::internal::GdiRecord::kBrush;
  r.color = color;
  return sim::internal::AddObject(r);
}

GdiObject SysGetStockObject(int index) {
  if (SIM_FAULT(SysGetStockObject)) return {};
  return sim::internal::StockRecord(index) ? sim::internal::StockHandle(index) : nullptr;
}

GdiObject SysSelectObject(DeviceContext dc, GdiObject object) {
  Guard guard(Lock());
  if (SIM_FAULT(SysSelectObject)) return {};
  sim::internal::DeviceContextRecord* d = sim::internal::Dc(dc);
  const sim::internal::GdiRecord* r = sim::internal::Lookup(object);
  if (!d || !r) return nullptr;
  GdiObject* slot = r->kind == sim::internal::GdiRecord::kFont     ? &d->font
                    : r->kind == sim::internal::GdiRecord::kBrush  ? &d->brush
                    : r->kind == sim::internal::GdiRecord::kBitmap ? &d->bitmap
                                                                   : &d->pen;
  if (r->kind == sim::internal::GdiRecord::kPalette) return nullptr;  // SelectPalette's job
  GdiObject previous = *slot;
  *slot = object;
  return previous;
}

int SysDeleteObject(GdiObject object) {
  Guard guard(Lock());
  if (SIM_FAULT(SysDeleteObject)) return 0;
  const sim::internal::GdiRecord* r = sim::internal::Lookup(object);
  if (!r) return 0;
  if (r->stock) return 1;  // stock objects are never deleted
  Ui().gdiObjects.erase(reinterpret_cast<uintptr_t>(object));
  return 1;
}

int SysRectangle(DeviceContext dc, int left, int top, int right, int bottom) {
  Guard guard(Lock());
  if (SIM_FAULT(SysRectangle)) return 0;
  sim::internal::DeviceContextRecord* d = sim::internal::Dc(dc);
  if (!d) return 0;
  const sim::internal::GdiRecord& brush = sim::internal::Selected(d->brush, sim::internal::kWhiteBrush);
  const sim::internal::GdiRecord& pen = sim::internal::Selected(d->pen, sim::internal::kBlackPen);
  PaintOp op;
  op.kind = PaintOp::kRectangle;
  op.left = left;
  op.top = top;
  op.right = right;
  op.bottom = bottom;
  op.filled = !brush.null;
  op.color = brush.null ? 0 : brush.color;
  op.outlined = !pen.null;
  op.penColor = pen.null ? 0 : pen.color;
  return sim::internal::Record(dc, op) ? 1 : 0;
}

int SysSetBkMode(DeviceContext dc, int mode) {
  Guard guard(Lock());
  sim::internal::DeviceContextRecord* d = sim::internal::Dc(dc);
  if (!d || (mode != kTransparent && mode != kOpaque)) return 0;
  const int previous = d->bkMode;
  d->bkMode = mode;
  return previous;
}

uint32_t SysSetTextColor(DeviceContext dc, uint32_t color) {
  Guard guard(Lock());
  sim::internal::DeviceContextRecord* d = sim::internal::Dc(dc);
  if (!d) return sim::internal::kInvalidColor;
  const uint32_t previous = d->textColor;
  d->textColor = color;
  return previous;
}

int SysTextOut(DeviceContext dc, int x, int y, const char16_t* text, int length) {
  Guard guard(Lock());
  if (SIM_FAULT(SysTextOut)) return 0;
  sim::internal::DeviceContextRecord* d = sim::internal::Dc(dc);
  if (!d || length < 0 || (length > 0 && !text)) return 0;
  const sim::internal::GdiRecord& font = sim::internal::Selected(d->font, sim::internal::kSystemFont);
  PaintOp op;
  op.kind = PaintOp::kText;
  op.x = x;
  op.y = y;
  op.text = sim::ToUtf8(std::u16string(text ? text : u"", static_cast<size_t>(length)));
  op.color = d->textColor;
  op.transparent = d->bkMode == kTransparent;
  op.background = d->bkColor;
  op.fontFace = sim::ToUtf8(font.face);
  op.fontHeight = sim::internal::CellHeight(font);
  op.fontWeight = font.weight;
  return sim::internal::Record(dc, op) ? 1 : 0;
}

int SysGetTextMetrics(DeviceContext dc, SysTextMetrics* metrics) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetTextMetrics)) return 0;
  sim::internal::DeviceContextRecord* d = sim::internal::Dc(dc);
  if (!d || !metrics) return 0;
  const sim::internal::GdiRecord& font = sim::internal::Selected(d->font, sim::internal::kSystemFont);
  metrics->height = sim::internal::CellHeight(font);
  metrics->averageCharWidth = sim::internal::AverageWidth(font);
  return 1;
}

int SysGetTextExtent(DeviceContext dc, const char16_t*, int length, int32_t* width, int32_t* height) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetTextExtent)) return 0;
  sim::internal::DeviceContextRecord* d = sim::internal::Dc(dc);
  if (!d || length < 0) return 0;
  const sim::internal::GdiRecord& font = sim::internal::Selected(d->font, sim::internal::kSystemFont);
  if (width) *width = length * sim::internal::AverageWidth(font);
  if (height) *height = sim::internal::CellHeight(font);
  return 1;
}

GdiObject SysGetWindowFont(WindowHandle window) {
  return reinterpret_cast<GdiObject>(SysSendMessage(window, kWmGetFont, 0, 0));
}

void SysSetWindowFont(WindowHandle window, GdiObject font, int redraw) {
  SysSendMessage(window, kWmSetFont, reinterpret_cast<uintptr_t>(font), redraw);
}

GdiObject SysCreateFontWithWeight(GdiObject font, int weight) {
  Guard guard(Lock());
  if (SIM_FAULT(SysCreateFontWithWeight)) return {};
  const sim::internal::GdiRecord* r = sim::internal::Lookup(font);
  if (!r || r->kind != sim::internal::GdiRecord::kFont) return nullptr;
  const sim::internal::GdiRecord copy = *r;  // the table may move while it grows
  return sim::internal::NewFont(copy.face, copy.height, weight, copy.italic, copy.pitchAndFamily, false);
}

GdiObject SysCreateFont(int height, int weight, int italic, uint32_t pitchAndFamily, const char16_t* face) {
  Guard guard(Lock());
  if (SIM_FAULT(SysCreateFont)) return nullptr;
  return sim::internal::NewFont(face ? face : u"", height, weight, italic != 0, pitchAndFamily, false);
}

// ---- ui.h: bitmap resources, memory contexts, stretched copies and edges ----
// A bitmap resource of the program keeps the size its header gives; the paint log names it
// "resource <id>". A stretched copy is recorded on the destination context's window with the
// name of the bitmap selected into the source context.

namespace {

constexpr int kMinStretchMode = 1;  // BLACKONWHITE
constexpr int kMaxStretchMode = 4;  // HALFTONE
constexpr size_t kBitmapHeaderSize = 40;

int32_t ReadLe32(const uint8_t* bytes) {
  return static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
                              (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24));
}

}  // namespace

GdiObject SysLoadBitmapResource(ModuleHandle, uint32_t bitmapId) {
  Guard guard(Lock());
  if (SIM_FAULT(SysLoadBitmapResource)) return nullptr;
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  if (bitmapId > 0xFFFF ||
      !sim::FindRes(sim::ProgramResources(), sim::ProgramResourcesSize(), sim::ResNumber(sim::kResTypeBitmap),
                    sim::ResNumber(static_cast<uint16_t>(bitmapId)), sim::kResAnyLanguage, &data, &size) ||
      size < kBitmapHeaderSize)
    return nullptr;
  sim::internal::GdiRecord r;
  r.kind = sim::internal::GdiRecord::kBitmap;
  r.width = ReadLe32(data + 4);
  const int32_t height = ReadLe32(data + 8);
  r.height = height < 0 ? -height : height;
  r.name = "resource " + std::to_string(bitmapId);
  return sim::internal::AddObject(r);
}

DeviceContext SysCreateCompatibleDC(DeviceContext) {
  Guard guard(Lock());
  if (SIM_FAULT(SysCreateCompatibleDC)) return nullptr;
  sim::internal::DeviceContextRecord d = sim::internal::DefaultDc();
  d.memory = true;
  const uintptr_t token = sim::internal::NewHandleToken();
  Ui().dcs[token] = d;
  return reinterpret_cast<DeviceContext>(token);
}

int SysDeleteDC(DeviceContext dc) {
  Guard guard(Lock());
  if (SIM_FAULT(SysDeleteDC)) return 0;
  sim::internal::DeviceContextRecord* d = sim::internal::Dc(dc);
  if (!d || !d->memory) return 0;
  Ui().dcs.erase(reinterpret_cast<uintptr_t>(dc));
  return 1;
}

int SysSetStretchBltMode(DeviceContext dc, int mode) {
  Guard guard(Lock());
  sim::internal::DeviceContextRecord* d = sim::internal::Dc(dc);
  if (!d || mode < kMinStretchMode || mode > kMaxStretchMode) return 0;
  const int previous = d->stretchMode;
  d->stretchMode = mode;
  return previous;
}

int SysStretchBlt(DeviceContext dc, int x, int y, int width, int height, DeviceContext source, int sourceX,
                  int sourceY, int sourceWidth, int sourceHeight) {
  Guard guard(Lock());
  if (SIM_FAULT(SysStretchBlt)) return 0;
  sim::internal::DeviceContextRecord* d = sim::internal::Dc(dc);
  sim::internal::DeviceContextRecord* s = sim::internal::Dc(source);
  if (!d || !s) return 0;
  const sim::internal::GdiRecord* bitmap = sim::internal::Lookup(s->bitmap);
  PaintOp op;
  op.kind = PaintOp::kStretch;
  op.left = x;
  op.top = y;
  op.right = x + width;
  op.bottom = y + height;
  op.text = bitmap && bitmap->kind == sim::internal::GdiRecord::kBitmap ? bitmap->name : "no bitmap";
  op.sourceX = sourceX;
  op.sourceY = sourceY;
  op.sourceWidth = sourceWidth;
  op.sourceHeight = sourceHeight;
  op.stretchMode = d->stretchMode;
  return sim::internal::Record(dc, op) ? 1 : 0;
}

int SysDrawEdge(DeviceContext dc, const SysRect* rect, uint32_t edge, uint32_t flags) {
  Guard guard(Lock());
  if (SIM_FAULT(SysDrawEdge)) return 0;
  if (!rect) return 0;
  PaintOp op;
  op.kind = PaintOp::kEdge;
  op.left = rect->left;
  op.top = rect->top;
  op.right = rect->right;
  op.bottom = rect->bottom;
  op.edge = edge;
  op.edgeFlags = flags;
  return sim::internal::Record(dc, op) ? 1 : 0;
}

namespace sim {
namespace internal {

size_t OpenGdiObjectCount() {
  Guard guard(Lock());
  size_t count = 0;
  for (const auto& entry : Ui().gdiObjects)
    if (!entry.second.stock && !entry.second.systemOwned) ++count;
  return count;
}

size_t OpenDeviceContextCount() {
  Guard guard(Lock());
  return Ui().dcs.size();
}

}  // namespace internal
}  // namespace sim
