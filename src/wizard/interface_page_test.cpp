// The interface page: the buttons offered for the INFs the package holds, the default choice
// selected even when hidden, and what Next stores for each choice.
#include "wizard/interface_page.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "support/page_fixture.h"
#include "ui/wizard_messages.h"

namespace {

class InterfacePageTest : public PageFixture {
 protected:
  void Prepare() override {
    TextCopy(g_Settings.SourceDir, PackageDir().c_str());
    TextCopy(g_Settings.InfFile, u"ps2.inf");
    TextCopy(g_Settings.BTInf, u"bt.inf");
    TextCopy(g_Settings.USBInf, u"usb.inf");
    TextCopy(g_Settings.InfPath, u"earlier.inf");
    g_Settings.CallConfigMg = 1;
    g_Settings.Restart = 7;
  }
};

TEST_F(InterfacePageTest, OfferedButtonsDefaultAndStoredChoice) {
  struct Case {
    const char* name;
    int32_t presence, defaultChoice;
    int click;  // 0: the default is kept
    bool emptyInfName;  // the chosen interface's INF name is empty
    std::vector<int> visible;
    int32_t type, restart, callConfigMg;
    const char* infPath;
  };
  const Case cases[] = {
      {"PS/2 by default", kInfPresentPS2 | kInfPresentBT | kInfPresentUSB, kInterfacePS2, 0, false,
       {IDC_INTERFACE_PS2, IDC_INTERFACE_BT, IDC_INTERFACE_USB}, kInterfacePS2, 1, 0, "D:\\ps2.inf"},
      {"Bluetooth clicked", kInfPresentPS2 | kInfPresentBT, kInterfacePS2, IDC_INTERFACE_BT, false,
       {IDC_INTERFACE_PS2, IDC_INTERFACE_BT}, kInterfaceBluetooth, 0, 1, "D:\\bt.inf"},
      {"hidden default Bluetooth is still the choice", kInfPresentUSB, kInterfaceBluetooth, 0, false,
       {IDC_INTERFACE_USB}, kInterfaceBluetooth, 0, 1, "D:\\bt.inf"},
      {"any other default means USB", kInfPresentUSB, 0, 0, false, {IDC_INTERFACE_USB}, kInterfaceUSB, 0, 1,
       "D:\\usb.inf"},
      {"an empty INF name keeps the earlier path", kInfPresentPS2 | kInfPresentUSB, kInterfaceUSB,
       IDC_INTERFACE_PS2, true, {IDC_INTERFACE_PS2, IDC_INTERFACE_USB}, kInterfacePS2, 1, 0, "earlier.inf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    g_Settings.InfPresence = c.presence;
    g_Settings.DefaultTypeChoice = c.defaultChoice;
    if (c.emptyInfName) g_Settings.InfFile[0] = 0;
    CreatePage(IDD_PAGE_INTERFACE, InterfacePageProc);
    std::vector<int> visible;
    for (int id : {IDC_INTERFACE_PS2, IDC_INTERFACE_BT, IDC_INTERFACE_USB})
      if (Visible(id)) visible.push_back(id);
    EXPECT_EQ(visible, c.visible);
    if (c.click) Click(c.click);
    Requests();
    Notify(kPsnSetActive);
    EXPECT_EQ(Requests(), (std::vector<FrameRequest>{{kPsmSetWizButtons, 0, kPswizbBack | kPswizbNext}}));
    Notify(kPsnWizNext);
    EXPECT_EQ(g_Settings.InterfaceType, c.type);
    EXPECT_EQ(g_Settings.Restart, c.restart);
    EXPECT_EQ(g_Settings.CallConfigMg, c.callConfigMg);
    EXPECT_EQ(sim::ToUtf8(g_Settings.InfPath), c.infPath);
  }
}

}  // namespace
