// Decoding of PCX pictures (the background window's logo and the mouse pictures of resource
// libraries) into a bottom-up device-independent bitmap: its 40-byte information header, its
// colour table and its padded pixel rows. Plain logic with no Windows calls.
#pragma once
#include <cstdint>
#include <vector>

// The 40-byte bitmap information header, field for field.
struct PcxBitmapInfoHeader {
  uint32_t size = 40;
  int32_t width = 0;
  int32_t height = 0;  // positive: rows are stored bottom-up
  uint16_t planes = 1;
  uint16_t bitCount = 0;
  uint32_t compression = 0;  // no compression
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;
};

// One colour table entry, in bitmap order.
struct PcxColour {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t reserved = 0;
};

// A decoded picture: header, colour table (clrUsed entries) and pixel rows, bottom line first,
// each rowStride bytes (a multiple of 4).
struct PcxPicture {
  PcxBitmapInfoHeader header;
  std::vector<PcxColour> colours;
  uint32_t rowStride = 0;
  std::vector<uint8_t> pixels;
};

// Decodes the PCX file held in data[0, size) into out. Returns 1 when the picture is accepted
// (manufacturer byte 10, one plane, 1 to 8 bits per pixel, a non-empty window) and fully
// present; returns 0 and leaves out empty otherwise. Never reads past size: a file whose pixel
// lines run out, or too short to hold the 768-byte palette when that palette is needed, gives 0.
int DecodePcxPicture(const uint8_t* data, uint32_t size, PcxPicture* out);
