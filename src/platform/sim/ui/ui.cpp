// User-interface services of the simulated machine: message boxes answered from the test's
// answer queue (else by their default button) and recorded in the journal, and string
// resources read from the program's compiled resource file.
#include "platform/ui.h"

#include <mutex>
#include <string>

#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/kernel/res_file.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/machine/windows_constants.h"

namespace {

constexpr uint32_t kDefButtonShift = 8;
// MessageBox with no caption uses this one.
const char16_t kDefaultCaption[] = u"Error";

// The button a message box of this style gives when the user just presses Enter.
int DefaultButton(uint32_t style) {
  static const int kOk[] = {kIdOk};
  static const int kOkCancel[] = {kIdOk, kIdCancel};
  static const int kAbortRetryIgnore[] = {kIdAbort, kIdRetry, kIdIgnore};
  static const int kYesNoCancel[] = {kIdYes, kIdNo, kIdCancel};
  static const int kYesNo[] = {kIdYes, kIdNo};
  static const int kRetryCancel[] = {kIdRetry, kIdCancel};
  const int* buttons = kOk;
  size_t count = 1;
  switch (style & kMbTypeMask) {
    case kMbOkCancel:
      buttons = kOkCancel;
      count = 2;
      break;
    case kMbAbortRetryIgnore:
      buttons = kAbortRetryIgnore;
      count = 3;
      break;
    case kMbYesNoCancel:
      buttons = kYesNoCancel;
      count = 3;
      break;
    case kMbYesNo:
      buttons = kYesNo;
      count = 2;
      break;
    case kMbRetryCancel:
      buttons = kRetryCancel;
      count = 2;
      break;
    default:
      break;
  }
  // A default button beyond the last one falls back to the first, as Windows does.
  size_t index = (style & kMbDefButtonMask) >> kDefButtonShift;
  return index < count ? buttons[index] : buttons[0];
}

// Journal text of one message-box field: line breaks written as the two characters \n.
std::string JournalText(const char16_t* text) {
  std::u16string flat;
  for (const char16_t* p = text; p && *p; ++p) {
    if (*p == u'\r' && p[1] == u'\n') continue;
    if (*p == u'\n' || *p == u'\r')
      flat += u"\\n";
    else
      flat += *p;
  }
  return sim::ToUtf8(flat);
}

}  // namespace

int SysMessageBox(WindowHandle, const char16_t* text, const char16_t* caption, uint32_t style) {
  std::lock_guard<sim::internal::MachineLock> guard(sim::internal::Lock());
  if (SIM_FAULT(SysMessageBox)) return 0;
  sim::internal::MachineState& s = sim::internal::State();
  int answer = DefaultButton(style);
  if (!s.messageBoxAnswers.empty()) {
    answer = s.messageBoxAnswers.front();
    s.messageBoxAnswers.pop_front();
  }
  sim::JournalAdd("msgbox: [" + JournalText(caption ? caption : kDefaultCaption) + "] " + JournalText(text) +
                  " -> " + std::to_string(answer));
  return answer;
}

uint32_t SysLoadString(ModuleHandle, uint32_t id, char16_t* out, uint32_t cap) {
  std::lock_guard<sim::internal::MachineLock> guard(sim::internal::Lock());
  if (!out || cap == 0) return 0;
  out[0] = 0;
  if (SIM_FAULT(SysLoadString)) return 0;
  const uint16_t language = static_cast<uint16_t>(sim::internal::State().profile.threadLocale & kLanguageMask);
  std::u16string text;
  if (!sim::LoadResString(sim::ProgramResources(), sim::ProgramResourcesSize(), id, language, &text) || text.empty()) {
    sim::internal::SetLastError(kErrResourceNameNotFound);
    return 0;
  }
  uint32_t n = text.size() < cap ? static_cast<uint32_t>(text.size()) : cap - 1;
  for (uint32_t i = 0; i < n; ++i) out[i] = text[i];
  out[n] = 0;
  return n;
}
