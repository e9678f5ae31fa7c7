// Mouse pictures of the model page. An .img bundle is a one-byte entry count, a directory of
// 1048-byte entries (a 520-character name, the data size and the data offset) and the entries'
// data; its "Mouse.bmp" entry is a whole bitmap file. A resource library holds a PCX picture as
// a raw-data resource. Every count and offset read from a file is checked before it is used.
#include "wizard/mouse_pictures.h"

#include <cstring>
#include <new>

#include "common/text.h"
#include "platform/kernel.h"
#include "settings/model_table.h"
#include "ui/pcx_bitmap.h"

namespace {

constexpr uint32_t kEntrySize = 1048;
constexpr uint32_t kEntryNameBytes = 1040;
constexpr uint32_t kEntryNameChars = kEntryNameBytes / 2;
constexpr const char16_t* kPictureEntry = u"Mouse.bmp";

constexpr uint32_t kFileHeaderSize = 14;       // BITMAPFILEHEADER
constexpr uint32_t kBitsOffsetField = 10;      // its bfOffBits
constexpr uint32_t kInfoHeaderSize = 40;       // BITMAPINFOHEADER
constexpr uint32_t kBitfieldsCompression = 3;  // BI_BITFIELDS: three colour masks
constexpr uint32_t kMasksInHeaderSize = 52;    // headers this long hold the masks at offset 40
constexpr uint32_t kClrUsedField = 32;         // biClrUsed
constexpr uint32_t kRawDataType = 10;          // RT_RCDATA
constexpr uint32_t kResourceNameSize = 64;

uint32_t Read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

void Write32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// True when [offset, offset + count) lies inside size bytes.
bool Fits(uint64_t size, uint64_t offset, uint64_t count) { return offset <= size && count <= size - offset; }

// Reads exactly count bytes. 1 when they were all there.
int ReadExactly(SysHandle file, void* buffer, uint32_t count) {
  uint32_t read = 0;
  return SysReadFile(file, buffer, count, &read) && read == count;
}

// Whether the directory entry at entry is named "Mouse.bmp" (without case). The name is read
// within its field only, whether or not it is terminated there.
bool IsPictureEntry(const uint8_t* entry) {
  char16_t name[kEntryNameChars + 1];
  for (uint32_t i = 0; i < kEntryNameChars; ++i) name[i] = Read16(entry + 2 * i);
  name[kEntryNameChars] = 0;
  return TextEqualNoCase(name, kPictureEntry);
}

// Makes the screen bitmap of a bitmap file held in data[0, size) and reads the colour of its
// first stored pixel. Returns null when the file's header, colour table or bits do not fit.
GdiObject MakeBundleBitmap(const uint8_t* data, uint32_t size, ModelRecord* model) {
  if (!Fits(size, 0, kFileHeaderSize + kInfoHeaderSize)) return nullptr;
  const uint8_t* info = data + kFileHeaderSize;
  const uint32_t infoSize = Read32(info);
  const int32_t width = static_cast<int32_t>(Read32(info + 4));
  const int32_t height = static_cast<int32_t>(Read32(info + 8));
  const uint16_t bitCount = Read16(info + 14);
  const uint32_t compression = Read32(info + 16);
  const uint32_t sizeImage = Read32(info + 20);
  const uint32_t clrUsed = Read32(info + 32);
  if (infoSize < kInfoHeaderSize || width <= 0 || height == 0 || height == INT32_MIN || bitCount == 0 ||
      bitCount > 32) {
    return nullptr;
  }

  // What follows the header: the three colour masks of a bit-field picture (after a 40-byte
  // header, or inside a longer one that has room for them), and a colour table for 8 bits or
  // fewer. Pictures of more bits need no table, so none is passed.
  const bool bitfields = compression == kBitfieldsCompression;
  if (bitfields && bitCount != 16 && bitCount != 32) return nullptr;
  const uint64_t masksAt = kFileHeaderSize + (infoSize >= kMasksInHeaderSize ? kInfoHeaderSize : infoSize);
  const uint64_t masksAfter = bitfields && infoSize < kMasksInHeaderSize ? 12 : 0;
  const uint64_t tableAt = static_cast<uint64_t>(kFileHeaderSize) + infoSize + masksAfter;
  uint64_t tableCount = 0;
  if (bitCount <= 8) {
    tableCount = clrUsed == 0 || clrUsed > (1u << bitCount) ? 1u << bitCount : clrUsed;
    if (!Fits(size, tableAt, tableCount * 4)) return nullptr;
  }
  if (bitfields && !Fits(size, masksAt, 12)) return nullptr;

  const uint32_t bitsAt = Read32(data + kBitsOffsetField);
  const uint64_t rows = static_cast<uint64_t>(height < 0 ? -static_cast<int64_t>(height) : height);
  const uint64_t stride = ((static_cast<uint64_t>(width) * bitCount + 31) / 32) * 4;
  const uint64_t bitsSize = (compression == 0 || bitfields) ? stride * rows : sizeImage;
  if (bitsSize < 3 || !Fits(size, bitsAt, bitsSize)) return nullptr;

  // The screen bitmap wants the 40-byte header; longer headers start with the same fields.
  uint8_t header[kInfoHeaderSize];
  std::memcpy(header, info, kInfoHeaderSize);
  Write32(header, kInfoHeaderSize);
  Write32(header + kClrUsedField, static_cast<uint32_t>(tableCount));
  DeviceContext dc = SysGetDC(nullptr);
  if (!dc) return nullptr;
  SysDibDescription dib = {header, nullptr, 0, data + bitsAt};
  if (bitfields) {
    dib.colours = data + masksAt;
    dib.colourCount = 3;
  } else if (tableCount) {
    dib.colours = data + tableAt;
    dib.colourCount = static_cast<uint32_t>(tableCount);
  }
  GdiObject bitmap = SysCreateDIBitmap(dc, &dib);
  SysReleaseDC(nullptr, dc);
  if (!bitmap) return nullptr;
  model->backgroundBlue = data[bitsAt];
  model->backgroundGreen = data[bitsAt + 1];
  model->backgroundRed = data[bitsAt + 2];
  return bitmap;
}

// Reads the entry's data (size bytes at offset) and makes its bitmap. Null when the data cannot
// be read in full or is not a bitmap that can be drawn.
GdiObject ReadBundleEntry(SysHandle file, uint32_t fileSize, uint32_t offset, uint32_t size, ModelRecord* model) {
  if (!Fits(fileSize, offset, size) || offset > static_cast<uint32_t>(INT32_MAX)) return nullptr;
  if (SysSetFilePointer(file, static_cast<int32_t>(offset), 0) == kInvalidFileSize) return nullptr;
  uint8_t* data = new (std::nothrow) uint8_t[size ? size : 1];
  if (!data) return nullptr;
  GdiObject bitmap = ReadExactly(file, data, size) ? MakeBundleBitmap(data, size, model) : nullptr;
  delete[] data;
  return bitmap;
}

// The resource name of a product list entry as single-byte text: each character's high byte is
// dropped.
void NarrowName(const char16_t* name, char* out) {
  uint32_t n = 0;
  for (; name && name[n] && n < kResourceNameSize - 1; ++n) out[n] = static_cast<char>(name[n] & 0xFF);
  out[n] = 0;
}

// Decodes the named raw-data resource of library into a bitmap and palette for window's drawing
// context. 1 when both were made.
int MakeResourcePicture(WindowHandle window, ModuleHandle library, const char16_t* resourceName, PcxBitmap* out) {
  *out = PcxBitmap();
  if (!library) return 0;
  char name[kResourceNameSize];
  NarrowName(resourceName, name);
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  if (!SysFindResourceData(library, name, kRawDataType, &data, &size)) return 0;
  return MakePcxBitmap(window, data, size, out);
}

}  // namespace

