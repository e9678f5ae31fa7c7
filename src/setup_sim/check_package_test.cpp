// setup-sim's own work: the package check (clean on the demo package on every machine, one
// finding for each trap planted in an otherwise clean small package), the answers script, and
// --explain over a real copy walk.
#include "setup_sim/check_package.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/text.h"
#include "files/copy_engine.h"
#include "files/copy_list.h"
#include "platform/sim/machine/machine.h"
#include "settings/settings.h"
#include "setup_sim/answers_file.h"
#include "setup_sim/explain_run.h"
#include "startup/platform_detect.h"
#include "support/sim_fixture.h"

namespace fs = std::filesystem;

namespace {

std::string Describe(const std::vector<sim::CheckFinding>& findings) { return sim::FormatFindingsText(findings); }

TEST(CheckPackage, DemoPackageIsCleanOnEveryMachine) {
  std::vector<sim::CheckFinding> findings;
  std::string error;
  ASSERT_TRUE(sim::CheckPackage(SETUP_SOURCE_DIR "/examples/demo-package", sim::BuiltinProfileNames(), "", &findings,
                                &error))
      << error;
  EXPECT_TRUE(findings.empty()) << Describe(findings);
}

// A small package that checks clean: one USB driver, two files, two languages.
std::map<std::string, std::string> CleanPackage() {
  return {
      {"SETUP2K.INI",
       "[Install]\nSupported=TRUE\nInfFile=\nUSBInf=NHIDMou.INF\nBTInf=\nDefaultType=USB\n"
       "[Default]\nSubFolder=gw98\nChooseMouse=FALSE\n"
       "[CopyList]\n1=A.DLL,,,%SYS_DIR%\n2=B.DLL,,,%SYS_DIR%\n3=C.DLL,,,%SYS_DIR%\n"},
      {"NHIDMou.INF", "inf"},
      {"gw98/A.DLL", std::string(100, 'a')},
      {"gw98/B.DLL", std::string(100, 'b')},
      {"gw98/C.DLL", std::string(100, 'c')},
      {"install.ini", "[LANGUAGE]\nLanguageid=0\n[ENGLISH]\nWELCOME=Welcome\n[GERMAN]\nWELCOME=Willkommen\n"},
  };
}

std::string Fixture(const std::string& name) { return std::string(SETUP_FIXTURE_DIR) + "/pictures/" + name; }

std::string ReadHost(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Appends text to the section of the INI text (the section added at the end when missing).
void AddTo(std::string* ini, const std::string& section, const std::string& lines) {
  const std::string header = "[" + section + "]\n";
  size_t at = ini->find(header);
  if (at == std::string::npos) *ini += header + lines;
  else ini->insert(at + header.size(), lines);
}

void Replace(std::string* text, const std::string& from, const std::string& to) {
  text->replace(text->find(from), from.size(), to);
}

std::string ManyLines() {
  std::string lines;
  for (int n = 4; n <= 129; ++n) lines += std::to_string(n) + "=A.DLL,,,%SYS_DIR%\n";
  return lines;
}

struct BrokenPackage {
  const char* name;
  void (*mutate)(std::map<std::string, std::string>& files);
  const char* file;
  const char* section;
  const char* key;
  sim::CheckSeverity severity;
  const char* says;  // part of the message
  const char* machine = "win7";
};

using P = std::map<std::string, std::string>;
const sim::CheckSeverity kError = sim::CheckSeverity::kError, kWarning = sim::CheckSeverity::kWarning;

const BrokenPackage kBroken[] = {
    {"copy list gap", [](P& f) { AddTo(&f["SETUP2K.INI"], "CopyList", "5=A.DLL,,,%SYS_DIR%\n"); }, "SETUP2K.INI", "CopyList", "5", kError, "ends at the missing or empty key 4"},
    {"USB device gap", [](P& f) { Replace(&f["SETUP2K.INI"], "DefaultType=USB\n", "DefaultType=USB\nUSBInstallSection=Hid\n"); f["SETUP2K.INI"] += "[Hid]\nDevice_1=One\nDEV_ID_1=HID\\VID_1\nDevice_2=Two\nDEV_ID_3=HID\\VID_3\n"; }, "SETUP2K.INI", "Hid", "DEV_ID_3", kError, "DEV_ID_2"},
    {"Start-menu item gap", [](P& f) { f["SETUP2K.INI"] += "[StartMenu]\nItem1=One\nItem3=Three\n"; }, "SETUP2K.INI", "StartMenu", "Item3", kError, "never read"},
    {"more lines than the copy table", [](P& f) { AddTo(&f["SETUP2K.INI"], "CopyList", ManyLines()); }, "SETUP2K.INI", "CopyList", "129", kError, "at most 128"},
    {"source missing", [](P& f) { f.erase("gw98/C.DLL"); }, "SETUP2K.INI", "CopyList", "3", kError, "not in the package"},
    {"source outside SubFolder early", [](P& f) { Replace(&f["SETUP2K.INI"], "1=A.DLL,,,", "1=X.DLL,extra\\X.DLL,,"); f["extra/X.DLL"] = std::string(100, 'x'); }, "SETUP2K.INI", "CopyList", "1", kError, "entries 3 to 3 (C.DLL) are never installed"},
    {"progress arithmetic wraps", [](P& f) { f["gw98/A.DLL"] = std::string(30000000, 'a'); f["gw98/B.DLL"] = std::string(30000000, 'b'); }, "SETUP2K.INI", "CopyList", "2", kWarning, "wraps"},
    {"form T written Yes", [](P& f) { AddTo(&f["SETUP2K.INI"], "Default", "AskPath=Yes\n"); }, "SETUP2K.INI", "Default", "AskPath", kError, "read as off"},
    {"form F written no", [](P& f) { AddTo(&f["SETUP2K.INI"], "Default", "ConfirmInfo=no\n"); }, "SETUP2K.INI", "Default", "ConfirmInfo", kError, "read as on"},
    {"form T written 1", [](P& f) { AddTo(&f["SETUP2K.INI"], "Default", "Restart=1\n"); }, "SETUP2K.INI", "Default", "Restart", kError, "read as off"},
    {"I,D key only in Default", [](P& f) { Replace(&f["SETUP2K.INI"], "USBInf=NHIDMou.INF\n", ""); AddTo(&f["SETUP2K.INI"], "Default", "USBInf=Other.inf\n"); }, "SETUP2K.INI", "Default", "USBInf", kError, "never read"},
    {"Install key in Default", [](P& f) { AddTo(&f["SETUP2K.INI"], "Default", "Title=Mouse\n"); }, "SETUP2K.INI", "Default", "Title", kError, "[Install] only"},
    {"unknown percent name", [](P& f) { Replace(&f["SETUP2K.INI"], "1=A.DLL", "1=%NOPE%A.DLL"); }, "SETUP2K.INI", "CopyList", "1", kError, "%NOPE% has no value"},
    {"value too long", [](P& f) { AddTo(&f["SETUP2K.INI"], "Install", "Title=" + std::string(300, 't') + "\n"); }, "SETUP2K.INI", "Install", "Title", kWarning, "keeps the first 255"},
    {"version with a two-digit part", [](P& f) { AddTo(&f["SETUP2K.INI"], "Install", "Version=1.10\n"); }, "SETUP2K.INI", "Install", "Version", kWarning, "as text"},
    {"version older as text than the installed one", [](P& f) { AddTo(&f["SETUP2K.INI"], "Install", "Version=1.10\n"); f["old.reg"] = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Norvik\\Glidewave 98]\n" "\"Version\"=\"1.9\"\n"; }, "SETUP2K.INI", "Install", "Version", kError, "counts as older than the installed 1.9"},
    {"BTInf missing", [](P& f) { Replace(&f["SETUP2K.INI"], "BTInf=\n", "BTInf=Nbt.inf\n"); }, "SETUP2K.INI", "Install", "BTInf", kError, "Nbt.inf is not in the package"},
    {"USB install section missing", [](P& f) { Replace(&f["SETUP2K.INI"], "DefaultType=USB\n", "DefaultType=USB\nUSBInstallSection=Hid\n"); }, "SETUP2K.INI", "Install", "USBInstallSection", kError, "[Hid] is not in the file"},
    {"cabinet missing", [](P& f) { AddTo(&f["SETUP2K.INI"], "Default", "CabFile=TRUE\nCabFileName=gw.cab\n"); }, "SETUP2K.INI", "Default", "CabFileName", kError, "gw.cab is not in the package"},
    {"picture file missing", [](P& f) { Replace(&f["SETUP2K.INI"], "ChooseMouse=FALSE", "ChooseMouse=TRUE"); f["SETUP2K.INI"] += "[Product.List.USB]\n1=GONE.IMG,Mouse,1,x\n"; }, "SETUP2K.INI", "Product.List.USB", "1", kError, "list ends here"},
    {"bundle without Mouse.bmp", [](P& f) { Replace(&f["SETUP2K.INI"], "ChooseMouse=FALSE", "ChooseMouse=TRUE"); f["SETUP2K.INI"] += "[Product.List.USB]\n1=NOPIC.IMG,Mouse,1,x\n"; f["gw98/NOPIC.IMG"] = ReadHost(Fixture("no_picture.img")); }, "SETUP2K.INI", "Product.List.USB", "1", kWarning, "no readable \"Mouse.bmp\""},
    {"library without the picture", [](P& f) { Replace(&f["SETUP2K.INI"], "ChooseMouse=FALSE", "ChooseMouse=TRUE"); f["SETUP2K.INI"] += "[Product.List.USB]\n1=PICS.DLL,Mouse,1,NoSuchMouse\n"; f["gw98/PICS.DLL"] = ReadHost(Fixture("mouse_pictures.dll")); }, "SETUP2K.INI", "Product.List.USB", "1", kWarning, "no picture resource named NoSuchMouse"},
    {"Default beyond the list", [](P& f) { Replace(&f["SETUP2K.INI"], "ChooseMouse=FALSE", "ChooseMouse=TRUE"); f["SETUP2K.INI"] += "[Product.List.USB]\n1=GOOD.IMG,Mouse,1,x\n[Product.List.PS2]\nDefault=3\n"; f["gw98/GOOD.IMG"] = ReadHost(Fixture("white_first.img")); }, "SETUP2K.INI", "Product.List.PS2", "Default", kWarning, "beyond the 1 model"},
    {"language lacks a text", [](P& f) { AddTo(&f["install.ini"], "ENGLISH", "WELCOME_TEXT1=Hello\n"); }, "install.ini", "GERMAN", "", kWarning, "WELCOME_TEXT1"},
    {"unknown Languageid", [](P& f) { Replace(&f["install.ini"], "Languageid=0", "Languageid=12345"); }, "install.ini", "LANGUAGE", "Languageid", kWarning, "not one setup knows"},
};

TEST(CheckPackage, EachBrokenPackageGivesItsOneFinding) {
  for (const BrokenPackage& c : kBroken) {
    SCOPED_TRACE(c.name);
    const fs::path root = fs::temp_directory_path() / ("gw-check-" + std::to_string(::getpid()));
    fs::remove_all(root);
    P files = CleanPackage();
    c.mutate(files);
    for (const auto& [name, bytes] : files) {
      fs::create_directories((root / name).parent_path());
      std::ofstream(root / name, std::ios::binary) << bytes;
    }
    std::vector<sim::CheckFinding> findings;
    std::string error;
    const std::string regIn = files.count("old.reg") ? (root / "old.reg").string() : "";
    ASSERT_TRUE(sim::CheckPackage(root.string(), {c.machine}, regIn, &findings, &error)) << error;
    fs::remove_all(root);
    if (findings.size() != 1u) {
      ADD_FAILURE() << Describe(findings);
      continue;
    }
    const sim::CheckFinding& f = findings[0];
    EXPECT_EQ(f.file, c.file);
    EXPECT_EQ(f.section, c.section);
    EXPECT_EQ(f.key, c.key);
    EXPECT_EQ(f.severity, c.severity) << f.message;
    EXPECT_NE(f.message.find(c.says), std::string::npos) << f.message;
    EXPECT_GT(f.line, 0);
  }
}

// One answer as "d <template> <control>", "m <button>", "f <folder>|cancel".
std::string Describe(const sim::ScriptedAnswer& a) {
  switch (a.kind) {
    case sim::ScriptedAnswer::kDialog:
      return "d " + std::to_string(a.templateId) + " " + std::to_string(a.control);
    case sim::ScriptedAnswer::kMessageBox:
      return "m " + std::to_string(a.control);
    case sim::ScriptedAnswer::kFolder:
      return "f " + (a.ok ? std::string(a.folder.begin(), a.folder.end()) : "cancel");
  }
  return "";
}

TEST(AnswersFileTest, LinesBecomeQueuedAnswersOrAReasonWithTheLineNumber) {
  const struct { const char* name; const char* script; std::vector<std::string> answers; const char* error;
  } cases[] = {
      {"every form", "# a comment\n\n10203 click 303   # the USB button\n  next  \r\n10201 0x3023\n12006 cancel\nmsgbox yes\nMSGBOX 7\n" "folder C:\\Program Files\\Glide  \nfolder cancel\n10300 2\nclick 0x10\n", {"d 10203 303", "d 10203 12324", "d 10201 12323", "d 12006 2", "m 6", "m 7", "f C:\\Program Files\\Glide", "f cancel", "d 10300 2", "d 10300 16"}, ""},
      {"a button before any template", "# start\nnext\n", {}, "line 2: 'next' needs a template id"},
      {"unknown button", "10203 onwards\n", {}, "line 1: unknown button 'onwards'"},
      {"template without control", "10203\n", {}, "line 1: expected a control after the template id"},
      {"id beyond 16 bits", "10203 click 70000\n", {}, "line 1: bad control id '70000'"},
      {"unknown message-box answer", "10203 next\nmsgbox maybe\n", {"d 10203 12324"}, "line 2: unknown message-box button 'maybe'"},
      {"folder without a path", "folder\n", {}, "line 1: expected 'folder <path>'"},
      {"too many words", "10203 click 303 now\n", {}, "line 1: expected a control id"},
      {"a line of only a vertical tab", "10203 next\n\v\n", {"d 10203 12324"}, "line 2: control character 0x0B"},
      {"a form feed between words", "msgbox\fyes\n", {}, "line 1: control character 0x0C"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<sim::ScriptedAnswer> answers;
    std::string error;
    EXPECT_EQ(sim::ParseAnswers(c.script, &answers, &error), c.error[0] == 0);
    EXPECT_EQ(error.compare(0, std::string(c.error).size(), c.error), 0) << error;
    std::vector<std::string> got;
    for (const sim::ScriptedAnswer& a : answers) got.push_back(Describe(a));
    EXPECT_EQ(got, c.answers);
  }
}

constexpr uint64_t kDay = 864000000000ULL;  // file-time units
constexpr uint64_t kBaseTime = 132000000000000000ULL;

struct EntryCase { const char16_t* name;
    const char* source;  // fixture DLL, "text:<bytes>", or "" for none in the package
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
