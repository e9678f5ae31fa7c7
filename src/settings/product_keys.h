// The maker's and the product's registry keys, as every stage names them. The product key is
// fixed ("Glidewave 98"), whatever the configuration's ProductKey says; HKEY_LOCAL_MACHINE or
// HKEY_CURRENT_USER is chosen by the caller.
#pragma once

// The maker's key; holds the diagnostic switch (HKEY_LOCAL_MACHINE).
inline constexpr const char16_t* kRegPathMaker = u"Software\\Norvik";
// The product: its version, the running flags and, under HKEY_CURRENT_USER, the user's choices.
inline constexpr const char16_t* kRegPathProduct = u"Software\\Norvik\\Glidewave 98";
// One subkey per installed interface.
inline constexpr const char16_t* kRegPathInterface = u"Software\\Norvik\\Glidewave 98\\Interface";
// The chosen model's resource library entry written when NewUI is set (HKEY_LOCAL_MACHINE).
inline constexpr const char16_t* kRegPathResourceDll = u"Software\\Norvik\\Glidewave 98\\ResourceDLL";
// Install records: one key per product key, rebuilt before every driver stage.
inline constexpr const char16_t* kRegPathInstallRecords = u"Software\\Norvik\\Install";
// Folders made by the installation, for the package's uninstaller: one value per folder, name =
// the folder path, data = "InstallPath".
inline constexpr const char16_t* kRegPathInstalledFolders = u"Software\\Norvik\\Uninstall";
