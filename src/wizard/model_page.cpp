// The mouse model page: rebuilt from the product list on each activation; an empty list makes the
// page pass itself by in the direction of travel.
#include "wizard/model_page.h"

#include "platform/ui.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "ui/localised_texts.h"
#include "settings/model_table.h"
#include "wizard/mouse_pictures.h"
#include "wizard/read_model_list.h"
#include "ui/wizard_messages.h"
#include "ui/page_rules.h"
#include "ui/message_words.h"

int32_t ModelPageLeftForward = 0;

namespace {

static_assert(IDC_MODEL_LAST - IDC_MODEL_FIRST + 1 == kModelSlotCount, "one radio button per model slot");

// Empties the model table and the ten radio buttons (no text, hidden, cleared).
void ClearModelSlots(WindowHandle page) {
  ClearModelTable();
  for (int id = IDC_MODEL_FIRST; id <= IDC_MODEL_LAST; ++id) {
    SysSetDlgItemText(page, id, u"");
    SysShowWindow(SysGetDlgItem(page, id), kSwHide);
    SysCheckDlgButton(page, id, kBstUnchecked);
  }
}

intptr_t OnModelActive(WindowHandle page) {
  ClearModelSlots(page);
  const char16_t* section = ProductListSection(g_Settings.InterfaceType);
  if (section && ReadModelList(page, section)) {
    g_Settings.ChooseMouse = 1;
  } else {
    // Nothing to choose: the page passes itself by, backwards when coming back from a later page.
    g_Settings.ChooseMouse = 0;
    PostToWizard(page, kPsmSetWizButtons, 0, kPswizbBack | kPswizbNext);
    if (ModelPageLeftForward == 1) {
      ModelPageLeftForward = 0;
      PostToWizard(page, kPsmPressButton, kPsbtnBack, 0);
    } else {
      PostToWizard(page, kPsmPressButton, kPsbtnNext, 0);
    }
  }
  for (int32_t slot = 0; slot < kModelSlotCount; ++slot) {
    const char16_t* name = ModelSlotName(slot);
    if (!name) continue;
    SysSetDlgItemText(page, IDC_MODEL_FIRST + slot, name);
    SysShowWindow(SysGetDlgItem(page, IDC_MODEL_FIRST + slot), kSwShow);
  }
  const int32_t preset = g_Settings.DefaultPS2Model;
  g_Settings.ModelId = preset >= 1 && preset <= ModelCount ? preset : 0;
  SysCheckDlgButton(page, IDC_MODEL_FIRST + g_Settings.ModelId, kBstChecked);
  PostToWizard(page, kPsmSetWizButtons, 0, kPswizbBack | kPswizbNext);
  if (g_Settings.HiddenMode) HideWizardFrame(page);
  if (g_Settings.SilentMode) PostToWizard(page, kPsmPressButton, kPsbtnNext, 0);
  return AnswerNotification(page, 0);
}

intptr_t OnModelNotify(WindowHandle page, const SysNotifyHeader* header) {
  switch (header->code) {
    case kPsnSetActive:
      return OnModelActive(page);
    case kPsnWizNext:
      ModelPageLeftForward = 1;
      return AnswerNotification(page, 0);
    case kPsnWizBack:
      ClearModelSlots(page);
      ModelPageLeftForward = 0;
      return AnswerNotification(page, 0);
    default:
      return AnswerPageNotification(page, header->code, 0);
  }
}

// The picture of the chosen slot into the picture frame. Returns 1 when one was drawn.
int DrawChosenPicture(WindowHandle page, DeviceContext dc) {
  const ModelRecord* model = ChosenModel();
  return DrawModelPicture(page, dc, IDC_MODEL_FRAME, model ? model->picture : nullptr);
}

// A model clicked becomes the chosen one, and its picture is drawn at once.
intptr_t OnModelCommand(WindowHandle page, uintptr_t wParam) {
  const uint32_t id = LowWord(wParam);
  if (HighWord(wParam) != kBnClicked || id < IDC_MODEL_FIRST || id > IDC_MODEL_LAST) return 0;
  g_Settings.ModelId = static_cast<int32_t>(id) - IDC_MODEL_FIRST;
  DeviceContext dc = SysGetDC(page);
  if (dc) {
    DrawChosenPicture(page, dc);
    SysReleaseDC(page, dc);
  }
  return 1;
}

// The page's default painting, then the chosen model's picture.
intptr_t OnModelPaint(WindowHandle page, uintptr_t wParam, intptr_t lParam) {
  SysDefWindowProc(page, kWmPaint, wParam, lParam);
  DeviceContext dc = SysGetDC(page);
  if (dc) {
    DrawChosenPicture(page, dc);
    SysReleaseDC(page, dc);
  }
  return 1;
}

}  // namespace

intptr_t ModelPageProc(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kWmInitDialog:
      ApplyLocalisedTexts(page, IDD_PAGE_MOUSE_MODEL, nullptr);
      return 1;
    case kWmNotify:
      return OnModelNotify(page, reinterpret_cast<const SysNotifyHeader*>(lParam));
    case kWmCommand:
      return OnModelCommand(page, wParam);
    case kWmPaint:
      return OnModelPaint(page, wParam, lParam);
    case kWmDestroy:
      ClearModelTable();
      return 0;
    default:
      return 0;
  }
}
