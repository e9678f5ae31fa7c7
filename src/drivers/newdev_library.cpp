// Keeping "newdev.dll" loaded while a driver stage runs, and asking it for the update function.
#include "drivers/newdev_library.h"

#include "drivers/driver_keys.h"
#include "platform/kernel.h"

namespace {

// The library while a stage keeps it, else null.
ModuleHandle g_hNewdev = nullptr;

}  // namespace

int LoadNewdev() {
  if (!g_hNewdev) g_hNewdev = SysLoadLibrary(kNewdevLibrary);
  return g_hNewdev ? 1 : 0;
}

int NewdevUpdateAvailable() { return g_hNewdev && SysGetProcAddress(g_hNewdev, kUpdateDriverExport) ? 1 : 0; }

void ReleaseNewdev() {
  if (!g_hNewdev) return;
  SysFreeLibrary(g_hNewdev);
  g_hNewdev = nullptr;
}
