// Window classes of the simulated machine that the program registers itself (RegisterClassW)
// and the top-level windows it makes of them (CreateWindowExW), with WM_CREATE sent before the
// creation returns; their creation is journaled (show requests: window_manager.cpp).
#include <mutex>

#include "common/text.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/sim/ui/window_state.h"
#include "platform/ui.h"
#include "platform/sim/machine/windows_constants.h"

int SysRegisterWindowClass(ModuleHandle, const char16_t* className, SysWindowProc proc, uint32_t iconId) {
  using namespace sim::internal;
  Guard guard(Lock());
  if (SIM_FAULT(SysRegisterWindowClass)) return 0;
  if (!className || !className[0] || !proc) {
    SetLastError(kErrInvalidParameter);
    return 0;
  }
  if (FindClass(className)) {
    SetLastError(kErrClassAlreadyExists);
    return 0;
  }
  UiState::RegisteredClass c;
  c.name = className;
  c.proc = proc;
  c.iconId = iconId;
  Ui().classes.push_back(c);
  return 1;
}

WindowHandle SysCreateWindow(const char16_t* className, const char16_t* title, uint32_t style, int x, int y,
                             int width, int height, ModuleHandle) {
  using namespace sim::internal;
  WindowDescription d;
  {
    Guard guard(Lock());
    if (SIM_FAULT(SysCreateWindow)) return nullptr;
    const UiState::RegisteredClass* c = FindClass(className);
    if (!c) {
      SetLastError(kErrCannotFindClass);
      return nullptr;
    }
    d.className = c->name;
    d.text = title ? title : u"";
    d.style = style & ~sim::kWsChild;
    d.left = x;
    d.top = y;
    d.width = width;
    d.height = height;
    d.windowProc = c->proc;
  }
  WindowHandle window = CreateWindowObject(d);
  sim::JournalAdd("window: " + JournalText(d.className) + " [" + JournalText(d.text) + "] created");
  if (SysSendMessage(window, kWmCreate, 0, 0) == -1) {
    DestroyTree(window);
    return nullptr;
  }
  return window;
}
