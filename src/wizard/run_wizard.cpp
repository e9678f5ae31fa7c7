// The wizard's page table and the property sheet run over it.
#include "wizard/run_wizard.h"

#include "common/text.h"
#include "install/start_install_page.h"
#include "registration/completion_page.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "wizard/destination_page.h"
#include "wizard/interface_page.h"
#include "ui/localised_texts.h"
#include "wizard/location_page.h"
#include "wizard/model_page.h"
#include "wizard/welcome_page.h"

const WizardPageEntry WizardPageTable[kWizardPageCount] = {
    {IDD_PAGE_WELCOME, u"Welcome", WelcomePageProc},
    {IDD_PAGE_INTERFACE, u"Hardware Interface Selection", InterfacePageProc},
    // The model page has no title key of its own: it shares the location page's.
    {IDD_PAGE_MOUSE_MODEL, u"Choose Mouse Location", ModelPageProc},
    {IDD_PAGE_LOCATION, u"Choose Mouse Location", LocationPageProc},
    {IDD_PAGE_DESTINATION, u"Choose Destination Location", DestinationPageProc},
    {IDD_PAGE_START, u"Start Installation", StartInstallPageProc},
    {IDD_PAGE_COMPLETE, u"Setup Complete", CompletionPageProc},
};

namespace {

// The page titles, valid for the whole life of the wizard.
char16_t g_WizardTitles[kWizardPageCount][kLocalisedTextSize];

}  // namespace

intptr_t RunWizard(WindowHandle owner) {
  SysWizardPage pages[kWizardPageCount];
  for (uint32_t i = 0; i < kWizardPageCount; ++i) {
    const WizardPageEntry& entry = WizardPageTable[i];
    TextCopy(g_WizardTitles[i], entry.defaultTitle);
    ApplyLocalisedTexts(nullptr, entry.templateId, g_WizardTitles[i]);
    pages[i] = SysWizardPage{entry.templateId, g_WizardTitles[i], entry.proc};
  }
  return SysRunWizardSheet(g_Settings.InstanceHandle, owner, pages, kWizardPageCount);
}
