// setup-sim --explain: reads the journal of a run back into decisions. The copy walk leaves one
// progress trace line per entry it reached; the file lines between two of them are that
// entry's facts (target present or missing, versions and dates compared, the copy and its
// error, a temporary copy beside a target in use). The dialogs shown and the driver lines mark
// the stages of the installation sequence and the driver routes.
#include "setup_sim/explain_run.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "files/copy_list.h"
#include "platform/sim/machine/machine.h"
#include "settings/settings.h"

namespace sim {

namespace {

const char kTrace[] = "trace: ";
const char kWalkStart[] = "fun = CopyFileProc";
const char kProgress[] = "trace: _dwHasCopied = ";
const char kCopyTrace[] = ", copyfile";
const char kAttributes[] = "file-attributes: ";
const char kVersion[] = "file-version: ";
const char kTimes[] = "file-times: ";
const char kCopy[] = "file-copy: ";
const char kStageDialog[] = "dialog: 12012 ";
const char kCopyDialog[] = "dialog: 10301 ";
const char kExitDialog[] = "dialog: 10300 ";
const char kPrivilegeDialog[] = "dialog: 114 ";
const char kFailureDialog[] = "dialog: 116 ";
const char kDriverTrace[] = "trace: *********";
const char kArrow[] = " -> ";

// One finding: kind ("file", "stage", "interface"), a subject, the outcome and the reason.
struct Finding {
  std::string kind, subject, outcome, reason;
};

bool StartsWith(const std::string& text, const char* prefix) { return text.compare(0, std::strlen(prefix), prefix) == 0; }
bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The text after "key=" (blanks allowed around the "=") up to the next comma or the end.
std::string Field(const std::string& line, const std::string& key) {
  size_t at = line.find(key);
  if (at == std::string::npos) return "";
  at += key.size();
  while (at < line.size() && line[at] == ' ') ++at;
  if (at >= line.size() || line[at] != '=') return "";
  ++at;
  while (at < line.size() && line[at] == ' ') ++at;
  const size_t end = line.find(',', at);
  return line.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// "<prefix><path> -> <rest>": the path and the rest.
bool Split(const std::string& line, const char* prefix, std::string* path, std::string* rest) {
  if (!StartsWith(line, prefix)) return false;
  const size_t arrow = line.find(kArrow, std::strlen(prefix));
  if (arrow == std::string::npos) return false;
  *path = line.substr(std::strlen(prefix), arrow - std::strlen(prefix));
  *rest = line.substr(arrow + std::strlen(kArrow));
  return true;
}

bool SamePath(std::string a, std::string b) {
  for (std::string* s : {&a, &b})
    for (char& c : *s)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return a == b;
}

// What the journal lines of one entry say about it.
Finding ExplainEntry(const CopyEntry& e, const std::vector<std::string>& lines) {
  Finding f;
  f.kind = "file";
  f.subject = ToUtf8(e.FileName);
  std::string target = ToUtf8(e.DestDir) + "\\" + f.subject, state, sourceVersion, targetVersion, copyError;
  std::vector<std::string> times;
  std::string temporary;
  bool copied = false;
  for (const std::string& line : lines) {
    std::string path, rest;
    if (state.empty() && Split(line, kAttributes, &path, &rest)) {
      target = path;
      state = rest;
    } else if (Split(line, kVersion, &path, &rest)) {
      (SamePath(path, target) ? targetVersion : sourceVersion) = rest;
    } else if (Split(line, kTimes, &path, &rest)) {
      times.push_back((SamePath(path, target) ? "installed file " : "package file ") + rest);
    } else if (StartsWith(line, kTrace) && Has(line, kCopyTrace)) {
      copied = true;
      copyError = Field(line, "err");
    } else if (copied && StartsWith(line, kCopy)) {
      // "file-copy: <source> -> <target> -> ok": a copy to another place is the temporary one.
      const std::string body = line.substr(std::strlen(kCopy));
      const size_t first = body.find(kArrow), last = body.rfind(kArrow);
      const std::string to = first < last ? body.substr(first + 4, last - first - 4) : "";
      if (!to.empty() && body.substr(last + 4) == "ok" && !SamePath(to, target)) temporary = to;
    }
  }
  f.subject += " -> " + target;
  std::string compared;
  if (!targetVersion.empty() && !(targetVersion == "none" && sourceVersion == "none"))
    compared = "installed version: " + targetVersion + "; package version: " + sourceVersion;
  for (const std::string& t : times) compared += (compared.empty() ? "" : "; ") + t;
  if (copied && copyError == "0") {
    const bool wasMissing = state == "missing";
    f.outcome = wasMissing ? "new" : "replaced";
    f.reason = wasMissing ? "the target was missing"
                          : compared.empty() ? "replaced without comparing (the newer-version check had run)"
                                             : "the package's file is newer: " + compared;
  } else if (copied && copyError == "2") {
    f.outcome = "not-reached";
    f.reason = "source missing in the package (copy error 2)";
  } else if (copied) {
    f.outcome = temporary.empty() ? "failed" : "restart";
    // Only a sharing or lock violation means the target is in use; any other error (a missing
    // target folder, say) is named as the copy error it is.
    const bool inUse = copyError == "32" || copyError == "33";
    f.reason = (inUse ? "the target is in use" : "the copy failed") + std::string(" (copy error ") + copyError + ")" +
               (temporary.empty() ? (inUse ? "; no temporary copy could be made, the file is not installed"
                                           : "; the file is not installed")
                                  : "; the new file waits in " + temporary + " for the next restart");
  } else if (!compared.empty()) {
    f.outcome = "kept";
    f.reason = "the installed file is as new or newer: " + compared;
  } else {
    f.outcome = state == "missing" ? "skipped" : "kept";
    f.reason = "not copied: the copy leaves this driver build out on this Windows";
  }
  return f;
}

std::vector<Finding> ExplainCopy(const std::vector<std::string>& journal) {
  std::vector<Finding> findings;
  size_t at = 0;
  while (at < journal.size() && !(StartsWith(journal[at], kTrace) && Has(journal[at], kWalkStart))) ++at;
  const bool walked = at < journal.size();
  bool cancelled = false;
  for (size_t i = 0; i < journal.size(); ++i)
    if (StartsWith(journal[i], kExitDialog) && i > at) cancelled = true;
  std::string lastPercent, lastName;
  int32_t n = 1;
  std::vector<std::string> segment;
  for (++at; walked && at < journal.size() && n <= CopyEntryCount && n <= kCopyEntryMax; ++at) {
    const std::string& line = journal[at];
    if (!StartsWith(line, kProgress)) {
      segment.push_back(line);
      continue;
    }
    findings.push_back(ExplainEntry(CopyTable[n], segment));
    lastPercent = Field(line, "_nCurPercent");
    lastName = ToUtf8(CopyTable[n].FileName);
    segment.clear();
    ++n;
  }
  for (; n <= CopyEntryCount && n <= kCopyEntryMax; ++n) {
    Finding f;
    f.kind = "file";
    f.subject = ToUtf8(CopyTable[n].FileName) + " -> " + ToUtf8(CopyTable[n].DestDir) + "\\" + ToUtf8(CopyTable[n].FileName);
    f.outcome = "not-reached";
    if (!walked)
      f.reason = "the copy stage did not run";
    else if (cancelled)
      f.reason = "copy cancelled";
    else if (lastPercent == "100")
      f.reason = "the walk ended at 100 % after " + lastName + " (the sizes counted reached the total)";
    else
      f.reason = "the copy stage ended before it";
    findings.push_back(f);
  }
  return findings;
}

Finding Stage(const std::string& subject, const std::string& outcome, const std::string& reason) {
  return Finding{"stage", subject, outcome, reason};
}

// Stages from the settings the sequence reads and the dialogs and lines the journal holds; the
// driver stages also give the routes they took.
std::vector<Finding> ExplainStages(const std::vector<std::string>& journal) {
  const SettingsRecord& s = g_Settings;
  std::vector<Finding> findings;
  size_t copyAt = journal.size();
  for (size_t i = 0; i < journal.size(); ++i)
    if (StartsWith(journal[i], kCopyDialog)) copyAt = i;
  const bool copyRan = copyAt < journal.size();
  findings.push_back(s.AskType || s.VersionChecked ? Stage("newer-version check", "ran", "") : Stage("newer-version check", "skipped", "AskType = 0"));
  findings.push_back(s.DeleteINFIndex ? Stage("old driver index", "ran", "") : Stage("old driver index", "skipped", "DeleteINFIndex = 0"));
  findings.push_back(s.NewerPackage ? Stage("older version's files", "ran", "")
                                    : Stage("older version's files", "skipped", "NewerPackage = 0"));
  findings.push_back(s.AskPath ? Stage("destination folders", "ran", "") : Stage("destination folders", "skipped", "AskPath = 0"));
  if (!copyRan) {
    findings.push_back(Stage("copy stage", "not-reached", "the installation ended before it (see the newer-version check)"));
    return findings;
  }
  findings.push_back(Stage("copy list", "ran", std::to_string(CopyEntryCount) + " entries"));

  // The stage dialogs after the copy: driver stages (with driver lines) and the registry stage.
  std::vector<std::pair<size_t, size_t>> stages;  // [first line, end) of each stage dialog
  for (size_t i = copyAt + 1; i < journal.size(); ++i)
    if (StartsWith(journal[i], kStageDialog) && Has(journal[i], " shown")) stages.push_back({i, journal.size()});
  for (size_t k = 0; k + 1 < stages.size(); ++k) stages[k].second = stages[k + 1].first;
  bool ended = false;
  for (size_t i = copyAt + 1; i < (stages.empty() ? journal.size() : stages[0].first); ++i)
    if (StartsWith(journal[i], kExitDialog) || Has(journal[i], "wizard: cancelled")) ended = true;
  findings.push_back(ended || (stages.empty() && s.InstallStarted)
                         ? Stage("copy stage", "ended", "the copy dialog ended with failure (cancelled)")
                         : Stage("copy stage", "ran", ""));
  if (ended) return findings;
  for (const auto& range : stages) {
    std::string route, verdict = "went on", interface = "interface";
    bool driver = false;
    for (size_t i = range.first; i < range.second; ++i) {
      const std::string& line = journal[i];
      if (StartsWith(line, kDriverTrace)) {
        driver = true;
        const std::string numbers = line.substr(std::strlen(kDriverTrace));
        const int type = std::atoi(numbers.substr(numbers.find(',') + 1).c_str());
        interface = type == 1 ? "PS/2" : type == 2 ? "Bluetooth" : type == 3 ? "USB" : "interface " + std::to_string(type);
      } else if (StartsWith(line, "driver: UpdateDriverForPlugAndPlayDevices")) {
        driver = true;
        route += (route.empty() ? "" : "; ") + std::string("inline update ") + line.substr(std::strlen("driver: UpdateDriverForPlugAndPlayDevices "));
      } else if (Has(line, "difxapp32")) {
        driver = true;
        route += (route.empty() ? "" : "; ") + std::string("listed-devices route (") + line + ")";
      } else if (StartsWith(line, "process: ") && (Has(line, "SetupNT") || Has(line, "Setup9x") || Has(line, "Setupnt"))) {
        driver = true;
        route += (route.empty() ? "" : "; ") + std::string("setup-program route (") + line + ")";
      } else if (StartsWith(line, kPrivilegeDialog) || StartsWith(line, kFailureDialog)) {
        driver = true;
        verdict = StartsWith(line, kPrivilegeDialog) ? "stopped: the driver setup program reported no privilege"
                                                     : "stopped: the driver setup program reported failure";
      }
    }
    if (!driver) {
      findings.push_back(Stage("registry stage", "ran", ""));
      continue;
    }
    const bool stopped = verdict != "went on";
    findings.push_back(Stage("driver stage (" + interface + ")", stopped ? "ended" : "ran",
                             s.NoInfMode ? "NoInfMode = 1: reported success without driver work" : stopped ? verdict : ""));
    findings.push_back(Finding{"interface", interface, verdict, route.empty() ? "no driver call" : route});
  }
  if (stages.empty() && !s.NoInfMode)
    findings.push_back(Stage("driver stages", "skipped", "no device id to install (the installation ended after the copy)"));
  return findings;
}

std::string Json(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::string ExplainRun(bool json) {
  const std::vector<std::string> journal = Journal();
  std::vector<Finding> findings = ExplainCopy(journal);
  const std::vector<Finding> stages = ExplainStages(journal);
  findings.insert(findings.end(), stages.begin(), stages.end());
  std::ostringstream out;
  if (json) {
    for (const Finding& f : findings)
      out << "{\"kind\":" << Json(f.kind) << ",\"subject\":" << Json(f.subject) << ",\"outcome\":" << Json(f.outcome)
          << ",\"reason\":" << Json(f.reason) << "}\n";
    return out.str();
  }
  const char* headings[][2] = {{"file", "copy list"}, {"stage", "installation stages"}, {"interface", "driver routes"}};
  out << "==== explanation of the run on " << Profile().name << "\n";
  for (const auto& heading : headings) {
    out << heading[1] << ":\n";
    for (const Finding& f : findings)
      if (f.kind == heading[0])
        out << "  " << f.subject << ": " << f.outcome << (f.reason.empty() ? "" : " (" + f.reason + ")") << "\n";
  }
  return out.str();
}

}  // namespace sim
