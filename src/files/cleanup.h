// Cleanup deletions: an older version's files, the recorded product version when a marker file
// asks for it, the contents of a folder tree and the temporary extraction folder.
#pragma once

// Deletes every file listed in the "DeleteFiles" subkey of the product's uninstall entry
// (HKEY_LOCAL_MACHINE ...\Uninstall\<UninstallKey>\DeleteFiles): value name = file name,
// data = its folder, either a full path ("X:..."), a folder below the Windows folder, or one of
// "", "0", "%SYS_DIR%", "%SYS32_DIR%", "%HELP_DIR%", "%WIN_DIR%", "%INF_DIR%" (the macros
// compared with case). The values stay in the registry; failures are ignored. Reads
// UninstallKey; changes no settings field.
void DeletePreviousFiles();

// When the Windows folder holds "GlidewaveFlag.txt", deletes the value "Version" of
// HKEY_LOCAL_MACHINE "Software\Norvik\Glidewave 98". Changes no settings field.
void ClearVersionIfFlagged();

// Deletes every file below `folder`, recursively; emptied subfolders stay in place and the
// folder itself is left for the caller to remove. A subfolder that cannot be listed is removed
// (when it can be) and ends the walk. Returns 1 when the whole listing was worked through, 0
// when a folder could not be listed. Changes no settings field.
int DeleteFolderTree(const char16_t* folder);

// Removes the temporary extraction folder TempExtractDir; when it is not empty, deletes its
// contents with DeleteFolderTree and removes it again. A folder that still cannot be removed
// stays behind. Changes no settings field.
void RemoveTempExtractDir();
