// The device setup classes the device queries know by name, and their class GUIDs.
#pragma once
#include "platform/devices.h"

// Looks the class name up (ignoring case) among "USB", "1394", "HID", "Display", "Keyboard",
// "Mouse", "Printer", "Media", "Net" and "Unknown". Returns 1 with *guid filled when the name is
// one of them, 0 (guid untouched) for any other name. Changes no settings field.
int GetClassGuidByName(const char16_t* className, SysGuid* guid);
