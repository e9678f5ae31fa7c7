// Fuzzer of version resources: the input is a program file on the simulated disk. Its version
// block is read into a full and into a cut buffer (neither written past its size), and every
// value the lookups hand out must lie inside the block; then the copy engine compares the file's
// versions with themselves.
#include <algorithm>
#include <string>

#include "fuzz_machine.h"
#include "common/text.h"
#include "files/copy_engine.h"
#include "platform/version_info.h"

namespace {

// Looks up the values setup reads and checks they lie within [block, block + size).
void QueryAll(uint8_t* block, uint32_t size) {
  auto inside = [&](const void* value, uint64_t bytes) {
    const uint8_t* at = static_cast<const uint8_t*>(value);
    return at >= block && at <= block + size && bytes <= static_cast<uint64_t>(block + size - at);
  };
  void* value = nullptr;
  uint32_t length = 0;
  if (SysVerQueryValue(block, u"\\", &value, &length)) fuzz::Check(inside(value, length), "fixed information");
  std::u16string query = u"\\StringFileInfo\\040904b0\\FileVersion";
  if (SysVerQueryValue(block, u"\\VarFileInfo\\Translation", &value, &length)) {
    fuzz::Check(inside(value, length), "translation");
    if (length >= 4) {
      const uint8_t* t = static_cast<const uint8_t*>(value);
      char16_t name[64];
      TextFormat(name, 64, u"\\StringFileInfo\\%04x%04x\\FileVersion", t[0] | t[1] << 8, t[2] | t[3] << 8);
      query = name;
    }
  }
  if (SysVerQueryValue(block, query.c_str(), &value, &length)) fuzz::Check(inside(value, 2ull * length), "text value");
  SysVerQueryValue(block, u"\\StringFileInfo", &value, &length);
}

}  // namespace

FUZZ_TARGET(data, size) {
  const std::u16string path = u"C:\\WINDOWS\\system32\\GWFUZZ.DLL";
  fuzz::WriteFile(path, data, size);
  const uint32_t needed = SysGetFileVersionInfoSize(path.c_str());
  if (needed) {
    // The cut buffer still holds the block's header, which the lookups read its length from.
    for (uint32_t cap : {needed, std::max<uint32_t>(needed / 3, 6)}) {
      fuzz::Guarded<uint8_t> block(cap);
      if (SysGetFileVersionInfo(path.c_str(), cap, block.data())) QueryAll(block.data(), cap);
      block.Check("version block", false);
    }
  }
  CompareFileVersions(path.c_str(), path.c_str());
}
