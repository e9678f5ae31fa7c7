// The page-test fixture: one page on a stand-in frame of the simulated window manager.
#include "support/page_fixture.h"

#include <ostream>

#include "platform/sim/machine/machine.h"
#include "platform/sim/ui/window_manager.h"

WindowHandle MakeWizardFrame(const std::u16string& className) {
  sim::internal::WindowDescription desc;
  desc.className = className;
  desc.style = sim::kWsPopup | sim::kWsVisible;
  desc.width = 500;
  desc.height = 380;
  return sim::internal::CreateWindowObject(desc);
}

void PrintTo(const FrameRequest& r, std::ostream* out) {
  *out << "{0x" << std::hex << r.message << std::dec << ", " << r.wParam << ", " << r.lParam << "}";
}

void PageFixture::CreatePage(uint32_t templateId, SysDialogProc proc) {
  frame_ = MakeWizardFrame();
  page_ = sim::internal::CreateDialogFromTemplate(templateId, frame_, true, proc, 0);
  ASSERT_NE(page_, nullptr);
  SysShowWindow(page_, kSwShow);  // the sheet shows the active page
}

intptr_t PageFixture::Notify(int32_t code) {
  SysNotifyHeader header = {frame_, 0, code};
  return SysSendMessage(page_, kWmNotify, 0, reinterpret_cast<intptr_t>(&header));
}

void PageFixture::Click(int id) {
  sim::internal::PressDialogControl(page_, id);
  for (const FrameRequest& r : Requests()) SysPostMessage(frame_, r.message, r.wParam, r.lParam);
}

std::vector<FrameRequest> PageFixture::Requests() {
  std::vector<FrameRequest> requests;
  SysMessage m;
  while (SysPeekMessage(&m)) {
    if (m.window == frame_ && m.message != kWmPaint)
      requests.push_back(FrameRequest{m.message, m.wParam, m.lParam});
    else
      SysDispatchMessage(&m);
  }
  return requests;
}

bool PageFixture::Visible(int id) const {
  sim::WindowInfo info;
  return sim::GetWindowInfo(sim::FindControl(page_, id), &info) && info.visible;
}

bool PageFixture::Checked(int id) const { return SysIsDlgButtonChecked(page_, id) == kBstChecked; }
