// Whether Windows knows a device, plugged in or not, by the beginning of its instance id.
#pragma once

// Returns 1 when some device of any class, present or not, has an instance id whose first n
// characters (n = length of id) equal id, ignoring case; 0 otherwise (also for an empty id and
// when the device set cannot be built). Changes no settings field.
int FindDeviceInstance(const char16_t* id);
