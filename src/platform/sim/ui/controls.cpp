// Built-in behaviour of the simulated standard controls: buttons keep their check state
// (BM_SETCHECK/BM_GETCHECK), change it when clicked as their style says (auto check boxes,
// three-state boxes, auto radio buttons clearing their group) and tell their parent with
// WM_COMMAND/BN_CLICKED; every control keeps its text and font through the default handling.
#include <mutex>

#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/ui/window_state.h"
#include "platform/ui.h"
#include "platform/sim/machine/windows_constants.h"

namespace sim {
namespace internal {

namespace {

using sim::internal::Guard;

constexpr uint32_t kStyleLowMask = 0xFFFF;

// The highest check state a button of each type keeps (BM_SETCHECK cuts larger values to it);
// push buttons and group boxes keep none.
uint32_t MaxCheckState(uint32_t type) {
  switch (type) {
    case kBsCheckBox:
    case kBsAutoCheckBox:
    case kBsRadioButton:
    case kBsAutoRadioButton:
      return kBstChecked;
    case kBs3State:
    case kBsAuto3State:
      return kBstIndeterminate;
    default:
      return kBstUnchecked;
  }
}

uint32_t ButtonType(const Window& w) { return w.style & kBsTypeMask; }

// Clears the other auto radio buttons of the clicked one's group: the siblings from the nearest
// control with WS_GROUP at or before it up to the next control with WS_GROUP. As Windows walks
// the group with GetNextDlgGroupItem, hidden and disabled buttons are passed over and keep their
// state.
void ClearRadioGroup(Window& button) {
  Window* parent = LiveWindow(button.parent);
  if (!parent) return;
  const std::vector<WindowHandle>& siblings = parent->children;
  size_t at = 0;
  while (at < siblings.size() && siblings[at] != button.handle()) ++at;
  if (at == siblings.size()) return;
  size_t first = at;
  while (first > 0) {
    const Window* w = LiveWindow(siblings[first]);
    if (w && (w->style & kWsGroup)) break;
    --first;
  }
  size_t end = at + 1;
  while (end < siblings.size()) {
    const Window* w = LiveWindow(siblings[end]);
    if (w && (w->style & kWsGroup)) break;
    ++end;
  }
  for (size_t i = first; i < end; ++i) {
    Window* other = LiveWindow(siblings[i]);
    if (!other || other == &button || other->kind != WindowKind::kButton) continue;
    if (ButtonType(*other) != kBsAutoRadioButton || !other->visible() || !other->enabled()) continue;
    if (other->check != kBstUnchecked) {
      other->check = kBstUnchecked;
      Invalidate(*other, false);
    }
  }
}

}  // namespace

void ClickButton(WindowHandle button) {
  WindowHandle parent = nullptr;
  int id = 0;
  {
    Guard guard(Lock());
    Window* w = LiveWindow(button);
    if (!w || !w->enabled()) return;  // a disabled control takes no click
    if (w->kind == WindowKind::kButton) {
      switch (ButtonType(*w)) {
        case kBsAutoCheckBox:
          w->check = w->check == kBstChecked ? kBstUnchecked : kBstChecked;
          break;
        case kBsAuto3State:
          w->check = (w->check + 1) % (kBstIndeterminate + 1);
          break;
        case kBsAutoRadioButton:
          w->check = kBstChecked;
          ClearRadioGroup(*w);
          break;
        default:
          break;
      }
      Invalidate(*w, false);
    }
    parent = w->parent;
    id = w->id;
  }
  if (!parent) return;
  const uintptr_t wParam = (static_cast<uint32_t>(id) & kLowWordMask) | (kBnClicked << kHighWordShift);
  SysSendMessage(parent, kWmCommand, wParam, reinterpret_cast<intptr_t>(button));
}

intptr_t BuiltinProcedure(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  bool isButton = false;
  {
    Guard guard(Lock());
    Window* w = LiveWindow(window);
    if (!w) return 0;
    isButton = w->kind == WindowKind::kButton;
  }
  if (isButton) {
    switch (message) {
      case kBmGetCheck: {
        Guard guard(Lock());
        Window* w = LiveWindow(window);
        return w ? w->check : 0;
      }
      case kBmSetCheck: {
        Guard guard(Lock());
        Window* w = LiveWindow(window);
        if (!w) return 0;
        const uint32_t maxState = MaxCheckState(ButtonType(*w));
        const uint32_t state = static_cast<uint32_t>(wParam) > maxState ? maxState : static_cast<uint32_t>(wParam);
        if (state != w->check) {
          w->check = state;
          Invalidate(*w, false);
        }
        return 0;
      }
      case kBmClick:
        ClickButton(window);
        return 0;
      case kBmSetStyle: {
        Guard guard(Lock());
        Window* w = LiveWindow(window);
        if (!w) return 0;
        w->style = (w->style & ~kStyleLowMask) | (static_cast<uint32_t>(wParam) & kStyleLowMask);
        if (lParam) Invalidate(*w, false);
        return 0;
      }
      default:
        break;
    }
  }
  return SysDefWindowProc(window, message, wParam, lParam);
}

}  // namespace internal
}  // namespace sim
