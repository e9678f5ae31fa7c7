// The folder chooser: the browser opens centred on the last folder chosen; each folder selected
// proposes <folder>\<maker>\<product> in the edit box, and OK takes the edit box's text as it is.
#include "wizard/choose_folder.h"

#include "common/text.h"
#include "platform/kernel.h"
#include "platform/shell.h"
#include "platform/ui.h"
#include "settings/settings.h"
#include "ui/text_keys.h"

namespace {

// What the browser's hooks share while it is open.
struct ChooserState {
  char16_t* browsePath;
  char16_t working[kBrowsePathSize];  // the destination proposed or typed so far
};

constexpr size_t kDriveRootLength = 3;  // "C:\"

// The browser's edit box when it is there and is an edit box, else null.
WindowHandle BrowserEdit(WindowHandle browser) {
  WindowHandle edit = SysGetDlgItem(browser, kBrowserEditId);
  if (!edit) return nullptr;
  char16_t className[16];
  SysGetClassName(edit, className, 16);
  return TextEqualNoCase(className, u"Edit") ? edit : nullptr;
}

// Centres the browser on the screen and selects the last folder chosen.
void OnBrowserOpened(WindowHandle browser, void* context) {
  ChooserState* state = static_cast<ChooserState*>(context);
  SysRect client = {};
  SysGetClientRect(browser, &client);
  const int x = (SysGetSystemMetrics(kSmCxScreen) - client.right) / 2;
  const int y = (SysGetSystemMetrics(kSmCyScreen) - client.bottom) / 2;
  SysSetWindowPos(browser, nullptr, x, y, 0, 0, kSwpNoSize | kSwpNoZOrder);
  SysBrowserSetSelection(browser, state->browsePath);
}

// The proposal for a selected folder: the Windows drive's root and any other folder get the
// maker's and product's folders appended; the folder already proposed stays as it is.
void ProposeDestination(const char16_t* folder, const char16_t* working, char16_t* proposal) {
  char16_t windows[kTextSize];
  const uint32_t length = SysGetWindowsDirectory(windows, kTextSize);
  if (length == 0 || length >= kTextSize) windows[0] = 0;
  char16_t root[kDriveRootLength + 1];
  TextCopyN(root, kDriveRootLength + 1, windows, kDriveRootLength);
  TextCopy(proposal, kBrowsePathSize, folder);
  if (TextEqual(folder, root)) {
    // The root already ends with its backslash.
  } else if (TextEqualNoCase(folder, working)) {
    return;
  } else {
    const size_t length = TextLength(folder);
    if (length == 0 || folder[length - 1] != u'\\') TextAppend(proposal, kBrowsePathSize, u"\\");
  }
  TextAppend(proposal, kBrowsePathSize, g_Settings.MfgName);
  TextAppend(proposal, kBrowsePathSize, u"\\");
  TextAppend(proposal, kBrowsePathSize, g_Settings.Title);
}

void OnBrowserSelection(WindowHandle browser, const char16_t* folder, void* context) {
  ChooserState* state = static_cast<ChooserState*>(context);
  if (!BrowserEdit(browser)) return;
  if (folder[0] == 0) {
    SysBrowserEnableOk(browser, 0);  // a folder without a path cannot be the destination
    return;
  }
  char16_t proposal[kBrowsePathSize];
  ProposeDestination(folder, state->working, proposal);
  SysSetDlgItemText(browser, kBrowserEditId, proposal);
  TextCopy(state->working, proposal);
}

// OK: the edit box's text, as typed, becomes the destination.
void OnBrowserOk(WindowHandle browser, void* context) {
  ChooserState* state = static_cast<ChooserState*>(context);
  if (!BrowserEdit(browser)) return;
  SysGetDlgItemText(browser, kBrowserEditId, state->browsePath, kBrowsePathSize);
  TextCopy(state->working, state->browsePath);
}

}  // namespace

int ChooseFolder(WindowHandle owner, char16_t* browsePath) {
  ChooserState state;
  state.browsePath = browsePath;
  TextCopy(state.working, g_Settings.DestinationDir);
  SysFolderBrowserHooks hooks = {&state, OnBrowserOpened, OnBrowserSelection, OnBrowserOk};
  char16_t chosen[kBrowsePathSize];
  if (!SysBrowseForFolder(owner, kBrowseTitle, &hooks, chosen)) return 0;
  TextCopy(browsePath, kBrowsePathSize, chosen);
  TextCopy(g_Settings.DestinationDir, state.working);
  return 1;
}
