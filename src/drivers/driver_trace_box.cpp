// Diagnostic message boxes of the driver stages: intermediate values shown with InstallTrace.
#include "drivers/driver_trace_box.h"

#include "platform/ui.h"
#include "settings/settings.h"

void DriverTraceBox(const char16_t* text, const char16_t* caption) {
  if (!g_Settings.InstallTrace) return;
  SysMessageBox(nullptr, text, caption, kMbOk);
}

const char16_t* InterfaceTraceName() {
  if (g_Settings.InterfaceType == kInterfaceUSB) return u"USB";
  if (g_Settings.InterfaceType == kInterfacePS2) return u"PS2";
  return u"SERIAL";
}
