// Command-line switches: splitting the command line into the switch table, the interface-type
// rule for silent runs, and applying the switches to the settings record.
#pragma once
#include <cstdint>

constexpr uint32_t kCommandLineSize = 256;  // converted command line: 255 characters
constexpr int kSwitchSlots = 16;            // switches kept
constexpr uint32_t kSwitchSize = 16;        // one switch: 15 characters without its '/'

typedef char16_t SwitchSlot[kSwitchSize];

// The switch table of this run (filled by start-up; read no more after the switches are applied).
extern SwitchSlot g_SwitchTable[kSwitchSlots];

// Clears table and splits the command line into it: each '/' opens the next slot, blanks are
// dropped wherever they stand, text before the first '/' is ignored. Switches beyond the 16th
// and characters beyond the 15th of a switch are ignored. Returns the number of slots opened.
int SplitCommandLine(const char16_t* commandLine, SwitchSlot* table);

// Visits the switches (up to the first empty slot): "S" sets SilentSwitchSeen, "TYPE:PS2",
// "TYPE:BT", "TYPE:USB" or "TYPE:ALL" sets TypeSwitchSeen (ignoring case). Returns 0 when /S is
// given without a /TYPE: switch while AskType is on (start-up must end), else 1.
int PrescanSwitches(SwitchSlot const* table);

// Applies the switches in their order, each by the first matching row of the switch table
// (ignoring case; "ID:n" only in capitals). Changes the run-mode flags, AskType, AskPath,
// AskMousePosition, ChooseMouse, InstallAllType, InterfaceType, InfPath, Restart, CallConfigMg,
// PS2DriverNameIsProductName, ModelId and ModelIdGiven as the switches say.
void ApplySwitches(SwitchSlot const* table);

// Returns 1 when the switches (up to the first empty slot) hold /S, /H, /F or /NoInf (a run that
// must not wait for the user), else 0.
int HasUnattendedSwitch(SwitchSlot const* table);
