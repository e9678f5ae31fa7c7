// The setup-program route of the driver stage: the outside driver setup program does the work
// and leaves its verdict as "Result" in the install record.
#pragma once
#include <cstdint>

#include "platform/types.h"

// The command line buffer of the driver setup program, in characters.
constexpr uint32_t kSetupCommandSize = 512;

// Writes SourceDir + "\" + program + " Software\Norvik\Install\" + ProductKey into command
// (kSetupCommandSize characters), the program being "SetupNT.exe" on the NT family,
// DrvSetupProgram on the 9x family for USB when it is set, else "Setup9x.exe". Returns 1 when
// the program file is in SourceDir, 0 when it is not. Changes no settings field.
int BuildSetupProgramCommand(char16_t* command);

// Runs command ("Setupnt /s" instead with UseSetupNtHelper) in SourceDir and waits for it, then
// judges the "Result" it left: returns 1 to go on (SkipRunPrograms = 0 after success or in
// PreloadMode; SkipRunPrograms = 1 after a failure that InstallAllType or, for -1, USB lets
// pass); returns 0 after showing "Setup Error" (-2) or "Setup Failed!", owned by dialog.
int RunDriverSetupProgram(WindowHandle dialog, const char16_t* command);
