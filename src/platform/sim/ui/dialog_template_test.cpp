// The dialog template reader on cut templates compiled by the resource compiler, and on every
// template of the program. (What the fields read is seen through the windows made from them.)
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

// Every shorter prefix of a compiled template either fails with a message or still holds every
// control (only padding was cut); none is read past its end.
TEST(DialogTemplateTest, CutTemplatesNeverLoseControlsSilently) {
  for (uint32_t id : {ui_test::kFullDialog, ui_test::kPlainDialog}) {
    const std::string bytes = TemplateBytes(id);
    sim::DialogTemplate whole;
    ASSERT_TRUE(sim::ParseDialogTemplate(Bytes(bytes), bytes.size(), &whole));
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
