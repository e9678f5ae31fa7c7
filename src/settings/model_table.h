// The model table: the ten slots of mouse models offered for the chosen interface, filled by the
// product list reader and read by the model page, the summary and the installation stages.
#pragma once
#include <cstdint>

#include "platform/types.h"
#include "platform/ui.h"

constexpr int32_t kModelSlotCount = 10;
constexpr int32_t kModelFieldSize = 64;  // 63 characters and the terminator

// One model of a product list.
struct ModelRecord {
  GdiObject picture;                  // the model's picture, or null
  char16_t name[kModelFieldSize];     // display name (field 2), shown on its radio button
  char16_t file[kModelFieldSize];     // picture file in the Windows folder (field 1)
  char16_t resource[kModelFieldSize]; // picture resource in a library (field 4); the mouse type
  int32_t number;                     // model number as written (field 3)
  GdiObject palette;                  // the picture's palette (library pictures only), or null
  char16_t extra[kModelFieldSize];    // field 5, read only with NewUI
  int32_t isBundle;                   // 1 when the picture came from an .img bundle
  uint8_t backgroundRed;              // frame background of bundle pictures
  uint8_t backgroundGreen;
  uint8_t backgroundBlue;
};

extern ModelRecord ModelTable[kModelSlotCount];
// 1 for a slot that holds a model whose picture file was found.
extern int32_t ModelPresent[kModelSlotCount];
// Number of keys read by the last complete pass over a product list (the last key number found).
extern int32_t ModelCount;

// Frees every slot's picture and palette and empties all ten slots (texts empty, numbers,
// flags and colours 0).
void ClearModelTable();

// The slot for a model number: starting at number mod 10, the first of ten consecutive slots
// (wrapping from 9 to 0) that is not present. Returns the slot, -1 when all ten are taken.
int32_t FindFreeModelSlot(int32_t number);

// The slot that ModelId addresses, null when ModelId lies outside 0..9.
const ModelRecord* ChosenModel();
