// The simulated machine's window table: window records and their geometry, visibility, enabled
// state, z-order and texts; the ui.h window functions that read or change them; the screen,
// work area, system metrics and cursor; and the test API that reads windows back.
#include <algorithm>
#include <mutex>

#include "common/text.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/ui/window_state.h"
#include "platform/ui.h"
#include "platform/sim/machine/windows_constants.h"

namespace sim {
namespace internal {

namespace {

using sim::internal::Guard;

// GetSystemMetrics indexes beyond those ui.h names.
constexpr int kSmCxBorder = 5;
constexpr int kSmCyBorder = 6;
constexpr int kSmCxDlgFrame = 7;
constexpr int kSmCyDlgFrame = 8;
constexpr int kSmCxEdge = 45;
constexpr int kSmCyEdge = 46;
// WM_SIZE's "restored" code.
constexpr uintptr_t kSizeRestored = 0;

struct ClassKind {
  const char16_t* name;
  WindowKind kind;
};
constexpr ClassKind kClassKinds[] = {{u"Button", WindowKind::kButton},     {u"Edit", WindowKind::kEdit},
                                     {u"Static", WindowKind::kStatic},     {u"ListBox", WindowKind::kListBox},
                                     {u"ComboBox", WindowKind::kComboBox}, {u"ScrollBar", WindowKind::kScrollBar}};

WindowKind KindOfClass(const std::u16string& className) {
  for (const ClassKind& entry : kClassKinds)
    if (TextEqualNoCase(className.c_str(), entry.name)) return entry.kind;
  return WindowKind::kPlain;
}

int Width(const SysRect& r) { return r.right - r.left; }
int Height(const SysRect& r) { return r.bottom - r.top; }

// The window's rectangle on the screen.
SysRect ScreenRect(const Window& w) {
  SysRect r = w.rect;
  if (w.isChild()) {
    const Window* parent = WindowRecord(w.parent);
    if (parent) {
      SysPoint origin = ClientOriginOnScreen(*parent);
      r.left += origin.x;
      r.right += origin.x;
      r.top += origin.y;
      r.bottom += origin.y;
    }
  }
  return r;
}

// The sibling list a window is ordered in: its parent's children or the top-level order.
std::vector<WindowHandle>* SiblingList(const Window& w) {
  if (w.isChild()) {
    Window* parent = WindowRecord(w.parent);
    return parent ? &parent->children : nullptr;
  }
  return &Ui().topLevels;
}

// Moves a window within its siblings: to the top (null), the bottom (kHwndBottom) or just
// below another sibling.
void Reorder(Window& w, WindowHandle insertAfter) {
  std::vector<WindowHandle>* list = SiblingList(w);
  if (!list) return;
  auto it = std::find(list->begin(), list->end(), w.handle());
  if (it == list->end()) return;
  list->erase(it);
  if (insertAfter == kHwndTop) {
    list->insert(list->begin(), w.handle());
  } else if (insertAfter == kHwndBottom) {
    list->push_back(w.handle());
  } else {
    auto after = std::find(list->begin(), list->end(), insertAfter);
    list->insert(after == list->end() ? list->end() : after + 1, w.handle());
  }
}

// The rectangle of a maximised top-level window: the work area with the frame pushed outside on
// every side (the caption stays inside).
SysRect MaximisedRect(const Window& w) {
  const SysRect& area = Ui().workArea;
  const int frame = w.insets.left;
  return SysRect{area.left - frame, area.top - frame, area.right + frame, area.bottom + frame};
}

bool HasProgramProcedure(const Window& w) { return w.windowProc || w.dialogProc; }

// Tells a window with a procedure of the program that its client size changed.
void NotifySize(WindowHandle window, int oldWidth, int oldHeight) {
  int width = 0, height = 0;
  {
    Guard guard(Lock());
    Window* w = LiveWindow(window);
    if (!w || !HasProgramProcedure(*w)) return;
    width = ClientWidth(*w);
    height = ClientHeight(*w);
    if (width == oldWidth && height == oldHeight) return;
  }
  SysSendMessage(window, kWmSize, kSizeRestored,
                 static_cast<intptr_t>((static_cast<uint32_t>(width) & kLowWordMask) |
                                       ((static_cast<uint32_t>(height) & kLowWordMask) << kHighWordShift)));
}

std::string Utf8(const std::u16string& text) { return sim::ToUtf8(text); }

void CopyOut(const std::u16string& text, char16_t* out, uint32_t cap, uint32_t* copied) {
  *copied = 0;
  if (!out || cap == 0) return;
  uint32_t n = text.size() < cap ? static_cast<uint32_t>(text.size()) : cap - 1;
  for (uint32_t i = 0; i < n; ++i) out[i] = text[i];
  out[n] = 0;
  *copied = n;
}

}  // namespace

UiState& Ui() {
  // Never destroyed: program threads may still call in while the process exits.
  static UiState* state = new UiState;
  return *state;
}

UiState::RegisteredClass* FindClass(const char16_t* name) {
  for (UiState::RegisteredClass& c : Ui().classes)
    if (name && TextEqualNoCase(c.name.c_str(), name)) return &c;
  return nullptr;
}

namespace {

const char* ShowText(int command) {
  switch (command) {
    case kSwHide:
      return "hidden";
    case kSwShowMaximized:
      return "shown maximised";
    case kSwMinimize:
      return "minimised";
    case kSwRestore:
      return "restored";
    default:
      return "shown";
  }
}

}  // namespace

void NoteShowCommand(WindowHandle window, int command) {
  Guard guard(Lock());
  const Window* w = LiveWindow(window);
  if (!w || w->isChild() || !FindClass(w->className.c_str())) return;
  sim::JournalAdd("window: " + JournalText(w->className) + " [" + JournalText(w->text) + "] " + ShowText(command));
}

DeviceContextRecord* Dc(DeviceContext dc) {
  auto it = Ui().dcs.find(reinterpret_cast<uintptr_t>(dc));
  return it == Ui().dcs.end() ? nullptr : &it->second;
}

void WakeWindowManager() { MachineChanged().notify_all(); }

Window* WindowRecord(WindowHandle window) {
  auto& table = Ui().windows;
  auto it = table.find(reinterpret_cast<uintptr_t>(window));
  return it == table.end() ? nullptr : it->second.get();
}

Window* LiveWindow(WindowHandle window) {
  Window* w = WindowRecord(window);
  return w && w->alive ? w : nullptr;
}

ThreadQueue& QueueOf(std::thread::id thread) {
  std::shared_ptr<ThreadQueue>& queue = Ui().queues[thread];
  if (!queue) queue = std::make_shared<ThreadQueue>();
  return *queue;
}

SysPoint ClientOriginOnScreen(const Window& window) {
  SysRect r = ScreenRect(window);
  return SysPoint{r.left + window.insets.left, r.top + window.insets.top};
}

bool EffectivelyVisible(const Window& window) {
  const Window* w = &window;
  while (w) {
    if (!w->alive || !w->visible()) return false;
    w = w->isChild() ? WindowRecord(w->parent) : nullptr;
  }
  return true;
}

int ClientWidth(const Window& window) {
  return std::max(0, Width(window.rect) - window.insets.left - window.insets.right);
}

int ClientHeight(const Window& window) {
  return std::max(0, Height(window.rect) - window.insets.top - window.insets.bottom);
}

Insets InsetsFor(WindowKind kind, uint32_t style, uint32_t exStyle) {
  int frame = 0;
  if (style & kWsThickFrame)
    frame = kSizingFrame;
  else if ((style & kWsDlgFrame) || (exStyle & kWsExDlgModalFrame) ||
           (kind == WindowKind::kDialog && (style & kDsModalFrame)))
    frame = kDialogFrame;
  else if (style & kWsBorder)
    frame = kThinBorder;
  if (exStyle & kWsExClientEdge) frame += kClientEdge;
  if (exStyle & kWsExStaticEdge) frame += kStaticEdgeWidth;
  Insets insets;
  insets.left = insets.right = insets.bottom = frame;
  insets.top = frame + ((style & kWsCaption) == kWsCaption ? kCaptionHeight : 0);
  return insets;
}

void Invalidate(Window& window, bool withChildren) {
  window.invalid = true;
  if (withChildren) {
    for (WindowHandle child : window.children) {
      Window* c = LiveWindow(child);
      if (c) Invalidate(*c, true);
    }
  }
  WakeWindowManager();
}

void SetVisible(Window& window, bool visible) {
  if (visible == window.visible()) return;
  if (visible) {
    window.style |= kWsVisible;
    Invalidate(window, true);
  } else {
    window.style &= ~kWsVisible;
  }
}

WindowHandle AddWindow(std::shared_ptr<Window> window) {
  UiState& ui = Ui();
  window->token = NewHandleToken();
  window->serial = ui.nextSerial++;
  window->thread = std::this_thread::get_id();
  window->kind = window->kind == WindowKind::kDialog ? WindowKind::kDialog : KindOfClass(window->className);
  if (window->kind == WindowKind::kStatic && (window->style & kSsSunken)) window->exStyle |= kWsExStaticEdge;
  if (window->parent) window->style |= kWsChild;
  window->insets = InsetsFor(window->kind, window->style, window->exStyle);
  window->invalid = window->visible();
  const WindowHandle handle = window->handle();
  if (window->parent) {
    Window* parent = WindowRecord(window->parent);
    if (parent) parent->children.push_back(handle);
  } else {
    ui.topLevels.insert(ui.topLevels.begin(), handle);
  }
  ui.windows[window->token] = std::move(window);
  WakeWindowManager();
  return handle;
}

WindowHandle CreateWindowObject(const WindowDescription& d) {
  Guard guard(Lock());
  auto w = std::make_shared<Window>();
  w->className = d.className;
  w->text = d.text;
  w->style = d.style;
  w->exStyle = d.exStyle;
  w->id = d.id;
  w->rect = SysRect{d.left, d.top, d.left + d.width, d.top + d.height};
  w->parent = LiveWindow(d.parent) ? d.parent : nullptr;
  w->owner = d.owner;
  w->windowProc = d.windowProc;
  w->dialogProc = d.dialogProc;
  if (d.dialogProc) w->kind = WindowKind::kDialog;
  return AddWindow(std::move(w));
}

bool HiddenByProgram(WindowHandle window) {
  Guard guard(Lock());
  Window* w = WindowRecord(window);
  return w && w->hiddenByProgram;
}

void ResetWindowManager() {
  Guard guard(Lock());
  UiState& ui = Ui();
  // Senders still waiting on an old queue are released with 0.
  for (auto& entry : ui.queues) {
    for (auto& sent : entry.second->sent) sent->done = true;
  }
  ui = UiState();
  SetThreadExitHook(&DestroyThreadWindows);  // a thread's windows end with it
  WakeWindowManager();
}

std::string JournalText(const std::u16string& text) {
  std::u16string flat;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    if (text[i] == u'\n' || text[i] == u'\r')
      flat += u"\\n";
    else
      flat += text[i];
  }
  return sim::ToUtf8(flat);
}

// Destroys a window: its owned windows first, then WM_DESTROY to it and to its children (parent
// before children, as Windows sends it), then the records are marked dead.
void DestroyTree(WindowHandle window) {
  std::vector<WindowHandle> owned;
  {
    Guard guard(Lock());
    if (!LiveWindow(window)) return;
    for (const auto& entry : Ui().windows) {
      const Window& other = *entry.second;
      if (other.alive && !other.isChild() && other.owner == window) owned.push_back(other.handle());
    }
  }
  for (WindowHandle o : owned) DestroyTree(o);
  std::vector<WindowHandle> children;
  {
    Guard guard(Lock());
    Window* w = LiveWindow(window);
    if (!w) return;
    w->ended = true;
    w->style &= ~kWsVisible;
    w->invalid = false;
    UiState& ui = Ui();
    ui.topLevels.erase(std::remove(ui.topLevels.begin(), ui.topLevels.end(), window), ui.topLevels.end());
    if (ui.foreground == window) ui.foreground = nullptr;
  }
  Deliver(window, kWmDestroy, 0, 0);
  {
    Guard guard(Lock());
    Window* w = LiveWindow(window);
    if (!w) return;
    children = w->children;
  }
  for (WindowHandle child : children) DestroyTree(child);
  GdiObject ownedFont = nullptr;
  {
    Guard guard(Lock());
    Window* w = LiveWindow(window);
    if (!w) return;
    w->alive = false;
    ownedFont = w->ownedFont;
    w->ownedFont = nullptr;
    if (w->disabledOwner) {
      Window* owner = LiveWindow(w->disabledOwner);
      if (owner) owner->style &= ~kWsDisabled;
      w->disabledOwner = nullptr;
    }
    // Messages still queued for it are dropped.
    for (auto& entry : Ui().queues) {
      auto& posted = entry.second->posted;
      posted.erase(
          std::remove_if(posted.begin(), posted.end(), [window](const SysMessage& m) { return m.window == window; }),
          posted.end());
    }
    WakeWindowManager();
  }
  if (ownedFont) DeleteFontObject(ownedFont);
}

void DestroyThreadWindows() {
  std::vector<WindowHandle> mine;
  {
    Guard guard(Lock());
    const std::thread::id self = std::this_thread::get_id();
    for (const auto& entry : Ui().windows) {
      const Window& w = *entry.second;
      if (w.alive && !w.isChild() && w.thread == self) mine.push_back(w.handle());
    }
  }
  for (WindowHandle w : mine) DestroyTree(w);
  // Its queue goes too: a later thread may get the same host id.
  Guard guard(Lock());
  Ui().queues.erase(std::this_thread::get_id());
}

}  // namespace internal

