// Messages of the simulated window manager: one queue per thread with posted messages, messages
// sent from other threads and WM_QUIT; WM_PAINT made when a visible window is invalid and nothing
// else is queued; sending (a direct call on the window's thread, a post-and-wait from any other);
// the modal loop that serves a dialog until it ends and acts for the user once all is quiet; and
// the user's own input (clicks, pointer moves) queued as the mouse would.
#include <algorithm>
#include <mutex>

#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/ui/window_state.h"
#include "platform/ui.h"
#include "platform/sim/machine/windows_constants.h"

namespace sim {
namespace internal {

namespace {

using sim::internal::Guard;
typedef std::unique_lock<sim::internal::MachineLock> UniqueLock;

// The user's input travels as messages above Windows' range, so that no procedure ever sees them.
constexpr uint32_t kUserPointerOver = 0x00010002;
constexpr uint32_t kWmGetTextLengthMessage = kWmGetTextLength;
// Messages whose dialog-procedure answer is returned as it is, not through DWLP_MSGRESULT.
constexpr uint32_t kWmCharToItem = 0x002F;
constexpr uint32_t kWmVKeyToItem = 0x002E;
constexpr uint32_t kWmQueryDragIcon = 0x0037;
constexpr uint32_t kWmCompareItem = 0x0039;
constexpr uint32_t kWmCtlColorFirst = 0x0132;
constexpr uint32_t kWmCtlColorLast = 0x0138;

bool ReturnsDirectly(uint32_t message) {
  return message == kWmInitDialog || message == kWmCharToItem || message == kWmVKeyToItem ||
         message == kWmQueryDragIcon || message == kWmCompareItem ||
         (message >= kWmCtlColorFirst && message <= kWmCtlColorLast);
}

intptr_t MakeLong(uint32_t low, uint32_t high) {
  return static_cast<intptr_t>((low & kLowWordMask) | ((high & kLowWordMask) << kHighWordShift));
}

enum class WorkKind { kNone, kSent, kPosted, kQuit, kPaint };
struct Work {
  WorkKind kind = WorkKind::kNone;
  SysMessage message = {nullptr, 0, 0, 0};
  std::shared_ptr<SentMessage> sent;
};

// The next thing the calling thread must do, in Windows' order: messages sent from other
// threads, posted messages, WM_QUIT, then WM_PAINT for the oldest visible invalid window. Sent
// and posted messages are taken off the queue; WM_QUIT and WM_PAINT stay until handled.
Work TakeWork(std::thread::id self) {
  Work work;
  ThreadQueue& queue = QueueOf(self);
  if (!queue.sent.empty()) {
    work.kind = WorkKind::kSent;
    work.sent = queue.sent.front();
    queue.sent.pop_front();
    return work;
  }
  while (!queue.posted.empty()) {
    SysMessage m = queue.posted.front();
    queue.posted.pop_front();
    if (m.window && !LiveWindow(m.window)) continue;
    work.kind = WorkKind::kPosted;
    work.message = m;
    return work;
  }
  if (queue.quitPending) {
    work.kind = WorkKind::kQuit;
    work.message = SysMessage{nullptr, kWmQuit, static_cast<uintptr_t>(queue.quitCode), 0};
    return work;
  }
  for (const auto& entry : Ui().windows) {  // by handle: creation order, parents first
    const Window& w = *entry.second;
    if (w.alive && w.invalid && w.thread == self && EffectivelyVisible(w)) {
      work.kind = WorkKind::kPaint;
      work.message = SysMessage{w.handle(), kWmPaint, 0, 0};
      return work;
    }
  }
  return work;
}

// Runs a message another thread sent and hands it the answer. Lock not held.
void RunSent(const std::shared_ptr<SentMessage>& sent) {
  const SysMessage& m = sent->message;
  intptr_t result = Deliver(m.window, m.message, m.wParam, m.lParam);
  Guard guard(Lock());
  sent->result = result;
  sent->done = true;
  WakeWindowManager();
}

// After WM_PAINT reached a window that needed painting: a procedure that neither painted
// (BeginPaint/EndPaint) nor left it to the default handling leaves the window invalid, which on
// Windows makes WM_PAINT come back at once for ever. The window is validated here so that the
// loop can go on, and the fault is journaled once per window.
void FinishPaint(WindowHandle window) {
  Guard guard(Lock());
  Window* w = LiveWindow(window);
  if (!w || !w->invalid || !EffectivelyVisible(*w)) return;
  w->invalid = false;
  if (w->paintWarned) return;
  w->paintWarned = true;
  sim::JournalAdd("ui-warning: WM_PAINT left window " + JournalText(w->className) + " [" + JournalText(w->text) +
                  "] unpainted");
}

// Other program threads still running (the caller itself not counted).
int OtherProgramThreads() { return RunningProgramThreads() - (CurrentThreadIsProgramThread() ? 1 : 0); }

// The user's pointer moved over a window: WM_SETCURSOR, then WM_MOUSEMOVE.
void PointerOver(WindowHandle window, uint32_t hitTest) {
  SysSendMessage(window, kWmSetCursor, reinterpret_cast<uintptr_t>(window), MakeLong(hitTest, kWmMouseMove));
  if (SysIsWindow(window)) SysSendMessage(window, kWmMouseMove, 0, 0);
}

}  // namespace

intptr_t Deliver(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  SysDialogProc dialogProc = nullptr;
  SysWindowProc windowProc = nullptr;
  bool isDialog = false;
  {
    Guard guard(Lock());
    Window* w = LiveWindow(window);
    if (!w) return 0;
    dialogProc = w->dialogProc;
    windowProc = w->windowProc;
    isDialog = w->kind == WindowKind::kDialog;
    // DefDlgProc clears the message result before each call of the dialog procedure.
    if (isDialog) w->msgResult = 0;
  }
  if (isDialog) {
    if (dialogProc) {
      const intptr_t handled = dialogProc(window, message, wParam, lParam);
      if (handled) {
        if (ReturnsDirectly(message)) return handled;
        Guard guard(Lock());
        Window* w = WindowRecord(window);
        return w ? w->msgResult : 0;
      }
    }
    return DefaultDialogHandling(window, message, wParam, lParam);
  }
  if (windowProc) return windowProc(window, message, wParam, lParam);
  return BuiltinProcedure(window, message, wParam, lParam);
}

intptr_t DefaultDialogHandling(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == kWmClose) {
    // The close box means Cancel: IDCANCEL from the Cancel button (or from nowhere).
    WindowHandle cancel = SysGetDlgItem(dialog, kIdCancel);
    SysPostMessage(dialog, kWmCommand, MakeLong(kIdCancel, kBnClicked), reinterpret_cast<intptr_t>(cancel));
    return 0;
  }
  return SysDefWindowProc(dialog, message, wParam, lParam);
}

intptr_t RunModalLoop(WindowHandle window, const std::function<void(bool)>& whenQuiet) {
  const std::thread::id self = std::this_thread::get_id();
  UniqueLock lock(Lock());
  bool freshQuiet = true;
  for (;;) {
    Window* w = LiveWindow(window);
    if (!w || w->ended) break;
    Work work = TakeWork(self);
    if (work.kind == WorkKind::kSent) {
      lock.unlock();
      RunSent(work.sent);
      lock.lock();
      freshQuiet = true;
    } else if (work.kind == WorkKind::kPosted || work.kind == WorkKind::kPaint) {
      lock.unlock();
      SysDispatchMessage(&work.message);
      lock.lock();
      freshQuiet = true;
    } else if (work.kind == WorkKind::kQuit) {
      break;  // WM_QUIT stays queued for the loop outside
    } else if (OtherProgramThreads() == 0) {
      const bool fresh = freshQuiet;
      freshQuiet = false;
      lock.unlock();
      whenQuiet(fresh);
      lock.lock();
    } else {
      MachineChanged().wait(lock);
    }
  }
  Window* w = WindowRecord(window);
  return w ? w->endResult : 0;
}

void EndModalLoop(WindowHandle window, intptr_t result) {
  Guard guard(Lock());
  Window* w = LiveWindow(window);
  if (!w) return;
  w->ended = true;
  w->endResult = result;
  WakeWindowManager();
}

}  // namespace internal

