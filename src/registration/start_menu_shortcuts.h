// Start-menu shortcuts of the package: the menu section chosen by interface, platform and
// language, one shortcut per item, and the removal of an older model's menu folder.
#pragma once

// Creates every shortcut of the chosen menu section of EspecialFile. Changes no settings field.
void CreateStartMenuShortcuts();

// Creates the shortcut item + ".lnk" in the all-users Programs folder + "\" + title pointing to
// target with arguments (through the menu library on Windows 8 and later, else a shell link);
// the first call of a run records the menu folder for the uninstaller. Returns 1 when the
// shortcut was handed to the library or saved, 0 otherwise. Changes no settings field.
int CreateMenuShortcut(const char16_t* title, const char16_t* item, const char16_t* target,
                       const char16_t* arguments);

// When DelQx410MenuTitle is set: deletes the first two entries (after "." and "..") of the
// folder recorded under the product's "MenuTitle" value by their short names, then the folder.
// Changes no settings field.
void DeleteOldMenuFolder();

// Forgets that the menu folder was recorded in this run (start of a new run, and tests).
void ResetMenuShortcutRun();
