// The product list reader of the mouse model page.
#include "wizard/read_model_list.h"

#include "startup/settings.h"
#include "wizard/wizard_keys.h"

int32_t ModelCount = 0;

const char16_t* ProductListSection(int32_t interfaceType) {
  switch (interfaceType) {
    case kInterfacePS2:
      return kSectionProductListPS2Models;
    case kInterfaceBluetooth:
      return kSectionProductListBluetooth;
    case kInterfaceUSB:
      return kSectionProductListUSB;
    default:
      return nullptr;
  }
}

// ---- PLACEHOLDER: the model table and the mouse pictures are not built yet ----------------
// Every list reads as empty and no slot holds a model, so the model page passes itself by and
// later stages install without a model. The real reader (keys "1", "2"... split into picture
// file, name, number, resource and extra; slots found from the number; pictures looked up in the
// Windows folder) and the model table replace the three functions below.
void ClearModelTable() {}

const char16_t* ModelSlotName(int32_t) { return nullptr; }

int ReadModelList(WindowHandle, const char16_t*) {
  ModelCount = 0;
  return 0;
}
// ---- end of PLACEHOLDER ----
