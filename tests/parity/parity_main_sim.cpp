// Native main of the parity probe: a fresh simulated Windows XP machine with the fixture INI
// written to C:\parity three times (as it is with LF line ends, with CRLF and with CR alone),
// then the probe script.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "parity/parity_probe.h"
#include "platform/sim/machine.h"

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

}  // namespace

// Usage: parity-probe [FIXTURE.INI]; the default is the fixture of the source tree.
int main(int argc, char** argv) {
  const char* fixture = argc > 1 ? argv[1] : PARITY_FIXTURE;
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
  return RunParityProbe(labels, paths, 3, kParityRegistryBase);
}
