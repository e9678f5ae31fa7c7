// Fuzzer of .img picture bundles: the input is the bundle file in the Windows folder; the
// "Mouse.bmp" picture it yields is drawn and freed, and the file must be closed again.
#include "fuzz_machine.h"
#include "settings/model_table.h"
#include "wizard/mouse_pictures.h"

FUZZ_TARGET(data, size) {
  const std::u16string path = u"C:\\WINDOWS\\GWFUZZ.IMG";
  fuzz::WriteFile(path, data, size);
  fuzz::DrawAndDelete(LoadImgPicture(path.c_str(), static_cast<int32_t>(size % kModelSlotCount)));
}
