// Shell and COM services on real Windows: special folders, CoInitialize and shell links. The
// shell's wide functions and SHGetFolderPath, which not every Windows has, are found at run time.
#include "platform/shell.h"

#include <objbase.h>
#include <shlobj.h>

#include <initializer_list>

#include "platform/win32/win32_internal.h"

using win32::AnsiText;
using win32::OnAnsiRoad;
using win32::Wide;

namespace {

typedef HRESULT(WINAPI* FolderPathWFn)(HWND, int, HANDLE, DWORD, LPWSTR);
typedef HRESULT(WINAPI* FolderPathAFn)(HWND, int, HANDLE, DWORD, LPSTR);
typedef BOOL(WINAPI* PathFromIdListWFn)(LPCITEMIDLIST, LPWSTR);

// SHGetFolderPath of the road's width from the shell, else from SHFOLDER.DLL; E_NOTIMPL when
// neither has it.
HRESULT FolderPath(int folderId, char16_t* out) {
  for (const char* library : {"shell32.dll", "shfolder.dll"}) {
    if (OnAnsiRoad()) {
      FolderPathAFn query = win32::SystemCall<FolderPathAFn>(library, "SHGetFolderPathA");
      if (!query) continue;
      char path[MAX_PATH * 2] = {};
      const HRESULT hr = query(nullptr, folderId, nullptr, SHGFP_TYPE_CURRENT, path);
      if (hr == S_OK) win32::ToWide(out, MAX_PATH, path);
      return hr;
    }
    FolderPathWFn query = win32::SystemCall<FolderPathWFn>(library, "SHGetFolderPathW");
    if (!query) continue;
    wchar_t path[MAX_PATH] = {};
    const HRESULT hr = query(nullptr, folderId, nullptr, SHGFP_TYPE_CURRENT, path);
    path[MAX_PATH - 1] = 0;
    if (hr == S_OK) win32::CopyCut(out, MAX_PATH, path, static_cast<uint32_t>(lstrlenW(path)));
    return hr;
  }
  return E_NOTIMPL;
}

}  // namespace

namespace win32 {

int PathFromIdList(const void* item, char16_t* out) {
  out[0] = 0;
  LPCITEMIDLIST list = static_cast<LPCITEMIDLIST>(item);
  if (OnAnsiRoad()) {
    char path[MAX_PATH * 2] = {};
    if (!SHGetPathFromIDListA(list, path)) return 0;
    ToWide(out, MAX_PATH, path);
    return 1;
  }
  PathFromIdListWFn query = SystemCall<PathFromIdListWFn>("shell32.dll", "SHGetPathFromIDListW");
  wchar_t path[MAX_PATH] = {};
  if (!query || !query(list, path)) return 0;
  path[MAX_PATH - 1] = 0;
  CopyCut(out, MAX_PATH, path, static_cast<uint32_t>(lstrlenW(path)));
  return 1;
}

}  // namespace win32

// SHGetFolderPathW for the current folder location. Anything but S_OK (E_FAIL for a folder
// that does not exist on this system, E_INVALIDARG for an unknown id) is a failure. Where
// neither the shell nor SHFOLDER.DLL has the function, the special-folder route answers.
int SysGetFolderPath(int folderId, char16_t* out) {
  out[0] = 0;
  const HRESULT hr = FolderPath(folderId, out);
  if (hr == E_NOTIMPL) return SysGetSpecialFolderPath(folderId & ~CSIDL_FLAG_MASK, out);
  if (hr != S_OK) out[0] = 0;
  return hr == S_OK ? 1 : 0;
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
  const int ok = win32::PathFromIdList(location, out);
  IMalloc* allocator = nullptr;
  if (SHGetMalloc(&allocator) == S_OK && allocator) {
    allocator->Free(location);
    allocator->Release();
  }
  return ok;
}

namespace {

// A shell-link object of the road's width with its path and arguments set; null when none.
IUnknown* NewShellLink(const char16_t* target, const char16_t* arguments) {
  if (OnAnsiRoad()) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))) || !link)
      return nullptr;
    link->SetPath(AnsiText(target));
    link->SetArguments(AnsiText(arguments));
    return link;
  }
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))) || !link)
    return nullptr;
  link->SetPath(Wide(target));
  link->SetArguments(Wide(arguments));
  return link;
}

}  // namespace

// A shell-link object with its path and arguments, saved through its file interface (whose
// path is wide on every Windows).
int SysSaveShellLink(const char16_t* linkPath, const char16_t* target, const char16_t* arguments) {
  IUnknown* link = NewShellLink(target, arguments);
  if (!link) return 0;
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
