// The wizard: the table of its seven pages and the property sheet that runs them.
#pragma once
#include <cstdint>

#include "platform/types.h"
#include "platform/ui.h"

constexpr uint32_t kWizardPageCount = 7;

// One page of the wizard: its dialog template, the title used when the language file has none,
// and its page procedure.
struct WizardPageEntry {
  uint32_t templateId;
  const char16_t* defaultTitle;
  SysDialogProc proc;
};

// The seven pages in their fixed order; the position is the index used to remove a page.
extern const WizardPageEntry WizardPageTable[kWizardPageCount];

// Indexes of the pages that the Welcome page may remove.
constexpr uintptr_t kPageIndexInterface = 1;
constexpr uintptr_t kPageIndexMouseModel = 2;
constexpr uintptr_t kPageIndexLocation = 3;
constexpr uintptr_t kPageIndexDestination = 4;

// Runs the wizard owned by owner (the background window): builds the page descriptors with
// their localised titles and returns when the property sheet closes, for whatever reason.
// Returns the sheet's result (positive after Finish, 0 after Cancel, -1 when it could not run);
// callers do not need it. Changes no settings field itself.
intptr_t RunWizard(WindowHandle owner);