// ---- Test API ----

using internal::Guard;
using internal::Lock;
using internal::Ui;
using internal::Window;
using internal::WindowRecord;

bool GetWindowInfo(WindowHandle window, WindowInfo* out) {
  Guard guard(Lock());
  const Window* w = WindowRecord(window);
  if (!w || !out) return false;
  *out = WindowInfo();
  out->alive = w->alive;
  out->className = internal::Utf8(w->className);
  out->text = internal::Utf8(w->text);
  out->textOrdinal = w->textIsOrdinal ? w->textOrdinal : 0;
  out->id = w->id;
  out->style = w->style;
  out->exStyle = w->exStyle;
  out->templateId = w->templateId;
  SysRect r = internal::ScreenRect(*w);
  out->left = r.left;
  out->top = r.top;
  out->right = r.right;
  out->bottom = r.bottom;
  out->clientWidth = internal::ClientWidth(*w);
  out->clientHeight = internal::ClientHeight(*w);
  out->visible = w->visible();
  out->enabled = w->enabled();
  out->check = w->check;
  out->parent = w->parent;
  out->owner = w->owner;
  const std::vector<WindowHandle>* siblings = internal::SiblingList(*w);
  if (siblings) {
    auto it = std::find(siblings->begin(), siblings->end(), window);
    out->zIndex = it == siblings->end() ? -1 : static_cast<int>(it - siblings->begin());
  }
  auto font = Ui().gdiObjects.find(reinterpret_cast<uintptr_t>(w->font));
  if (font != Ui().gdiObjects.end()) {
    out->fontFace = internal::Utf8(font->second.face);
    out->fontHeight = font->second.height;
    out->fontWeight = font->second.weight;
  }
  return true;
}

