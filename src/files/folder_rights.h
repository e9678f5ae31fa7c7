// Folders made by the installation: their record for the package's uninstaller, the creation
// of a whole folder chain, and full access for everyone on the product's folders.
#pragma once
#include <cstdint>

// Records folder `path` under HKEY_LOCAL_MACHINE "Software\Norvik\Uninstall" (created when
// missing) as a value named by the path with the text "InstallPath"; recording a folder again
// rewrites the same value. Failures are ignored. Changes no settings field.
void RecordInstallFolder(const char16_t* path);

// Creates every missing folder of `path` (255 characters kept), from the drive down, recording
// each folder it creates; every level that already exists records g_szProgramFileDest instead.
// Then gives "Everyone" full access to the last folder. Failures are ignored. Changes no
// settings field.
void CreateFolderPath(const char16_t* path);

// Adds an access-allowed entry for `account` with `accessMask` to the access list of `path`
// (inheritable by subfolders and files where the system supports it): the explicit entries come
// first without the account's own, then the new entry, then the inherited entries; the list's
// protection and auto-inheritance are kept. Failures are reported on the diagnostic channel.
// Returns 1 when the new access list was stored, 0 when any step failed. Changes no settings
// field.
int GrantFolderAccess(const char16_t* path, const char16_t* account, uint32_t accessMask);
