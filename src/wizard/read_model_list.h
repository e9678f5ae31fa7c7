// The product list of an interface: the mouse models the model page offers, read into the
// model table with their pictures from the Windows folder.
#pragma once
#include <cstdint>

#include "platform/types.h"

// The product list section for an interface (1 PS/2, 2 Bluetooth, 3 USB); null for any other
// value, which has no list.
const char16_t* ProductListSection(int32_t interfaceType);

// Reads keys "1", "2", ... of a product list section of ConfigFile into the model table, up to
// the first missing or empty value: picture file, name, number, resource name and (with NewUI)
// an extra text per model, each slot found by FindFreeModelSlot, each picture loaded from the
// Windows folder (page: the window whose drawing context realizes library palettes). A picture
// file that does not exist ends the list there. Returns 1 when at least one model's picture file
// was found and taken, 0 otherwise. Changes ModelTable, ModelPresent and ModelCount (not when
// a missing picture file ended the list).
int ReadModelList(WindowHandle page, const char16_t* section);

// The name of the model in slot 0..9, null when the slot holds no model.
const char16_t* ModelSlotName(int32_t slot);
