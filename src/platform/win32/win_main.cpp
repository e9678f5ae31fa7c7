// The Windows entry point: hands the process's start-up arguments to the portable start-up.
#include <windows.h>

#include "entry/setup_main.h"

// WinMain of the GUI program; the exit code is whatever the start-up and message loop return.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
  return SetupWinMain(reinterpret_cast<ModuleHandle>(instance), reinterpret_cast<ModuleHandle>(previous),
                      commandLine, showCommand);
}
