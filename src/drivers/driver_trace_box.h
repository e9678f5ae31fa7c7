// The diagnostic message boxes of the driver stages, shown only with InstallTrace.
#pragma once

// Shows text in a message box without owner (caption null: no caption of its own) when
// InstallTrace is set; does nothing otherwise. Changes no settings field.
void DriverTraceBox(const char16_t* text, const char16_t* caption);

// The interface as the trace boxes name it: "USB", "PS2", or "SERIAL" for any other
// InterfaceType.
const char16_t* InterfaceTraceName();
