// The location page: the side chosen by the user's clicks, the hand icon shown on that side,
// and the LeftHanded choice stored on Next.
#include "wizard/location_page.h"

#include <vector>

#include "resource_ids.h"
#include "settings/settings.h"
#include "support/page_fixture.h"
#include "ui/wizard_messages.h"

namespace {

class LocationPageTest : public PageFixture {};

TEST_F(LocationPageTest, ClicksChooseTheSideAndNextStoresIt) {
  struct Case {
    const char* name;
    std::vector<int> clicks;
    bool left;
  };
  const Case cases[] = {
      {"right side by default", {}, false},
      {"left side", {IDC_LOCATION_LEFT}, true},
      {"left, then right again", {IDC_LOCATION_LEFT, IDC_LOCATION_RIGHT}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    g_Settings.LeftHanded = c.left ? 0 : 1;  // the opposite of the answer expected
    CreatePage(IDD_PAGE_LOCATION, LocationPageProc);
    for (int id : c.clicks) Click(id);
    EXPECT_EQ(Checked(IDC_LOCATION_LEFT), c.left);
    EXPECT_EQ(Checked(IDC_LOCATION_RIGHT), !c.left);
    EXPECT_EQ(Visible(IDC_LOCATION_HAND_LEFT), c.left);
    EXPECT_EQ(Visible(IDC_LOCATION_HAND_RIGHT), !c.left);
    Requests();
    Notify(kPsnSetActive);
    EXPECT_EQ(Requests(), (std::vector<FrameRequest>{{kPsmSetWizButtons, 0, kPswizbBack | kPswizbNext}}));
    Notify(kPsnWizNext);
    EXPECT_EQ(g_Settings.LeftHanded, c.left ? 1 : 0);
  }
}

}  // namespace
