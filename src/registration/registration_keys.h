// Registry paths and value names that the registration stages write for the product and for
// the package's uninstaller.
#pragma once

// The product's uninstall entry lives below this key, under the configured UninstallKey.
constexpr const char16_t* kUninstallRoot = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const char16_t* kUninstallStringValue = u"UninstallString";
constexpr const char16_t* kDisplayNameValue = u"DisplayName";
constexpr const char16_t* kDeleteFilesSubkey = u"\\DeleteFiles";
constexpr const char16_t* kUninstallerProgram = u"Nmuninst.exe";

// Shared-file counts: one key per installed file name, one value per product that placed it.
constexpr const char16_t* kSharedFileRoot = u"Software\\Norvik\\Uninstall\\SharedFile\\";
