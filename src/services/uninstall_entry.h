// The product's uninstall entry: Windows' list of removable software plus a note of every
// file the installation placed, for the package's own uninstaller.
#pragma once

// Registers the product under its uninstall key (when CanUninstall is set) and records the
// placed file `filePath` in the entry's "DeleteFiles" list and in the shared-file list.
// Returns 1 when the file's "DeleteFiles" value was written (or when UninstallKey is empty
// and nothing is written at all), 0 when it could not be written. Reads UninstallKey,
// CanUninstall, ProductKey and Title.
int WriteUninstallEntry(const char16_t* filePath);