WindowHandle FindDialog(uint32_t templateId) {
  Guard guard(Lock());
  const Window* best = nullptr;
  for (const auto& entry : Ui().windows) {
    const Window& w = *entry.second;
    if (w.kind != internal::WindowKind::kDialog || w.templateId != templateId) continue;
    if (!best || (w.alive && !best->alive) || (w.alive == best->alive && w.serial > best->serial)) best = &w;
  }
  return best ? best->handle() : nullptr;
}

WindowHandle FindControl(WindowHandle dialog, int controlId) {
  Guard guard(Lock());
  const Window* d = WindowRecord(dialog);
  if (!d) return nullptr;
  for (WindowHandle child : d->children) {
    const Window* c = WindowRecord(child);
    if (c && c->id == controlId) return child;
  }
  return nullptr;
}

std::vector<WindowHandle> TopLevelWindows() {
  Guard guard(Lock());
  return Ui().topLevels;
}

WindowHandle ForegroundWindow() {
  Guard guard(Lock());
  return Ui().foreground;
}

int CurrentCursor() {
  Guard guard(Lock());
  return Ui().cursor;
}

void SetScreen(int width, int height, int workLeft, int workTop, int workRight, int workBottom) {
  Guard guard(Lock());
  Ui().screenWidth = width;
  Ui().screenHeight = height;
  Ui().workArea = SysRect{workLeft, workTop, workRight, workBottom};
}

}  // namespace sim

