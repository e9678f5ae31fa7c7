// Help-file selection: for every help file of [HelpFileList], the language version that suits
// the user's locale.
#pragma once
#include <cstdint>

constexpr int32_t kHelpFileMax = 63;         // entries 1..63
constexpr uint32_t kHelpFileTextSize = 256;  // each text: 255 characters and the terminator

// Entry n (from 1) of [HelpFileList]: both the section listing its language versions and the
// installed name. The copy list appends companion files after the selected entries.
extern char16_t HelpFileEntries[kHelpFileMax + 1][kHelpFileTextSize];
// The source file chosen for entry n.
extern char16_t HelpFileChoices[kHelpFileMax + 1][kHelpFileTextSize];
// Number of entries in use (the highest index filled).
extern int32_t HelpFileCount;

// Fills the help-file tables from [HelpFileList] of ConfigFile (keys "1", "2", ... up to the
// first empty one, at most 63): for each entry the key of its section equal to the user's locale,
// else the first key whose last two digits (the primary language) match it and whose value is
// not empty, else key "00000409", else the entry's own name. Sets HelpFileCount. Returns 1 when
// at least one entry was found, 0 when none. Changes no settings field (the loader keeps the
// result in HelpFilesListed).
int SelectHelpFiles();
