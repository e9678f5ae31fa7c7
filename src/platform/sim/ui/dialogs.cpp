// Dialogs of the simulated window manager: windows built from the program's dialog templates,
// the modal DialogBoxParam loop with its owner disabled, EndDialog from any thread, the message
// result, the dialog-item functions, and the user's side of a waiting dialog: the answers script,
// the default push button, the journal lines, and the guard against a dialog nobody can end.
#include <mutex>

#include "common/text.h"
#include "platform/sim/ui/dialog_template.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/kernel/res_file.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/ui/window_state.h"
#include "platform/ui.h"
#include "platform/sim/machine/windows_constants.h"

namespace sim {
namespace internal {

namespace {

using sim::internal::Guard;

// Points to pixels at 96 dots per inch; a template font of 8 points is 11 pixels high.
constexpr int kScreenDpi = 96;
constexpr int kPointsPerInch = 72;
constexpr int kNormalWeight = 400;
// Presses made for the user without a scripted answer before a dialog counts as endless.
constexpr int kMaxUnscriptedPresses = 10;
// What a dialog ended by that guard returns.
constexpr intptr_t kEndlessDialogResult = -1;

bool LoadTemplate(uint32_t templateId, DialogTemplate* out) {
  std::vector<uint8_t> overlay;
  uint16_t language = 0;
  {
    Guard guard(Lock());
    overlay = Ui().overlay;
    language = static_cast<uint16_t>(State().profile.threadLocale & kLanguageMask);
  }
  if (!overlay.empty() && LoadDialogTemplate(overlay.data(), overlay.size(), templateId, language, out)) return true;
  return LoadDialogTemplate(ProgramResources(), ProgramResourcesSize(), templateId, language, out);
}

// The top-level window of a window (itself when it is one).
WindowHandle TopLevelOf(WindowHandle window) {
  Window* w = LiveWindow(window);
  while (w && w->isChild()) {
    Window* parent = LiveWindow(w->parent);
    if (!parent) break;
    w = parent;
  }
  return w ? w->handle() : nullptr;
}

// Places a top-level dialog: its client area at the template's position within the owner's
// client area (or the screen), or centred in the work area with DS_CENTER; then kept inside the
// work area as far as it fits.
SysRect PlaceTopLevel(const DialogTemplate& t, const Insets& insets, WindowHandle owner) {
  const int width = DialogUnitsToPixelsX(t.cx) + insets.left + insets.right;
  const int height = DialogUnitsToPixelsY(t.cy) + insets.top + insets.bottom;
  SysPoint origin{0, 0};
  if (Window* o = LiveWindow(owner)) origin = ClientOriginOnScreen(*o);
  int left = origin.x + DialogUnitsToPixelsX(t.x) - insets.left;
  int top = origin.y + DialogUnitsToPixelsY(t.y) - insets.top;
  const SysRect& area = Ui().workArea;
  if (t.style & kDsCenter) {
    left = area.left + (area.right - area.left - width) / 2;
    top = area.top + (area.bottom - area.top - height) / 2;
  }
  if (left + width > area.right) left = area.right - width;
  if (top + height > area.bottom) top = area.bottom - height;
  if (left < area.left) left = area.left;
  if (top < area.top) top = area.top;
  return SysRect{left, top, left + width, top + height};
}

intptr_t CommandParam(int id) {
  return static_cast<intptr_t>((static_cast<uint32_t>(id) & kLowWordMask) | (kBnClicked << kHighWordShift));
}

// The first live child with this id.
Window* ChildById(const Window& dialog, int id) {
  for (WindowHandle child : dialog.children) {
    Window* c = LiveWindow(child);
    if (c && c->id == id) return c;
  }
  return nullptr;
}

// The id Enter gives: the default push button's, else IDCANCEL (as the user would close it).
int DefaultAnswer(const Window& dialog) {
  for (WindowHandle child : dialog.children) {
    const Window* c = LiveWindow(child);
    if (c && c->kind == WindowKind::kButton && (c->style & kBsTypeMask) == kBsDefPushButton) return c->id;
  }
  return kIdCancel;
}

void EnableOwnerAgain(Window& dialog) {
  if (!dialog.disabledOwner) return;
  if (Window* owner = LiveWindow(dialog.disabledOwner)) owner->style &= ~kWsDisabled;
  dialog.disabledOwner = nullptr;
}

std::string DialogTitle(const Window& dialog) {
  return std::to_string(dialog.templateId) + " [" + JournalText(dialog.text) + "]";
}

}  // namespace

WindowHandle CreateDialogFromTemplate(uint32_t templateId, WindowHandle parentOrOwner, bool asChild, SysDialogProc proc,
                                      intptr_t parameter, uint32_t removeStyle) {
  DialogTemplate t;
  if (!LoadTemplate(templateId, &t)) {
    SetLastError(kErrResourceNameNotFound);
    return nullptr;
  }
  WindowHandle dialog = nullptr;
  GdiObject font = nullptr;
  WindowHandle focus = nullptr;
  {
    Guard guard(Lock());
    auto d = std::make_shared<Window>();
    d->kind = WindowKind::kDialog;
    d->className = kDialogClassName;
    d->text = t.caption;
    d->style = t.style & ~kWsVisible & ~removeStyle;
    d->exStyle = t.exStyle;
    d->templateId = templateId;
    d->dialogProc = proc;
    Insets insets = InsetsFor(WindowKind::kDialog, d->style | (asChild ? kWsChild : 0), d->exStyle);
    if (asChild && LiveWindow(parentOrOwner)) {
      d->parent = parentOrOwner;
      d->style = (d->style | kWsChild) & ~kWsPopup;
      const int left = DialogUnitsToPixelsX(t.x);
      const int top = DialogUnitsToPixelsY(t.y);
      d->rect = SysRect{left, top, left + DialogUnitsToPixelsX(t.cx) + insets.left + insets.right,
                        top + DialogUnitsToPixelsY(t.cy) + insets.top + insets.bottom};
    } else {
      d->owner = TopLevelOf(parentOrOwner);
      d->rect = PlaceTopLevel(t, insets, d->owner);
    }
    if (t.hasFont) {
      const int pixels = (t.pointSize * kScreenDpi + kPointsPerInch / 2) / kPointsPerInch;
      font = NewFont(t.face, -pixels, t.weight ? t.weight : kNormalWeight, t.italic, 0, true);
      d->font = font;
      d->ownedFont = font;
    }
    dialog = AddWindow(d);
    for (const DialogControlTemplate& c : t.controls) {
      auto w = std::make_shared<Window>();
      w->className = c.className;
      w->text = c.text;
      w->textIsOrdinal = c.textIsOrdinal;
      w->textOrdinal = c.textOrdinal;
      w->id = c.id;
      w->style = c.style | kWsChild;
      w->exStyle = c.exStyle;
      w->parent = dialog;
      w->font = font;
      const int left = DialogUnitsToPixelsX(c.x);
      const int top = DialogUnitsToPixelsY(c.y);
      w->rect = SysRect{left, top, left + DialogUnitsToPixelsX(c.cx), top + DialogUnitsToPixelsY(c.cy)};
      WindowHandle control = AddWindow(w);
      if (!focus && (c.style & kWsTabStop) && (c.style & kWsVisible) && !(c.style & kWsDisabled)) focus = control;
    }
  }
  if (t.hasFont) Deliver(dialog, kWmSetFont, reinterpret_cast<uintptr_t>(font), 0);
  Deliver(dialog, kWmInitDialog, reinterpret_cast<uintptr_t>(focus), parameter);
  return dialog;
}

bool TakeDialogAnswer(uint32_t templateId, int* controlId) {
  Guard guard(Lock());
  auto it = Ui().answers.find(templateId);
  if (it == Ui().answers.end() || it->second.empty()) return false;
  if (controlId) *controlId = it->second.front();
  it->second.pop_front();
  return true;
}

void PressDialogControl(WindowHandle dialog, int controlId) {
  WindowHandle control = nullptr;
  bool isButton = false;
  {
    Guard guard(Lock());
    Window* d = LiveWindow(dialog);
    if (!d) return;
    Window* c = ChildById(*d, controlId);
    std::string line = "dialog: " + std::to_string(d->templateId) + " press " + std::to_string(controlId) + " (" +
                       (c ? JournalText(c->text) : std::string()) + ")";
    std::string refused;
    if (c && !c->enabled())
      refused = "disabled";
    else if (c && !c->visible())
      refused = "hidden";
    else if (!c && controlId != kIdOk && controlId != kIdCancel)
      refused = "no such control";  // only Enter and Escape reach a dialog without a control
    if (!refused.empty()) line += " ignored: " + refused;
    sim::JournalAdd(line);
    if (!refused.empty()) return;
    control = c ? c->handle() : nullptr;
    isButton = c && c->kind == WindowKind::kButton;
  }
  if (isButton)
    ClickButton(control);
  else
    SysSendMessage(dialog, kWmCommand, CommandParam(controlId), reinterpret_cast<intptr_t>(control));
}

void AnswerForUser(WindowHandle dialog) {
  int controlId = 0;
  {
    Guard guard(Lock());
    Window* d = LiveWindow(dialog);
    if (!d) return;
    if (!TakeDialogAnswer(d->templateId, &controlId)) {
      if (d->unscriptedPresses >= kMaxUnscriptedPresses) {
        sim::JournalAdd("dialog: " + DialogTitle(*d) + " still open after " + std::to_string(kMaxUnscriptedPresses) +
                        " presses, ended with " + std::to_string(kEndlessDialogResult));
        d->ended = true;
        d->endResult = kEndlessDialogResult;
        EnableOwnerAgain(*d);
        WakeWindowManager();
        return;
      }
      ++d->unscriptedPresses;
      controlId = DefaultAnswer(*d);
    }
  }
  PressDialogControl(dialog, controlId);
}

uint32_t DialogTemplateOf(WindowHandle window) {
  Guard guard(Lock());
  Window* w = WindowRecord(window);
  return w ? w->templateId : 0;
}

}  // namespace internal

// ---- Test API ----

void QueueDialogAnswer(uint32_t templateId, int controlId) {
  internal::Guard guard(internal::Lock());
  internal::Ui().answers[templateId].push_back(controlId);
}

void SetDialogWaitHook(std::function<void(WindowHandle dialog, uint32_t templateId)> hook) {
  internal::Guard guard(internal::Lock());
  internal::Ui().waitHook = std::move(hook);
}

void SetDialogResourceOverlay(const std::string& resBytes) {
  internal::Guard guard(internal::Lock());
  internal::Ui().overlay.assign(resBytes.begin(), resBytes.end());
}

}  // namespace sim

