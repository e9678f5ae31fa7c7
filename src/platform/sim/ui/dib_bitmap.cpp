// Bitmaps made from device-independent pictures on the simulated screen (CreateDIBitmap) and
// their unscaled copies (BitBlt), which the paint log records as "bitmap" operations naming the
// picture.
#include <cstring>
#include <mutex>
#include <string>

#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/ui/window_state.h"
#include "platform/ui.h"

namespace {

typedef std::lock_guard<std::recursive_mutex> Guard;
using sim::internal::DeviceContextRecord;
using sim::internal::GdiRecord;
using sim::internal::Ui;

constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint16_t kMaxBitCount = 32;

// The fields of the 40-byte information header the machine reads.
struct DibFields {
  uint32_t size;
  int32_t width;
  int32_t height;
  uint16_t planes;
  uint16_t bitCount;
};

DeviceContextRecord* Dc(DeviceContext dc) {
  auto it = Ui().dcs.find(reinterpret_cast<uintptr_t>(dc));
  return it == Ui().dcs.end() ? nullptr : &it->second;
}

const GdiRecord* Bitmap(GdiObject object) {
  auto it = Ui().gdiObjects.find(reinterpret_cast<uintptr_t>(object));
  return it != Ui().gdiObjects.end() && it->second.kind == GdiRecord::kBitmap ? &it->second : nullptr;
}

}  // namespace

GdiObject SysCreateDIBitmap(DeviceContext dc, const SysDibDescription* dib) {
  Guard guard(sim::internal::Lock());
  if (SIM_FAULT(SysCreateDIBitmap)) return nullptr;
  if (!Dc(dc) || !dib || !dib->header || !dib->pixels) {
    sim::internal::SetLastError(kErrInvalidParameter);
    return nullptr;
  }
  DibFields h;
  const uint8_t* bytes = static_cast<const uint8_t*>(dib->header);
  std::memcpy(&h.size, bytes, 4);
  std::memcpy(&h.width, bytes + 4, 4);
  std::memcpy(&h.height, bytes + 8, 4);
  std::memcpy(&h.planes, bytes + 12, 2);
  std::memcpy(&h.bitCount, bytes + 14, 2);
  if (h.size != kInfoHeaderSize || h.width <= 0 || h.height == 0 || h.planes != 1 || h.bitCount == 0 ||
      h.bitCount > kMaxBitCount || (h.bitCount <= 8 && !dib->colours)) {
    sim::internal::SetLastError(kErrInvalidParameter);
    return nullptr;
  }
  GdiRecord r;
  r.kind = GdiRecord::kBitmap;
  r.width = h.width;
  r.height = h.height < 0 ? -h.height : h.height;
  r.bitCount = h.bitCount;
  r.name = "dib " + std::to_string(r.width) + "x" + std::to_string(r.height) + " " + std::to_string(r.bitCount) + "-bit";
  const uintptr_t token = sim::internal::NewHandleToken();
  Ui().gdiObjects[token] = r;
  return reinterpret_cast<GdiObject>(token);
}

int SysBitBlt(DeviceContext dc, int x, int y, int width, int height, DeviceContext source, int, int) {
  Guard guard(sim::internal::Lock());
  if (SIM_FAULT(SysBitBlt)) return 0;
  DeviceContextRecord* target = Dc(dc);
  DeviceContextRecord* from = Dc(source);
  const GdiRecord* bitmap = from ? Bitmap(from->bitmap) : nullptr;
  if (!target || !bitmap) return 0;
  sim::PaintOp op;
  op.kind = sim::PaintOp::kBitmap;
  op.left = x;
  op.top = y;
  op.right = x + width;
  op.bottom = y + height;
  op.text = bitmap->name;
  if (!target->window) {
    Ui().screenLog.push_back(op);
    return 1;
  }
  sim::internal::Window* w = sim::internal::WindowRecord(target->window);
  if (w) w->paintLog.push_back(op);
  return 1;
}

int SysGetBitmapSize(GdiObject bitmap, int32_t* width, int32_t* height) {
  Guard guard(sim::internal::Lock());
  if (SIM_FAULT(SysGetBitmapSize)) return 0;
  const GdiRecord* record = Bitmap(bitmap);
  *width = record ? record->width : 0;
  *height = record ? record->height : 0;
  return record ? 1 : 0;
}

int SysGetMapMode(DeviceContext dc) {
  Guard guard(sim::internal::Lock());
  const DeviceContextRecord* d = Dc(dc);
  return d ? d->mapMode : 0;
}

int SysSetMapMode(DeviceContext dc, int mode) {
  Guard guard(sim::internal::Lock());
  DeviceContextRecord* d = Dc(dc);
  if (!d || mode < 1 || mode > 8) return 0;  // MM_TEXT .. MM_ANISOTROPIC
  const int previous = d->mapMode;
  d->mapMode = mode;
  return previous;
}
