// The single-byte file interface of the simulated machine: the path is read in the machine's
// active code page and opened as SysCreateFile opens it.
#include "platform/kernel.h"
#include "platform/sim/machine/sim_internal.h"

SysHandle SysCreateFileAnsi(const char* path, uint32_t access, uint32_t share, uint32_t disposition,
                            uint32_t flags) {
  if (SIM_FAULT(SysCreateFileAnsi)) return kInvalidHandle;
  char16_t wide[260 * 2];
  SysAnsiToWide(path ? path : "", wide, sizeof(wide) / sizeof(wide[0]));
  return SysCreateFile(wide, access, share, disposition, flags);
}
