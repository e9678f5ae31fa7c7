// Shell and COM services on real Windows: SHGetFolderPathW and CoInitialize.
#include "platform/shell.h"

#include <objbase.h>
#include <shlobj.h>

#include "platform/win32/win32_internal.h"

using win32::Wide;

// SHGetFolderPathW for the current folder location. Anything but S_OK (E_FAIL for a folder
// that does not exist on this system, E_INVALIDARG for an unknown id) is a failure.
int SysGetFolderPath(int folderId, char16_t* out) {
  wchar_t path[MAX_PATH] = {};
  HRESULT hr = SHGetFolderPathW(nullptr, folderId, nullptr, SHGFP_TYPE_CURRENT, path);
  if (hr != S_OK) {
    out[0] = 0;
    return 0;
  }
  path[MAX_PATH - 1] = 0;
  win32::CopyCut(out, MAX_PATH, path, static_cast<uint32_t>(lstrlenW(path)));
  return 1;
}

// CoInitialize(NULL); S_FALSE (already initialised on this thread) also counts as success.
int SysInitCom() { return SUCCEEDED(CoInitialize(nullptr)) ? 1 : 0; }
