// setup-sim --explain over a real copy walk: every kind of entry gets its outcome and reason.
#include "setup_sim/explain_run.h"

#include <cstring>
#include <string>

#include "common/text.h"
#include "files/copy_engine.h"
#include "files/copy_list.h"
#include "startup/platform_detect.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

constexpr uint64_t kDay = 864000000000ULL;  // file-time units
constexpr uint64_t kBaseTime = 132000000000000000ULL;

struct EntryCase { const char16_t* name;
    const char* source;     // fixture DLL, "text:<bytes>", or "" for none in the package
    const char* installed;  // the same for the file already at the target ("" for none)
    int sourceWrite, installedWrite;  // days after a base time
    bool inUse; const char* explained;  // the expected JSON line's outcome and the start of its reason
};

class ExplainRunTest : public SimFixture {
 protected:
  void Prepare() override {
    ResetCopyState();
    sim::SetFileJournal(true);
    UseConfig("[Install]\r\n");
    TextCopy(g_Settings.SubFolder, u"src");
    g_Settings.Platform = DetectPlatform();
  }
};

std::string BytesOf(const std::string& name) {
  return name.compare(0, 5, "text:") == 0 ? name.substr(5) : FixtureBytes(name);
}

TEST_F(ExplainRunTest, EveryEntryGetsItsOutcomeAndReason) {
  const EntryCase cases[] = {
      // First: with no size of its own it would not be reached once the others add up to the total.
      {u"GONE.DAT", "", "", 0, 0, false, "\"not-reached\",\"reason\":\"source missing in the package (copy error 2)"},
      {u"NEW.DAT", "text:new", "", 1, 0, false, "\"new\",\"reason\":\"the target was missing"},
      {u"OLDER.DLL", "v1_9.dll", "v2_0_german.dll", 9, 1, false, "\"kept\",\"reason\":\"the installed file is as new or newer: installed version: fixed 2.0.0.0"},
      {u"NEWER.DLL", "v2_0_german.dll", "v1_9.dll", 1, 9, false, "\"replaced\",\"reason\":\"the package's file is newer: installed version: fixed 1.9.0.0"},
      {u"DATED.DAT", "text:b", "text:a", 1, 2, false, "\"kept\",\"reason\":\"the installed file is as new or newer: installed file created"},
      {u"BUSY.DAT", "text:new", "text:old", 5, 1, true, "\"restart\",\"reason\":\"the target is in use (copy error 32)"},
  };
  for (const EntryCase& c : cases) {
    if (BytesOf("v1_9.dll").empty()) GTEST_SKIP() << "version fixtures not built";
    CopyEntry& e = CopyTable[++CopyEntryCount];
    TextCopy(e.FileName, c.name);
    TextCopy(e.DestDir, u"C:\\Gw");
    const std::u16string source = PackagePath(u"src\\" + std::u16string(c.name));
    const std::u16string target = u"C:\\Gw\\" + std::u16string(c.name);
    if (*c.source) {
      WritePackageFile(u"src\\" + std::u16string(c.name), BytesOf(c.source));
      sim::SetFileTimes(source, kBaseTime, kBaseTime + c.sourceWrite * kDay);
    }
    if (*c.installed) {
      ASSERT_TRUE(sim::WriteDiskFile(target, BytesOf(c.installed)));
      sim::SetFileTimes(target, kBaseTime, kBaseTime + c.installedWrite * kDay);
    }
    if (c.inUse) sim::LockFile(target, true);
  }
  MeasureCopySource();
  CopyFileProc(nullptr, 0);
  const std::string explained = sim::ExplainRun(true);
  for (const EntryCase& c : cases) {
    SCOPED_TRACE(sim::ToUtf8(c.name));
    const std::string subject = "\"subject\":\"" + sim::ToUtf8(c.name) + " -> C:\\\\Gw\\\\" + sim::ToUtf8(c.name) + "\"";
    const size_t line = explained.find(subject);
    ASSERT_NE(line, std::string::npos) << explained;
    EXPECT_EQ(explained.compare(line + subject.size(), 11 + std::strlen(c.explained), std::string(",\"outcome\":") + c.explained), 0)
        << explained.substr(line, explained.find('\n', line) - line);
  }
}

}  // namespace
