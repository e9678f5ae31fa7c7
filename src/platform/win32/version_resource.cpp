// Version services on real Windows: GetFileVersionInfoSizeW, GetFileVersionInfoW and
// VerQueryValueW, passed through one to one.
#include <windows.h>

#include <winver.h>

#include "platform/version_info.h"
#include "platform/win32/win32_internal.h"

using win32::Wide;

static_assert(sizeof(SysFixedFileInfo) == sizeof(VS_FIXEDFILEINFO), "the fixed information maps one to one");

uint32_t SysGetFileVersionInfoSize(const char16_t* path) {
  DWORD ignored = 0;
  return GetFileVersionInfoSizeW(Wide(path), &ignored);
}

int SysGetFileVersionInfo(const char16_t* path, uint32_t size, void* data) {
  return GetFileVersionInfoW(Wide(path), 0, size, data) ? 1 : 0;
}

int SysVerQueryValue(const void* block, const char16_t* subBlock, void** value, uint32_t* length) {
  void* found = nullptr;
  UINT count = 0;
  if (!VerQueryValueW(block, Wide(subBlock), &found, &count)) {
    if (length) *length = 0;
    return 0;
  }
  if (value) *value = found;
  if (length) *length = count;
  return 1;
}
