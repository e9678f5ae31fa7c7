// Fixture for tests of one wizard page: the page made from its real template on a stand-in
// wizard frame, notifications sent as the frame sends them, clicks as the user makes them, and
// the requests the page queued to the frame.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "platform/types.h"
#include "platform/ui.h"
#include "support/sim_fixture.h"

// A stand-in for the wizard frame: a visible 500 x 380 popup window of the given class, which a
// page under test takes as its parent.
WindowHandle MakeWizardFrame(const std::u16string& className = u"Frame");

// A request a page queued to the wizard frame.
struct FrameRequest {
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
  bool operator==(const FrameRequest& o) const {
    return message == o.message && wParam == o.wParam && lParam == o.lParam;
  }
};
void PrintTo(const FrameRequest& r, std::ostream* out);

class PageFixture : public SimFixture {
 protected:
  // Creates the page; what its creation queued is kept for Requests().
  void CreatePage(uint32_t templateId, SysDialogProc proc);
  // Sends a wizard notification; the page's answer (its message result).
  intptr_t Notify(int32_t code);
  // Clicks a control of the page as the user would and runs the messages that follow.
  void Click(int id);
  // The requests queued to the frame since the last call, in order.
  std::vector<FrameRequest> Requests();
  bool Visible(int id) const;
  bool Checked(int id) const;

  WindowHandle frame_ = nullptr;
  WindowHandle page_ = nullptr;
};
