// The inline update of the driver stage: Windows' Plug and Play update function called for the
// hardware id of the install record, and the reading of its error code.
#pragma once

// Updates the driver of the record's PnPID from its InfFile (newdev must have been loaded by
// the caller), writing the restart verdict into Restart, and acts on the error code: Restart = 1
// for a PS/2 device that does not exist, SkipRunPrograms after success, reinstall marks for
// unplugged USB devices on Windows 2000 or later. Returns 1 when the stage is done; 0 when the
// setup-program route must follow (newdev or its export missing, no record, a failed update,
// Windows Me).
int InlinePnPUpdate();