// ---- Test API: the user's input ----

using internal::Guard;
using internal::LiveWindow;
using internal::Lock;
using internal::Window;

bool MoveMouseOver(WindowHandle window, uint32_t hitTest) {
  Guard guard(Lock());
  Window* w = LiveWindow(window);
  if (!w || !internal::EffectivelyVisible(*w)) return false;
  internal::QueueOf(w->thread).posted.push_back(SysMessage{window, internal::kUserPointerOver, hitTest, 0});
  internal::WakeWindowManager();
  return true;
}

}  // namespace sim

// ---- ui.h: messages ----

using sim::internal::Guard;
using sim::internal::LiveWindow;
using sim::internal::Lock;
using sim::internal::Window;

int SysPostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (SIM_FAULT(SysPostMessage)) return 0;
  {
    Guard guard(Lock());
    if (!window) {  // a thread message for the caller's own queue
      sim::internal::QueueOf(std::this_thread::get_id()).posted.push_back(SysMessage{nullptr, message, wParam, lParam});
      sim::internal::WakeWindowManager();
      return 1;
    }
    Window* w = LiveWindow(window);
    if (w) {
      sim::internal::QueueOf(w->thread).posted.push_back(SysMessage{window, message, wParam, lParam});
      sim::internal::WakeWindowManager();
      return 1;
    }
  }
  if (sim::internal::IsForeignWindow(window)) {
    sim::internal::DeliverToForeignWindow(window, message, wParam, lParam);
    return 1;
  }
  sim::internal::SetLastError(kErrInvalidWindowHandle);
  return 0;
}

