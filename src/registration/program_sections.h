// Program sections of the setup configuration: the numbered "Run" sections, the service
// installer, the package's daemon and the VxDs of "Start VxD".
#pragma once
#include <cstdint>

// "Run": starts each line's program unless SkipRunPrograms is set, then the daemon. Returns the
// number of lines read.
int RunUSBPrograms();
// "Run.BT": starts each line's program through the shell and waits for it, unless /S or a /TYPE:
// switch was given; then the daemon. Returns the number of lines read.
int RunBTPrograms();
// "Run.PS2": starts each line's program. Returns the number of lines read.
int RunPS2Programs();
// "Run.Preload": starts each line's program ("%Program Files%" is no folder name here). Returns
// the number of lines read.
int RunPreloadPrograms();
// "Run.AutoUpdate": starts each line's program; the current folder stays where a "%" line set it.
// Returns the number of lines read.
int RunAutoUpdatePrograms();
// "Run.Svc" key "Svc": on major version 6 or higher starts that program hidden with normal
// priority. No result.
void InstallService();
// Starts folder + "\nvkmiced.exe", or g_szProgramFileDest + "\" + program when the first does
// not exist; not waited for. No result.
void StartDaemon(const char16_t* folder, const char16_t* program);
// "Start VxD" of EspecialFile: opens each value's device. Returns the number of values read.
int StartVxDs();
// Opens the device "\\.\" + system folder + "\" + fileName (the handle stays open). Returns 1
// when it could be opened, 0 when not.
int StartVxD(const char16_t* fileName);