// ---- ui.h: dialogs ----

using sim::internal::Guard;
using sim::internal::LiveWindow;
using sim::internal::Lock;
using sim::internal::Window;

intptr_t SysDialogBoxParam(ModuleHandle, uint32_t templateId, WindowHandle owner, SysDialogProc proc,
                           intptr_t parameter) {
  if (SIM_FAULT(SysDialogBoxParam)) return -1;
  WindowHandle dialog = sim::internal::CreateDialogFromTemplate(templateId, owner, false, proc, parameter);
  if (!dialog) return -1;
  {
    Guard guard(Lock());
    Window* d = LiveWindow(dialog);
    if (d) {
      // The owner takes no input while its modal dialog runs.
      Window* o = LiveWindow(d->owner);
      if (o && o->enabled() && !d->ended) {
        o->style |= sim::kWsDisabled;
        d->disabledOwner = d->owner;
      }
      // DialogBox shows the dialog whatever its template says, unless the procedure hid it.
      if (!d->ended && !d->hiddenByProgram) {
        sim::internal::SetVisible(*d, true);
        sim::internal::Ui().foreground = dialog;
      }
      sim::JournalAdd("dialog: " + sim::internal::DialogTitle(*d) + (d->visible() ? " shown" : " hidden"));
    }
  }
  const intptr_t result = sim::internal::RunModalLoop(dialog, [dialog](bool firstQuiet) {
    std::function<void(WindowHandle, uint32_t)> hook;
    uint32_t templateId = 0;
    {
      Guard guard(Lock());
      hook = sim::internal::Ui().waitHook;
      templateId = sim::internal::DialogTemplateOf(dialog);
    }
    if (firstQuiet && hook) {
      hook(dialog, templateId);
      return;
    }
    sim::internal::AnswerForUser(dialog);
  });
  WindowHandle ownerAgain = nullptr;
  {
    Guard guard(Lock());
    Window* d = LiveWindow(dialog);
    if (d) {
      ownerAgain = d->disabledOwner ? d->disabledOwner : d->owner;
      sim::internal::EnableOwnerAgain(*d);
      if (sim::internal::Ui().foreground == dialog) sim::internal::Ui().foreground = ownerAgain;
    }
  }
  sim::internal::DestroyTree(dialog);
  return result;
}

