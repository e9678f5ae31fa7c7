// The wizard property sheet of the simulated machine: a frame of class "#32770" with the Back,
// Next, Finish and Cancel buttons, owned by the program's window; pages made from their templates
// as children of the frame when first shown; the property-sheet requests of the pages (buttons,
// presses, page removal, Cancel to Close); the wizard notifications with Windows' rules for the
// page's answer; and the user's side when the sheet waits: the answers script of the active page,
// else Next (or Finish).
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sim/ui/dialog_template.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/kernel/res_file.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/sim/ui/window_state.h"
#include "platform/ui.h"
#include "platform/sim/machine/windows_constants.h"

namespace sim {
namespace internal {

namespace {

using sim::internal::Guard;

// Frame layout in pixels: page margin, button size and gap, the strip below the pages.
constexpr int kMargin = 7;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;
constexpr int kButtonStrip = kButtonHeight + 2 * kMargin + 4;
// Template styles a page loses in the sheet, as Windows' property sheet drops them.
constexpr uint32_t kPageStylesDropped = kWsPopup | kWsDisabled | kWsCaption | kDsModalFrame;
// Unscripted presses without a page change before the sheet counts as endless.
constexpr int kMaxIdlePresses = 10;
constexpr intptr_t kEndlessSheetResult = -1;
constexpr intptr_t kFinishedResult = 1;

struct SheetPage {
  uint64_t key = 0;  // stays with the page while indexes shift
  uint32_t templateId = 0;
  std::u16string title;
  SysDialogProc proc = nullptr;
  WindowHandle window = nullptr;
};

struct Sheet {
  std::vector<SheetPage> pages;
  int active = -1;
  int idlePresses = 0;
  uint64_t nextKey = 1;
};

// Running sheets by frame. Hold Lock().
std::map<WindowHandle, Sheet>& Sheets() {
  static std::map<WindowHandle, Sheet>* sheets = new std::map<WindowHandle, Sheet>;
  return *sheets;
}

Sheet* SheetOf(WindowHandle frame) {
  auto it = Sheets().find(frame);
  return it == Sheets().end() ? nullptr : &it->second;
}

int IndexOfKey(const Sheet& sheet, uint64_t key) {
  for (size_t i = 0; i < sheet.pages.size(); ++i)
    if (sheet.pages[i].key == key) return static_cast<int>(i);
  return -1;
}

const char* ButtonName(int id) {
  switch (id) {
    case kIdWizardBack:
      return "Back";
    case kIdWizardNext:
      return "Next";
    case kIdWizardFinish:
      return "Finish";
    case kIdCancel:
      return "Cancel";
    default:
      return "?";
  }
}

bool IsFrameButton(int id) {
  return id == kIdWizardBack || id == kIdWizardNext || id == kIdWizardFinish || id == kIdCancel;
}

Window* FrameButton(WindowHandle frame, int id) {
  Window* f = LiveWindow(frame);
  if (!f) return nullptr;
  for (WindowHandle child : f->children) {
    Window* c = LiveWindow(child);
    if (c && c->id == id) return c;
  }
  return nullptr;
}

bool ButtonEnabled(WindowHandle frame, int id) {
  Guard guard(Lock());
  Window* b = FrameButton(frame, id);
  return b && b->enabled() && b->visible();
}

void SetButtonEnabled(WindowHandle frame, int id, bool enabled) {
  Window* b = FrameButton(frame, id);
  if (!b || b->enabled() == enabled) return;
  if (enabled)
    b->style &= ~kWsDisabled;
  else
    b->style |= kWsDisabled;
  Invalidate(*b, false);
}

// The size of a template in pixels (0 x 0 when it is missing).
void TemplateSize(uint32_t templateId, int* width, int* height) {
  DialogTemplate t;
  std::vector<uint8_t> overlay;
  uint16_t language = 0;
  {
    Guard guard(Lock());
    overlay = Ui().overlay;
    language = static_cast<uint16_t>(State().profile.threadLocale & kLanguageMask);
  }
  bool found = !overlay.empty() && LoadDialogTemplate(overlay.data(), overlay.size(), templateId, language, &t);
  if (!found) found = LoadDialogTemplate(ProgramResources(), ProgramResourcesSize(), templateId, language, &t);
  *width = found ? DialogUnitsToPixelsX(t.cx) : 0;
  *height = found ? DialogUnitsToPixelsY(t.cy) : 0;
}

intptr_t Notify(WindowHandle frame, WindowHandle page, int32_t code) {
  SysNotifyHeader header = {frame, 0, code};
  return SysSendMessage(page, kWmNotify, 0, reinterpret_cast<intptr_t>(&header));
}

WindowHandle ActivePageOf(WindowHandle frame, uint32_t* templateId = nullptr) {
  Guard guard(Lock());
  Sheet* sheet = SheetOf(frame);
  if (!sheet || sheet->active < 0) return nullptr;
  const SheetPage& page = sheet->pages[static_cast<size_t>(sheet->active)];
  if (templateId) *templateId = page.templateId;
  return page.window;
}

void EndSheet(WindowHandle frame, intptr_t result, const std::string& line) {
  JournalAdd(line);
  EndModalLoop(frame, result);
}

// Makes page `index` the active one: created when first shown (WM_INITDIALOG), told with
// PSN_SETACTIVE, then shown in place of the previous page under the page's title. False when the
// page cannot be created.
bool ShowPage(WindowHandle frame, int index) {
  uint64_t key = 0;
  uint32_t templateId = 0;
  SysDialogProc proc = nullptr;
  WindowHandle window = nullptr;
  {
    Guard guard(Lock());
    Sheet* sheet = SheetOf(frame);
    if (!sheet || index < 0 || index >= static_cast<int>(sheet->pages.size())) return false;
    const SheetPage& page = sheet->pages[static_cast<size_t>(index)];
    key = page.key;
    templateId = page.templateId;
    proc = page.proc;
    window = page.window;
  }
  if (!window) {
    window = CreateDialogFromTemplate(templateId, frame, true, proc, 0, kPageStylesDropped);
    Guard guard(Lock());
    Sheet* sheet = SheetOf(frame);
    const int at = sheet ? IndexOfKey(*sheet, key) : -1;
    if (!window || at < 0) {
      JournalAdd("wizard: page " + std::to_string(templateId) + " could not be created");
      return false;
    }
    sheet->pages[static_cast<size_t>(at)].window = window;
    if (Window* w = LiveWindow(window)) {
      const int width = w->rect.right - w->rect.left;
      const int height = w->rect.bottom - w->rect.top;
      w->rect = SysRect{kMargin, kMargin, kMargin + width, kMargin + height};
    }
  }
  Notify(frame, window, kPsnSetActive);

  Guard guard(Lock());
  Sheet* sheet = SheetOf(frame);
  const int at = sheet ? IndexOfKey(*sheet, key) : -1;
  Window* page = LiveWindow(window);
  Window* f = LiveWindow(frame);
  if (at < 0 || !page || !f) return false;
  if (sheet->active >= 0 && sheet->active != at) {
    if (Window* old = LiveWindow(sheet->pages[static_cast<size_t>(sheet->active)].window)) SetVisible(*old, false);
  }
  SetVisible(*page, true);
  sheet->active = at;
  sheet->idlePresses = 0;
  Ui().activeWizardPage = window;
  const std::u16string& title = sheet->pages[static_cast<size_t>(at)].title;
  if (f->text != title) {
    f->text = title;
    Invalidate(*f, false);
  }
  JournalAdd("wizard: page " + std::to_string(templateId) + " [" + JournalText(title) + "] shown" +
             (f->visible() ? "" : " in a hidden frame"));
  return true;
}

// Leaves the active page for page `target` when the active page allows it (PSN_KILLACTIVE).
void MoveTo(WindowHandle frame, WindowHandle page, int target) {
  {
    Guard guard(Lock());
    Sheet* sheet = SheetOf(frame);
    if (!sheet || target < 0 || target >= static_cast<int>(sheet->pages.size())) return;
  }
  if (Notify(frame, page, kPsnKillActive) != 0) return;
  ShowPage(frame, target);
}

// The page whose template is `templateId`, else -1 (a page's answer may name the page to go to).
int IndexOfTemplate(WindowHandle frame, intptr_t templateId) {
  Guard guard(Lock());
  Sheet* sheet = SheetOf(frame);
  if (!sheet) return -1;
  for (size_t i = 0; i < sheet->pages.size(); ++i)
    if (static_cast<intptr_t>(sheet->pages[i].templateId) == templateId) return static_cast<int>(i);
  return -1;
}

// Next and Back: the page's answer -1 keeps it, 0 goes to the neighbour in that direction,
// another value names the template of the page to go to.
void Step(WindowHandle frame, int32_t code, int direction) {
  WindowHandle page = ActivePageOf(frame);
  if (!page) return;
  const intptr_t answer = Notify(frame, page, code);
  if (answer == -1) return;
  int target = -1;
  if (answer == 0) {
    Guard guard(Lock());
    Sheet* sheet = SheetOf(frame);
    if (sheet) target = sheet->active + direction;
  } else {
    target = IndexOfTemplate(frame, answer);
  }
  MoveTo(frame, page, target);
}

// Finish: a non-zero answer keeps the sheet open.
void Finish(WindowHandle frame) {
  WindowHandle page = ActivePageOf(frame);
  if (page && Notify(frame, page, kPsnWizFinish) != 0) return;
  EndSheet(frame, kFinishedResult, "wizard: finished");
}

// Cancel: a non-zero answer to PSN_QUERYCANCEL keeps the sheet open; otherwise every page made
// so far hears PSN_RESET and the sheet closes with 0.
void Cancel(WindowHandle frame) {
  WindowHandle page = ActivePageOf(frame);
  if (page && Notify(frame, page, kPsnQueryCancel) != 0) return;
  std::vector<WindowHandle> made;
  {
    Guard guard(Lock());
    Sheet* sheet = SheetOf(frame);
    if (sheet)
      for (const SheetPage& p : sheet->pages)
        if (p.window) made.push_back(p.window);
  }
  for (WindowHandle p : made) Notify(frame, p, kPsnReset);
  EndSheet(frame, 0, "wizard: cancelled");
}

void Press(WindowHandle frame, int id) {
  switch (id) {
    case kIdWizardBack:
      Step(frame, kPsnWizBack, -1);
      break;
    case kIdWizardNext:
      Step(frame, kPsnWizNext, 1);
      break;
    case kIdWizardFinish:
      Finish(frame);
      break;
    case kIdCancel:
      Cancel(frame);
      break;
    default:
      break;
  }
}

int ButtonOfPsbtn(uintptr_t button) {
  switch (button) {
    case kPsbtnBack:
      return kIdWizardBack;
    case kPsbtnNext:
      return kIdWizardNext;
    case kPsbtnFinish:
      return kIdWizardFinish;
    case kPsbtnCancel:
      return kIdCancel;
    default:
      return 0;
  }
}

// PSM_PRESSBUTTON: Back and Next only while enabled; Finish and Cancel always act.
void RequestedPress(WindowHandle frame, uintptr_t button) {
  const int id = ButtonOfPsbtn(button);
  if (id == 0) return;
  std::string line = std::string("wizard: page presses ") + ButtonName(id);
  if ((id == kIdWizardBack || id == kIdWizardNext) && !ButtonEnabled(frame, id)) {
    JournalAdd(line + " ignored: disabled");
    return;
  }
  JournalAdd(line);
  Press(frame, id);
}

// A press made for the user: a disabled (or hidden) button takes none.
void UserPress(WindowHandle frame, int id) {
  WindowHandle button = nullptr;
  {
    Guard guard(Lock());
    Window* b = FrameButton(frame, id);
    if (!b || !b->enabled() || !b->visible()) {
      JournalAdd(std::string("wizard: press ") + ButtonName(id) + " ignored: disabled");
      return;
    }
    button = b->handle();
  }
  ClickButton(button);  // WM_COMMAND reaches the frame
}

void SetWizButtons(WindowHandle frame, intptr_t flags) {
  Guard guard(Lock());
  SetButtonEnabled(frame, kIdWizardBack, (flags & kPswizbBack) != 0);
  SetButtonEnabled(frame, kIdWizardNext, (flags & kPswizbNext) != 0);
  SetButtonEnabled(frame, kIdWizardFinish, (flags & kPswizbFinish) != 0 && (flags & kPswizbDisabledFinish) == 0);
}

// PSM_REMOVEPAGE by index. A page not made yet is only dropped; when the active page goes, the
// one before it (the one after it for the first) becomes active first, as Windows does.
void RemovePage(WindowHandle frame, uintptr_t index) {
  uint64_t key = 0;
  uint32_t templateId = 0;
  bool wasActive = false;
  size_t count = 0;
  {
    Guard guard(Lock());
    Sheet* sheet = SheetOf(frame);
    if (!sheet || index >= sheet->pages.size()) return;
    key = sheet->pages[index].key;
    templateId = sheet->pages[index].templateId;
    wasActive = static_cast<int>(index) == sheet->active;
    count = sheet->pages.size();
  }
  if (wasActive && count > 1) ShowPage(frame, index > 0 ? static_cast<int>(index) - 1 : 1);
  WindowHandle window = nullptr;
  {
    Guard guard(Lock());
    Sheet* sheet = SheetOf(frame);
    const int at = sheet ? IndexOfKey(*sheet, key) : -1;
    if (at < 0) return;
    window = sheet->pages[static_cast<size_t>(at)].window;
    sheet->pages.erase(sheet->pages.begin() + at);
    if (sheet->active == at) {
      sheet->active = -1;
      Ui().activeWizardPage = nullptr;
    } else if (sheet->active > at) {
      --sheet->active;
    }
    JournalAdd("wizard: page " + std::to_string(templateId) + " removed");
  }
  if (window) DestroyTree(window);
}

void CancelToClose(WindowHandle frame) {
  Guard guard(Lock());
  Window* cancel = FrameButton(frame, kIdCancel);
  if (!cancel) return;
  cancel->text = u"Close";
  SetButtonEnabled(frame, kIdCancel, false);
  Invalidate(*cancel, false);
}

intptr_t FrameProc(WindowHandle frame, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kPsmSetWizButtons:
      SetWizButtons(frame, lParam);
      return 0;
    case kPsmPressButton:
      RequestedPress(frame, wParam);
      return 0;
    case kPsmRemovePage:
      RemovePage(frame, wParam);
      return 0;
    case kPsmCancelToClose:
      CancelToClose(frame);
      return 0;
    case kPsmSetCurSel:
      ShowPage(frame, static_cast<int>(wParam));
      return 1;
    case kWmCommand: {
      const int id = static_cast<int>(wParam & kLowWordMask);
      if (!IsFrameButton(id)) return 0;
      JournalAdd(std::string("wizard: press ") + ButtonName(id));
      Press(frame, id);
      return 0;
    }
    case kWmClose:
      Press(frame, kIdCancel);
      return 0;
    case kDmGetDefId:
      return static_cast<intptr_t>((static_cast<uint32_t>(kIdWizardNext) & kLowWordMask) |
                                   (kDcHasDefId << kHighWordShift));
    default:
      return SysDefWindowProc(frame, message, wParam, lParam);
  }
}

// The sheet waits for the user: the wait hook first, then the active page's scripted answer,
// else Next (or Finish when only Finish is enabled).
void AnswerSheetForUser(WindowHandle frame, bool firstQuiet) {
  uint32_t templateId = 0;
  WindowHandle page = ActivePageOf(frame, &templateId);
  std::function<void(WindowHandle, uint32_t)> hook;
  {
    Guard guard(Lock());
    hook = Ui().waitHook;
  }
  if (firstQuiet && hook) {
    hook(page, templateId);
    return;
  }
  int id = 0;
  if (TakeDialogAnswer(templateId, &id)) {
    if (IsFrameButton(id))
      UserPress(frame, id);
    else if (page)
      PressDialogControl(page, id);
    return;
  }
  {
    Guard guard(Lock());
    Sheet* sheet = SheetOf(frame);
    if (!sheet) return;
    if (++sheet->idlePresses > kMaxIdlePresses) {
      EndSheet(frame, kEndlessSheetResult,
               "wizard: still open after " + std::to_string(kMaxIdlePresses) + " presses, ended with " +
                   std::to_string(kEndlessSheetResult));
      return;
    }
  }
  const bool finishOnly = !ButtonEnabled(frame, kIdWizardNext) && ButtonEnabled(frame, kIdWizardFinish);
  UserPress(frame, finishOnly ? kIdWizardFinish : kIdWizardNext);
}

// The frame with its four buttons, sized for the largest page, centred in the work area.
WindowHandle CreateFrame(WindowHandle owner, const SysWizardPage* pages, uint32_t count) {
  int pageWidth = 0, pageHeight = 0;
  for (uint32_t i = 0; i < count; ++i) {
    int width = 0, height = 0;
    TemplateSize(pages[i].templateId, &width, &height);
    if (width > pageWidth) pageWidth = width;
    if (height > pageHeight) pageHeight = height;
  }
  const int minWidth = 4 * kButtonWidth + 3 * kButtonGap;
  const int clientWidth = (pageWidth > minWidth ? pageWidth : minWidth) + 2 * kMargin;
  const int clientHeight = pageHeight + kMargin + kButtonStrip;
  const Insets insets = InsetsFor(WindowKind::kPlain, kWsPopup | kWsCaption, kWsExDlgModalFrame);
  WindowDescription desc;
  desc.className = kDialogClassName;
  desc.text = pages[0].title ? pages[0].title : u"";
  desc.style = kWsPopup | kWsCaption | kWsVisible;
  desc.exStyle = kWsExDlgModalFrame;
  desc.width = clientWidth + insets.left + insets.right;
  desc.height = clientHeight + insets.top + insets.bottom;
  {
    Guard guard(Lock());
    const SysRect& area = Ui().workArea;
    desc.left = area.left + (area.right - area.left - desc.width) / 2;
    desc.top = area.top + (area.bottom - area.top - desc.height) / 2;
  }
  desc.owner = owner;
  desc.windowProc = FrameProc;
  WindowHandle frame = CreateWindowObject(desc);

  struct FrameButton {
    int id;
    const char16_t* text;
  };
  const FrameButton buttons[] = {
      {kIdWizardBack, u"< &Back"}, {kIdWizardNext, u"&Next >"}, {kIdWizardFinish, u"Finish"}, {kIdCancel, u"Cancel"}};
  int x = clientWidth - kMargin - 4 * kButtonWidth - 3 * kButtonGap;
  for (const FrameButton& button : buttons) {
    WindowDescription b;
    b.className = u"Button";
    b.text = button.text;
    b.id = button.id;
    b.style = kWsChild | kWsVisible | kWsTabStop |
              (button.id == kIdWizardNext ? kBsDefPushButton : kBsPushButton) |
              (button.id == kIdWizardFinish ? kWsDisabled : 0);
    b.left = x;
    b.top = clientHeight - kMargin - kButtonHeight;
    b.width = kButtonWidth;
    b.height = kButtonHeight;
    b.parent = frame;
    CreateWindowObject(b);
    x += kButtonWidth + kButtonGap;
  }
  return frame;
}

}  // namespace

}  // namespace internal