// ---- ui.h: windows ----

using sim::internal::Guard;
using sim::internal::LiveWindow;
using sim::internal::Lock;
using sim::internal::Ui;
using sim::internal::Window;

namespace {

// A live window of the program, or null with ERROR_INVALID_WINDOW_HANDLE.
Window* Live(WindowHandle window) {
  Window* w = LiveWindow(window);
  if (!w) sim::internal::SetLastError(kErrInvalidWindowHandle);
  return w;
}

}  // namespace

int SysSetWindowText(WindowHandle window, const char16_t* text) {
  if (SIM_FAULT(SysSetWindowText)) return 0;
  {
    Guard guard(Lock());
    if (!Live(window)) return 0;
  }
  return SysSendMessage(window, kWmSetText, 0, reinterpret_cast<intptr_t>(text ? text : u"")) ? 1 : 0;
}

uint32_t SysGetWindowText(WindowHandle window, char16_t* out, uint32_t cap) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetWindowText)) return 0;
  if (out && cap) out[0] = 0;
  Window* w = Live(window);
  if (!w) return 0;
  uint32_t copied = 0;
  sim::internal::CopyOut(w->text, out, cap, &copied);
  return copied;
}

uint32_t SysGetClassName(WindowHandle window, char16_t* out, uint32_t cap) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetClassName)) return 0;
  if (out && cap) out[0] = 0;
  Window* w = Live(window);
  if (!w) return 0;
  uint32_t copied = 0;
  sim::internal::CopyOut(w->className, out, cap, &copied);
  return copied;
}

