// The location page: right or left of the keyboard, with the hand icon on the chosen side.
#include "wizard/location_page.h"

#include "platform/ui.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "ui/localised_texts.h"
#include "ui/side_picture.h"
#include "ui/wizard_messages.h"
#include "ui/page_rules.h"
#include "ui/message_words.h"

namespace {

SysRect g_LocationSource = {};
SysRect g_LocationDest = {};

// Selects one side: its radio button checked, the other cleared, its hand icon alone shown.
void ChooseSide(WindowHandle page, bool left) {
  SysCheckDlgButton(page, left ? IDC_LOCATION_LEFT : IDC_LOCATION_RIGHT, kBstChecked);
  SysCheckDlgButton(page, left ? IDC_LOCATION_RIGHT : IDC_LOCATION_LEFT, kBstUnchecked);
  SysShowWindow(SysGetDlgItem(page, IDC_LOCATION_HAND_LEFT), left ? kSwShow : kSwHide);
  SysShowWindow(SysGetDlgItem(page, IDC_LOCATION_HAND_RIGHT), left ? kSwHide : kSwShow);
}

intptr_t OnLocationInit(WindowHandle page) {
  LayoutSidePicture(page, &g_LocationSource, &g_LocationDest);
  ChooseSide(page, false);
  ApplyLocalisedTexts(page, IDD_PAGE_LOCATION, nullptr);
  return 1;
}

intptr_t OnLocationCommand(WindowHandle page, uintptr_t wParam) {
  if (HighWord(wParam) != kBnClicked) return 0;
  const uint32_t id = LowWord(wParam);
  if (id != IDC_LOCATION_RIGHT && id != IDC_LOCATION_LEFT) return 0;
  ChooseSide(page, id == IDC_LOCATION_LEFT);
  return 1;
}

intptr_t OnLocationNotify(WindowHandle page, const SysNotifyHeader* header) {
  switch (header->code) {
    case kPsnSetActive:
      return ActivateWithBackAndNext(page);
    case kPsnWizNext:
      g_Settings.LeftHanded = SysIsDlgButtonChecked(page, IDC_LOCATION_RIGHT) == kBstChecked ? 0 : 1;
      return AnswerNotification(page, 0);
    default:
      return AnswerPageNotification(page, header->code, 1);
  }
}

}  // namespace

intptr_t LocationPageProc(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kWmInitDialog:
      return OnLocationInit(page);
    case kWmCommand:
      return OnLocationCommand(page, wParam);
    case kWmNotify:
      return OnLocationNotify(page, reinterpret_cast<const SysNotifyHeader*>(lParam));
    default:
      return AnswerSidePicturePageMessage(page, message, wParam, lParam, &g_LocationSource, &g_LocationDest);
  }
}