WindowHandle ActiveWizardPage() {
  internal::Guard guard(internal::Lock());
  return internal::Ui().activeWizardPage;
}

}  // namespace sim

// ---- ui.h: the wizard sheet ----

using sim::internal::Guard;
using sim::internal::LiveWindow;
using sim::internal::Lock;
using sim::internal::Ui;
using sim::internal::Window;

intptr_t SysRunWizardSheet(ModuleHandle, WindowHandle owner, const SysWizardPage* pages, uint32_t count) {
  if (SIM_FAULT(SysRunWizardSheet)) return -1;
  if (!pages || count == 0) return -1;
  WindowHandle frame = sim::internal::CreateFrame(owner, pages, count);
  {
    Guard guard(Lock());
    sim::internal::Sheet sheet;
    for (uint32_t i = 0; i < count; ++i) {
      sim::internal::SheetPage page;
      page.key = sheet.nextKey++;
      page.templateId = pages[i].templateId;
      page.title = pages[i].title ? pages[i].title : u"";
      page.proc = pages[i].proc;
      sheet.pages.push_back(page);
    }
    sim::internal::Sheets()[frame] = sheet;
    // The owner takes no input while the sheet runs.
    Window* f = LiveWindow(frame);
    Window* o = LiveWindow(f ? f->owner : nullptr);
    if (f && o && o->enabled()) {
      o->style |= sim::kWsDisabled;
      f->disabledOwner = o->handle();
    }
    Ui().foreground = frame;
  }
  intptr_t result = -1;
  if (sim::internal::ShowPage(frame, 0)) {
    result = sim::internal::RunModalLoop(
        frame, [frame](bool firstQuiet) { sim::internal::AnswerSheetForUser(frame, firstQuiet); });
  }
  {
    Guard guard(Lock());
    sim::internal::Sheets().erase(frame);
    Ui().activeWizardPage = nullptr;
    if (Ui().foreground == frame) Ui().foreground = owner;
  }
  sim::internal::DestroyTree(frame);
  return result;
}
