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

// ==== Start-menu shortcuts: shell links, the special-folder route and the menu library =========
#include <shlguid.h>

// SHGetSpecialFolderLocation + SHGetPathFromIDListW; the item list is freed with the shell's
// allocator.
int SysGetSpecialFolderPath(int folderId, char16_t* out) {
  out[0] = 0;
  LPITEMIDLIST location = nullptr;
  if (SHGetSpecialFolderLocation(nullptr, folderId, &location) != S_OK || !location) return 0;
  wchar_t path[MAX_PATH] = {};
  const BOOL ok = SHGetPathFromIDListW(location, path);
  IMalloc* allocator = nullptr;
  if (SHGetMalloc(&allocator) == S_OK && allocator) {
    allocator->Free(location);
    allocator->Release();
  }
  if (!ok) return 0;
  path[MAX_PATH - 1] = 0;
  win32::CopyCut(out, MAX_PATH, path, static_cast<uint32_t>(lstrlenW(path)));
  return 1;
}

// A shell-link object with its path and arguments, saved through its file interface.
int SysSaveShellLink(const char16_t* linkPath, const char16_t* target, const char16_t* arguments) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))) ||
      !link)
    return 0;
  link->SetPath(Wide(target));
  link->SetArguments(Wide(arguments));
  int saved = 0;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) && file) {
    saved = SUCCEEDED(file->Save(Wide(linkPath), TRUE)) ? 1 : 0;
    file->Release();
  }
  link->Release();
  return saved;
}

// The menu library's export: cdecl, three wide texts and the pin flag.
typedef int(__cdecl* InstallShortCutProc)(const wchar_t*, const wchar_t*, const wchar_t*, int);

void SysCallInstallShortCut(void* procAddress, const char16_t* linkPath, const char16_t* target,
                            const char16_t* arguments, int pin) {
  if (!procAddress) return;
  InstallShortCutProc install = reinterpret_cast<InstallShortCutProc>(procAddress);
  install(Wide(linkPath), Wide(target), Wide(arguments), pin);
}
