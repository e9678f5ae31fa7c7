// PCX pictures as screen bitmaps with their palettes.
#include "ui/pcx_bitmap.h"

#include <vector>

#include "platform/kernel.h"
#include "ui/pcx_picture.h"

namespace {

// Largest picture file read (a 640 x 480 picture of 256 colours takes about 300 KB).
constexpr uint32_t kMaxPcxFileSize = 16u << 20;
constexpr uint32_t kPathSize = 260;

// The whole file into bytes. 1 when read completely.
int ReadPcxFile(const char16_t* path, std::vector<uint8_t>* bytes) {
  char narrow[kPathSize];
  uint32_t n = 0;
  for (; path[n] && n < kPathSize - 1; ++n) narrow[n] = static_cast<char>(path[n] & 0xFF);
  narrow[n] = 0;

  SysHandle file = SysCreateFileAnsi(narrow, kGenericRead, kFileShareRead, kOpenExisting, 0);
  if (file == kInvalidHandle) return 0;
  uint32_t high = 0;
  const uint32_t size = SysGetFileSize(file, &high);
  int ok = size != kInvalidFileSize && high == 0 && size <= kMaxPcxFileSize;
  if (ok) {
    bytes->resize(size);
    uint32_t read = 0;
    ok = size == 0 || (SysReadFile(file, bytes->data(), size, &read) && read == size);
  }
  SysCloseHandle(file);
  return ok;
}

// The picture's bitmap, made in window's drawing context with palette selected and realized
// there; the context is given back and the old palette selected again. Null when no context or
// bitmap could be had.
GdiObject BitmapWithPalette(WindowHandle window, GdiObject palette, const PcxPicture& picture) {
  DeviceContext dc = SysGetDC(window);
  if (!dc) return nullptr;
  GdiObject previous = SysSelectPalette(dc, palette, 0);
  SysRealizePalette(dc);
  SysDibDescription dib = {&picture.header, picture.colours.data(), static_cast<uint32_t>(picture.colours.size()),
                           picture.pixels.data()};
  GdiObject bitmap = SysCreateDIBitmap(dc, &dib);
  if (previous) SysSelectPalette(dc, previous, 0);
  SysReleaseDC(window, dc);
  return bitmap;
}

}  // namespace

int MakePcxBitmap(WindowHandle window, const uint8_t* data, uint32_t size, PcxBitmap* out) {
  *out = PcxBitmap();
  PcxPicture picture;
  if (!DecodePcxPicture(data, size, &picture)) return 0;

  std::vector<SysPaletteColour> entries;
  for (const PcxColour& c : picture.colours) entries.push_back(SysPaletteColour{c.red, c.green, c.blue});
  GdiObject palette = SysCreatePalette(entries.data(), static_cast<uint32_t>(entries.size()));
  if (!palette) return 0;
  GdiObject bitmap = BitmapWithPalette(window, palette, picture);
  if (!bitmap) {
    SysDeleteObject(palette);
    return 0;
  }
  out->bitmap = bitmap;
  out->palette = palette;
  out->width = picture.header.width;
  out->height = picture.header.height;
  return 1;
}

int LoadPcxBitmap(WindowHandle window, const char16_t* path, PcxBitmap* out) {
  *out = PcxBitmap();
  std::vector<uint8_t> bytes;
  if (!path || !ReadPcxFile(path, &bytes)) return 0;
  return MakePcxBitmap(window, bytes.data(), static_cast<uint32_t>(bytes.size()), out);
}

void FreePcxBitmap(PcxBitmap* picture) {
  if (picture->bitmap) SysDeleteObject(picture->bitmap);
  if (picture->palette) SysDeleteObject(picture->palette);
  *picture = PcxBitmap();
}
