// Registry script engine: applies one numbered section of registry lines of the setup
// configuration file ("root, key path, value name, type code, data...") to the registry.
#pragma once
#include <cstdint>

constexpr uint32_t kScriptLineSize = 1024;   // one line: 1023 characters and the terminator
constexpr uint32_t kScriptFieldSize = 512;   // one field after expansion: 511 and the terminator
constexpr uint32_t kScriptNameSize = 256;    // the value name: 255 and the terminator
constexpr uint32_t kScriptNumberSize = 20;   // DWORD data: 19 characters and the terminator
constexpr uint32_t kScriptMaxBinaryFields = 1024;

// Root names recognised in the first field (ignoring case); anything else is HKEY_LOCAL_MACHINE.
inline constexpr const char16_t* kScriptRootClasses = u"HKCR";
inline constexpr const char16_t* kScriptRootUser = u"HKCU";

// Type codes of the fourth field (whole field, case-sensitive); any other text means binary.
inline constexpr const char16_t* kScriptTypeString = u"0";
inline constexpr const char16_t* kScriptTypeDword = u"1";
inline constexpr const char16_t* kScriptTypeExpandString = u"3";

// Label of the trace lines written for expandable strings.
inline constexpr const char16_t* kScriptExpandLabel = u"REG_EXPAND_SZ";

// Applies section `section` of the INI file `file`: keys "1", "2", ... up to the first missing
// or empty one, each line creating its key and setting its value as the type code says (strings
// without their terminating zero, DWORDs as signed decimal, anything else as hexadecimal bytes).
// Lines with too few fields or an unopenable key are skipped. Returns 1 when the section was
// walked (even when it was empty), 0 when file or section is missing (null). Changes no
// settings field; percent names in fields are expanded from the settings and [Strings].
int AddRegistrySection(const char16_t* file, const char16_t* section);
