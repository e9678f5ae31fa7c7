// The single-byte file interface on real Windows: CreateFileA.
#include "platform/kernel.h"
#include "platform/win32/win32_internal.h"

// CreateFileA with no security attributes and no template.
SysHandle SysCreateFileAnsi(const char* path, uint32_t access, uint32_t share, uint32_t disposition,
                            uint32_t flags) {
  HANDLE file = CreateFileA(path, access, share, nullptr, disposition, flags, nullptr);
  return reinterpret_cast<SysHandle>(file);
}
