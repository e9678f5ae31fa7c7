// Closing listed windows: programs of an earlier installation that are still running are asked
// to close and their processes are ended before files are replaced.
#pragma once
#include <cstdint>

#include "platform/types.h"

// The close request posted to every listed window (the first user message number + 272).
constexpr uint32_t kCloseRequestMessage = 1296;
// At most this many windows are handled per listed entry.
constexpr int kKillPassesPerEntry = 100;

// Asks every running window named in [KillWindow] of the configuration file to close and ends
// its process; a window whose process cannot be ended gets the destroy message.
void KillListedWindows();

// Ends the process that owns window by starting its own ExitProcess in it with exitCode, and
// waits until it has gone. Returns 1 when it ended, else 0 with the last error set (1067 when
// the process was not running any more).
int EndProcessOfWindow(WindowHandle window, uint32_t exitCode);
