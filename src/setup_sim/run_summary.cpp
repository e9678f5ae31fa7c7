// setup-sim's summary of a run: files, registry, shortcuts, programs, restart and replacements
// left for the next start, compared with a snapshot taken before the run.
#include "setup_sim/run_summary.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/machine/machine.h"

namespace sim {

namespace {

namespace fs = std::filesystem;

// Longest registry value line shown in the summary; largest file whose contents are compared,
// and the block in which they are read.
constexpr size_t kValueShown = 110;
constexpr uint64_t kLargestDigest = 256u << 10;
constexpr size_t kDigestBlock = 64u << 10;
const char16_t kSessionManager[] = u"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char16_t kPendingRenames[] = u"PendingFileRenameOperations";

// Registry export as key -> (value name part -> whole value line), in export order.
typedef std::vector<std::pair<std::string, std::string>> ValueList;
typedef std::vector<std::pair<std::string, ValueList>> KeyList;

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// The name part of a value line: "@" or the quoted name with its quotes.
std::string ValueName(const std::string& line) {
  if (line.compare(0, 2, "@=") == 0) return "@";
  for (size_t i = 1; i < line.size(); ++i) {
    if (line[i] == '\\') {
      ++i;
    } else if (line[i] == '"') {
      return line.substr(0, i + 1);
    }
  }
  return line;
}

KeyList ParseExport(const std::string& text) {
  KeyList keys;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '[') {
      keys.push_back({line, ValueList()});
      continue;
    }
    if (keys.empty() || line.empty() || (line[0] != '"' && line[0] != '@')) continue;
    std::string whole = line;
    while (!whole.empty() && whole.back() == '\\' && std::getline(in, line)) {
      whole.pop_back();
      whole += line.substr(line.find_first_not_of(' ') == std::string::npos ? 0 : line.find_first_not_of(' '));
    }
    keys.back().second.push_back({ValueName(whole), whole});
  }
  return keys;
}

const ValueList* FindKey(const KeyList& keys, const std::string& key) {
  for (const auto& entry : keys)
    if (Lower(entry.first) == Lower(key)) return &entry.second;
  return nullptr;
}

const std::string* FindValue(const ValueList& values, const std::string& name) {
  for (const auto& entry : values)
    if (Lower(entry.first) == Lower(name)) return &entry.second;
  return nullptr;
}

// Whether a key of now that old lacks lies below key ("[path]" forms).
bool AddedBelow(const KeyList& old, const KeyList& now, const std::string& key) {
  const std::string prefix = Lower(key.substr(0, key.size() - 1)) + "\\";
  for (const auto& entry : now)
    if (Lower(entry.first).compare(0, prefix.size(), prefix) == 0 && !FindKey(old, entry.first)) return true;
  return false;
}

std::string Shown(const std::string& line) {
  return line.size() <= kValueShown ? line : line.substr(0, kValueShown) + "...";
}

void RegistryChanges(const std::string& before, const std::string& after, std::ostringstream& out) {
  const KeyList old = ParseExport(before), now = ParseExport(after);
  std::ostringstream lines;
  int count = 0;
  for (const auto& key : now) {
    const ValueList* previous = FindKey(old, key.first);
    std::ostringstream values;
    for (const auto& value : key.second) {
      const std::string* was = previous ? FindValue(*previous, value.first) : nullptr;
      if (was && *was == value.second) continue;
      values << "      " << (was ? "~ " : "+ ") << Shown(value.second) << "\n";
      ++count;
    }
    if (previous) {
      for (const auto& value : *previous)
        if (!FindValue(key.second, value.first)) {
          values << "      - " << value.first << "\n";
          ++count;
        }
    }
    // A new key without values is shown only when no new key lies below it.
    if (!previous && key.second.empty() && AddedBelow(old, now, key.first)) continue;
    if (!previous) ++count;
    if (!previous || !values.str().empty()) lines << "  " << (previous ? "  " : "+ ") << key.first << "\n" << values.str();
  }
  for (const auto& key : old)
    if (!FindKey(now, key.first)) {
      lines << "  - " << key.first << "\n";
      ++count;
    }
  out << "registry changes (" << count << "; + added, ~ changed, - removed):\n";
  out << (count ? lines.str() : "  none\n");
}

// The Windows path of a host file below the root of drive letter.
std::string WindowsPath(char letter, const fs::path& relative) {
  std::string path = std::string(1, letter) + ":";
  for (const fs::path& part : relative) path += "\\" + part.string();
  return path;
}

// A digest of a host file's contents, read in blocks; 0 when it cannot be read.
size_t DigestOf(const std::string& host) {
  FILE* file = std::fopen(host.c_str(), "rb");
  if (!file) return 0;
  std::vector<char> block(kDigestBlock);
  size_t digest = 1, n = 0;
  while ((n = std::fread(block.data(), 1, block.size(), file)) > 0)
    digest = digest * 1000003u ^ std::hash<std::string_view>()(std::string_view(block.data(), n));
  std::fclose(file);
  return digest;
}

