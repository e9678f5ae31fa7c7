// GoogleTest fixture for tests against the simulated machine: a fresh machine from a built-in
// profile, an empty window manager, an empty temporary package folder mounted as the package
// drive (the program runs as D:\setup.exe), the settings record at its initial values and an
// empty journal. Prepare() runs after every machine start.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/machine/machine.h"
#include "platform/registry.h"

class SimFixture : public ::testing::Test {
 protected:
  void SetUp() override { StartMachine("win7"); }
  void TearDown() override;
  virtual void Prepare() {}

  // What the code under test is meant to leave open when the test ends (such as a VxD, which
  // stays loaded while its handle is open); tear-down expects exactly nothing else.
  sim::OpenObjectCounts expectedOpen_;

  // Replaces the machine by a fresh one from a built-in profile name or a profile record.
  void StartMachine(const std::string& profileName) { StartMachine(Builtin(profileName)); }
  void StartMachine(const sim::MachineProfile& profile);
  static sim::MachineProfile Builtin(const std::string& profileName);

  // The package folder as the program sees it ("D:") and a file in it ("D:\name").
  std::u16string PackageDir() const;
  std::u16string PackagePath(const std::u16string& name) const { return PackageDir() + u"\\" + name; }
  void WritePackageFile(const std::u16string& name, const std::string& bytes);

  // Points SourceDir at the package folder and ConfigFile at its SETUP2K.INI, which gets ini.
  void UseConfig(const std::string& ini);

  // Merges registry text; the "Windows Registry Editor Version 5.00" header is added.
  void ImportReg(const std::string& text);

  // Journal lines starting with prefix ("trace: ", "msgbox: "), whether any line holds text and
  // how many do.
  std::vector<std::string> JournalLines(const std::string& prefix) const;
  bool JournalHas(const std::string& text) const { return JournalCount(text) > 0; }
  size_t JournalCount(const std::string& text) const;

 private:
  void RemovePackageFolder();
  std::string packageHostDir_;
};

// Empties the copy list, help file list and copy figures; the copy dialog starts its work anew.
void ResetCopyState();
// A file's bytes on the simulated disk, "<missing>" when absent.
std::string Disk(const std::u16string& path);
// The Windows folder of the simulated machine.
std::u16string WindowsDir();
// A fixture built into SETUP_FIXTURE_DIR, "" when missing.
std::string FixtureBytes(const std::string& name);
// The exported registry line of a value ("\"Name\"=dword:00000001"), "" when no key holds it.
std::string RegLine(const std::string& name);
// A value of root\path as UTF-8: text without its terminator, "#n" for a DWORD; "<none>" when the
// key or value is missing.
std::string RegText(RegKey root, const std::u16string& path, const std::u16string& name);
// The values of root\path in registry order as "name=text" joined by ";" (RegText's forms);
// "<no key>" when the key is missing.
std::string RegValues(RegKey root, const std::u16string& path);
// True when the registry key can be opened.
bool KeyExists(RegKey root, const char16_t* path);
// Checks settings fields, by their names in the record, given as "Name=value;Name=value" (values
// as UTF-8 text, numbers in decimal; values may hold blanks).
void ExpectSettings(const std::string& fields);
// The given paths that exist on the simulated disk, as UTF-8 joined by blanks.
std::string PresentPaths(const std::vector<std::u16string>& paths);
// The value names of root\path, sorted; empty when the key is missing.
std::vector<std::string> RegValueNames(RegKey root, const std::u16string& path);