intptr_t SysSendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  std::shared_ptr<sim::internal::SentMessage> sent;
  {
    Guard guard(Lock());
    Window* w = LiveWindow(window);
    if (!w) {
      if (!sim::internal::IsForeignWindow(window)) {
        sim::internal::SetLastError(kErrInvalidWindowHandle);
        return 0;
      }
    } else if (w->thread != std::this_thread::get_id() && (w->dialogProc || w->windowProc)) {
      sent = std::make_shared<sim::internal::SentMessage>();
      sent->message = SysMessage{window, message, wParam, lParam};
      sim::internal::QueueOf(w->thread).sent.push_back(sent);
      sim::internal::WakeWindowManager();
    }
  }
  if (!sent) {
    if (sim::internal::IsForeignWindow(window)) {
      sim::internal::DeliverToForeignWindow(window, message, wParam, lParam);
      return 0;
    }
    // The window's own thread, or a built-in control (whose behaviour runs no program code).
    return sim::internal::Deliver(window, message, wParam, lParam);
  }
  // Another thread's window: wait for its answer, serving what is sent to this thread meanwhile.
  const std::thread::id self = std::this_thread::get_id();
  sim::internal::UniqueLock lock(Lock());
  while (!sent->done) {
    if (!LiveWindow(window)) return 0;  // destroyed (or its thread ended) before it answered
    sim::internal::ThreadQueue& mine = sim::internal::QueueOf(self);
    if (!mine.sent.empty()) {
      std::shared_ptr<sim::internal::SentMessage> incoming = mine.sent.front();
      mine.sent.pop_front();
      lock.unlock();
      sim::internal::RunSent(incoming);
      lock.lock();
      continue;
    }
    sim::internal::MachineChanged().wait(lock);
  }
  return sent->result;
}

void SysPostQuitMessage(int exitCode) {
  Guard guard(Lock());
  sim::internal::ThreadQueue& queue = sim::internal::QueueOf(std::this_thread::get_id());
  queue.quitPending = true;
  queue.quitCode = exitCode;
  sim::internal::WakeWindowManager();
}

int SysGetMessage(SysMessage* message) {
  if (SIM_FAULT(SysGetMessage)) return -1;
  const std::thread::id self = std::this_thread::get_id();
  sim::internal::UniqueLock lock(Lock());
  for (;;) {
    sim::internal::Work work = sim::internal::TakeWork(self);
    switch (work.kind) {
      case sim::internal::WorkKind::kSent:
        lock.unlock();
        sim::internal::RunSent(work.sent);
        lock.lock();
        break;
      case sim::internal::WorkKind::kPosted:
      case sim::internal::WorkKind::kPaint:
        if (message) *message = work.message;
        return 1;
      case sim::internal::WorkKind::kQuit:
        sim::internal::QueueOf(self).quitPending = false;
        if (message) *message = work.message;
        return 0;
      case sim::internal::WorkKind::kNone:
        sim::internal::MachineChanged().wait(lock);
        break;
    }
  }
}