int SysShowWindow(WindowHandle window, int command) {
  int oldWidth = 0, oldHeight = 0;
  bool wasVisible = false;
  {
    Guard guard(Lock());
    Window* w = Live(window);
    if (!w) return 0;
    wasVisible = w->visible();
    oldWidth = sim::internal::ClientWidth(*w);
    oldHeight = sim::internal::ClientHeight(*w);
    switch (command) {
      case kSwHide:
        sim::internal::SetVisible(*w, false);
        w->hiddenByProgram = true;
        break;
      case kSwShowMaximized:
        if (!(w->style & sim::kWsMaximize)) w->restoreRect = w->rect;
        w->style = (w->style | sim::kWsMaximize) & ~sim::kWsMinimize;
        if (!w->isChild()) w->rect = sim::internal::MaximisedRect(*w);
        sim::internal::SetVisible(*w, true);
        sim::internal::Invalidate(*w, true);
        break;
      case kSwMinimize:
        w->style |= sim::kWsMinimize;
        sim::internal::SetVisible(*w, true);
        break;
      case kSwShowNormal:
      case kSwRestore:
        if (w->style & sim::kWsMaximize) w->rect = w->restoreRect;
        w->style &= ~(sim::kWsMaximize | sim::kWsMinimize);
        sim::internal::SetVisible(*w, true);
        break;
      default:
        sim::internal::SetVisible(*w, true);
        break;
    }
  }
  sim::internal::NotifySize(window, oldWidth, oldHeight);
  sim::internal::NoteShowCommand(window, command);
  return wasVisible ? 1 : 0;
}

