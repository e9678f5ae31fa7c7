// The simulated cabinet iterator on the cabinets built with the tests.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/devices.h"
#include "platform/kernel.h"
#include "platform/sim/machine/machine.h"
#include "support/sim_fixture.h"

namespace {

// 2020-01-02 03:04:06, the date of every file in the cabinets, as a FILETIME.
constexpr uint64_t kCabinetFileTime = 132224078460000000ULL;

std::string BigText() {
  std::string text;
  for (int i = 1; i <= 12000; ++i) text += std::to_string(i) + "\n";
  return text;
}

// What the callback does with each file, and what it saw.
struct Walk {
  std::u16string targetDir = u"C:\\out";  // each file goes to targetDir + "\" + its name
  std::u16string skip;                    // name answered with kFileOpSkip
  std::u16string abortAt;                 // name answered with kFileOpAbort
  ErrorCode abortError = 0;               // left in Win32Error when aborting
  uint32_t extractedAnswer = 0;           // answer to kNotifyFileExtracted
  std::vector<std::string> seen;          // what was offered and what came of it, in order
};

uint32_t WalkCallback(void* context, uint32_t notification, uintptr_t param1, uintptr_t) {
  Walk* walk = static_cast<Walk*>(context);
  if (notification == kNotifyCabinetInfo) {
    walk->seen.push_back("cabinet");
    return 0;
  }
  if (notification == kNotifyFileInCabinet) {
    SysFileInCabinetInfo* info = reinterpret_cast<SysFileInCabinetInfo*>(param1);
    const std::u16string name = info->NameInCabinet;
    char line[160];
    snprintf(line, sizeof line, "offer %s %u %04x %04x", sim::ToUtf8(name).c_str(), info->FileSize, info->DosDate,
             info->DosTime);
    walk->seen.push_back(line);
    if (name == walk->skip) return kFileOpSkip;
    if (name == walk->abortAt) {
      info->Win32Error = walk->abortError;
      return kFileOpAbort;
    }
    const std::u16string target = (walk->targetDir + u"\\" + name).substr(0, 259);
    for (size_t i = 0; i <= target.size(); ++i) info->FullTargetName[i] = i < target.size() ? target[i] : 0;
    return kFileOpDoIt;
  }
  if (notification == kNotifyFileExtracted) {
    const SysFilePaths* paths = reinterpret_cast<const SysFilePaths*>(param1);
    walk->seen.push_back("extracted " + sim::ToUtf8(paths->Target) + " " + std::to_string(paths->Win32Error));
    return walk->extractedAnswer;
  }
  return 0;
}

class CabinetTest : public SimFixture {
 protected:
  // Puts a fixture on the simulated disk as C:\cabs\<name>; false when it was not built.
  bool Install(const char* name) {
    const std::string bytes = FixtureBytes(name);
    if (bytes.empty()) return false;
    return sim::WriteDiskFile(u"C:\\cabs\\" + sim::FromUtf8(name), bytes);
  }

  // Walks the cabinet; returns the result and the last error as "result/error".
  static std::string Iterate(const std::u16string& cabinet, Walk* walk) {
    SysSetLastError(0xDEAD);
    const int result = SysIterateCabinet(cabinet.c_str(), WalkCallback, walk);
    return std::to_string(result) + "/" + std::to_string(SysGetLastError());
  }

