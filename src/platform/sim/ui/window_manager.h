// The simulated window manager as the rest of the machine uses it: window records made from a
// description or from a dialog template, modal loops that act for the user once the program
// goes quiet, and presses of dialog controls. The property sheet and window classes of the
// machine are built on these; the installer itself only sees platform/ui.h.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/types.h"
#include "platform/ui.h"

namespace sim {

// Window, dialog and control styles the window manager interprets (Windows numbering).
constexpr uint32_t kWsPopup = 0x80000000;
constexpr uint32_t kWsChild = 0x40000000;
constexpr uint32_t kWsMinimize = 0x20000000;
constexpr uint32_t kWsVisible = 0x10000000;
constexpr uint32_t kWsDisabled = 0x08000000;
constexpr uint32_t kWsMaximize = 0x01000000;
constexpr uint32_t kWsCaption = 0x00C00000;  // border + dialog frame
constexpr uint32_t kWsBorder = 0x00800000;
constexpr uint32_t kWsDlgFrame = 0x00400000;
constexpr uint32_t kWsThickFrame = 0x00040000;
constexpr uint32_t kWsGroup = 0x00020000;
constexpr uint32_t kWsTabStop = 0x00010000;
constexpr uint32_t kWsExDlgModalFrame = 0x00000001;
constexpr uint32_t kWsExClientEdge = 0x00000200;
constexpr uint32_t kWsExStaticEdge = 0x00020000;
constexpr uint32_t kDsSetFont = 0x40;
constexpr uint32_t kDsModalFrame = 0x80;
constexpr uint32_t kDsControl = 0x0400;
constexpr uint32_t kDsCenter = 0x0800;
constexpr uint32_t kBsTypeMask = 0xF;
constexpr uint32_t kBsPushButton = 0x0;
constexpr uint32_t kBsDefPushButton = 0x1;
constexpr uint32_t kBsCheckBox = 0x2;
constexpr uint32_t kBsAutoCheckBox = 0x3;
constexpr uint32_t kBsRadioButton = 0x4;
constexpr uint32_t kBs3State = 0x5;
constexpr uint32_t kBsAuto3State = 0x6;
constexpr uint32_t kBsGroupBox = 0x7;
constexpr uint32_t kBsAutoRadioButton = 0x9;
constexpr uint32_t kSsSunken = 0x1000;

// Messages the built-in controls answer beyond those platform/ui.h names.
constexpr uint32_t kWmGetTextLength = 0x000E;
constexpr uint32_t kBmSetStyle = 0x00F4;
constexpr uint32_t kBmClick = 0x00F5;
constexpr uint32_t kBstIndeterminate = 2;

// The simulated screen: 96 dots per inch, classic look. Caption bar 19 pixels, sizing frame 4,
// dialog (modal) frame 3, thin border 1, client edge 2, static edge 1; a 1024 x 768 screen whose
// work area leaves 30 pixels at the bottom for the task bar.
constexpr int kCaptionHeight = 19;
constexpr int kSizingFrame = 4;
constexpr int kDialogFrame = 3;
constexpr int kThinBorder = 1;
constexpr int kClientEdge = 2;
constexpr int kStaticEdgeWidth = 1;
constexpr int kDefaultScreenWidth = 1024;
constexpr int kDefaultScreenHeight = 768;
constexpr int kDefaultTaskBarHeight = 30;
// The class name Windows gives dialogs made from templates.
constexpr char16_t kDialogClassName[] = u"#32770";

namespace internal {

// A window made from a description (frames, buttons of a property sheet, windows of a class).
struct WindowDescription {
  std::u16string className;
  std::u16string text;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  int id = 0;
  // Window rectangle: in the parent's client coordinates for a child, else on the screen.
  int left = 0, top = 0, width = 0, height = 0;
  WindowHandle parent = nullptr;       // a child window when set (kWsChild is added)
  WindowHandle owner = nullptr;        // owner of a top-level window
  SysWindowProc windowProc = nullptr;  // the program's procedure; null: built-in behaviour of the class
  SysDialogProc dialogProc = nullptr;  // makes the window a dialog (DefDlgProc behaviour around it)
};
// Creates the window (no message is sent). It is visible when the style has kWsVisible, and
// belongs to the calling thread.
WindowHandle CreateWindowObject(const WindowDescription& description);

// Creates a dialog from a template of the program's resources (or the test overlay): controls,
// font, geometry; sends WM_SETFONT (templates with a font) and WM_INITDIALOG with `parameter`.
// asChild: a child of parentOrOwner (a property sheet page), else a top-level dialog owned by
// parentOrOwner's top-level window. The dialog is not shown yet. Null for a missing template.
// removeStyle: template style bits dropped before anything is measured (a property sheet drops
// the caption, popup and disabled bits of its pages).
WindowHandle CreateDialogFromTemplate(uint32_t templateId, WindowHandle parentOrOwner, bool asChild, SysDialogProc proc,
                                      intptr_t parameter, uint32_t removeStyle = 0);
// Whether the program hid the window (ShowWindow or SetWindowPos) since it was created.
bool HiddenByProgram(WindowHandle window);

// Runs the calling thread's messages (sent, posted, paint) until EndModalLoop for `window`, its
// destruction or WM_QUIT (which stays queued for the outer loop). When the thread is quiet (no
// message, no pending paint, no other program thread running), `whenQuiet` acts for the user;
// it must end the loop or change something. Its argument is true the first time the loop is
// quiet after it handled a message. Returns the value given to EndModalLoop (0 if none).
intptr_t RunModalLoop(WindowHandle window, const std::function<void(bool firstQuiet)>& whenQuiet);
// Ends the modal loop of `window` (from any thread) with a result.
void EndModalLoop(WindowHandle window, intptr_t result);

// The next scripted answer (a control id) for a template, taken from the answers script.
bool TakeDialogAnswer(uint32_t templateId, int* controlId);
// What the user does when a template dialog waits: the scripted answer, else its default push
// button, else IDCANCEL; each press is journaled. After too many presses that were not
// scripted, the dialog is ended with -1 (journaled) rather than left waiting for ever.
void AnswerForUser(WindowHandle dialog);
// Presses a control of a dialog as a click would (auto buttons change state, then WM_COMMAND
// with BN_CLICKED goes to the dialog) and journals "dialog: <template> press <id> (<text>)".
void PressDialogControl(WindowHandle dialog, int controlId);
// The template a dialog was made from (0 for other windows).
uint32_t DialogTemplateOf(WindowHandle window);

// Clears every window, queue, answer and drawing object (ResetMachine).
void ResetWindowManager();
// How many drawing objects the program created and has not deleted, and how many device
// contexts it holds.
size_t OpenGdiObjectCount();
size_t OpenDeviceContextCount();
// Destroys the windows and the message queue of the calling thread, as Windows does when a
// thread ends.
void DestroyThreadWindows();

// Wakes every wait of the window manager (a thread ended, a message arrived).
void WakeWindowManager();

}  // namespace internal
}  // namespace sim

namespace sim {
namespace internal {
// ---- Windows of classes the program registered (window_classes.cpp) ----
// Journals a show request made for a window of such a class: "window: <class> [<title>] shown
// maximised" (or "shown", "hidden", "minimised", "restored"). Other windows are left alone.
void NoteShowCommand(WindowHandle window, int command);
}  // namespace internal
}  // namespace sim
