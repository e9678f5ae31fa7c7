// The product list reader: one numbered key per model, "picture file, name, number, resource
// name[, extra]", the picture taken from an .img bundle or a resource library in the Windows
// folder.
#include "wizard/read_model_list.h"

#include "common/text.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "settings/settings.h"
#include "settings/model_table.h"
#include "wizard/mouse_pictures.h"
#include "ui/text_keys.h"

namespace {

// The fields of one product list line, each cut to what a model record holds.
struct ModelLine {
  char16_t file[kModelFieldSize];
  char16_t name[kModelFieldSize];
  char16_t number[kModelFieldSize];
  char16_t resource[kModelFieldSize];
  char16_t extra[kModelFieldSize];
};

// Cuts the next field of value (from *pos) into out (kModelFieldSize characters) and moves *pos
// past its comma. Fields are split at commas only: blanks, quotes and percent signs are kept.
// A line that has ended gives empty fields.
void NextField(const char16_t* value, uint32_t* pos, char16_t* out) {
  uint32_t n = 0;
  for (; value[*pos] != 0 && value[*pos] != u','; ++*pos)
    if (n + 1 < kModelFieldSize) out[n++] = value[*pos];
  out[n] = 0;
  if (value[*pos] == u',') ++*pos;
}

void SplitModelLine(const char16_t* value, ModelLine* line) {
  uint32_t pos = 0;
  NextField(value, &pos, line->file);
  NextField(value, &pos, line->name);
  NextField(value, &pos, line->number);
  NextField(value, &pos, line->resource);
  NextField(value, &pos, line->extra);
}

// Whether the text from the first dot of path on is ".img" (a name such as mouse.big.img has
// ".big.img" there and does not count).
bool IsBundlePath(const char16_t* path) {
  const long dot = TextFindChar(path, u'.');
  return dot >= 0 && TextEqualNoCase(path + dot, kBundleExtension);
}

// Takes the picture of a library file into the slot. 1 when the library loaded.
int TakeLibraryPicture(WindowHandle page, const char16_t* path, ModelRecord* model) {
  ModuleHandle library = SysLoadLibraryAsData(path);
  if (!library) return 0;
  model->palette = LoadResourcePalette(page, library, model->resource);
  model->picture = LoadResourcePicture(library, model->resource);
  SysFreeLibrary(library);
  return 1;
}

}  // namespace

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

const char16_t* ModelSlotName(int32_t slot) {
  if (slot < 0 || slot >= kModelSlotCount || ModelPresent[slot] == 0) return nullptr;
  return ModelTable[slot].name;
}

int ReadModelList(WindowHandle page, const char16_t* section) {
  const SettingsRecord& s = g_Settings;
  char16_t windows[kTextSize];
  const uint32_t length = SysGetWindowsDirectory(windows, kTextSize);
  if (length == 0 || length >= kTextSize) windows[0] = 0;  // no picture file is found then
  int found = 0;
  for (int32_t n = 1;; ++n) {
    char16_t key[16];
    char16_t value[kTextSize];
    TextFormat(key, 16, u"%d", n);
    SysReadProfileString(section, key, u"", value, kTextSize, s.ConfigFile);
    if (value[0] == 0) {
      ModelCount = n - 1;
      return found;
    }
    ModelLine line;
    SplitModelLine(value, &line);
    const int32_t number = TextToInt(line.number);
    const int32_t slot = FindFreeModelSlot(number);
    if (slot < 0) continue;  // all ten slots taken: the model is not offered

    ModelRecord& model = ModelTable[slot];
    TextCopy(model.name, line.name);
    TextCopy(model.file, line.file);
    TextCopy(model.resource, line.resource);
    if (s.NewUI) TextCopy(model.extra, line.extra);
    model.number = number;

    char16_t path[kTextSize * 2];
    TextCopy(path, windows);
    TextAppend(path, u"\\");
    TextAppend(path, model.file);
    if (SysGetFileAttributes(path) == kInvalidAttributes) return found;  // the list ends here

    if (model.picture) SysDeleteObject(model.picture);
    model.picture = nullptr;
    if (IsBundlePath(path)) {
      ModelPresent[slot] = 1;
      model.isBundle = 1;
      found = 1;
      model.picture = LoadImgPicture(path, slot);
    } else if (TakeLibraryPicture(page, path, &model)) {
      ModelPresent[slot] = 1;
      found = 1;
    }
  }
}