int SysEndDialog(WindowHandle dialog, intptr_t result) {
  Guard guard(Lock());
  if (SIM_FAULT(SysEndDialog)) return 0;
  Window* d = LiveWindow(dialog);
  if (!d || d->kind != sim::internal::WindowKind::kDialog) {
    sim::internal::SetLastError(kErrInvalidWindowHandle);
    return 0;
  }
  d->ended = true;
  d->endResult = result;
  sim::internal::EnableOwnerAgain(*d);
  sim::internal::SetVisible(*d, false);
  sim::internal::WakeWindowManager();
  return 1;
}

void SysSetDialogResult(WindowHandle dialog, intptr_t result) {
  Guard guard(Lock());
  Window* d = LiveWindow(dialog);
  if (d) d->msgResult = result;
}

WindowHandle SysGetDlgItem(WindowHandle dialog, int id) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetDlgItem)) return {};
  Window* d = LiveWindow(dialog);
  Window* c = d ? sim::internal::ChildById(*d, id) : nullptr;
  if (!c) {
    sim::internal::SetLastError(d ? kErrControlIdNotFound : kErrInvalidWindowHandle);
    return nullptr;
  }
  return c->handle();
}

int SysGetDlgCtrlId(WindowHandle control) {
  Guard guard(Lock());
  Window* c = LiveWindow(control);
  return c ? c->id : 0;
}

