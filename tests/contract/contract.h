// The platform contract: cases that state what a Windows service does, written against the
// platform headers only, and run unchanged on the simulated machine (setup_tests) and on the
// real Windows layer under Wine (platform_contract.exe). What a case needs of the machine
// beforehand goes through the small seeding interface below, implemented once per platform
// (seed_sim.cpp, seed_win32.cpp).
#pragma once
#include <gtest/gtest.h>

#include <string>

namespace contract {

// Starts a case: a fresh machine state where the platform has one, and a new empty scratch
// folder. Returns the folder's Windows path (no trailing backslash).
std::u16string BeginCase();
// Ends a case: releases held files, removes the scratch folder and what the case left in the
// registry under its own key, and reports objects left open where the platform counts them.
void EndCase();

// Writes a file with the given bytes (replacing it) into an existing folder; true on success.
bool PutFile(const std::u16string& path, const std::string& bytes);
// A file's bytes, "<missing>" when it cannot be read.
std::string FileBytes(const std::u16string& path);
// Copies a fixture built for the tests (cabinet or version library) to path; false when the
// build made no such fixture.
bool PutFixture(const std::string& name, const std::u16string& path);
// Keeps the file open as another program would, without sharing, until the case ends.
void HoldFile(const std::u16string& path);

// Why this platform cannot do what the named behaviour asks the way Windows does, or nullptr
// when it can. Cases skip with the reason.
const char* Unsupported(const char* behaviour);

// UTF-16 text as UTF-8, for messages.
std::string Utf8(const std::u16string& text);

}  // namespace contract

// Fixture of every contract case.
class Contract : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = contract::BeginCase(); }
  void TearDown() override { contract::EndCase(); }
  // A path inside the case's scratch folder.
  std::u16string At(const std::u16string& name) const { return dir_ + u"\\" + name; }
  std::u16string dir_;
};

// Skips the case where the platform cannot do what it states.
#define CONTRACT_NEEDS(behaviour)                                              \
  do {                                                                         \
    if (const char* why = contract::Unsupported(behaviour)) GTEST_SKIP() << why; \
  } while (0)
