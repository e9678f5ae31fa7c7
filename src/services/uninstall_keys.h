// Registry paths and value names of the product's uninstall entry and of the shared-file list,
// which the file stages, the driver stage and the registration stages all reach.
#pragma once

// The product's uninstall entry lives below this key, under the configured UninstallKey.
constexpr const char16_t* kUninstallRoot = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const char16_t* kUninstallStringValue = u"UninstallString";
constexpr const char16_t* kDisplayNameValue = u"DisplayName";
constexpr const char16_t* kDeleteFilesSubkey = u"\\DeleteFiles";
constexpr const char16_t* kUninstallerProgram = u"Nmuninst.exe";

// Shared-file counts: one key per installed file name, one value per product that placed it.
constexpr const char16_t* kSharedFileRoot = u"Software\\Norvik\\Uninstall\\SharedFile\\";
