// The Plug and Play update library of the driver stage, loaded for one stage at a time.
#pragma once

// Loads "newdev.dll" and keeps it for the running stage. Returns 1 when it is loaded, 0 when the
// system has no such library.
int LoadNewdev();
// Returns 1 when the library is loaded and offers "UpdateDriverForPlugAndPlayDevicesW", else 0.
int NewdevUpdateAvailable();
// Releases the library kept by LoadNewdev (nothing when none is kept).
void ReleaseNewdev();
