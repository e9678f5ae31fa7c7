// Bitmaps made from device-independent pictures on the simulated screen (CreateDIBitmap) and
// their unscaled copies (BitBlt), which the paint log records as "bitmap" operations naming the
// picture.
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/ui/window_state.h"
#include "platform/ui.h"

namespace {

using sim::internal::Guard;
using sim::internal::Dc;
using sim::internal::DeviceContextRecord;
using sim::internal::GdiRecord;
using sim::internal::Ui;

constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint16_t kMaxBitCount = 32;
constexpr uint32_t kBitfields = 3;  // BI_BITFIELDS: three colour masks before the colour table
constexpr uint32_t kMaxTableEntries = 256;
constexpr uint64_t kMaxPixelBytes = 256u << 20;  // what the simulated screen memory takes

// The fields of the 40-byte information header the machine reads.
struct DibFields {
  uint32_t size;
  int32_t width;
  int32_t height;
  uint16_t planes;
  uint16_t bitCount;
  uint32_t compression;
  uint32_t sizeImage;
  uint32_t clrUsed;
};

DibFields ReadHeader(const uint8_t* bytes) {
  DibFields h;
  std::memcpy(&h.size, bytes, 4);
  std::memcpy(&h.width, bytes + 4, 4);
  std::memcpy(&h.height, bytes + 8, 4);
  std::memcpy(&h.planes, bytes + 12, 2);
  std::memcpy(&h.bitCount, bytes + 14, 2);
  std::memcpy(&h.compression, bytes + 16, 4);
  std::memcpy(&h.sizeImage, bytes + 20, 4);
  std::memcpy(&h.clrUsed, bytes + 32, 4);
  return h;
}

// The 4-byte entries Windows reads after the header: the masks of a bit-field picture, then the
// colour table (biClrUsed entries up to 256, or 2^bitCount when 0 for 8 bits or fewer).
uint32_t EntriesAfterHeader(const DibFields& h) {
  uint32_t table = h.clrUsed < kMaxTableEntries ? h.clrUsed : kMaxTableEntries;
  if (table == 0 && h.bitCount <= 8) table = 1u << h.bitCount;
  return (h.compression == kBitfields ? 3 : 0) + table;
}

// The pixel bytes Windows reads: whole padded rows of an uncompressed or bit-field picture, the
// stated image size of a run-length one. False for compressions the screen cannot take.
bool PixelBytes(const DibFields& h, uint64_t* bytes) {
  const uint64_t rows = static_cast<uint64_t>(h.height < 0 ? -static_cast<int64_t>(h.height) : h.height);
  const uint64_t stride = ((static_cast<uint64_t>(h.width) * h.bitCount + 31) / 32) * 4;
  if (h.compression == 0 || (h.compression == kBitfields && (h.bitCount == 16 || h.bitCount == 32))) {
    *bytes = stride * rows;
    return true;
  }
  if ((h.compression == 1 && h.bitCount == 8) || (h.compression == 2 && h.bitCount == 4)) {
    *bytes = h.sizeImage;
    return true;
  }
  return false;
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
  // Everything Windows reads is read here from the buffers given (the header, the masks and
  // colour table, the pixels), so that a description shorter than its header says shows.
  const DibFields h = ReadHeader(static_cast<const uint8_t*>(dib->header));
  uint64_t pixelBytes = 0;
  if (h.size != kInfoHeaderSize || h.width <= 0 || h.height == 0 || h.height == INT32_MIN || h.planes != 1 ||
      h.bitCount == 0 || h.bitCount > kMaxBitCount || !PixelBytes(h, &pixelBytes)) {
    sim::internal::SetLastError(kErrInvalidParameter);
    return nullptr;
  }
  const uint32_t entries = EntriesAfterHeader(h);
  if (pixelBytes > kMaxPixelBytes) {
    sim::internal::SetLastError(kErrNotEnoughMemory);
    return nullptr;
  }
  if (entries && !dib->colours) {
    sim::internal::SetLastError(kErrInvalidParameter);
    return nullptr;
  }
  std::vector<uint8_t> copy(entries * 4u);
  if (entries) std::memcpy(copy.data(), dib->colours, copy.size());
  copy.resize(pixelBytes);
  if (pixelBytes) std::memcpy(copy.data(), dib->pixels, copy.size());
  if (dib->colourCount < entries) {
    sim::internal::SetLastError(kErrInvalidParameter);
    return nullptr;
  }
  GdiRecord r;
  r.kind = GdiRecord::kBitmap;
  r.width = h.width;
  r.height = h.height < 0 ? -h.height : h.height;
  r.bitCount = h.bitCount;
  r.name =
      "dib " + std::to_string(r.width) + "x" + std::to_string(r.height) + " " + std::to_string(r.bitCount) + "-bit";
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
