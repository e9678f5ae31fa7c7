// Field reader and percent macros for comma-separated configuration lines, and the default
// program destination g_szProgramFileDest that "Program Files" names expand to.
#pragma once
#include <cstdint>

constexpr uint32_t kFieldSize = 256;      // one field: 255 characters and the terminator
constexpr uint32_t kMacroNameSize = 128;  // a percent name: 127 characters and the terminator

// Percent names with a value of their own; any other name is looked up in [Strings].
inline constexpr const char16_t* kMacroSystemDir = u"11";           // case-sensitive
inline constexpr const char16_t* kMacroWindowsDir = u"10";          // case-sensitive
inline constexpr const char16_t* kMacroDefaultAppPath = u"99";      // case-sensitive
inline constexpr const char16_t* kMacroSystemRoot = u"SystemRoot";  // case-sensitive; the system folder
inline constexpr const char16_t* kMacroProgramFiles = u"Program Files";  // ignoring case
inline constexpr const char16_t* kMacroLocation = u"Location";           // ignoring case

// Key of [Strings] that names the program destination below the Program Files folder.
inline constexpr const char16_t* kStringsKeyProgramFiles = u"Program Files";

// The default program destination (255 characters), empty until the copy list composes it.
extern char16_t g_szProgramFileDest[kFieldSize];

// Cuts the first field of text into out (kFieldSize characters): leading blanks and tabs are
// skipped, quoted parts are copied literally without their quotes, %name% is replaced by
// ExpandMacroName's value, and the field ends at a comma or the end of the text (trailing blanks
// are kept). Characters beyond 255 are dropped. Returns the index in text where the field
// stopped: the separating comma, or the terminating zero. Changes no settings field.
uint32_t ParseField(const char16_t* text, char16_t* out);
// The same reader for an output of cap characters (registry script fields hold 511).
uint32_t ParseFieldN(const char16_t* text, char16_t* out, uint32_t cap);

// Writes the value of the percent name (without its percent signs) at out, cut to cap - 1
// characters and terminated: "11" and "SystemRoot" the system folder, "10" the Windows folder,
// "99" DefaultAppPath, "Program Files" and "Location" DestinationDir when AskPath is set else
// g_szProgramFileDest, any other name its [Strings] value in ConfigFile. Returns the length
// written; 0 when the value is empty, and then nothing is written.
uint32_t ExpandMacroName(const char16_t* name, char16_t* out, uint32_t cap);

// Composes g_szProgramFileDest = Program Files folder + "\" + [Strings] "Program Files", or,
// when that key is empty, + [Install] "Provider" + "\" + [Install] "Title" (read raw from
// ConfigFile). Returns 1 when composed, 0 when the Program Files folder is unknown (then
// g_szProgramFileDest is left empty).
int ComposeProgramFileDest();

// Expands a whole configuration value as one field (quotes removed, %name% replaced, a comma
// ends it) into out (kFieldSize characters). Returns the length of the expansion.
uint32_t ExpandConfigValue(const char16_t* value, char16_t* out);
