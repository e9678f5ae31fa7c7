// The other maker's software removed: its own uninstaller started and waited for, or, without
// one, its registry entries cleaned up directly.
#pragma once
#include "platform/types.h"

// Runs on the warning dialog's worker thread. Without an uninstall entry: on the 9x family the
// LMOUSE VxD key tree is deleted; on NT below 5.0 every text value "l8042prt" under Enum\Root
// becomes "i8042prt" and the l8042prt service key tree is deleted. With an entry: its
// UninstallString is started (high priority, shown normally) and waited for until idle; the
// dialog and its owner are hidden and the background window minimised; after 5 s the processes
// are scanned every second until no "WINST.EXE" or "ISUNINST.EXE" is left; then the windows come
// back and the dialog is brought to the front. Changes UninstallerRunning.
void RunConflictUninstall(WindowHandle dialog);

// Scans the processes once. Returns 1 when an uninstaller process ("WINST.EXE" or
// "ISUNINST.EXE", the name after the last backslash, without case) is running; clears
// UninstallerRunning when it sees one.
int ScanForUninstaller();
