// setup-sim's answers script: parsing of its lines and queueing to the simulated user.
#include "setup_sim/answers_file.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "platform/sim/machine/machine.h"
#include "platform/ui.h"

namespace sim {

namespace {

struct NamedId {
  const char* name;
  int id;
};
// Buttons a dialog or wizard line may name.
const NamedId kButtons[] = {{"next", kIdWizardNext}, {"back", kIdWizardBack}, {"finish", kIdWizardFinish},
                            {"cancel", kIdCancel},   {"ok", kIdOk},           {"yes", kIdYes},
                            {"no", kIdNo}};
// Message-box answers.
const NamedId kBoxButtons[] = {{"ok", kIdOk},       {"cancel", kIdCancel}, {"abort", kIdAbort}, {"retry", kIdRetry},
                               {"ignore", kIdIgnore}, {"yes", kIdYes},       {"no", kIdNo}};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// A decimal or 0x hexadecimal number that fills the word and fits in 16 bits (template and
// control ids are 16-bit on Windows).
bool Number(const std::string& word, unsigned* out) {
  if (word.empty()) return false;
  const bool hex = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
  const std::string digits = hex ? word.substr(2) : word;
  if (digits.empty() || digits.size() > 8) return false;
  for (char c : digits)
    if (!(hex ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c))))
      return false;
  const unsigned long value = std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10);
  if (value > 0xFFFF) return false;
  *out = static_cast<unsigned>(value);
  return true;
}

bool Named(const NamedId* table, size_t count, const std::string& word, int* id) {
  for (size_t i = 0; i < count; ++i)
    if (word == table[i].name) {
      *id = table[i].id;
      return true;
    }
  return false;
}

// Blanks between and around words: spaces, tabs and the carriage return of a CR LF line end.
const char kBlanks[] = " \t\r";

// The blank-separated words of a line.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  for (size_t at = line.find_first_not_of(kBlanks); at != std::string::npos; at = line.find_first_not_of(kBlanks, at)) {
    const size_t end = line.find_first_of(kBlanks, at);
    words.push_back(line.substr(at, end - at));
    at = end;
  }
  return words;
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return "";
  const size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

// The first control character of text other than a blank, or 0.
unsigned char ControlCharacter(const std::string& text) {
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if ((u < 0x20 || u == 0x7F) && u != '\t' && u != '\r') return u;
  }
  return 0;
}

// The control part of a dialog line ("click <id>", "<id>" or a button word). "" when good.
std::string DialogControl(const std::vector<std::string>& words, size_t at, int* control) {
  const size_t left = words.size() - at;
  unsigned number = 0;
  if (left == 2 && Lower(words[at]) == "click") {
    if (!Number(words[at + 1], &number)) return "bad control id '" + words[at + 1] + "'";
    *control = static_cast<int>(number);
    return "";
  }
  if (left != 1) return "expected a control id, 'click <id>' or a button name";
  if (Number(words[at], &number)) {
    *control = static_cast<int>(number);
    return "";
  }
  if (Named(kButtons, sizeof(kButtons) / sizeof(kButtons[0]), Lower(words[at]), control)) return "";
  return "unknown button '" + words[at] + "'";
}

// One line into answer; "" when good, else the reason. lastTemplate carries the template of the
// previous dialog line (0 before the first).
std::string ParseLine(const std::string& line, unsigned* lastTemplate, ScriptedAnswer* answer) {
  if (unsigned char c = ControlCharacter(line)) {
    char reason[48];
    std::snprintf(reason, sizeof reason, "control character 0x%02X", c);
    return reason;
  }
  const std::vector<std::string> words = Words(line);
  const std::string verb = Lower(words[0]);
  if (verb == "msgbox") {
    answer->kind = ScriptedAnswer::kMessageBox;
    if (words.size() != 2) return "expected 'msgbox <button>'";
    unsigned number = 0;
    if (Number(words[1], &number)) {
      answer->control = static_cast<int>(number);
      return "";
    }
    if (Named(kBoxButtons, sizeof(kBoxButtons) / sizeof(kBoxButtons[0]), Lower(words[1]), &answer->control)) return "";
    return "unknown message-box button '" + words[1] + "'";
  }
  if (verb == "folder") {
    answer->kind = ScriptedAnswer::kFolder;
    const std::string rest = Trim(Trim(line).substr(words[0].size()));
    if (rest.empty()) return "expected 'folder <path>' or 'folder cancel'";
    answer->ok = Lower(rest) != "cancel";
    if (answer->ok) answer->folder = FromUtf8(rest);
    return "";
  }
  answer->kind = ScriptedAnswer::kDialog;
  unsigned templateId = 0;
  size_t at = 0;
  if (Number(words[0], &templateId)) {
    if (templateId == 0) return "template id 0";
    at = 1;
  } else {
    if (*lastTemplate == 0) return "'" + words[0] + "' needs a template id (on this line or a line before)";
    templateId = *lastTemplate;
  }
  if (at == words.size()) return "expected a control after the template id";
  const std::string reason = DialogControl(words, at, &answer->control);
  if (!reason.empty()) return reason;
  answer->templateId = templateId;
  *lastTemplate = templateId;
  return "";
}

}  // namespace

bool ParseAnswers(const std::string& text, std::vector<ScriptedAnswer>* answers, std::string* error) {
  std::istringstream in(text);
  std::string line;
  unsigned lastTemplate = 0;
  for (int number = 1; std::getline(in, line); ++number) {
    // '#' starts a comment, at the start of a line or after an answer.
    const std::string trimmed = Trim(line.substr(0, line.find('#')));
    if (trimmed.empty()) continue;
    ScriptedAnswer answer;
    const std::string reason = ParseLine(trimmed, &lastTemplate, &answer);
    if (!reason.empty()) {
      if (error) *error = "line " + std::to_string(number) + ": " + reason;
      return false;
    }
    answers->push_back(answer);
  }
  return true;
}

void QueueAnswers(const std::vector<ScriptedAnswer>& answers) {
  for (const ScriptedAnswer& a : answers) {
    switch (a.kind) {
      case ScriptedAnswer::kDialog:
        QueueDialogAnswer(a.templateId, a.control);
        break;
      case ScriptedAnswer::kMessageBox:
        QueueMessageBoxAnswer(a.control);
        break;
      case ScriptedAnswer::kFolder:
        QueueFolderChoice(a.folder, u"", a.ok);
        break;
    }
  }
}

}  // namespace sim
