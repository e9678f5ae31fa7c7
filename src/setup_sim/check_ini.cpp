// The package's INI files as written, with line numbers, for the package check's findings.
#include "setup_sim/check_ini.h"

#include <cctype>
#include <fstream>

#include "platform/sim/machine/machine.h"

namespace sim {

namespace {

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return "";
  size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

}  // namespace

bool SameNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string Utf8(const char16_t* text) { return ToUtf8(std::u16string(text)); }

const WrittenSection* WrittenIni::Section(const std::string& section) const {
  for (const WrittenSection& s : sections)
    if (SameNoCase(s.name, section)) return &s;
  return nullptr;
}

const WrittenKey* WrittenIni::Entry(const std::string& section, const std::string& key) const {
  const WrittenSection* s = Section(section);
  if (!s) return nullptr;
  for (const WrittenKey& e : s->entries)
    if (SameNoCase(e.key, key)) return &e;
  return nullptr;
}

int WrittenIni::LineOf(const std::string& section, const std::string& key) const {
  if (const WrittenKey* e = Entry(section, key)) return e->line;
  if (const WrittenSection* s = Section(section)) return s->line;
  return 0;
}

WrittenIni ReadWrittenIni(const std::string& hostPath, const std::string& name) {
  WrittenIni ini;
  ini.name = name;
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) return ini;
  ini.present = true;
  std::string line;
  int number = 0;
  WrittenSection* current = nullptr;
  while (std::getline(in, line)) {
    ++number;
    std::string text = Trim(line);
    if (text.empty() || text[0] == ';') continue;
    if (text[0] == '[') {
      size_t close = text.find(']');
      ini.sections.push_back({Trim(text.substr(1, close == std::string::npos ? std::string::npos : close - 1)), number, {}});
      current = &ini.sections.back();
      continue;
    }
    size_t equals = text.find('=');
    if (!current || equals == std::string::npos) continue;
    current->entries.push_back({Trim(text.substr(0, equals)), Trim(text.substr(equals + 1)), number});
  }
  return ini;
}

void CheckContext::Add(const WrittenIni& file, const std::string& section, const std::string& key,
                       CheckSeverity severity, const std::string& message) {
  CheckFinding f;
  f.file = file.name;
  f.section = section;
  f.key = key;
  f.line = file.LineOf(section, key);
  f.severity = severity;
  f.message = message;
  f.machines.push_back(machine);
  findings->push_back(f);
}

}  // namespace sim
