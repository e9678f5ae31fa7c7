// The simulated Windows machine: the one fake behind every platform header in the native build.
// setup-sim and the unit tests configure it through this interface (profile, disk, registry,
// journal, fault injection); the installer code never includes it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace sim {

// What a Windows installation looks like to a program: version numbers and folders as that
// family names them, locale and drive types.
struct MachineProfile {
  std::string name;                // "win98", "winxp", ... or the profile file's name
  uint32_t major = 5, minor = 1, build = 2600;
  uint32_t platformId = 2;         // 1 = 9x family, 2 = NT family
  uint8_t productType = 1;         // 1 workstation, 2 domain controller, 3 server
  bool hasExtendedVersion = true;  // GetVersionExW with the extended structure works
  std::u16string csdVersion;       // service-pack text
  uint16_t servicePackMajor = 0, servicePackMinor = 0;
  std::u16string windowsDir = u"C:\\WINDOWS";
  std::u16string systemDir = u"C:\\WINDOWS\\system32";
  std::u16string programFilesDir = u"C:\\Program Files";
  std::u16string commonAppDataDir;   // empty where the family has none
  std::u16string commonProgramsDir;  // all-users Start menu Programs folder
  uint32_t userLocale = 0x0409;      // HKCU Control Panel\International "Locale"
  uint32_t threadLocale = 0x0409;    // GetThreadLocale
  // Drive types by letter ('A'..'Z'): 0 unknown, 1 no root, 2 removable, 3 fixed, 4 remote,
  // 5 CD-ROM, 6 RAM disk. Letters not listed have no drive (1).
  uint8_t driveTypes[26] = {};
  char packageDrive = 'D';         // letter under which --package is mounted
};

// Built-in profiles: win95, win98, winme, nt4, win2000, winxp, winxp64, server2003, vista,
// win7, win8. Returns false for an unknown name.
bool BuiltinProfile(const std::string& name, MachineProfile* out);
std::vector<std::string> BuiltinProfileNames();
// Reads a profile file: "key=value" lines, blank lines and '#' or ';' comments. Missing keys
// keep the values of the built-in profile named by its "base" key (default winxp). Keys: base,
// major, minor, build, platform (nt|9x), productType, extendedVersion (0|1), csd, servicePack
// (major.minor), windowsDir, systemDir, programFilesDir, commonAppDataDir, commonProgramsDir,
// userLocale, threadLocale (numbers in decimal or 0x hex), drive.X (none|removable|fixed|
// remote|cdrom|ramdisk) and packageDrive (a letter). The profile is named after the file.
// Returns false with "<path>:<line>: <message>" for an unknown key or a bad value.
bool LoadProfileFile(const std::string& path, MachineProfile* out, std::string* error);

// Starts a fresh machine: empty registry (apart from what every Windows has: the user's locale
// values), empty journal, no faults. The disk lives below hostDiskRoot (one subfolder per drive
// letter, "C" for C:); an empty root makes a temporary folder that is removed at exit. The
// profile's standard folders are created where missing.
void ResetMachine(const MachineProfile& profile, const std::string& hostDiskRoot = "");
const MachineProfile& Profile();

// Mounts a host folder as the root of the profile's package drive and makes
// <drive>:\<programName> the running program's path (the program file need not exist).
void MountPackage(const std::string& hostDir, const std::u16string& programName = u"setup.exe");
// Sets the running program's full Windows path directly (for tests).
void SetModulePath(const std::u16string& windowsPath);

// Disk helpers for tests and setup-sim. Windows paths are resolved ignoring case in every
// component; created names keep the case given.
std::string HostPath(const std::u16string& windowsPath);  // host path (may not exist yet)
bool WriteDiskFile(const std::u16string& windowsPath, const std::string& bytes);  // creates folders
bool ReadDiskFile(const std::u16string& windowsPath, std::string* bytes);
bool DiskPathExists(const std::u16string& windowsPath);
// Marks a file in use: opening it for writing, overwriting or deleting it fails with 32.
void LockFile(const std::u16string& windowsPath, bool locked);
// Fixes a file's creation and last-write times (FILETIME: 100 ns units since 1601). Until a
// program writes the file again its last-write time stays at this value.
void SetFileTimes(const std::u16string& windowsPath, uint64_t creation, uint64_t lastWrite);

// Registry in the "Windows Registry Editor Version 5.00" format. Import merges into the
// current registry. Returns false with a message on a malformed file.
bool ImportRegFile(const std::string& hostPath, std::string* error);
bool ImportRegText(const std::string& text, std::string* error);
std::string ExportRegText();
bool ExportRegFile(const std::string& hostPath);

// Journal: one UTF-8 line per externally visible effect, in order: "trace: <text>" for the
// debugger output channel, "msgbox: [<caption>] <text> -> <button id>" for message boxes.
// Line breaks inside a text are written as the two characters \n.
void JournalAdd(const std::string& line);
std::vector<std::string> Journal();
void ClearJournal();
// Copies trace lines to stderr as they are written (setup-sim --trace).
void SetTraceToStderr(bool on);

// Answers script for message boxes: each call to SysMessageBox takes the next answer
// (a button id); with no answer left the default button is taken.
void QueueMessageBoxAnswer(int buttonId);

// Fault injection: the nth call (1-based, counted from now) of the named platform function
// (its name in the platform headers, such as "SysCreateDirectory") fails with the given
// error. nth = 0 fails every call from now on.
void FailCall(const std::string& function, int nth, ErrorCode error);
void ClearFaults();

// What the program asked of the process and the clock: SetProcessShutdownParameters values
// (false while never called), virtual milliseconds slept since the reset, and whether the
// calling thread has initialised COM.
bool ShutdownParameters(uint32_t* level, uint32_t* flags);
uint64_t ElapsedMilliseconds();
bool ComInitialised();

// UTF-8 <-> UTF-16 for the tools around the machine.
std::string ToUtf8(const std::u16string& text);
std::u16string FromUtf8(const std::string& text);

}  // namespace sim
