// The model table: ten slots of mouse models with their pictures, and the slot a model number
// is filed in.
#include "settings/model_table.h"

#include "settings/settings.h"

ModelRecord ModelTable[kModelSlotCount] = {};
int32_t ModelPresent[kModelSlotCount] = {};
int32_t ModelCount = 0;

void ClearModelTable() {
  for (int32_t slot = 0; slot < kModelSlotCount; ++slot) {
    ModelRecord& model = ModelTable[slot];
    if (model.picture) SysDeleteObject(model.picture);
    if (model.palette) SysDeleteObject(model.palette);
    model = ModelRecord();
    ModelPresent[slot] = 0;
  }
}

int32_t FindFreeModelSlot(int32_t number) {
  // A negative number would give a negative remainder; such numbers start at slot 0.
  const int32_t first = number >= 0 ? number % kModelSlotCount : 0;
  for (int32_t step = 0; step < kModelSlotCount; ++step) {
    const int32_t slot = (first + step) % kModelSlotCount;
    if (ModelPresent[slot] == 0) return slot;
  }
  return -1;
}

const ModelRecord* ChosenModel() {
  const int32_t slot = g_Settings.ModelId;
  if (slot < 0 || slot >= kModelSlotCount) return nullptr;
  return &ModelTable[slot];
}
