// The OEM INF copy: files the driver INF of the chosen interface into the Windows INF store, so
// that Windows finds the driver by itself when the device is plugged in later.
#pragma once

// Copies InfPath into the Windows INF store with SetupCopyOEMInfW (looked up in "setupapi.dll")
// after deleting the Windows folder + "\inf\" + infName, and passes the copy's name that Windows
// chose to WriteUninstallEntry. Does nothing when the setup interface is missing or SourceDir's
// drive is not a fixed disk (CD-ROM, removable, network). Failures are silent; with InstallTrace
// the source and the copy are shown in message boxes. Reads SourceDir, InfPath, InstallTrace and
// Sleep1Sec; changes no settings field.
void CopyOEMInf(const char16_t* infName);
