// Fuzzer of the machine's INI profile functions: the input is an INI file in the Windows folder.
// Its section list, the key list of each section and each value are read into a full buffer
// and into a small one whose size comes from the input; every answer must end in a terminator
// at the returned length, inside the buffer.
#include <vector>

#include "fuzz_machine.h"
#include "platform/profile.h"

namespace {

constexpr uint32_t kFull = 4096;
constexpr size_t kMaxNames = 8;

// Reads into a buffer of cap characters and checks the answer. Returns the text read.
std::u16string Read(const char16_t* section, const char16_t* key, uint32_t cap, const char16_t* file) {
  fuzz::Guarded<char16_t> out(cap);
  const uint32_t length = SysReadProfileString(section, key, u"fallback  ", out.data(), cap, file);
  out.Check("profile answer", false);
  if (cap == 0) {
    fuzz::Check(length == 0, "a buffer of no size got characters");
    return u"";
  }
  fuzz::Check(length < cap && out.data()[length] == 0, "answer not terminated at its length");
  return std::u16string(out.data(), length);
}

// The names of a list answer (terminated names, the list ended by an empty one).
std::vector<std::u16string> Names(const std::u16string& list) {
  std::vector<std::u16string> names;
  for (size_t at = 0; at < list.size() && names.size() < kMaxNames;) {
    const size_t end = list.find(u'\0', at);
    names.push_back(list.substr(at, end == std::u16string::npos ? std::u16string::npos : end - at));
    if (end == std::u16string::npos) break;
    at = end + 1;
  }
  return names;
}

}  // namespace

FUZZ_TARGET(data, size) {
  const char16_t* file = u"GWFUZZ.INI";
  fuzz::WriteFile(u"C:\\WINDOWS\\GWFUZZ.INI", data, size);
  const uint32_t small = size ? data[size - 1] % 24 : 0;

  Read(nullptr, nullptr, small, file);
  for (const std::u16string& section : Names(Read(nullptr, nullptr, kFull, file))) {
    Read(section.c_str(), nullptr, small, file);
    for (const std::u16string& key : Names(Read(section.c_str(), nullptr, kFull, file))) {
      Read(section.c_str(), key.c_str(), small, file);
      Read(section.c_str(), key.c_str(), kFull, file);
      SysReadProfileInt(section.c_str(), key.c_str(), -7, file);
    }
    Read(section.c_str(), u"missing key", small, file);
  }
}
