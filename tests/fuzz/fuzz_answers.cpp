// Fuzzer of setup-sim's answers file: a script is either accepted, every answer then queued to
// the simulated user, or refused with "line <n>: <reason>" for a line that exists.
#include <algorithm>

#include "fuzz_machine.h"
#include "setup_sim/answers_file.h"

FUZZ_TARGET(data, size) {
  const std::string text = fuzz::Bytes(data, size);
  std::vector<sim::ScriptedAnswer> answers;
  std::string error;
  if (!sim::ParseAnswers(text, &answers, &error)) {
    const size_t lines = std::count(text.begin(), text.end(), '\n') + 1;
    fuzz::Check(error.compare(0, 5, "line ") == 0, "refusal without its line: " + error);
    const unsigned long line = std::strtoul(error.c_str() + 5, nullptr, 10);
    fuzz::Check(line >= 1 && line <= lines && answers.size() < line, "refusal names a wrong line: " + error);
    return;
  }
  for (const sim::ScriptedAnswer& answer : answers)
    fuzz::Check(answer.kind != sim::ScriptedAnswer::kDialog || (answer.templateId > 0 && answer.templateId <= 0xFFFF),
                "dialog answer without a template");
  if (!answers.empty()) {
    sim::QueueAnswers(answers);
    fuzz::ResetMachine();
  }
}
