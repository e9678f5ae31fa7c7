// setup-sim's package check: reads a package the way setup does on one or every simulated
// Windows family, without installing, and reports each place where setup would silently do
// something other than what the package says.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

namespace sim {

enum class CheckSeverity { kWarning, kError };

// One finding: where it is in the package and what setup will actually do.
struct CheckFinding {
  std::string file;     // package file, such as "SETUP2K.INI"
  std::string section;  // without brackets; empty when the finding is about the whole file
  std::string key;      // empty when the finding is about a section or file
  int line = 0;         // line of the key (or section) in the file; 0 when it is not written there
  CheckSeverity severity = CheckSeverity::kWarning;
  std::string message;                // what setup will do
  std::vector<std::string> machines;  // the machines on which it happens
};

// Checks the package in host folder `package` on each machine (built-in names or profile
// files), with the registry contents of regIn (empty: none) as the installed state. Findings
// that are the same on several machines are given once with all their machines. Returns false
// with error set when a machine profile or the registry file cannot be loaded.
bool CheckPackage(const std::string& package, const std::vector<std::string>& machines, const std::string& regIn,
                  std::vector<CheckFinding>* findings, std::string* error);

// The findings as readable lines, or as one JSON object per line.
std::string FormatFindingsText(const std::vector<CheckFinding>& findings);
std::string FormatFindingsJson(const std::vector<CheckFinding>& findings);

// setup-sim --check: checks on `machine` ("all": every built-in machine) and prints the findings
// to out (JSON lines when json). Returns the exit code: 0 when nothing at error level was
// found, 1 otherwise, 2 when the machine or the registry file cannot be loaded.
int RunPackageCheck(const std::string& machine, const std::string& package, const std::string& regIn, bool json,
                    FILE* out);

}  // namespace sim
