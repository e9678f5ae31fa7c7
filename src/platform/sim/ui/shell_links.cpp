// Start-menu services of the simulated machine: shell links saved as small readable text files,
// and the package's menu library "nvkmenu.dll", whose one export writes the same link files and
// notes the pin request.
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>

#include "common/text.h"
#include "platform/shell.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"

using sim::internal::Lock;
using sim::internal::State;

namespace {

using sim::internal::Guard;

const char kLinkHeader[] = "[Shell link]";

// The address handed out for the menu library's export; never called.
const char kInstallShortCutStub = 0;

// Writes a link file at a Windows path whose folder exists. Returns the error, 0 on success.
ErrorCode WriteLinkFile(const char16_t* linkPath, const char16_t* target, const char16_t* arguments,
                        const char* pinned) {
  sim::internal::ResolvedPath resolved = sim::internal::ResolvePath(linkPath ? linkPath : u"");
  if (resolved.host.empty()) return resolved.error ? resolved.error : kErrPathNotFound;
  if (!sim::internal::HostIsDirectory(sim::internal::HostParent(resolved.host))) return kErrPathNotFound;
  if (sim::internal::HostIsDirectory(resolved.host)) return kErrAccessDenied;
  if (sim::internal::IsLocked(resolved.host)) return kErrSharingViolation;
  std::string text = std::string(kLinkHeader) + "\r\nTarget=" + sim::ToUtf8(target ? target : u"") +
                     "\r\nArguments=" + sim::ToUtf8(arguments ? arguments : u"") + "\r\n";
  if (pinned) text += std::string("Pinned=") + pinned + "\r\n";
  sim::internal::AwaitHostCopies(resolved.host);
  std::ofstream file(resolved.host, std::ios::binary | std::ios::trunc);
  file << text;
  file.close();
  if (!file) return kErrAccessDenied;
  sim::internal::NoteFileWritten(resolved.host);
  return 0;
}

}  // namespace

namespace sim {
namespace internal {

const void* PackageLibraryExport(const std::u16string& libraryFile, const char* name) {
  if (!name || !TextEqualNoCase(libraryFile.c_str(), u"nvkmenu.dll")) return nullptr;
  return std::string(name) == "InstallShortCut" ? &kInstallShortCutStub : nullptr;
}

}  // namespace internal

bool ReadShellLink(const std::u16string& windowsPath, ShellLinkInfo* out) {
  std::string bytes;
  if (!ReadDiskFile(windowsPath, &bytes)) return false;
  std::istringstream lines(bytes);
  std::string line;
  if (!std::getline(lines, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line != kLinkHeader) return false;
  ShellLinkInfo info;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "Target") info.target = FromUtf8(value);
    if (key == "Arguments") info.arguments = FromUtf8(value);
    if (key == "Pinned") info.pinned = value == "1";
  }
  if (out) *out = info;
  return true;
}

}  // namespace sim

int SysSaveShellLink(const char16_t* linkPath, const char16_t* target, const char16_t* arguments) {
  Guard guard(Lock());
  if (SIM_FAULT(SysSaveShellLink)) return 0;
  const ErrorCode error = WriteLinkFile(linkPath, target, arguments, nullptr);
  if (error) {
    sim::internal::SetLastError(error);
    return 0;
  }
  sim::JournalAdd("shell-link: " + sim::ToUtf8(linkPath) + " -> " + sim::ToUtf8(target ? target : u"") + " " +
                  sim::ToUtf8(arguments ? arguments : u""));
  return 1;
}

void SysCallInstallShortCut(void* procAddress, const char16_t* linkPath, const char16_t* target,
                            const char16_t* arguments, int pin) {
  Guard guard(Lock());
  if (procAddress != &kInstallShortCutStub) {
    sim::JournalAdd("menu-library: call of an unknown address");
    return;
  }
  sim::JournalAdd("menu-library: InstallShortCut " + sim::ToUtf8(linkPath ? linkPath : u"") + " " +
                  sim::ToUtf8(target ? target : u"") + " " + sim::ToUtf8(arguments ? arguments : u"") +
                  " pin=" + std::to_string(pin));
  WriteLinkFile(linkPath, target, arguments, pin ? "1" : "0");
}
