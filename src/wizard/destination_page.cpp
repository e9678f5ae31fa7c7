// The destination page: the default folder on the Windows drive, shown in the page, and Browse.
#include "wizard/destination_page.h"

#include "common/text.h"
#include "platform/kernel.h"
#include "platform/ui.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "wizard/choose_folder.h"
#include "ui/localised_texts.h"
#include "ui/side_picture.h"
#include "ui/text_keys.h"
#include "ui/wizard_messages.h"
#include "ui/page_rules.h"
#include "ui/message_words.h"

char16_t g_szBrowsePath[kBrowsePathSize] = u"C:\\Program Files";

namespace {

SysRect g_DestinationSource = {};
SysRect g_DestinationDest = {};

constexpr size_t kDriveLength = 2;  // "C:"

intptr_t OnDestinationInit(WindowHandle page) {
  LayoutSidePicture(page, &g_DestinationSource, &g_DestinationDest);
  char16_t windows[kTextSize];
  const uint32_t length = SysGetWindowsDirectory(windows, kTextSize);
  if (length == 0 || length >= kTextSize) windows[0] = 0;
  TextCopyN(g_Settings.DestinationDir, kTextSize, windows, kDriveLength);
  TextAppend(g_Settings.DestinationDir, g_Settings.DefaultDestination);
  SysSetDlgItemText(page, IDC_DEST_FOLDER, g_Settings.DestinationDir);
  FormatControlWithTitle(page, IDC_DEST_TEXT);
  FormatControlWithTitle(page, IDC_DEST_TEXT2);
  SysShowWindow(page, kSwShow);
  ApplyLocalisedTexts(page, IDD_PAGE_DESTINATION, nullptr);
  return 1;
}

intptr_t OnDestinationCommand(WindowHandle page, uintptr_t wParam) {
  if (LowWord(wParam) != IDC_DEST_BROWSE || HighWord(wParam) != kBnClicked) return 0;
  if (ChooseFolder(page, g_szBrowsePath)) SysSetDlgItemText(page, IDC_DEST_FOLDER, g_Settings.DestinationDir);
  return 1;
}

intptr_t OnDestinationNotify(WindowHandle page, const SysNotifyHeader* header) {
  if (header->code == kPsnSetActive) return ActivateWithBackAndNext(page);
  return AnswerPageNotification(page, header->code, 1);
}

}  // namespace

intptr_t DestinationPageProc(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kWmInitDialog:
      return OnDestinationInit(page);
    case kWmCommand:
      return OnDestinationCommand(page, wParam);
    case kWmNotify:
      return OnDestinationNotify(page, reinterpret_cast<const SysNotifyHeader*>(lParam));
    default:
      return AnswerSidePicturePageMessage(page, message, wParam, lParam, &g_DestinationSource, &g_DestinationDest);
  }
}