  // The files of C:\out that a walk may leave, as "name=contents" words ("big" for big.txt's
  // contents from the cabinet).
  static std::string OutFolder() {
    std::string listing;
    for (const char16_t* name : {u"a.txt", u"big.txt", u"sub\\b.txt", u"z.txt"}) {
      std::string bytes;
      if (!sim::ReadDiskFile(std::u16string(u"C:\\out\\") + name, &bytes)) continue;
      if (bytes == BigText()) bytes = "big";
      while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r')) bytes.pop_back();
      listing += (listing.empty() ? "" : " ") + sim::ToUtf8(name) + "=" + bytes;
    }
    return listing;
  }
};

// Every file is offered with its size and date and extracted in order. The callback's answers,
// targets that cannot be written and cabinets that cannot be read: the walk goes on or ends
// there with the error Windows reports. Folders are never created; files stored before damaged
// data still extract, and a stale copy of the damaged file is removed.
TEST_F(CabinetTest, AnswersTargetsAndDamage) {
  if (!Install("normal.cab")) {
    GTEST_SKIP() << "cabinet fixtures not built";
  }
  enum Setup { kPlain, kSubFolder, kOldBig, kOldBigLocked, kOldBigReadOnly, kTextCabinet };
  struct Case {
    const char* name;
    const char* cabinet;
    Setup setup;  // what C:\out and C:\cabs hold beforehand
    const char16_t* skip;
    const char16_t* abortAt;
    ErrorCode abortError;
    uint32_t extractedAnswer;
    const char* outcome;
    const char* out;
  };
  const Case cases[] = {
      {"every file", "normal.cab", kPlain, u"", u"", 0, 0, "1/0", "a.txt=alpha big.txt=big z.txt=zulu"},
      {"folder present", "subfolder.cab", kSubFolder, u"", u"", 0, 0, "1/0",
       "a.txt=alpha sub\\b.txt=bravo in a folder"},
      {"folder missing", "subfolder.cab", kPlain, u"", u"", 0, 0, "0/3", "a.txt=alpha"},
      {"skip", "normal.cab", kPlain, u"big.txt", u"", 0, 0, "1/0", "a.txt=alpha z.txt=zulu"},
      {"abort", "normal.cab", kPlain, u"", u"big.txt", 0, 0, "0/0", "a.txt=alpha"},
      {"abort with error", "normal.cab", kPlain, u"", u"big.txt", 1223, 0, "0/1223", "a.txt=alpha"},
      {"error after extraction", "normal.cab", kPlain, u"", u"", 0, 1392, "0/1392", "a.txt=alpha"},
      {"target replaced", "normal.cab", kOldBig, u"", u"", 0, 0, "1/0", "a.txt=alpha big.txt=big z.txt=zulu"},
      {"target in use", "normal.cab", kOldBigLocked, u"", u"", 0, 0, "0/32", "a.txt=alpha big.txt=old"},
      {"target read-only", "normal.cab", kOldBigReadOnly, u"", u"", 0, 0, "0/5", "a.txt=alpha big.txt=old"},
      {"missing cabinet", "missing.cab", kOldBig, u"", u"", 0, 0, "0/2", "big.txt=old"},
      {"not a cabinet", "text.cab", kTextCabinet, u"", u"", 0, 0, "0/13", ""},
      {"truncated", "truncated.cab", kOldBig, u"", u"", 0, 0, "0/13", "a.txt=alpha"},
      {"checksum fails", "corrupt.cab", kOldBig, u"", u"", 0, 0, "0/13", "a.txt=alpha"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    Install(c.cabinet);
    ASSERT_TRUE(SysCreateDirectory(u"C:\\out"));
    if (c.setup == kSubFolder) SysCreateDirectory(u"C:\\out\\sub");
    if (c.setup == kTextCabinet) sim::WriteDiskFile(u"C:\\cabs\\text.cab", "[Setup]\r\nno cabinet\r\n");
    if (c.setup >= kOldBig && c.setup <= kOldBigReadOnly) sim::WriteDiskFile(u"C:\\out\\big.txt", "old");
    if (c.setup == kOldBigLocked) sim::LockFile(u"C:\\out\\big.txt", true);
    if (c.setup == kOldBigReadOnly) SysSetFileAttributes(u"C:\\out\\big.txt", kAttrReadOnly);
    Walk walk;
    walk.skip = c.skip;
    walk.abortAt = c.abortAt;
    walk.abortError = c.abortError;
    walk.extractedAnswer = c.extractedAnswer;
    EXPECT_EQ(c.outcome, Iterate(u"C:\\cabs\\" + sim::FromUtf8(c.cabinet), &walk));
    EXPECT_EQ(c.out, OutFolder());
    if (c.name == cases[0].name) {
      EXPECT_EQ(walk.seen, std::vector<std::string>({"cabinet", "offer a.txt 7 5022 1883", "extracted C:\\out\\a.txt 0",
                                                     "offer big.txt 60894 5022 1883", "extracted C:\\out\\big.txt 0",
                                                     "offer z.txt 6 5022 1883", "extracted C:\\out\\z.txt 0"}));
      SysFindData found;
      SysHandle find = SysFindFirstFile(u"C:\\out\\big.txt", &found);
      ASSERT_NE(kInvalidHandle, find);
      SysFindClose(find);
      EXPECT_EQ(kCabinetFileTime, found.lastWriteTime);
    }
  }
}

// Cut and overwritten cabinets: the walk ends one way or another, never outside its data (the
// sanitizers watch), and a failure always carries an error code. The small cabinet is cut at
// every length and has every byte overwritten; the large one is cut across both data blocks.
TEST_F(CabinetTest, GarbledCabinetsFailCleanly) {
  const std::string small = FixtureBytes("subfolder.cab");
  const std::string large = FixtureBytes("normal.cab");
  if (small.empty() || large.empty()) {
    GTEST_SKIP() << "cabinet fixtures not built";
  }
  ASSERT_TRUE(SysCreateDirectory(u"C:\\out"));
  std::vector<std::string> variants;
  for (size_t size = 0; size < small.size(); ++size) variants.push_back(small.substr(0, size));
  for (size_t at = 0; at < small.size(); ++at) {
    for (unsigned char byte : {0x00, 0xFF}) {
      std::string garbled = small;
      garbled[at] = static_cast<char>(byte);
      variants.push_back(garbled);
    }
  }
  for (size_t size = 0; size < large.size(); size += 1499) variants.push_back(large.substr(0, size));
  for (const std::string& bytes : variants) {
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\cabs\\garbled.cab", bytes));
    Walk walk;
    SysSetLastError(0);
    if (!SysIterateCabinet(u"C:\\cabs\\garbled.cab", WalkCallback, &walk)) {
      EXPECT_NE(0u, SysGetLastError());
    }
  }
}

}  // namespace
