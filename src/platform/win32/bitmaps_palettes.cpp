// Device-independent pictures as screen bitmaps, their unscaled copies, and logical palettes on
// real Windows.
#include <cstring>
#include <vector>

#include "platform/ui.h"
#include "platform/win32/win32_internal.h"

namespace {

inline HDC Hdc(DeviceContext dc) { return reinterpret_cast<HDC>(dc); }
inline GdiObject Obj(HGDIOBJ object) { return reinterpret_cast<GdiObject>(object); }

}  // namespace

// CreateDIBitmap with CBM_INIT from the header, colour table and pixels of the description.
GdiObject SysCreateDIBitmap(DeviceContext dc, const SysDibDescription* dib) {
  if (dib == nullptr || dib->header == nullptr || dib->pixels == nullptr) return nullptr;
  // BITMAPINFO: the header followed by the colour table.
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + dib->colourCount * sizeof(RGBQUAD));
  std::memcpy(info.data(), dib->header, sizeof(BITMAPINFOHEADER));
  if (dib->colourCount && dib->colours)
    std::memcpy(info.data() + sizeof(BITMAPINFOHEADER), dib->colours, dib->colourCount * sizeof(RGBQUAD));
  const BITMAPINFO* bmi = reinterpret_cast<const BITMAPINFO*>(info.data());
  return Obj(CreateDIBitmap(Hdc(dc), &bmi->bmiHeader, CBM_INIT, dib->pixels, bmi, DIB_RGB_COLORS));
}

// BitBlt with SRCCOPY.
int SysBitBlt(DeviceContext dc, int x, int y, int width, int height, DeviceContext source, int sourceX, int sourceY) {
  return BitBlt(Hdc(dc), x, y, width, height, Hdc(source), sourceX, sourceY, SRCCOPY) ? 1 : 0;
}

// GetObjectW (GetObjectA on the ANSI road) of a bitmap: its BITMAP record's size.
int SysGetBitmapSize(GdiObject bitmap, int32_t* width, int32_t* height) {
  BITMAP record;
  *width = *height = 0;
  HGDIOBJ object = reinterpret_cast<HGDIOBJ>(bitmap);
  const int size = win32::OnAnsiRoad() ? GetObjectA(object, sizeof(record), &record)
                                       : GetObjectW(object, sizeof(record), &record);
  if (size != sizeof(record)) return 0;
  *width = record.bmWidth;
  *height = record.bmHeight;
  return 1;
}

// GetMapMode / SetMapMode.
int SysGetMapMode(DeviceContext dc) { return GetMapMode(Hdc(dc)); }
int SysSetMapMode(DeviceContext dc, int mode) { return SetMapMode(Hdc(dc), mode); }

// CreatePalette of version 0x300 with the entries given, flags 0.
GdiObject SysCreatePalette(const SysPaletteColour* colours, uint32_t count) {
  if (colours == nullptr || count == 0 || count > 0xFFFF) return nullptr;
  std::vector<uint8_t> bytes(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
  LOGPALETTE* palette = reinterpret_cast<LOGPALETTE*>(bytes.data());
  palette->palVersion = 0x300;
  palette->palNumEntries = static_cast<WORD>(count);
  for (uint32_t i = 0; i < count; ++i) {
    palette->palPalEntry[i].peRed = colours[i].red;
    palette->palPalEntry[i].peGreen = colours[i].green;
    palette->palPalEntry[i].peBlue = colours[i].blue;
    palette->palPalEntry[i].peFlags = 0;
  }
  return Obj(CreatePalette(palette));
}

// SelectPalette.
GdiObject SysSelectPalette(DeviceContext dc, GdiObject palette, int forceBackground) {
  return Obj(SelectPalette(Hdc(dc), reinterpret_cast<HPALETTE>(palette), forceBackground ? TRUE : FALSE));
}

// RealizePalette: entries changed in the system palette (GDI_ERROR counts as none).
uint32_t SysRealizePalette(DeviceContext dc) {
  const UINT changed = RealizePalette(Hdc(dc));
  return changed == GDI_ERROR ? 0 : changed;
}
