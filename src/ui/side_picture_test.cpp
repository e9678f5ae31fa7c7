// Wizard placement in the work area below the background window's title, and the side
// picture's rectangle on a real page template.
#include "ui/side_picture.h"

#include <string>

#include "platform/sim/ui/window_manager.h"
#include "resource_ids.h"
#include "support/sim_fixture.h"
#include "support/wizard_frame.h"

namespace {

class SidePictureTest : public SimFixture {
 protected:
  void Prepare() override {
    frame_ = MakeWizardFrame();
    page_ = sim::internal::CreateDialogFromTemplate(IDD_PAGE_START, frame_, true, nullptr, 0);
  }
  void TearDown() override {
    WizardMinTop = 0;
    SimFixture::TearDown();
  }
  WindowHandle frame_ = nullptr;
  WindowHandle page_ = nullptr;
};

TEST_F(SidePictureTest, CentreWizardKeepsBelowTheTitle) {
  const struct {
    const char* name;
    SysRect work;
    int32_t minTop;
    int x, y;
  } cases[] = {
      {"centred in the work area", {0, 0, 1024, 738}, 0, 262, 179},
      {"never above the title", {0, 0, 1024, 738}, 200, 262, 200},
      {"measured from the screen corner, not the work area's", {100, 60, 1024, 768}, 0, 212, 164},
      {"the title wins over a low work area", {0, 0, 1024, 400}, 150, 262, 150},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sim::SetScreen(1024, 768, c.work.left, c.work.top, c.work.right, c.work.bottom);
    WizardMinTop = c.minTop;
    CentreWizard(page_);
    SysRect r = {};
    SysGetWindowRect(frame_, &r);
    EXPECT_EQ(r.left, c.x);
    EXPECT_EQ(r.top, c.y);
    EXPECT_EQ(r.right - r.left, 500);
    EXPECT_EQ(r.bottom - r.top, 380);
  }
}

TEST_F(SidePictureTest, PictureFillsThePageHeightLessItsMarginTwice) {
  WindowHandle placeholder = SysGetDlgItem(page_, IDC_SIDE_PICTURE);
  SysRect s = {}, client = {};
  SysGetClientRect(placeholder, &s);
  SysPoint corner = {0, 0};
  SysMapWindowPoints(placeholder, page_, &corner, 1);
  SysGetClientRect(page_, &client);

  SysRect source = {}, destination = {};
  LayoutSidePicture(page_, &source, &destination);
  EXPECT_FALSE(SysIsWindowVisible(placeholder));
  EXPECT_EQ(destination.left, corner.x);
  EXPECT_EQ(destination.top, corner.y);
  EXPECT_EQ(destination.bottom, client.bottom - corner.y);
  // Taller than the placeholder, so wider in the same proportion.
  const int height = destination.bottom - destination.top;
  EXPECT_GT(height, s.bottom);
  EXPECT_EQ(destination.right - destination.left, s.right * height / s.bottom);

  sim::ClearPaintLog(page_);
  PaintSidePicture(page_, &source, &destination);
  const auto box = [](const SysRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
  };
  const std::vector<std::string> expected = {
      "stretch " + box(destination) + " resource 10551 from 0,0," + std::to_string(s.right) + "," +
          std::to_string(s.bottom) + " mode 3",
      "edge " + box(destination) + " 0x2 0xF"};
  EXPECT_EQ(sim::PaintLogLines(page_), expected);
  EXPECT_EQ(sim::LiveGdiObjects(), 0u);
  EXPECT_EQ(sim::OpenDeviceContexts(), 0u);
}

}  // namespace
