// The answers script of setup-sim: what the simulated user presses, one answer per line, queued
// to the machine before the run.
//
//   # comment                     '#' starts a comment (a whole line or after an answer)
//   <template> <control>          press a control of a dialog or wizard page (decimal or 0x hex)
//   <template> click <control>    the same
//   <template> next|back|finish|cancel|ok|yes|no
//                                 a wizard button (0x3024, 0x3023, 0x3025, 2) or a dialog button
//                                 (1, 6, 7) of that template
//   next|back|finish|cancel|...   the same for the template named on the line before
//   click <control>               a control of the template named on the line before
//   msgbox ok|cancel|yes|no|abort|retry|ignore|<id>
//                                 the next message box's answer
//   folder <path>                 the folder chooser selects path and presses OK
//   folder cancel                 the folder chooser is cancelled
#pragma once
#include <string>
#include <vector>

namespace sim {

struct ScriptedAnswer {
  enum Kind { kDialog, kMessageBox, kFolder };
  Kind kind = kDialog;
  unsigned templateId = 0;  // kDialog
  int control = 0;          // kDialog: control or button id; kMessageBox: the button id
  std::u16string folder;    // kFolder
  bool ok = true;           // kFolder: false cancels
};

// Reads a script into answers. Returns true when every line is good, false with "line <n>:
// <reason>" for the first bad one (answers then holds the lines before it).
bool ParseAnswers(const std::string& text, std::vector<ScriptedAnswer>* answers, std::string* error);

// Queues the answers to the machine in order (QueueDialogAnswer, QueueMessageBoxAnswer,
// QueueFolderChoice).
void QueueAnswers(const std::vector<ScriptedAnswer>& answers);

}  // namespace sim
