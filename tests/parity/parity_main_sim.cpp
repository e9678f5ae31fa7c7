// Native main of the parity probe: a fresh simulated Windows XP machine with the fixture INI
// written to C:\parity three times (as it is with LF line ends, with CRLF and with CR alone) and
// the cabinet and version fixtures copied to C:\parity\fixtures, then the probe script. The other
// programs whose windows the probe closes are modelled processes of the machine.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "parity/parity_probe.h"
#include "platform/sim/machine/machine.h"

namespace {

// The fixture with its line ends (LF, CRLF or CR) replaced by the given one.
std::string WithLineEnds(const std::string& text, const std::string& lineEnd) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += lineEnd;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The fixtures the file scripts use, copied from the host folder.
const char* const kFileFixtures[] = {"normal.cab", "subfolder.cab",      "truncated.cab",  "corrupt.cab",
                                     "v1_9.dll",   "v1_10.dll",          "v1_10_text_1_9.dll", "v3_0_name2.dll",
                                     "no_version.dll", "v2_0_german.dll"};

// The whole contents of a host file; false when it cannot be read.
bool ReadHostFile(const std::string& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// The host's file times, set through the machine's test interface.
int SetTimes(const char16_t* path, uint64_t creation, uint64_t lastWrite) {
  if (!sim::DiskPathExists(path)) return 0;
  sim::SetFileTimes(path, creation, lastWrite);
  return 1;
}

// A file held by another program, as the machine models it.
int HoldFile(const char16_t* path, int hold) {
  if (!sim::DiskPathExists(path)) return 0;
  sim::LockFile(path, hold != 0);
  return 1;
}

// A modelled program owning one window.
uint32_t StartOwner(const char16_t* className, const char16_t* caption, int ignoreClose) {
  return sim::AddRunningProcess(u"window_owner.exe", className, caption,
                                ignoreClose ? sim::CloseBehaviour::kIgnoresCloseRequest
                                            : sim::CloseBehaviour::kClosesOnRequest);
}

// A modelled program's exit code once it ended (such programs never end by themselves).
int OwnerExit(uint32_t processId, uint32_t* exitCode) { return sim::ProcessExitCode(processId, exitCode) ? 1 : 0; }

}  // namespace

// Usage: parity-probe [FIXTURE.INI [FIXTURE-FOLDER]]; the defaults are the fixture of the source
// tree and the fixtures of this build.
int main(int argc, char** argv) {
  const char* fixture = argc > 1 ? argv[1] : PARITY_FIXTURE;
  const std::string fixtureFolder = argc > 2 ? argv[2] : PARITY_FIXTURE_DIR;
  std::ifstream in(fixture, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "parity-probe: cannot read %s\n", fixture);
    return 2;
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  sim::MachineProfile profile;
  if (!sim::BuiltinProfile("winxp", &profile)) {
    std::fprintf(stderr, "parity-probe: no winxp machine profile\n");
    return 2;
  }
  sim::ResetMachine(profile);
  const char* labels[] = {"lf", "crlf", "cr"};
  const char* lineEnds[] = {"\n", "\r\n", "\r"};
  const char16_t* paths[] = {u"C:\\parity\\fixture.ini", u"C:\\parity\\fixture-crlf.ini",
                             u"C:\\parity\\fixture-cr.ini"};
  for (int i = 0; i < 3; ++i) {
    if (!sim::WriteDiskFile(paths[i], WithLineEnds(bytes, lineEnds[i]))) {
      std::fprintf(stderr, "parity-probe: cannot write the fixture to the simulated disk\n");
      return 2;
    }
  }
  for (const char* name : kFileFixtures) {
    std::string data;
    if (!ReadHostFile((std::filesystem::path(fixtureFolder) / name).string(), &data) ||
        !sim::WriteDiskFile(u"C:\\parity\\fixtures\\" + sim::FromUtf8(name), data)) {
      std::fprintf(stderr, "parity-probe: cannot copy the fixture %s from %s\n", name, fixtureFolder.c_str());
      return 2;
    }
  }
  ParityHost host = {u"C:\\parity\\work", u"C:\\parity\\fixtures", SetTimes, HoldFile, StartOwner, OwnerExit};
  return RunParityProbe(labels, paths, 3, kParityRegistryBase, &host);
}
