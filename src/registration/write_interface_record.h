// The interface record: which interface was installed, and the note that lets the package's
// uninstaller remove that record again.
#pragma once

// Writes the chosen interface under HKEY_LOCAL_MACHINE\Software\Norvik\Glidewave 98\Interface:
// a DWORD of InterfaceType under the interface's own name ("PS2", "BT", "USB", "ALL"; none for
// another type) and as "Type". Nothing is written when the key cannot be created. Reads
// InterfaceType; changes no settings field.
void WriteInterfaceRecord();

// Tells the uninstaller to delete the interface record: the value named after the record's key
// path, data "HKEY_LOCAL_MACHINE", in "DeleteKey" below the uninstall entry of UninstallKey.
// Reads UninstallKey; changes no settings field.
void WriteInterfaceRemovalNote();
