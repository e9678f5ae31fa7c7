// Fuzzer of PCX pictures: decoded from memory, where an accepted picture must be consistent
// (rows padded to 4 bytes, as many pixel bytes as rows, a colour table of clrUsed entries), and
// loaded from a file into a bitmap and palette that are drawn and freed again.
#include "fuzz_machine.h"
#include "ui/pcx_bitmap.h"
#include "ui/pcx_picture.h"

FUZZ_TARGET(data, size) {
  PcxPicture picture;
  if (DecodePcxPicture(data, static_cast<uint32_t>(size), &picture)) {
    const PcxBitmapInfoHeader& h = picture.header;
    fuzz::Check(h.width > 0 && h.height > 0, "accepted picture without pixels");
    fuzz::Check(picture.rowStride % 4 == 0 && picture.rowStride * 8ull >= uint64_t(h.width) * h.bitCount,
                "row stride");
    fuzz::Check(picture.pixels.size() == uint64_t(picture.rowStride) * h.height, "pixel bytes");
    fuzz::Check(picture.colours.size() == h.clrUsed && h.clrUsed <= (1u << h.bitCount), "colour table");
  } else {
    fuzz::Check(picture.pixels.empty() && picture.colours.empty(), "refused picture left data");
  }

  const std::u16string path = u"C:\\WINDOWS\\logo.pcx";
  fuzz::WriteFile(path, data, size);
  PcxBitmap bitmap;
  if (LoadPcxBitmap(nullptr, path.c_str(), &bitmap)) {
    fuzz::Check(bitmap.bitmap && bitmap.palette, "picture accepted without bitmap or palette");
    fuzz::DrawAndDelete(bitmap.bitmap);
    bitmap.bitmap = nullptr;
  }
  FreePcxBitmap(&bitmap);
}
