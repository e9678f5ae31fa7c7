// The product list of an interface: the mouse models the model page offers.
#pragma once
#include <cstdint>

#include "platform/types.h"

// Number of models found by the last complete reading of a list.
extern int32_t ModelCount;

// The product list section for an interface (1 PS/2, 2 Bluetooth, 3 USB); null for any other
// value, which has no list.
const char16_t* ProductListSection(int32_t interfaceType);

// Empties the model table (the ten slots and their pictures).
void ClearModelTable();

// The name of the model in slot 0..9, null when the slot holds none.
const char16_t* ModelSlotName(int32_t slot);

// Reads the models of a product list section of the setup configuration file into the model
// table. Returns 1 when at least one model's picture was found and taken, 0 otherwise. Changes
// ModelCount.
int ReadModelList(WindowHandle page, const char16_t* section);
