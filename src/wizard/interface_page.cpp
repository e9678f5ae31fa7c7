// The interface page: one radio button per interface whose INF the package holds, the default
// choice selected (visible or not), and the choice stored on Next.
#include "wizard/interface_page.h"

#include <initializer_list>

#include "common/text.h"
#include "platform/ui.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "ui/localised_texts.h"
#include "ui/side_picture.h"
#include "ui/wizard_messages.h"
#include "ui/page_rules.h"

namespace {

SysRect g_InterfaceSource = {};
SysRect g_InterfaceDest = {};

void ShowIf(WindowHandle page, int id, bool show) { SysShowWindow(SysGetDlgItem(page, id), show ? kSwShow : kSwHide); }

intptr_t OnInterfaceInit(WindowHandle page) {
  LayoutSidePicture(page, &g_InterfaceSource, &g_InterfaceDest);
  ShowIf(page, IDC_INTERFACE_PS2, (g_Settings.InfPresence & kInfPresentPS2) != 0);
  ShowIf(page, IDC_INTERFACE_BT, (g_Settings.InfPresence & kInfPresentBT) != 0);
  ShowIf(page, IDC_INTERFACE_USB, (g_Settings.InfPresence & kInfPresentUSB) != 0);
  // The default choice is selected whether or not its button is visible.
  int selected = IDC_INTERFACE_USB;
  if (g_Settings.DefaultTypeChoice == kInterfacePS2) selected = IDC_INTERFACE_PS2;
  if (g_Settings.DefaultTypeChoice == kInterfaceBluetooth) selected = IDC_INTERFACE_BT;
  for (int id : {IDC_INTERFACE_PS2, IDC_INTERFACE_BT, IDC_INTERFACE_USB})
    SysCheckDlgButton(page, id, id == selected ? kBstChecked : kBstUnchecked);
  ApplyLocalisedTexts(page, IDD_PAGE_INTERFACE, nullptr);
  return 1;
}

// InfPath = SourceDir + "\" + the interface's INF name; an empty name leaves InfPath as it was.
void SetInfPath(const char16_t* infName) {
  if (infName[0] == 0) return;
  TextCopy(g_Settings.InfPath, g_Settings.SourceDir);
  TextAppend(g_Settings.InfPath, u"\\");
  TextAppend(g_Settings.InfPath, infName);
}

// Next: the first selected button of PS/2, Bluetooth wins; neither means USB.
intptr_t OnInterfaceNext(WindowHandle page) {
  if (SysIsDlgButtonChecked(page, IDC_INTERFACE_PS2) == kBstChecked) {
    g_Settings.CallConfigMg = 0;
    g_Settings.InterfaceType = kInterfacePS2;
    SetInfPath(g_Settings.InfFile);
    g_Settings.Restart = 1;
  } else if (SysIsDlgButtonChecked(page, IDC_INTERFACE_BT) == kBstChecked) {
    g_Settings.InterfaceType = kInterfaceBluetooth;
    SetInfPath(g_Settings.BTInf);
    g_Settings.Restart = 0;
  } else {
    g_Settings.InterfaceType = kInterfaceUSB;
    SetInfPath(g_Settings.USBInf);
    g_Settings.Restart = 0;
  }
  return AnswerNotification(page, 0);
}

intptr_t OnInterfaceNotify(WindowHandle page, const SysNotifyHeader* header) {
  switch (header->code) {
    case kPsnSetActive:
      return ActivateWithBackAndNext(page);
    case kPsnWizNext:
      return OnInterfaceNext(page);
    default:
      return AnswerPageNotification(page, header->code, 1);
  }
}

}  // namespace

intptr_t InterfacePageProc(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kWmInitDialog:
      return OnInterfaceInit(page);
    case kWmNotify:
      return OnInterfaceNotify(page, reinterpret_cast<const SysNotifyHeader*>(lParam));
    default:
      return AnswerSidePicturePageMessage(page, message, wParam, lParam, &g_InterfaceSource, &g_InterfaceDest);
  }
}
