// Platform detection: the platform code kept in the settings record, the yes/no version tests
// the installation stages ask, and the choice of the setup configuration file per Windows family.
#pragma once
#include <cstdint>

// Platform codes of the settings field Platform (not ordered by age; 7 to 13 unused).
constexpr int32_t kPlatformWin2000 = 1;
constexpr int32_t kPlatformWinXP = 2;
constexpr int32_t kPlatformVista = 3;
constexpr int32_t kPlatformWin7 = 4;
constexpr int32_t kPlatformWin8 = 5;
constexpr int32_t kPlatformServer2003 = 6;
constexpr int32_t kPlatformOther = 14;

// Maps the extended version information to a platform code: 5.0 -> 1, 5.1 -> 2, 5.2 server -> 6,
// 6.0 -> 3, 6.1 -> 4, 6.2 and higher 6.x -> 5, anything else (or no extended information) -> 14.
// Writes the major and minor version to the trace. Changes no settings field (start-up stores
// the result in Platform).
int32_t DetectPlatform();

// Returns 1 when the NT family runs with major version 5 or higher, else 0.
int IsNT5OrLater();
// Returns 1 when the NT family runs with major version 5 or higher and minor version exactly 1
// (Windows XP, and Windows 7), else 0.
int IsNT5Minor1();
// Returns 1 when the version is 4.90 whatever the family, else 0.
int IsWindowsMe();
// Returns 1 on the 9x family above 4.0 (Windows 98, 98 SE, Me), else 0.
int IsWin98OrMe();

// Writes into out (cap characters) the full path of the setup configuration file for the running
// family: SourceDir + "\" + its file name. On Me and 98 a later file of the family's row is taken
// when the earlier one is missing; the last one is taken whether it exists or not. Returns the
// length of the path, or 0 (out empty) when the family has no configuration file (9x below 4).
// Reads SourceDir; changes no settings field.
uint32_t ChooseConfigFile(char16_t* out, uint32_t cap);