// Every file of one drive with its size and change stamp; files up to kLargestDigest bytes
// also with a digest of their contents, so that one rewritten with the same bytes counts as
// unchanged (larger ones count as changed once written).
void ReadDrive(char letter, std::map<std::string, RunSnapshot::FileState>* files) {
  const std::string root = HostPath(std::u16string(1, static_cast<char16_t>(letter)) + u":\\");
  std::error_code error;
  if (root.empty() || !fs::is_directory(root, error)) return;
  for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
    struct stat info;
    const std::string host = it->path().string();
    if (lstat(host.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    RunSnapshot::FileState state;
    state.size = static_cast<uint64_t>(info.st_size);
    state.stamp = std::to_string(info.st_ino) + ":" + std::to_string(info.st_mtim.tv_sec) + "." +
                  std::to_string(info.st_mtim.tv_nsec) + ":" + std::to_string(info.st_ctim.tv_sec) + "." +
                  std::to_string(info.st_ctim.tv_nsec);
    if (state.size <= kLargestDigest) state.digest = DigestOf(host);
    (*files)[WindowsPath(letter, fs::path(host.substr(root.size())).relative_path())] = state;
  }
}

// Whether a file present before and after the run was written meanwhile.
bool Changed(const RunSnapshot::FileState& was, const RunSnapshot::FileState& now) {
  if (was.size != now.size) return true;
  if (was.stamp == now.stamp) return false;
  return was.size > kLargestDigest || was.digest != now.digest;
}

bool EndsWithNoCase(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && Lower(text.substr(text.size() - end.size())) == end;
}

// Journal lines "<prefix>...<suffix>" with the part between.
std::vector<std::string> JournalParts(const std::string& prefix, const std::string& suffix) {
  std::vector<std::string> parts;
  for (const std::string& line : Journal()) {
    if (line.compare(0, prefix.size(), prefix) != 0 || line.size() < prefix.size() + suffix.size()) continue;
    if (line.compare(line.size() - suffix.size(), suffix.size(), suffix) != 0) continue;
    parts.push_back(line.substr(prefix.size(), line.size() - prefix.size() - suffix.size()));
  }
  return parts;
}

void ListLines(const char* title, const std::vector<std::string>& lines, std::ostringstream& out) {
  out << title << " (" << lines.size() << "):" << (lines.empty() ? " none\n" : "\n");
  for (const std::string& line : lines) out << "  " << line << "\n";
}

}  // namespace

std::vector<std::string> PendingReplacements() {
  std::vector<std::string> lines;
  RegKey key = nullptr;
  if (SysRegOpenKey(kRegLocalMachine, kSessionManager, kKeyRead, &key) == 0) {
    uint32_t type = 0, size = 0;
    if (SysRegQueryValue(key, kPendingRenames, &type, nullptr, &size) == 0 && size > 1) {
      std::vector<uint8_t> data(size);
      SysRegQueryValue(key, kPendingRenames, &type, data.data(), &size);
      std::vector<std::u16string> texts(1);
      for (uint32_t i = 0; i + 1 < size; i += 2) {
        const char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c)
          texts.back() += c;
        else
          texts.emplace_back();
      }
      for (size_t i = 0; i + 1 < texts.size() && !texts[i].empty(); i += 2)
        lines.push_back(ToUtf8(texts[i]) + " -> " + (texts[i + 1].empty() ? "(delete)" : ToUtf8(texts[i + 1])));
    }
    SysRegCloseKey(key);
  }
  std::string wininit;
  if (ReadDiskFile(Profile().windowsDir + u"\\wininit.ini", &wininit)) {
    std::istringstream in(wininit);
    std::string line;
    bool inRename = false;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty() && line[0] == '[') {
        inRename = Lower(line) == "[rename]";
        continue;
      }
      if (inRename && !line.empty()) lines.push_back("wininit.ini: " + line);
    }
  }
  return lines;
}

RunSnapshot TakeRunSnapshot() {
  RunSnapshot snapshot;
  for (char letter = 'A'; letter <= 'Z'; ++letter) ReadDrive(letter, &snapshot.files);
  snapshot.registry = ExportRegText();
  return snapshot;
}

std::string DescribeRun(const RunSnapshot& before, int exitCode) {
  const RunSnapshot after = TakeRunSnapshot();
  std::ostringstream out;
  out << "==== summary of the run on " << Profile().name << "\n";
  out << "exit code: " << exitCode << "\n";
  ListLines("wizard pages shown", JournalParts("wizard: page ", " shown"), out);
  ListLines("dialogs shown", JournalParts("dialog: ", " shown"), out);

  std::vector<std::string> written, removed, links;
  for (const auto& file : after.files) {
    auto was = before.files.find(file.first);
    if (was != before.files.end() && !Changed(was->second, file.second)) continue;
    std::ostringstream line;
    line << (was == before.files.end() ? "new     " : "changed ");
    line.width(9);
    line << file.second.size << "  " << file.first;
    written.push_back(line.str());
    ShellLinkInfo link;
    if (EndsWithNoCase(file.first, ".lnk") && ReadShellLink(FromUtf8(file.first), &link))
      links.push_back(file.first + " -> " + ToUtf8(link.target) + (link.arguments.empty() ? "" : " ") +
                      ToUtf8(link.arguments));
  }
  for (const auto& file : before.files)
    if (!after.files.count(file.first)) removed.push_back(file.first);
  ListLines("files written (sizes in bytes)", written, out);
  ListLines("files removed", removed, out);
  ListLines("shortcuts", links, out);
  RegistryChanges(before.registry, after.registry, out);

  std::vector<std::string> programs;
  for (const ProgramStart& start : StartedPrograms())
    programs.push_back((start.viaShell ? "shell " + ToUtf8(start.verb) + " " : std::string()) +
                       ToUtf8(start.commandLine));
  ListLines("programs started", programs, out);
  uint32_t flags = 0;
  out << "restart: " << (RestartRequested(&flags) ? "requested" : "not requested") << "\n";
  ListLines("replacements at the next start", PendingReplacements(), out);
  return out.str();
}

}  // namespace sim