int SysPeekMessage(SysMessage* message) {
  const std::thread::id self = std::this_thread::get_id();
  sim::internal::UniqueLock lock(Lock());
  for (;;) {
    sim::internal::Work work = sim::internal::TakeWork(self);
    switch (work.kind) {
      case sim::internal::WorkKind::kSent:
        lock.unlock();
        sim::internal::RunSent(work.sent);
        lock.lock();
        break;
      case sim::internal::WorkKind::kQuit:
        sim::internal::QueueOf(self).quitPending = false;
        if (message) *message = work.message;
        return 1;
      case sim::internal::WorkKind::kPosted:
      case sim::internal::WorkKind::kPaint:
        if (message) *message = work.message;
        return 1;
      case sim::internal::WorkKind::kNone:
        return 0;
    }
  }
}

int SysTranslateMessage(const SysMessage*) { return 0; }

int SysUpdateWindow(WindowHandle window) {
  if (SIM_FAULT(SysUpdateWindow)) return 0;
  bool needsPaint = false;
  {
    Guard guard(Lock());
    Window* w = LiveWindow(window);
    if (!w) {
      sim::internal::SetLastError(kErrInvalidWindowHandle);
      return 0;
    }
    needsPaint = w->invalid && sim::internal::EffectivelyVisible(*w);
  }
  // An invalid window is painted at once, past the queue.
  if (needsPaint) {
    SysSendMessage(window, kWmPaint, 0, 0);
    sim::internal::FinishPaint(window);
  }
  return 1;
}

intptr_t SysDispatchMessage(const SysMessage* message) {
  if (!message || !message->window) return 0;
  const WindowHandle window = message->window;
  if (message->message == sim::internal::kUserPointerOver) {
    sim::internal::PointerOver(window, static_cast<uint32_t>(message->wParam));
    return 0;
  }
  bool needsPaint = false;
  if (message->message == kWmPaint) {
    Guard guard(Lock());
    Window* w = LiveWindow(window);
    needsPaint = w && w->invalid && sim::internal::EffectivelyVisible(*w);
  }
  const intptr_t result = sim::internal::Deliver(window, message->message, message->wParam, message->lParam);
  if (needsPaint) sim::internal::FinishPaint(window);
  return result;
}

intptr_t SysDefWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kWmSetText: {
      Guard guard(Lock());
      Window* w = LiveWindow(window);
      if (!w) return 0;
      const char16_t* text = reinterpret_cast<const char16_t*>(lParam);
      w->text = text ? std::u16string(text) : std::u16string();
      w->textIsOrdinal = false;
      sim::internal::Invalidate(*w, false);
      return 1;
    }
    case kWmGetText: {
      Guard guard(Lock());
      Window* w = LiveWindow(window);
      char16_t* out = reinterpret_cast<char16_t*>(lParam);
      const uint32_t cap = static_cast<uint32_t>(wParam);
      if (!w || !out || cap == 0) return 0;
      const uint32_t n = w->text.size() < cap ? static_cast<uint32_t>(w->text.size()) : cap - 1;
      std::copy(w->text.begin(), w->text.begin() + n, out);
      out[n] = 0;
      return n;
    }
    case sim::internal::kWmGetTextLengthMessage: {
      Guard guard(Lock());
      Window* w = LiveWindow(window);
      return w ? static_cast<intptr_t>(w->text.size()) : 0;
    }
    case kWmSetFont: {
      Guard guard(Lock());
      Window* w = LiveWindow(window);
      if (!w) return 0;
      w->font = reinterpret_cast<GdiObject>(wParam);
      if (lParam) sim::internal::Invalidate(*w, false);
      return 0;
    }
    case kWmGetFont: {
      Guard guard(Lock());
      Window* w = LiveWindow(window);
      return w ? reinterpret_cast<intptr_t>(w->font) : 0;
    }
    case kWmPaint: {
      SysPaint paint;
      SysBeginPaint(window, &paint);
      SysEndPaint(window, &paint);
      return 0;
    }
    case kWmEraseBkgnd:
    case kWmQueryEndSession:
      return 1;
    case kWmClose:
      SysDestroyWindow(window);
      return 0;
    case kWmSetCursor: {
      WindowHandle parent = nullptr;
      {
        Guard guard(Lock());
        Window* w = LiveWindow(window);
        if (!w) return 0;
        parent = w->parent;
      }
      // A child first lets its parent decide; then the client area gets the class cursor.
      if (parent && SysSendMessage(parent, kWmSetCursor, wParam, lParam)) return 1;
      if ((static_cast<uint32_t>(lParam) & kLowWordMask) == kHtClient) {
        SysSetCursorShape(kCursorArrow);
        return 1;
      }
      return 0;
    }
    default:
      return 0;
  }
}
