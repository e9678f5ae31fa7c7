// PCX picture decoding into a bottom-up device-independent bitmap.
#include "ui/pcx_picture.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kHeaderSize = 128;
constexpr uint32_t kTrailingPaletteSize = 768;
// Upper bound on the decoded pixel rows, so a hostile header cannot demand gigabytes.
constexpr uint64_t kMaxPixelBytes = 256ull * 1024 * 1024;

uint16_t ReadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

int DecodePcxPicture(const uint8_t* data, uint32_t size, PcxPicture* out) {
  if (out == nullptr) return 0;
  *out = PcxPicture();
  if (data == nullptr || size < kHeaderSize) return 0;

  const uint32_t bpp = data[3];
  const uint32_t planes = data[65];
  if (data[0] != 10 || planes != 1 || bpp < 1 || bpp > 8) return 0;

  const int32_t width = static_cast<int32_t>(ReadU16(data + 8)) - ReadU16(data + 4) + 1;
  const int32_t height = static_cast<int32_t>(ReadU16(data + 10)) - ReadU16(data + 6) + 1;
  const uint32_t bytesPerLine = ReadU16(data + 66);
  if (width <= 0 || height <= 0 || bytesPerLine == 0) return 0;

  const uint32_t colourCount = 1u << bpp;
  const uint8_t* palette = data + 16;
  if (colourCount != 16) {
    if (size < kHeaderSize + kTrailingPaletteSize) return 0;
    palette = data + size - kTrailingPaletteSize;
  }

  const uint64_t stride = ((static_cast<uint64_t>(width) * bpp + 31) / 32) * 4;
  // Every line consumes at least one byte of the file, so a taller picture is surely truncated.
  if (static_cast<uint64_t>(height) > size - kHeaderSize) return 0;
  if (stride * static_cast<uint64_t>(height) > kMaxPixelBytes) return 0;

  PcxPicture result;
  result.header.width = width;
  result.header.height = height;
  result.header.planes = 1;
  result.header.bitCount = static_cast<uint16_t>(bpp);
  result.header.xPelsPerMeter = static_cast<int32_t>(ReadU16(data + 12)) * 39;
  result.header.yPelsPerMeter = static_cast<int32_t>(ReadU16(data + 14)) * 39;
  result.header.clrUsed = colourCount;
  result.colours.resize(colourCount);
  for (uint32_t i = 0; i < colourCount; ++i) {
    result.colours[i].red = palette[i * 3];
    result.colours[i].green = palette[i * 3 + 1];
    result.colours[i].blue = palette[i * 3 + 2];
  }
  result.rowStride = static_cast<uint32_t>(stride);
  result.pixels.assign(static_cast<size_t>(stride) * static_cast<size_t>(height), 0);

  std::vector<uint8_t> line(bytesPerLine);
  const size_t copied = std::min<size_t>(bytesPerLine, static_cast<size_t>(stride));
  uint32_t pos = kHeaderSize;
  for (int32_t y = 0; y < height; ++y) {
    uint32_t filled = 0;
    while (filled < bytesPerLine) {
      if (pos >= size) return 0;
      const uint8_t b = data[pos++];
      uint32_t count = 1;
      uint8_t value = b;
      if ((b & 0xC0) == 0xC0) {
        if (pos >= size) return 0;
        count = b & 0x3F;
        value = data[pos++];
      }
      count = std::min(count, bytesPerLine - filled);
      std::memset(line.data() + filled, value, count);
      filled += count;
    }
    uint8_t* row = result.pixels.data() + static_cast<size_t>(height - 1 - y) * stride;
    std::memcpy(row, line.data(), copied);
  }

  *out = std::move(result);
  return 1;
}
