// The program's entry: the start-up order from command line to message loop.
#pragma once
#include "platform/types.h"

// Runs the whole program as WinMain does: instance handle, previous-instance handle (unused),
// the ANSI command line without the program name, and the show command. Returns the process
// exit code: 0 on every early end, otherwise the code carried by the quit message.
int SetupWinMain(ModuleHandle instance, ModuleHandle previous, const char* commandLine, int showCommand);

// Runs start-up steps 1 to 10 only (conversion, platform, Especial, language, configuration,
// COM, instance, switches). Returns 1 when the program may go on to create its main window,
// 0 for an early end (exit code 0).
int RunStartup(ModuleHandle instance, const char* commandLine);
