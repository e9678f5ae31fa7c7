// Tests of the dialog template reader on templates compiled by the resource compiler.
#include "platform/sim/ui/dialog_template.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/machine/machine.h"
#include "platform/sim/kernel/res_file.h"
#include "support/ui_test_support.h"
#include "platform/sim/ui/window_manager.h"

namespace {

using ui_test::TestResources;

constexpr uint16_t kEnglish = 0x0409;

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

// The raw bytes of one template of the test script.
std::string TemplateBytes(uint32_t id) {
  const std::string& res = TestResources();
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  EXPECT_TRUE(sim::FindRes(Bytes(res), res.size(), sim::ResNumber(sim::kResTypeDialog), sim::ResNumber(id), kEnglish,
                           &data, &size));
  return data ? std::string(reinterpret_cast<const char*>(data), size) : std::string();
}

TEST(DialogTemplateTest, ReadsEveryFieldOfCompiledTemplates) {
  const std::string& res = TestResources();
  sim::DialogTemplate full, plain;
  ASSERT_TRUE(sim::LoadDialogTemplate(Bytes(res), res.size(), ui_test::kFullDialog, kEnglish, &full));
  ASSERT_TRUE(sim::LoadDialogTemplate(Bytes(res), res.size(), ui_test::kPlainDialog, kEnglish, &plain));

  EXPECT_EQ(sim::ToUtf8(full.caption + u"|" + full.face + u"|" + plain.caption + u"|" + plain.face),
            "Full Dialog|MS Shell Dlg|Plain|MS Shell Dlg");
  EXPECT_EQ(std::vector<int>({full.extended, full.hasFont, full.pointSize, full.weight, plain.extended, plain.weight}),
            std::vector<int>({1, 1, 8, 400, 0, 0}));
  const uint32_t frame = sim::kDsModalFrame | sim::kWsCaption | sim::kWsPopup;
  EXPECT_EQ(full.style & frame, frame);
  EXPECT_EQ(std::vector<int>({full.x, full.y, full.cx, full.cy}), std::vector<int>({20, 10, 200, 100}));

  struct Expected {
    const sim::DialogTemplate* dialog;
    size_t index;
    int id;
    const char* className;
    const char* text;
    int ordinal;           // resource-number text, 0 for none
    uint32_t styleBits;    // bits that must be set
    uint32_t styleClear;   // bits that must be clear
    std::vector<int> box;  // x, y, cx, cy in dialog units
  };
  const uint32_t visibleChild = sim::kWsVisible | sim::kWsChild;
  const Expected cases[] = {
      {&full, 0, 1, "Button", "OK", 0, visibleChild | sim::kBsDefPushButton | sim::kWsTabStop, 0, {90, 80, 50, 14}},
      {&full, 1, 2, "Button", "Cancel", 0, visibleChild, sim::kBsTypeMask, {144, 80, 50, 14}},
      {&full, 2, 1400, "Static", "Please wait", 0, visibleChild | sim::kWsGroup, 0, {7, 7, 186, 8}},
      // A class given by name comes out under the same name as the atom's.
      {&full, 3, 1500, "Static", "", 0, visibleChild | sim::kSsSunken, 0, {7, 20, 134, 13}},
      // ICON controls take their size from the icon: the compiler writes none.
      {&full, 4, 1002, "Static", "", 115, visibleChild, 0, {160, 20, 0, 0}},
      {&full, 5, 301, "Button", "&PS/2", 0, sim::kBsAutoRadioButton | sim::kWsGroup | sim::kWsTabStop, 0, {7, 40, 60, 10}},
      {&full, 6, 302, "Button", "Blue&tooth", 0, sim::kBsAutoRadioButton, sim::kWsGroup, {7, 52, 60, 10}},
      {&full, 8, 410, "Button", "Restart", 0, sim::kBsAutoCheckBox | sim::kWsGroup, 0, {90, 40, 60, 10}},
      {&full, 9, -1, "Static", "x", 0, sim::kWsDisabled, 0, {90, 60, 10, 8}},
      {&plain, 0, 10, "Button", "Go", 0, visibleChild, 0, {10, 20, 40, 14}},
      // The plain layout's 16-bit id 0xFFFF reads as -1, like the extended one's.
      {&plain, 1, -1, "Static", "Static text", 0, visibleChild, 0, {7, 7, 80, 8}},
  };
  EXPECT_EQ(full.controls.size() * 100 + plain.controls.size(), 1002u);
  for (const Expected& e : cases) {
    SCOPED_TRACE("control " + std::to_string(e.id));
    ASSERT_LT(e.index, e.dialog->controls.size());
    const sim::DialogControlTemplate& c = e.dialog->controls[e.index];
    EXPECT_EQ(std::to_string(c.id) + " " + sim::ToUtf8(c.className) + " \"" + sim::ToUtf8(c.text) + "\" #" +
                  std::to_string(c.textIsOrdinal ? c.textOrdinal : 0),
              std::to_string(e.id) + " " + e.className + " \"" + e.text + "\" #" + std::to_string(e.ordinal));
    EXPECT_EQ(c.style & e.styleBits, e.styleBits);
    EXPECT_EQ(c.style & e.styleClear, 0u);
    EXPECT_EQ(std::vector<int>({c.x, c.y, c.cx, c.cy}), e.box);
  }
}

TEST(DialogTemplateTest, CutTemplatesNeverLoseControlsSilently) {
  for (uint32_t id : {ui_test::kFullDialog, ui_test::kPlainDialog}) {
    const std::string bytes = TemplateBytes(id);
    sim::DialogTemplate whole;
    ASSERT_TRUE(sim::ParseDialogTemplate(Bytes(bytes), bytes.size(), &whole));
    // Every shorter prefix either fails or still holds every control (only padding was cut);
    // none may be read past its end.
    for (size_t length = 0; length < bytes.size(); ++length) {
      const std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + length);
      sim::DialogTemplate part;
      std::string error;
      if (sim::ParseDialogTemplate(prefix.data(), prefix.size(), &part, &error)) {
        EXPECT_EQ(part.controls.size(), whole.controls.size()) << "template " << id << " cut to " << length;
        EXPECT_EQ(part.controls.back().text, whole.controls.back().text);
      } else {
        EXPECT_FALSE(error.empty());
      }
    }
  }
}

TEST(DialogTemplateTest, EveryTemplateOfTheProgramParses) {
  std::vector<sim::ResEntry> entries;
  ASSERT_TRUE(sim::ParseResFile(sim::ProgramResources(), sim::ProgramResourcesSize(), &entries));
  for (const sim::ResEntry& entry : entries) {
    if (!entry.type.isNumber || entry.type.number != sim::kResTypeDialog) continue;
    sim::DialogTemplate t;
    std::string error;
    EXPECT_TRUE(sim::ParseDialogTemplate(sim::ProgramResources() + entry.offset, entry.size, &t, &error))
        << "template " << entry.name.number << ": " << error;
    for (const sim::DialogControlTemplate& c : t.controls)
      EXPECT_FALSE(c.className.empty()) << "template " << entry.name.number << " control " << c.id;
  }
}

}  // namespace