int SysIsWindowVisible(WindowHandle window) {
  Guard guard(Lock());
  Window* w = LiveWindow(window);
  return w && sim::internal::EffectivelyVisible(*w) ? 1 : 0;
}

int SysEnableWindow(WindowHandle window, int enable) {
  Guard guard(Lock());
  Window* w = Live(window);
  if (!w) return 0;
  const bool wasDisabled = !w->enabled();
  if (enable)
    w->style &= ~sim::kWsDisabled;
  else
    w->style |= sim::kWsDisabled;
  if (wasDisabled != !w->enabled() && w->isChild()) sim::internal::Invalidate(*w, false);
  return wasDisabled ? 1 : 0;
}

int SysIsWindowEnabled(WindowHandle window) {
  Guard guard(Lock());
  Window* w = LiveWindow(window);
  return w && w->enabled() ? 1 : 0;
}

int SysIsWindow(WindowHandle window) {
  {
    Guard guard(Lock());
    if (LiveWindow(window)) return 1;
  }
  return sim::internal::IsForeignWindow(window) ? 1 : 0;
}

int SysSetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy, uint32_t flags) {
  if (SIM_FAULT(SysSetWindowPos)) return 0;
  int oldWidth = 0, oldHeight = 0;
  {
    Guard guard(Lock());
    Window* w = Live(window);
    if (!w) return 0;
    oldWidth = sim::internal::ClientWidth(*w);
    oldHeight = sim::internal::ClientHeight(*w);
    SysRect r = w->rect;
    if (!(flags & kSwpNoMove)) {
      r.right += x - r.left;
      r.bottom += y - r.top;
      r.left = x;
      r.top = y;
    }
    if (!(flags & kSwpNoSize)) {
      r.right = r.left + std::max(0, cx);
      r.bottom = r.top + std::max(0, cy);
    }
    const bool changed =
        r.left != w->rect.left || r.top != w->rect.top || r.right != w->rect.right || r.bottom != w->rect.bottom;
    w->rect = r;
    if (!(flags & kSwpNoZOrder)) sim::internal::Reorder(*w, insertAfter);
    if (flags & kSwpShowWindow) sim::internal::SetVisible(*w, true);
    if (flags & kSwpHideWindow) {
      sim::internal::SetVisible(*w, false);
      w->hiddenByProgram = true;
    }
    if (changed && w->visible()) sim::internal::Invalidate(*w, true);
  }
  sim::internal::NotifySize(window, oldWidth, oldHeight);
  return 1;
}

int SysMoveWindow(WindowHandle window, int x, int y, int width, int height, int repaint) {
  if (SIM_FAULT(SysMoveWindow)) return 0;
  if (!SysSetWindowPos(window, nullptr, x, y, width, height, kSwpNoZOrder | kSwpNoActivate)) return 0;
  if (repaint) SysInvalidateRect(window, nullptr, 1);
  return 1;
}

int SysGetWindowRect(WindowHandle window, SysRect* rect) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetWindowRect)) return 0;
  Window* w = Live(window);
  if (!w || !rect) return 0;
  *rect = sim::internal::ScreenRect(*w);
  return 1;
}

int SysGetClientRect(WindowHandle window, SysRect* rect) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetClientRect)) return 0;
  Window* w = Live(window);
  if (!w || !rect) return 0;
  *rect = SysRect{0, 0, sim::internal::ClientWidth(*w), sim::internal::ClientHeight(*w)};
  return 1;
}

