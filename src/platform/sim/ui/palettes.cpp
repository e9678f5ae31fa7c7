// Logical palettes on the simulated screen: made, selected into a drawing context and realized
// into the one system palette. Realizing answers how many system colours changed, so a window
// that realizes the palette already in place changes nothing.
#include <mutex>

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

// LOGPALETTE holds at most this many entries (a 16-bit count).
constexpr uint32_t kMaxPaletteEntries = 0xFFFF;

const GdiRecord* Palette(GdiObject object) {
  auto it = Ui().gdiObjects.find(reinterpret_cast<uintptr_t>(object));
  return it != Ui().gdiObjects.end() && it->second.kind == GdiRecord::kPalette ? &it->second : nullptr;
}

}  // namespace

GdiObject SysCreatePalette(const SysPaletteColour* colours, uint32_t count) {
  Guard guard(sim::internal::Lock());
  if (SIM_FAULT(SysCreatePalette)) return nullptr;
  if (!colours || count == 0 || count > kMaxPaletteEntries) {
    sim::internal::SetLastError(kErrInvalidParameter);
    return nullptr;
  }
  GdiRecord r;
  r.kind = GdiRecord::kPalette;
  for (uint32_t i = 0; i < count; ++i) r.colours.push_back(SysRgb(colours[i].red, colours[i].green, colours[i].blue));
  const uintptr_t token = sim::internal::NewHandleToken();
  Ui().gdiObjects[token] = r;
  return reinterpret_cast<GdiObject>(token);
}

GdiObject SysSelectPalette(DeviceContext dc, GdiObject palette, int) {
  Guard guard(sim::internal::Lock());
  if (SIM_FAULT(SysSelectPalette)) return {};
  DeviceContextRecord* d = Dc(dc);
  if (!d || !Palette(palette)) return nullptr;
  GdiObject previous = d->palette;
  d->palette = palette;
  return previous;
}

uint32_t SysRealizePalette(DeviceContext dc) {
  Guard guard(sim::internal::Lock());
  DeviceContextRecord* d = Dc(dc);
  const GdiRecord* palette = d ? Palette(d->palette) : nullptr;
  if (!palette) return 0;
  std::vector<uint32_t>& system = Ui().systemPalette;
  uint32_t changed = 0;
  for (size_t i = 0; i < palette->colours.size(); ++i)
    if (i >= system.size() || system[i] != palette->colours[i]) ++changed;
  system = palette->colours;
  return changed;
}
