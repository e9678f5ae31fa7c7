// Setup configuration loader: finds the program's folder and the configuration file for the
// platform and fills the settings record from it.
#pragma once
#include <cstdint>

#include "settings/config_keys.h"

// Loads the setup configuration once at start-up. Sets SourceDir, ProgramFilesDir and
// DefaultDestination; then, when the platform's configuration file exists and its [Install]
// "Supported" is not "FALSE", sets ConfigFile, creates the folders of [CreateFolder], reads every
// start-up key of [Install], [Default] and [Product.List.PS2] into the settings record, expands
// version macros, derives the default destination, the interface when the configuration fixes
// it, InfPath and InfPresence, selects the help files (HelpFilesListed) and reads InstallTrace
// from the registry. Returns 1 when the installation may go on, 0 when the configuration file is
// missing or says the platform is not supported (nothing else is changed then).
int LoadSetupConfiguration();

// The rule of a start-up key (name compared ignoring case); null when the loader has none.
const ConfigKeyRule* FindConfigKeyRule(const char16_t* key);

// Reads a start-up key of ConfigFile where its rule says, into out (size characters): the rule's
// fallback when missing (empty when it has none). Changes no settings field.
void ReadConfigKey(const ConfigKeyRule& rule, char16_t* out, uint32_t size);

// Returns 1 when value counts as on for a boolean of the given form, 0 when it counts as off
// (kFormText is read as form T).
int ConfigFlagOn(ConfigForm form, const char16_t* value);
