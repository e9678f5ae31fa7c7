// Platform driver files and device metadata: the driver files built for the running Windows
// version replace the generic ones in the copy source folder, and on Windows 7 and later the
// product's device-metadata packages go into the system's metadata store (their registry
// section is applied by the installation sequence).
#pragma once
#include <cstdint>

constexpr uint32_t kDriverFileValueSize = 520;  // value of "DriverFile": 519 characters
constexpr uint32_t kDriverPathSize = 256;       // paths: 255 characters and the terminator

// Key of [Default] naming the driver tree's folder beside the program.
inline constexpr const char16_t* kKeyDriverFile = u"DriverFile";
inline constexpr const char16_t* kDefaultDriverFolder = u"SYS";

// Platform subfolders of the driver tree.
inline constexpr const char16_t* kDriverDirWin2k = u"Win2k";
inline constexpr const char16_t* kDriverDirW2k = u"W2k";
inline constexpr const char16_t* kDriverDirXp = u"xp32";
inline constexpr const char16_t* kDriverDirVista = u"vista32";
inline constexpr const char16_t* kDriverDirWin7 = u"win7_32";
inline constexpr const char16_t* kDriverDirWin8 = u"win8_32";

// Device metadata: the package folder beside the program, the store below the common
// application-data folder, and the registry section applied after the copy.
inline constexpr const char16_t* kMetadataFolder = u"Metadata";
inline constexpr const char16_t* kMetadataStoreSubpath = u"\\Microsoft\\Windows\\DeviceMetadataStore\\EN-US";
inline constexpr const char16_t* kSectionAddRegistryMetadata = u"Add Registry.Metadata";

// Copies the files of the driver-tree folder for the running platform (SourceDir + "\" +
// [Default] "DriverFile" + "\" + the platform's subfolder, with its fallback where it has one)
// over the files of the copy source folder (TempExtractDir in cabinet mode, else SourceDir +
// "\" + SubFolder), making each copy's attributes normal. Returns 1 when the folder could be
// listed, 0 when not. Changes no settings field.
int GetDriverSysFile();

// Copies the files of SourceDir + "\Metadata" into the device metadata store (every missing
// folder of it created) and records each copied file in the uninstall entry. Returns 1 when the
// package folder could be listed (its registry section "Add Registry.Metadata" is then due),
// 0 when not (only a trace line). Changes no settings field.
int MetadataPackageCopy();
