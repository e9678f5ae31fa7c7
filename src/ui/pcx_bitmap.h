// PCX pictures made ready for drawing: the file read through the single-byte file interface,
// decoded (pcx_picture.h) and turned into a screen bitmap with its logical palette.
#pragma once
#include <cstdint>

#include "platform/types.h"
#include "platform/ui.h"

// A picture ready to draw; all fields zero/null when there is none.
struct PcxBitmap {
  GdiObject bitmap;
  GdiObject palette;
  int32_t width;
  int32_t height;
};

// Makes the bitmap and palette of the PCX picture held in data[0, size): the palette is a
// logical palette of the picture's colours, selected and realized in window's drawing context
// (the screen's for a null window) while the bitmap is made for it. Returns 1 when both exist,
// 0 when the picture is not accepted or a drawing object could not be made (out left empty).
int MakePcxBitmap(WindowHandle window, const uint8_t* data, uint32_t size, PcxBitmap* out);

// The same from a file. The path goes through the single-byte file interface, each character
// cut to its low byte (paths are expected to be plain ASCII). Returns 0 (out empty) when the
// file is missing, unreadable, larger than 16 MB or not an accepted picture.
int LoadPcxBitmap(WindowHandle window, const char16_t* path, PcxBitmap* out);

// Deletes the bitmap and palette and empties the record.
void FreePcxBitmap(PcxBitmap* picture);
