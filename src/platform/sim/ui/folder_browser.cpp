// The folder browser of the simulated machine: a window with the browser's edit box, OK and
// Cancel, owned by the program's window. It runs the program's hooks as the shell would (opened,
// selection changed, OK) for the next folder choice a test or setup-sim queued, and journals the
// outcome; without a queued choice the user cancels.
#include <mutex>
#include <string>

#include "platform/shell.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/sim/ui/window_state.h"
#include "platform/ui.h"
#include "platform/sim/machine/windows_constants.h"

namespace sim {
namespace internal {

namespace {

using sim::internal::Guard;

constexpr int kBrowserWidth = 320;
constexpr int kBrowserHeight = 390;
constexpr int kEditTop = 40;
constexpr int kEditHeight = 20;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kMargin = 10;

// The browser open now (one at a time, on the thread that opened it).
struct OpenBrowser {
  WindowHandle window = nullptr;
  const SysFolderBrowserHooks* hooks = nullptr;
};
OpenBrowser& Current() {
  static OpenBrowser* current = new OpenBrowser;
  return *current;
}

WindowHandle AddChild(WindowHandle parent, const char16_t* className, const char16_t* text, int id, int left,
                      int top, int width, int height) {
  WindowDescription d;
  d.className = className;
  d.text = text;
  d.id = id;
  d.style = kWsChild | kWsVisible | kWsTabStop;
  d.left = left;
  d.top = top;
  d.width = width;
  d.height = height;
  d.parent = parent;
  return CreateWindowObject(d);
}

WindowHandle CreateBrowserWindow(WindowHandle owner, const char16_t* title) {
  WindowDescription d;
  d.className = kDialogClassName;
  d.text = u"Browse for Folder";
  d.style = kWsPopup | kWsCaption | kWsVisible;
  d.exStyle = kWsExDlgModalFrame;
  d.width = kBrowserWidth;
  d.height = kBrowserHeight;
  d.owner = owner;
  WindowHandle browser = CreateWindowObject(d);
  const int inner = kBrowserWidth - 2 * kMargin - 2 * kDialogFrame;
  AddChild(browser, u"Static", title ? title : u"", -1, kMargin, kMargin, inner, kEditHeight);
  AddChild(browser, u"Edit", u"", kBrowserEditId, kMargin, kEditTop, inner, kEditHeight);
  const int buttonTop = kBrowserHeight - kCaptionHeight - 2 * kDialogFrame - kMargin - kButtonHeight;
  AddChild(browser, u"Button", u"OK", kIdOk, inner + kMargin - 2 * kButtonWidth - kMargin, buttonTop, kButtonWidth,
           kButtonHeight);
  AddChild(browser, u"Button", u"Cancel", kIdCancel, inner + kMargin - kButtonWidth, buttonTop, kButtonWidth,
           kButtonHeight);
  return browser;
}

// The hooks of the browser when it is the open one, else null.
const SysFolderBrowserHooks* HooksOf(WindowHandle browser) {
  Guard guard(Lock());
  return Current().window && Current().window == browser ? Current().hooks : nullptr;
}

void SelectionChanged(WindowHandle browser, const std::u16string& folder) {
  const SysFolderBrowserHooks* hooks = HooksOf(browser);
  if (!hooks) return;
  SysEnableWindow(SysGetDlgItem(browser, kIdOk), 1);
  if (hooks->selectionChanged) hooks->selectionChanged(browser, folder.c_str(), hooks->context);
}

}  // namespace
}  // namespace internal

void QueueFolderChoice(const std::u16string& folder, const std::u16string& editText, bool ok) {
  internal::Guard guard(internal::Lock());
  internal::UiState::FolderChoice choice;
  choice.folder = folder;
  choice.editText = editText;
  choice.ok = ok;
  internal::Ui().folderChoices.push_back(choice);
}

WindowHandle LastFolderBrowser() {
  internal::Guard guard(internal::Lock());
  return internal::Ui().lastFolderBrowser;
}

}  // namespace sim

// ---- shell.h: the folder browser ----

using sim::internal::Guard;
using sim::internal::Lock;
using sim::internal::Ui;

int SysBrowseForFolder(WindowHandle owner, const char16_t* title, const SysFolderBrowserHooks* hooks, char16_t* chosen) {
  if (chosen) chosen[0] = 0;
  if (SIM_FAULT(SysBrowseForFolder) || !hooks) return 0;
  WindowHandle browser = sim::internal::CreateBrowserWindow(owner, title);
  bool haveChoice = false;
  sim::internal::UiState::FolderChoice choice;
  {
    Guard guard(Lock());
    sim::internal::Current().window = browser;
    sim::internal::Current().hooks = hooks;
    Ui().lastFolderBrowser = browser;
    if (!Ui().folderChoices.empty()) {
      choice = Ui().folderChoices.front();
      Ui().folderChoices.pop_front();
      haveChoice = true;
    }
  }
  if (hooks->opened) hooks->opened(browser, hooks->context);
  std::string outcome = "cancel";
  int result = 0;
  if (haveChoice) {
    sim::internal::SelectionChanged(browser, choice.folder);
    if (!choice.editText.empty()) SysSetDlgItemText(browser, kBrowserEditId, choice.editText.c_str());
    if (choice.ok && !SysIsWindowEnabled(SysGetDlgItem(browser, kIdOk))) {
      outcome = "ok ignored: disabled";
    } else if (choice.ok) {
      if (hooks->okPressed) hooks->okPressed(browser, hooks->context);
      if (chosen) {
        uint32_t n = 0;
        for (; n < choice.folder.size() && n + 1 < kMaxPath; ++n) chosen[n] = choice.folder[n];
        chosen[n] = 0;
      }
      outcome = "ok";
      result = 1;
    }
  }
  sim::JournalAdd("browse: [" + sim::internal::JournalText(title ? title : u"") + "] " +
                  (haveChoice ? sim::ToUtf8(choice.folder) : std::string("(no choice)")) + " -> " + outcome);
  {
    Guard guard(Lock());
    sim::internal::Current() = sim::internal::OpenBrowser();
  }
  sim::internal::DestroyTree(browser);
  return result;
}

void SysBrowserSetSelection(WindowHandle browser, const char16_t* folder) {
  if (!folder || !sim::DiskPathExists(folder)) return;  // the shell selects only what exists
  sim::internal::SelectionChanged(browser, folder);
}

void SysBrowserEnableOk(WindowHandle browser, int enable) {
  if (!sim::internal::HooksOf(browser)) return;
  SysEnableWindow(SysGetDlgItem(browser, kIdOk), enable);
}
