// setup-sim --check: runs setup's start-up on each chosen simulated machine, then lets every
// topic of the check read the package with setup's own readers, and prints the findings.
#include "setup_sim/check_package.h"

#include <algorithm>
#include <cstdint>

#include "common/text.h"
#include "platform/sim/machine/machine.h"
#include "setup_sim/check_ini.h"
#include "settings/config_keys.h"
#include "settings/settings.h"
#include "entry/setup_main.h"

namespace sim {

namespace {

constexpr const char* kAllMachines = "all";

// Host path of a file of the package drive, named by its Windows path.
WrittenIni ReadPackageIni(const char16_t* windowsPath, const char16_t* name) {
  return ReadWrittenIni(HostPath(windowsPath), Utf8(name));
}

// Runs start-up on the machine and the topics of the check. Returns false with error set when
// the machine or the registry file cannot be loaded.
bool CheckOnMachine(const std::string& package, const std::string& machine, const std::string& regIn,
                    std::vector<CheckFinding>* findings, std::string* error) {
  MachineProfile profile;
  if (!BuiltinProfile(machine, &profile) && !LoadProfileFile(machine, &profile, error)) {
    *error = "--machine " + machine + ": " + *error;
    return false;
  }
  ResetMachine(profile, "");
  MountPackage(package);
  if (!regIn.empty() && !ImportRegFile(regIn, error)) {
    *error = "--reg-in " + regIn + ": " + *error;
    return false;
  }
  ResetSettings();
  // The instance handle a Windows program of this kind usually gets: its image base.
  ModuleHandle instance = reinterpret_cast<ModuleHandle>(static_cast<uintptr_t>(0x400000));
  const int started = RunStartup(instance, "");

  CheckContext ctx;
  ctx.machine = Profile().name;
  ctx.findings = findings;
  const SettingsRecord& s = g_Settings;
  char16_t languageFile[kTextSize];
  TextCopy(languageFile, s.SourceDir);
  TextAppend(languageFile, u"\\");
  TextAppend(languageFile, kFileLanguage);
  ctx.language = ReadPackageIni(languageFile, kFileLanguage);
  ctx.especial = ReadPackageIni(s.EspecialFile, kFileSetup2K);
  if (!started || !s.ConfigFile[0]) {
    WrittenIni none;
    none.name = "(configuration)";
    ctx.Add(none, "", "", CheckSeverity::kWarning,
            "setup finds no configuration file it accepts on this machine (missing, or Supported=FALSE) "
            "and ends at once with exit code 0");
    CheckLanguageFile(ctx);
    return true;
  }
  const long slash = TextFindLastChar(s.ConfigFile, u'\\');
  ctx.config = ReadPackageIni(s.ConfigFile, s.ConfigFile + slash + 1);

  CheckStartupKeys(ctx);
  CheckNumberedSections(ctx);
  CheckPackageFiles(ctx);
  CheckCopyList(ctx);
  CheckMacros(ctx);
  CheckVersions(ctx);
  CheckProductLists(ctx);
  CheckLanguageFile(ctx);
  return true;
}

bool SameFinding(const CheckFinding& a, const CheckFinding& b) {
  return a.file == b.file && a.section == b.section && a.key == b.key && a.line == b.line &&
         a.severity == b.severity && a.message == b.message;
}

const char* SeverityName(CheckSeverity severity) { return severity == CheckSeverity::kError ? "error" : "warning"; }

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
      out += buffer;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string JoinMachines(const std::vector<std::string>& machines) {
  std::string out;
  for (const std::string& m : machines) out += (out.empty() ? "" : ", ") + m;
  return out;
}

}  // namespace

bool CheckPackage(const std::string& package, const std::vector<std::string>& machines, const std::string& regIn,
                  std::vector<CheckFinding>* findings, std::string* error) {
  findings->clear();
  for (const std::string& machine : machines) {
    std::vector<CheckFinding> found;
    if (!CheckOnMachine(package, machine, regIn, &found, error)) return false;
    for (CheckFinding& f : found) {
      bool merged = false;
      for (CheckFinding& known : *findings) {
        if (!SameFinding(known, f)) continue;
        if (known.machines.back() != f.machines[0]) known.machines.push_back(f.machines[0]);
        merged = true;
        break;
      }
      if (!merged) findings->push_back(f);
    }
  }
  std::stable_sort(findings->begin(), findings->end(), [](const CheckFinding& a, const CheckFinding& b) {
    return a.file != b.file ? a.file < b.file : a.line < b.line;
  });
  return true;
}

std::string FormatFindingsText(const std::vector<CheckFinding>& findings) {
  std::string out;
  int errors = 0;
  for (const CheckFinding& f : findings) {
    if (f.severity == CheckSeverity::kError) ++errors;
    out += f.file;
    if (f.line > 0) out += ":" + std::to_string(f.line);
    out += ": ";
    if (!f.section.empty()) out += "[" + f.section + "] ";
    if (!f.key.empty()) out += f.key + ": ";
    out += std::string(SeverityName(f.severity)) + ": " + f.message + " (" + JoinMachines(f.machines) + ")\n";
  }
  out += std::to_string(errors) + " error(s), " + std::to_string(findings.size() - errors) + " warning(s)\n";
  return out;
}

std::string FormatFindingsJson(const std::vector<CheckFinding>& findings) {
  std::string out;
  for (const CheckFinding& f : findings) {
    out += "{\"severity\":" + JsonString(SeverityName(f.severity)) + ",\"file\":" + JsonString(f.file) +
           ",\"section\":" + JsonString(f.section) + ",\"key\":" + JsonString(f.key) +
           ",\"line\":" + std::to_string(f.line) + ",\"machines\":[";
    for (size_t i = 0; i < f.machines.size(); ++i) out += (i ? "," : "") + JsonString(f.machines[i]);
    out += "],\"message\":" + JsonString(f.message) + "}\n";
  }
  return out;
}

int RunPackageCheck(const std::string& machine, const std::string& package, const std::string& regIn, bool json,
                    FILE* out) {
  std::vector<std::string> machines;
  if (machine == kAllMachines)
    machines = BuiltinProfileNames();
  else
    machines.push_back(machine);
  std::vector<CheckFinding> findings;
  std::string error;
  if (!CheckPackage(package, machines, regIn, &findings, &error)) {
    std::fprintf(stderr, "setup-sim: %s\n", error.c_str());
    return 2;
  }
  std::string text = json ? FormatFindingsJson(findings) : FormatFindingsText(findings);
  std::fputs(text.c_str(), out);
  for (const CheckFinding& f : findings)
    if (f.severity == CheckSeverity::kError) return 1;
  return 0;
}

}  // namespace sim
