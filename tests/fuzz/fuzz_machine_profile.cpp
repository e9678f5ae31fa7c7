// Fuzzer of setup-sim's machine profiles: the input is a profile file; a refused one names the
// file and line, an accepted one starts a machine (on a disk removed after each input) whose
// version and folders the program then reads into buffers of its usual sizes, each terminated.
#include <filesystem>
#include <fstream>

#include "fuzz_machine.h"
#include "platform/kernel.h"
#include "platform/shell.h"

FUZZ_TARGET(data, size) {
  const std::string path = fuzz::HostRoot() + "/fuzz.profile";
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  sim::MachineProfile profile;
  std::string error;
  if (!sim::LoadProfileFile(path, &profile, &error)) {
    fuzz::Check(error.compare(0, path.size() + 1, path + ":") == 0, "refusal without the file: " + error);
    return;
  }
  const std::string disk = fuzz::HostRoot() + "/profile-disk";
  sim::ResetMachine(profile, disk);
  SysVersionInfo version;
  for (int extended : {0, 1})
    if (SysGetVersionInfo(&version, extended))
      fuzz::Check(std::char_traits<char16_t>::find(version.csdVersion, 128, 0) != nullptr, "csd text unterminated");
  SysGetVersionWord();
  for (uint32_t cap : {260u, 16u, 1u}) {
    fuzz::Guarded<char16_t> windows(cap), system(cap), module(cap);
    const uint32_t w = SysGetWindowsDirectory(windows.data(), cap);
    const uint32_t s = SysGetSystemDirectory(system.data(), cap);
    SysGetModulePath(module.data(), cap);
    if (w < cap) windows.Check("Windows folder");
    if (s < cap) system.Check("system folder");
    module.Check("program path");
  }
  for (int folder : {kFolderCommonPrograms, kFolderCommonAppData, kFolderProgramFiles}) {
    fuzz::Guarded<char16_t> out(260);
    if (SysGetFolderPath(folder, out.data())) out.Check("special folder");
  }
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const char16_t root[] = {static_cast<char16_t>(letter), u':', u'\\', 0};
    SysGetDriveType(root);
  }
  std::error_code ec;
  std::filesystem::remove_all(disk, ec);
}
