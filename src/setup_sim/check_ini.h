// What the package check shares between its topics: the package's INI files as written (with
// line numbers), and the context in which one machine's findings are collected.
#pragma once
#include <string>
#include <vector>

#include "setup_sim/check_package.h"

namespace sim {

struct WrittenKey {
  std::string key;    // as written, blanks around it removed
  std::string value;  // as written, blanks around it removed
  int line = 0;
};

struct WrittenSection {
  std::string name;
  int line = 0;
  std::vector<WrittenKey> entries;
};

// An INI file of the package as written. Lookups ignore case and take the first section and
// the first key of a name, as the profile functions do.
struct WrittenIni {
  std::string name;  // file name as the findings give it
  bool present = false;
  std::vector<WrittenSection> sections;

  const WrittenSection* Section(const std::string& section) const;
  const WrittenKey* Entry(const std::string& section, const std::string& key) const;
  // Line of the key in the section, else of the section, else 0.
  int LineOf(const std::string& section, const std::string& key) const;
};

// Reads the INI file at hostPath; an unreadable file gives present = false and no sections.
WrittenIni ReadWrittenIni(const std::string& hostPath, const std::string& name);

bool SameNoCase(const std::string& a, const std::string& b);

// One machine's check: the package's files and where the findings go.
struct CheckContext {
  std::string machine;
  WrittenIni config;    // the configuration file setup reads on this machine
  WrittenIni especial;  // SETUP2K.INI beside the program, read whatever the platform
  WrittenIni language;  // install.ini
  std::vector<CheckFinding>* findings = nullptr;

  // Adds a finding about key of section of file (its line looked up there).
  void Add(const WrittenIni& file, const std::string& section, const std::string& key, CheckSeverity severity,
           const std::string& message);
};

// The topics of the check; each runs after start-up has loaded the configuration.
void CheckStartupKeys(CheckContext& ctx);     // booleans, the sections keys are read from, lengths
void CheckNumberedSections(CheckContext& ctx);  // gaps and limits of the numbered lists
void CheckCopyList(CheckContext& ctx);        // sources, the copy walk and its progress figures
void CheckMacros(CheckContext& ctx);          // %name% with no value
void CheckVersions(CheckContext& ctx);        // text against number comparison of versions
void CheckPackageFiles(CheckContext& ctx);    // INF files, the USB install section, the cabinet
void CheckProductLists(CheckContext& ctx);    // pictures and the preselected model
void CheckLanguageFile(CheckContext& ctx);    // install.ini sections and Languageid

// UTF-8 of a UTF-16 text of the program.
std::string Utf8(const char16_t* text);

}  // namespace sim
