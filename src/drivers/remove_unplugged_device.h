// Removal of an unplugged copy of a device, so that Windows installs it afresh when it returns.
#pragma once

// Removes, through the class installer, the first device that is not present and whose
// instance id begins with id (ignoring case); a failed removal goes on with the next match.
// Present devices are never removed. Returns 1 when a device was removed, 0 otherwise.
// Changes no settings field.
int RemoveUnpluggedDevice(const char16_t* id);