GdiObject LoadImgPicture(const char16_t* path, int32_t slot) {
  if (slot < 0 || slot >= kModelSlotCount) return nullptr;
  SysHandle file = SysCreateFile(path, kGenericRead, kFileShareRead, kOpenExisting, 0);
  if (file == kInvalidHandle) return nullptr;
  GdiObject bitmap = nullptr;
  uint32_t high = 0;
  const uint32_t fileSize = SysGetFileSize(file, &high);
  uint8_t count = 0;
  if (fileSize != kInvalidFileSize && high == 0 && ReadExactly(file, &count, 1)) {
    const uint32_t directorySize = count * kEntrySize;
    uint8_t* directory = new (std::nothrow) uint8_t[directorySize ? directorySize : 1];
    if (directory && ReadExactly(file, directory, directorySize)) {
      for (uint32_t i = 0; i < count && !bitmap; ++i) {
        const uint8_t* entry = directory + i * kEntrySize;
        if (!IsPictureEntry(entry)) continue;
        bitmap = ReadBundleEntry(file, fileSize, Read32(entry + kEntryNameBytes + 4), Read32(entry + kEntryNameBytes),
                                 &ModelTable[slot]);
      }
    }
    delete[] directory;
  }
  SysCloseHandle(file);
  return bitmap;
}

