// The wizard frame stand-in of the page tests.
#include "support/wizard_frame.h"

#include "platform/sim/ui/window_manager.h"

WindowHandle MakeWizardFrame(const std::u16string& className) {
  sim::internal::WindowDescription desc;
  desc.className = className;
  desc.style = sim::kWsPopup | sim::kWsVisible;
  desc.width = 500;
  desc.height = 380;
  return sim::internal::CreateWindowObject(desc);
}
