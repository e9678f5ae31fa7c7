// Shell and COM services: special folders and COM initialisation.
#pragma once
#include "platform/types.h"

// CSIDL folder ids.
constexpr int kFolderCommonPrograms = 0x17;
constexpr int kFolderCommonAppData = 0x23;
constexpr int kFolderProgramFiles = 0x26;

// SHGetFolderPathW into out (260 characters). Returns 1 on success, 0 on failure (out empty).
int SysGetFolderPath(int folderId, char16_t* out);

// CoInitialize(NULL) for the calling thread. Returns 1 on success.
int SysInitCom();

// ==== Start-menu shortcuts: shell links, the special-folder route and the menu library =========
// SHGetSpecialFolderLocation + SHGetPathFromIDListW (the location freed through SHGetMalloc) into
// out (260 characters): the route for systems older than Windows 2000. Returns 1 on success, 0 on
// failure (out empty).
int SysGetSpecialFolderPath(int folderId, char16_t* out);
// CoCreateInstance(CLSID_ShellLink, CLSCTX_INPROC_SERVER, IID_IShellLinkW), SetPath(target),
// SetArguments(arguments), then IPersistFile::Save(linkPath, remember = TRUE); both interfaces
// released. Returns 1 when the link was saved, 0 when the object could not be created or the
// link not saved.
int SysSaveShellLink(const char16_t* linkPath, const char16_t* target, const char16_t* arguments);
// Calls the menu library's "InstallShortCut" export found through SysGetProcAddress: a cdecl
// function of (link path, target, arguments, pin flag) with wide texts. Its result is not used.
void SysCallInstallShortCut(void* procAddress, const char16_t* linkPath, const char16_t* target,
                            const char16_t* arguments, int pin);

// ==== Folder browser ==========================================================================
// The browser's edit box (BIF_EDITBOX), of class "Edit".
constexpr int kBrowserEditId = 14148;
// What the program does while the browser is open; each hook gets the browser window and context.
struct SysFolderBrowserHooks {
  void* context;
  // The browser has opened (BFFM_INITIALIZED).
  void (*opened)(WindowHandle browser, void* context);
  // The selection changed (BFFM_SELCHANGED) to folder: its file-system path, "" for a folder
  // without one. OK is enabled again before the call.
  void (*selectionChanged)(WindowHandle browser, const char16_t* folder, void* context);
  // OK was pressed; the browser closes after the hook returns.
  void (*okPressed)(WindowHandle browser, void* context);
};
// OleInitialize, then SHBrowseForFolderW owned by owner, rooted at the drives folder, with the
// title text, an edit box and the hooks. Returns 1 after OK with the chosen folder's path in
// chosen (260 characters; "" when it has none), 0 after Cancel or when the browser cannot open.
int SysBrowseForFolder(WindowHandle owner, const char16_t* title, const SysFolderBrowserHooks* hooks, char16_t* chosen);
// BFFM_SETSELECTIONW: selects a folder by path in the open browser.
void SysBrowserSetSelection(WindowHandle browser, const char16_t* folder);
// BFFM_ENABLEOK: enables (1) or disables (0) the browser's OK button.
void SysBrowserEnableOk(WindowHandle browser, int enable);
