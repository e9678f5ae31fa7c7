// The contract's seeding interface on the simulated machine: every case starts a fresh
// Windows 7 machine and ends with nothing left open.
#include <fstream>
#include <iterator>

#include "contract/contract.h"
#include "platform/kernel.h"
#include "platform/sim/machine/machine.h"

namespace contract {

namespace {
const char16_t kScratch[] = u"C:\\Contract";
}  // namespace

std::u16string BeginCase() {
  sim::MachineProfile profile;
  sim::BuiltinProfile("win7", &profile);
  sim::ResetMachine(profile);
  sim::SetModulePath(u"C:\\Program Files\\Contract\\contract.exe");
  SysCreateDirectory(kScratch);
  return kScratch;
}

void EndCase() {
  const sim::OpenObjectCounts open = sim::OpenObjects();
  EXPECT_EQ(open.registryKeys, 0u) << "registry keys left open";
  EXPECT_EQ(open.kernelHandles, 0u) << "kernel handles left open";
}

bool PutFile(const std::u16string& path, const std::string& bytes) { return sim::WriteDiskFile(path, bytes); }

std::string FileBytes(const std::u16string& path) {
  std::string bytes;
  return sim::ReadDiskFile(path, &bytes) ? bytes : "<missing>";
}

bool PutFixture(const std::string& name, const std::u16string& path) {
  std::ifstream in(std::string(SETUP_FIXTURE_DIR) + "/" + name, std::ios::binary);
  return in && sim::WriteDiskFile(path, std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

void HoldFile(const std::u16string& path) { sim::LockFile(path, true); }

const char* Unsupported(const char*) { return nullptr; }

std::string Utf8(const std::u16string& text) { return sim::ToUtf8(text); }

}  // namespace contract
