// Language selection: the upper-case language name that names the text section of install.ini.
#pragma once
#include <cstdint>

// Decides the language once at start-up: the id of [LANGUAGE] "Languageid" in install.ini beside
// the program, or the thread's locale when that is 0 or missing, looked up in the language table
// (unlisted ids give "ENGLISH"). Writes LanguageName; writes TitleSuffix " Setup" for English
// (0x0409) and the Chinese word for setup for 0x0804 when Especial is non-zero. Reads Especial,
// so it runs after the Especial lookup.
void SelectLanguage();

// The language name (the install.ini section) of a Windows language id, the whole 32-bit value
// compared; null when the id is not listed (setup then uses "ENGLISH").
const char16_t* ListedLanguageName(uint32_t id);
