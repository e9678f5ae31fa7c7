// Parity probe: one fixed script of profile reads, registry operations and file-installation
// services run through the platform seam, printing one line per result, so that the simulated
// machine's answers can be compared line by line with those of Windows (Wine).
#pragma once
#include <cstdint>

// Runs the profile script on the INI file at iniPath (a Windows path); every output line starts
// with label. Then nothing else.
void RunProfileProbe(const char* label, const char16_t* iniPath);

// Runs the registry script below HKEY_CURRENT_USER\<basePath> (removed first when left over,
// and again at the end).
void RunRegistryProbe(const char16_t* basePath);

// What the file scripts need from the side they run on beyond the platform seam: the set-up a
// test does around a program (file times, files and windows of other running programs).
struct ParityHost {
  // The scripts' working folder (a Windows path that does not exist yet: they create it).
  const char16_t* workFolder;
  // The Windows folder holding the fixtures: normal.cab, subfolder.cab, truncated.cab,
  // corrupt.cab, v1_9.dll, v1_10.dll, v1_10_text_1_9.dll, v3_0_name2.dll, no_version.dll and
  // v2_0_german.dll.
  const char16_t* fixtureFolder;
  // Sets a file's creation and last-write times (FILETIME counts). Returns 1 on success.
  int (*setFileTimes)(const char16_t* path, uint64_t creation, uint64_t lastWrite);
  // Makes a file held open by another program (for reading, shared for reading only: writing,
  // replacing or deleting it fails with 32) with hold = 1, or lets it go again with hold = 0.
  // Returns 1 on success.
  int (*holdFile)(const char16_t* path, int hold);
  // Starts another program that owns one top-level window of the given class and caption. It
  // ends when its window gets the close request 1296 or WM_CLOSE, unless ignoreClose is set;
  // either way it ends when its window gets WM_DESTROY. Returns its process id, 0 on failure.
  uint32_t (*startWindowOwner)(const char16_t* className, const char16_t* caption, int ignoreClose);
  // Once that program's window is gone: waits until the program has ended and gives its exit
  // code. Returns 1 when it ended, 0 when it still runs (its window gone or not).
  int (*windowOwnerExit)(uint32_t processId, uint32_t* exitCode);
};

// Runs the file scripts: version resources and the copy decisions on the fixture binaries,
// cabinet iteration, delayed moves, the access-list grant and the closing of listed windows.
// Output ids start with "ver.", "copy.", "dates.", "cab.", "moves.", "acl." and "kill.".
void RunFilesProbe(const ParityHost& host);

// The whole probe: the profile script on every INI path (labels "lf" and "crlf" are the usual
// ones), the registry script, then the file scripts when host is given. Returns the process exit
// code (0).
int RunParityProbe(const char* const* labels, const char16_t* const* iniPaths, int iniCount,
                   const char16_t* registryBase, const ParityHost* host);

// The registry key the mains play under when none is given.
inline constexpr char16_t kParityRegistryBase[] = u"Software\\GlidewaveParityProbe";