int SysSetDlgItemText(WindowHandle dialog, int id, const char16_t* text) {
  if (SIM_FAULT(SysSetDlgItemText)) return 0;
  WindowHandle item = SysGetDlgItem(dialog, id);
  return item ? SysSetWindowText(item, text) : 0;
}

uint32_t SysGetDlgItemText(WindowHandle dialog, int id, char16_t* out, uint32_t cap) {
  if (SIM_FAULT(SysGetDlgItemText)) return 0;
  WindowHandle item = SysGetDlgItem(dialog, id);
  if (!item) {
    if (out && cap) out[0] = 0;
    return 0;
  }
  return SysGetWindowText(item, out, cap);
}

int SysCheckDlgButton(WindowHandle dialog, int id, uint32_t state) {
  if (SIM_FAULT(SysCheckDlgButton)) return 0;
  WindowHandle item = SysGetDlgItem(dialog, id);
  if (!item) return 0;
  SysSendMessage(item, kBmSetCheck, state, 0);
  return 1;
}

uint32_t SysIsDlgButtonChecked(WindowHandle dialog, int id) {
  WindowHandle item = SysGetDlgItem(dialog, id);
  return item ? static_cast<uint32_t>(SysSendMessage(item, kBmGetCheck, 0, 0)) : 0;
}

intptr_t SysSendDlgItemMessage(WindowHandle dialog, int id, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  WindowHandle item = SysGetDlgItem(dialog, id);
  return item ? SysSendMessage(item, message, wParam, lParam) : 0;
}