GdiObject LoadResourcePicture(ModuleHandle library, const char16_t* resourceName) {
  PcxBitmap picture;
  if (!MakeResourcePicture(nullptr, library, resourceName, &picture)) return nullptr;
  SysDeleteObject(picture.palette);
  return picture.bitmap;
}

GdiObject LoadResourcePalette(WindowHandle window, ModuleHandle library, const char16_t* resourceName) {
  PcxBitmap picture;
  if (!MakeResourcePicture(window, library, resourceName, &picture)) return nullptr;
  SysDeleteObject(picture.bitmap);
  DeviceContext dc = SysGetDC(window);
  if (dc) {
    GdiObject previous = SysSelectPalette(dc, picture.palette, 0);
    if (SysRealizePalette(dc) != 0) SysInvalidateRect(window, nullptr, 1);
    if (previous) SysSelectPalette(dc, previous, 0);
    SysReleaseDC(window, dc);
  }
  return picture.palette;
}

int DrawModelPicture(WindowHandle page, DeviceContext dc, int frameId, GdiObject picture) {
  if (!picture) return 0;
  const ModelRecord* model = ChosenModel();
  GdiObject previousPalette = nullptr;
  if (model && model->palette) {
    previousPalette = SysSelectPalette(dc, model->palette, 0);
    SysRealizePalette(dc);
  }

  // The frame's inner rectangle: 3 pixels in from its left and top edges, 6 narrower and lower.
  SysRect frame = {0, 0, 0, 0};
  SysGetWindowRect(SysGetDlgItem(page, frameId), &frame);
  const int innerWidth = (frame.right - frame.left) - 6;
  const int innerHeight = (frame.bottom - frame.top) - 6;
  SysPoint corner = {frame.left + 3, frame.top + 3};
  SysMapWindowPoints(nullptr, page, &corner, 1);

  const uint32_t background =
      model && model->isBundle ? SysRgb(model->backgroundRed, model->backgroundGreen, model->backgroundBlue) : SysRgb(0, 0, 0);
  GdiObject brush = SysCreateSolidBrush(background);
  GdiObject previousBrush = brush ? SysSelectObject(dc, brush) : nullptr;
  SysRectangle(dc, corner.x, corner.y, corner.x + innerWidth, corner.y + innerHeight);

  int32_t pictureWidth = 0, pictureHeight = 0;
  SysGetBitmapSize(picture, &pictureWidth, &pictureHeight);
  DeviceContext memory = SysCreateCompatibleDC(dc);
  if (memory) {
    GdiObject previousBitmap = SysSelectObject(memory, picture);
    SysSetMapMode(memory, SysGetMapMode(dc));
    SysBitBlt(dc, corner.x + 9 + (innerWidth - pictureWidth) / 2, corner.y + 1 + (innerHeight - pictureHeight) / 2,
              innerWidth, innerHeight, memory, 0, 0);
    SysSelectObject(memory, previousBitmap);
    SysDeleteDC(memory);
  }

  if (previousPalette) SysSelectPalette(dc, previousPalette, 0);
  if (brush) {
    SysSelectObject(dc, previousBrush);
    SysDeleteObject(brush);
  }
  return 1;
}
