// setup-sim: runs the installer's own code against the simulated Windows machine, so that a
// package author can see what an installation would do on any Windows family.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "setup_sim/answers_file.h"
#include "setup_sim/check_package.h"
#include "setup_sim/explain_run.h"
#include "platform/sim/machine/machine.h"
#include "setup_sim/run_summary.h"
#include "settings/settings.h"
#include "entry/setup_main.h"

namespace {

const char kUsage[] =
    "Usage: setup-sim [options] [-- SETUP-COMMAND-LINE...]\n"
    "\n"
    "Runs Glidewave Setup on a simulated Windows machine.\n"
    "\n"
    "Options:\n"
    "  --machine NAME|FILE  Windows family to simulate: a built-in name (%s)\n"
    "                       or a machine profile file (default: win7)\n"
    "  --disk DIR           host folder holding the simulated drives, one subfolder per\n"
    "                       letter (DIR/C is C:); created when missing (default: a\n"
    "                       temporary folder removed at exit)\n"
    "  --package DIR        the package folder; mounted as its own drive, setup.exe at\n"
    "                       its root (default: the current folder)\n"
    "  --reg-in FILE        load registry contents from a .reg file before the run\n"
    "  --reg-out FILE       write the whole registry as a .reg file after the run\n"
    "  --journal FILE       write the journal (every externally visible effect) to FILE\n"
    "  --answers FILE       what the simulated user presses, one answer per line ('#'\n"
    "                       starts a comment):\n"
    "                         <template> <control>   press a control of a dialog or page\n"
    "                         <template> click <control>\n"
    "                         <template> next|back|finish|cancel|ok|yes|no\n"
    "                         next|back|...          the template of the line before\n"
    "                         msgbox ok|cancel|yes|no|abort|retry|ignore\n"
    "                         folder <path>          the folder chooser picks path\n"
    "                         folder cancel          the folder chooser is cancelled\n"
    "                       without answers, wizard pages press Next (Finish on the\n"
    "                       last), dialogs their default button, message boxes theirs\n"
    "  --quiet              print no summary of the run\n"
    "  --trace              copy the program's trace lines to stderr as they happen\n"
    "  --dump-settings      run start-up only and print the settings record as\n"
    "                       Field=value lines\n"
    "  --check              check the package without installing: report what setup\n"
    "                       would silently do otherwise than the package says (with\n"
    "                       --machine all: on every built-in machine); exit code 1\n"
    "                       when an error was found\n"
    "  --explain            after the run, give the reason for every copy-list entry,\n"
    "                       installation stage and driver route\n"
    "  --format text|json   output of --check and --explain: readable lines (default)\n"
    "                       or JSON lines\n"
    "  --fail NAME:N:ERROR  the Nth call of the platform function NAME during the run\n"
    "                       fails with Windows error ERROR (N 0: every call)\n"
    "  --report FILE        write after the run: how often each failable call was\n"
    "                       reached ('calls NAME N'), the objects left open ('open KIND\n"
    "                       N') and the replacements at the next start ('pending ...')\n"
    "  --help               show this text\n"
    "  --                   everything after it is setup's own command line\n"
    "                       (for example: -- /S /TYPE:USB)\n";

void PrintUsage(FILE* out) {
  std::string names;
  for (const std::string& name : sim::BuiltinProfileNames()) {
    if (!names.empty()) names += ", ";
    names += name;
  }
  std::fprintf(out, kUsage, names.c_str());
}

void PrintField(const char* name, const char16_t* value, void*) {
  std::printf("%s=%s\n", name, sim::ToUtf8(value).c_str());
}

bool ReadText(const std::string& path, std::string* text) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text->append(buffer, n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

bool WriteText(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

// Arms "NAME:N:ERROR" of --fail. False when the text or the name is not one the machine knows.
bool ArmFault(const std::string& text) {
  const size_t first = text.find(':'), second = text.find(':', first + 1);
  if (first == std::string::npos || second == std::string::npos) return false;
  char* end = nullptr;
  const long nth = std::strtol(text.c_str() + first + 1, &end, 10);
  if (end != text.c_str() + second || nth < 0) return false;
  const unsigned long error = std::strtoul(text.c_str() + second + 1, &end, 0);
  if (*end || second + 1 == text.size()) return false;
  return sim::FailCall(text.substr(0, first), static_cast<int>(nth), static_cast<ErrorCode>(error));
}

// The --report text: calls of each fault point during the run, open objects, pending replacements.
std::string RunReport(const std::map<std::string, uint64_t>& before, const std::map<std::string, uint64_t>& after) {
  std::string text;
  for (const auto& [name, count] : after) {
    const auto earlier = before.find(name);
    const uint64_t calls = count - (earlier == before.end() ? 0 : earlier->second);
    if (calls) text += "calls " + name + " " + std::to_string(calls) + "\n";
  }
  const sim::OpenObjectCounts open = sim::OpenObjects();
  text += "open registry-keys " + std::to_string(open.registryKeys) + "\nopen kernel-handles " +
          std::to_string(open.kernelHandles) + "\nopen drawing-objects " + std::to_string(open.gdiObjects) +
          "\nopen device-contexts " + std::to_string(open.deviceContexts) + "\n";
  for (const std::string& line : sim::PendingReplacements()) text += "pending " + line + "\n";
  return text;
}

}  // namespace

// Exit code of a run whose simulated disk the host could not finish writing.
constexpr int kHostFailedExit = 3;

int main(int argc, char** argv) {
  std::string machine = "win7", disk, package = ".", regIn, regOut, journal, answersFile, report;
  std::string format = "text";
  std::vector<std::string> faults;
  bool trace = false, dumpSettings = false, quiet = false, check = false, explain = false;
  std::string commandLine;

  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](const char* option) -> std::string {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "setup-sim: %s needs a value\n", option);
        std::exit(2);
      }
      return argv[++i];
    };
    if (arg == "--") {
      for (++i; i < argc; ++i) {
        if (!commandLine.empty()) commandLine += ' ';
        std::string word = argv[i];
        commandLine += word.find(' ') != std::string::npos ? "\"" + word + "\"" : word;
      }
      break;
    }
    if (arg == "--help" || arg == "-h") {
      PrintUsage(stdout);
      return 0;
    } else if (arg == "--machine") {
      machine = value("--machine");
    } else if (arg == "--disk") {
      disk = value("--disk");
    } else if (arg == "--package") {
      package = value("--package");
    } else if (arg == "--reg-in") {
      regIn = value("--reg-in");
    } else if (arg == "--reg-out") {
      regOut = value("--reg-out");
    } else if (arg == "--journal") {
      journal = value("--journal");
    } else if (arg == "--answers") {
      answersFile = value("--answers");
    } else if (arg == "--quiet") {
      quiet = true;
    } else if (arg == "--trace") {
      trace = true;
    } else if (arg == "--dump-settings") {
      dumpSettings = true;
    } else if (arg == "--check") {
      check = true;
    } else if (arg == "--format") {
      format = value("--format");
      if (format != "text" && format != "json") {
        std::fprintf(stderr, "setup-sim: --format takes text or json\n");
        return 2;
      }
    } else if (arg == "--explain") {
      explain = true;
    } else if (arg == "--fail") {
      faults.push_back(value("--fail"));
    } else if (arg == "--report") {
      report = value("--report");
    } else {
      std::fprintf(stderr, "setup-sim: unknown option %s\n\n", arg.c_str());
      PrintUsage(stderr);
      return 2;
    }
  }

  if (check) return sim::RunPackageCheck(machine, package, regIn, format == "json", stdout);

  sim::MachineProfile profile;
  if (!sim::BuiltinProfile(machine, &profile)) {
    std::string error;
    if (!sim::LoadProfileFile(machine, &profile, &error)) {
      std::fprintf(stderr, "setup-sim: --machine %s: %s\n", machine.c_str(), error.c_str());
      return 2;
    }
  }
  sim::ResetMachine(profile, disk);
  sim::MountPackage(package);
  sim::SetTraceToStderr(trace);
  sim::SetFileJournal(explain);
  if (!regIn.empty()) {
    std::string error;
    if (!sim::ImportRegFile(regIn, &error)) {
      std::fprintf(stderr, "setup-sim: --reg-in %s: %s\n", regIn.c_str(), error.c_str());
      return 2;
    }
  }

  std::vector<sim::ScriptedAnswer> answers;
  if (!answersFile.empty()) {
    std::string text, error;
    if (!ReadText(answersFile, &text)) {
      std::fprintf(stderr, "setup-sim: --answers %s: cannot read the file\n", answersFile.c_str());
      return 2;
    }
    if (!sim::ParseAnswers(text, &answers, &error)) {
      std::fprintf(stderr, "setup-sim: --answers %s: %s\n", answersFile.c_str(), error.c_str());
      return 2;
    }
    sim::QueueAnswers(answers);
  }

  // The instance handle a Windows program of this kind usually gets: its image base.
  ModuleHandle instance = reinterpret_cast<ModuleHandle>(static_cast<uintptr_t>(0x400000));
  const int kShowNormal = 1;
  ResetSettings();
  int exitCode = 0;
  bool hostFailed = false;
  if (dumpSettings) {
    RunStartup(instance, commandLine.c_str());
    ForEachSettingsField(PrintField, nullptr);
  } else {
    const sim::RunSnapshot before = quiet ? sim::RunSnapshot() : sim::TakeRunSnapshot();
    for (const std::string& fault : faults) {
      if (!ArmFault(fault)) {
        std::fprintf(stderr, "setup-sim: --fail %s: expected NAME:N:ERROR with a failable call's name\n",
                     fault.c_str());
        return 2;
      }
    }
    const std::map<std::string, uint64_t> callsBefore = sim::FaultPointCalls();
    exitCode = SetupWinMain(instance, nullptr, commandLine.c_str(), kShowNormal);
    // The simulated disk must be whole before anything reports on it.
    const std::vector<std::string> hostFailures = sim::FinishHostCopies();
    for (const std::string& line : hostFailures) std::fprintf(stderr, "setup-sim: %s\n", line.c_str());
    if (!hostFailures.empty()) hostFailed = true;
    const std::map<std::string, uint64_t> callsAfter = sim::FaultPointCalls();
    sim::ClearFaults();
    sim::JournalAdd("exit: " + std::to_string(exitCode));
    if (!report.empty() && !WriteText(report, RunReport(callsBefore, callsAfter)))
      std::fprintf(stderr, "setup-sim: cannot write %s\n", report.c_str());
    if (!quiet) std::printf("%s", sim::DescribeRun(before, exitCode).c_str());
    if (explain) std::printf("%s", sim::ExplainRun(format == "json").c_str());
  }

  if (!journal.empty()) {
    std::string text;
    for (const std::string& line : sim::Journal()) text += line + "\n";
    if (!WriteText(journal, text)) std::fprintf(stderr, "setup-sim: cannot write %s\n", journal.c_str());
  }
  if (!regOut.empty() && !sim::ExportRegFile(regOut)) {
    std::fprintf(stderr, "setup-sim: cannot write %s\n", regOut.c_str());
  }
  return hostFailed ? kHostFailedExit : exitCode;
}