int SysMapWindowPoints(WindowHandle from, WindowHandle to, SysPoint* points, uint32_t count) {
  Guard guard(Lock());
  if (SIM_FAULT(SysMapWindowPoints)) return 0;
  SysPoint fromOrigin{0, 0}, toOrigin{0, 0};
  if (from) {
    Window* w = Live(from);
    if (!w) return 0;
    fromOrigin = sim::internal::ClientOriginOnScreen(*w);
  }
  if (to) {
    Window* w = Live(to);
    if (!w) return 0;
    toOrigin = sim::internal::ClientOriginOnScreen(*w);
  }
  const int dx = fromOrigin.x - toOrigin.x;
  const int dy = fromOrigin.y - toOrigin.y;
  for (uint32_t i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  // MapWindowPoints answers the offsets packed in one value: horizontal low, vertical high.
  return static_cast<int>((static_cast<uint32_t>(dx) & kLowWordMask) |
                          ((static_cast<uint32_t>(dy) & kLowWordMask) << kHighWordShift));
}

int SysInvalidateRect(WindowHandle window, const SysRect*, int) {
  Guard guard(Lock());
  if (SIM_FAULT(SysInvalidateRect)) return 0;
  if (!window) {
    for (auto& entry : Ui().windows)
      if (entry.second->alive) sim::internal::Invalidate(*entry.second, false);
    return 1;
  }
  Window* w = Live(window);
  if (!w) return 0;
  sim::internal::Invalidate(*w, false);
  return 1;
}

int SysSetForegroundWindow(WindowHandle window) {
  Guard guard(Lock());
  if (SIM_FAULT(SysSetForegroundWindow)) return 0;
  if (!LiveWindow(window) && !sim::internal::IsForeignWindow(window)) return 0;
  Ui().foreground = window;
  return 1;
}

WindowHandle SysGetParent(WindowHandle window) {
  Guard guard(Lock());
  Window* w = Live(window);
  if (!w) return nullptr;
  if (w->isChild()) return w->parent;
  return (w->style & sim::kWsPopup) ? w->owner : nullptr;
}

int SysDestroyWindow(WindowHandle window) {
  if (SIM_FAULT(SysDestroyWindow)) return 0;
  {
    Guard guard(Lock());
    Window* w = Live(window);
    if (!w) return 0;
    // Windows lets only the owning thread destroy a window.
    if (w->thread != std::this_thread::get_id()) {
      sim::internal::SetLastError(kErrAccessDenied);
      return 0;
    }
  }
  sim::internal::DestroyTree(window);
  return 1;
}

WindowHandle SysFindWindow(const char16_t* className, const char16_t* caption) {
  if (SIM_FAULT(SysFindWindow)) return {};
  {
    Guard guard(Lock());
    for (WindowHandle handle : Ui().topLevels) {
      const Window* w = LiveWindow(handle);
      if (!w) continue;
      if (className && !TextEqualNoCase(w->className.c_str(), className)) continue;
      if (caption && !TextEqualNoCase(w->text.c_str(), caption)) continue;
      return handle;
    }
  }
  return sim::internal::FindForeignWindow(className, caption);
}

uint32_t SysGetWindowThreadProcessId(WindowHandle window, uint32_t* processId) {
  std::thread::id owner;
  {
    Guard guard(Lock());
    Window* w = LiveWindow(window);
    if (!w) {
      return sim::internal::ForeignWindowProcess(window, processId);
    }
    owner = w->thread;
  }
  if (processId) *processId = sim::internal::ThisProgramProcess()->id;
  return sim::internal::ThreadNumberOf(owner);
}

void SysSetCursorShape(int cursorId) {
  Guard guard(Lock());
  if (Ui().cursor == cursorId) return;
  Ui().cursor = cursorId;
}

int SysGetWorkArea(SysRect* rect) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetWorkArea)) return 0;
  if (!rect) return 0;
  *rect = Ui().workArea;
  return 1;
}

int SysGetSystemMetrics(int index) {
  Guard guard(Lock());
  switch (index) {
    case kSmCxScreen:
      return Ui().screenWidth;
    case kSmCyScreen:
      return Ui().screenHeight;
    case kSmCyCaption:
      return sim::kCaptionHeight;
    case kSmCxFrame:
    case kSmCyFrame:
      return sim::kSizingFrame;
    case sim::internal::kSmCxBorder:
    case sim::internal::kSmCyBorder:
      return sim::kThinBorder;
    case sim::internal::kSmCxDlgFrame:
    case sim::internal::kSmCyDlgFrame:
      return sim::kDialogFrame;
    case sim::internal::kSmCxEdge:
    case sim::internal::kSmCyEdge:
      return sim::kClientEdge;
    default:
      return 0;
  }
}
