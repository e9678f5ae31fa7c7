// setup-sim's answers script: the line forms, the template carried from the line before, and the
// reasons given for bad lines.
#include "setup_sim/answers_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One answer as "d <template> <control>", "m <button>", "f <folder>|cancel".
std::string Describe(const sim::ScriptedAnswer& a) {
  switch (a.kind) {
    case sim::ScriptedAnswer::kDialog:
      return "d " + std::to_string(a.templateId) + " " + std::to_string(a.control);
    case sim::ScriptedAnswer::kMessageBox:
      return "m " + std::to_string(a.control);
    case sim::ScriptedAnswer::kFolder:
      return "f " + (a.ok ? std::string(a.folder.begin(), a.folder.end()) : "cancel");
  }
  return "";
}

TEST(AnswersFileTest, LinesBecomeQueuedAnswersOrAReasonWithTheLineNumber) {
  const struct {
    const char* name;
    const char* script;
    std::vector<std::string> answers;
    const char* error;
  } cases[] = {
      {"every form",
       "# a comment\n\n10203 click 303   # the USB button\n  next  \r\n10201 0x3023\n12006 cancel\nmsgbox yes\nMSGBOX 7\n"
       "folder C:\\Program Files\\Glide  \nfolder cancel\n10300 2\nclick 0x10\n",
       {"d 10203 303", "d 10203 12324", "d 10201 12323", "d 12006 2", "m 6", "m 7", "f C:\\Program Files\\Glide",
        "f cancel", "d 10300 2", "d 10300 16"},
       ""},
      {"a button before any template", "# start\nnext\n", {}, "line 2: 'next' needs a template id"},
      {"unknown button", "10203 onwards\n", {}, "line 1: unknown button 'onwards'"},
      {"template without control", "10203\n", {}, "line 1: expected a control after the template id"},
      {"id beyond 16 bits", "10203 click 70000\n", {}, "line 1: bad control id '70000'"},
      {"unknown message-box answer", "10203 next\nmsgbox maybe\n", {"d 10203 12324"},
       "line 2: unknown message-box button 'maybe'"},
      {"folder without a path", "folder\n", {}, "line 1: expected 'folder <path>'"},
      {"too many words", "10203 click 303 now\n", {}, "line 1: expected a control id"},
      {"a line of only a vertical tab", "10203 next\n\v\n", {"d 10203 12324"}, "line 2: control character 0x0B"},
      {"a form feed between words", "msgbox\fyes\n", {}, "line 1: control character 0x0C"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<sim::ScriptedAnswer> answers;
    std::string error;
    EXPECT_EQ(sim::ParseAnswers(c.script, &answers, &error), c.error[0] == 0);
    EXPECT_EQ(error.compare(0, std::string(c.error).size(), c.error), 0) << error;
    std::vector<std::string> got;
    for (const sim::ScriptedAnswer& a : answers) got.push_back(Describe(a));
    EXPECT_EQ(got, c.answers);
  }
}

}  // namespace
