// Windows main of the parity probe: runs the probe script on the fixture files named on the
// command line (Windows paths: the fixture with LF line ends, with CRLF and with CR alone).
#include <cstdio>
#include <string>
#include <vector>

#include "parity/parity_probe.h"
#include "platform/kernel.h"

// Usage: parity-probe.exe FIXTURE.INI [FIXTURE-CRLF.INI [FIXTURE-CR.INI]]
int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: parity-probe.exe FIXTURE.INI [FIXTURE-CRLF.INI [FIXTURE-CR.INI]]\n");
    return 2;
  }
  std::vector<std::u16string> paths;
  for (int i = 1; i < argc; ++i) {
    char16_t wide[260];
    SysAnsiToWide(argv[i], wide, 260);
    paths.emplace_back(wide);
  }
  const char* labels[] = {"lf", "crlf", "cr"};
  const char16_t* pathTexts[3] = {};
  for (size_t i = 0; i < paths.size(); ++i) pathTexts[i] = paths[i].c_str();
  return RunParityProbe(labels, pathTexts, static_cast<int>(paths.size()), kParityRegistryBase);
}
