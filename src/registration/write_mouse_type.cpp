// The mouse-type values of the chosen model. The model's resource name doubles as its mouse
// type; each known type has its own value naming the resource library.
#include "registration/write_mouse_type.h"

#include "common/text.h"
#include "platform/registry.h"
#include "shared/registry_values.h"
#include "registration/registration_keys.h"
#include "settings/model_table.h"

namespace {

struct MouseType {
  const char16_t* type;       // compared with case
  const char16_t* valueName;  // under the product key: the resource library
};

const MouseType kMouseTypes[] = {
    {u"2Dmouse", u"2DExternalResourceDll"},     {u"3Dmouse", u"3DExternalResourceDll"},
    {u"4Dmouse", u"4DExternalResourceDll"},     {u"ergomouse", u"ErgoExternalResourceDll"},
    {u"DPadmouse", u"DPadExternalResourceDll"}, {u"3D4Bmouse", u"3D4BExternalResourceDll"},
};

// The resource-library value name of a mouse type, null for a type outside the table.
const char16_t* ResourceValueName(const char16_t* type) {
  for (const MouseType& entry : kMouseTypes)
    if (TextEqual(entry.type, type)) return entry.valueName;
  return nullptr;
}

}  // namespace

void WriteMouseType() {
  const ModelRecord* model = ChosenModel();
  if (!model) return;
  const char16_t* valueName = ResourceValueName(model->resource);

  RegKey product = nullptr;
  if (SysRegCreateKey(kRegCurrentUser, kRegPathProduct, kKeyAllAccess, &product, nullptr) != kErrSuccess) return;
  char16_t path[kModelFieldSize * 2 + 64];
  TextCopy(path, kRegPathProduct);
  TextAppend(path, kMouseTypeSubkey);
  TextAppend(path, model->resource);
  WriteRegistryTextAt(kRegCurrentUser, path, kDefaultProductNameValue, model->name);
  if (valueName) WriteRegistryText(product, valueName, model->file);
  SysRegCloseKey(product);

  TextCopy(path, kRegPathProduct);
  TextAppend(path, kResourceDllSubkey);
  WriteRegistryTextAt(kRegCurrentUser, path, kEnableSelectValue, kEnableSelectData);
  TextCopy(path, kRegPathProduct);
  TextAppend(path, kResourceDllSubkey);
  WriteRegistryTextAt(kRegLocalMachine, path, kEnableSelectValue, kEnableSelectData);
}
