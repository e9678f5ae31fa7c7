// Names read by the checks for older and running software: the installed product's registry
// key and values, and the [KillWindow] sections of the setup configuration file.
#pragma once
#include <cstdint>

// HKEY_LOCAL_MACHINE: the installed product (this fixed key, whatever ProductKey says).
inline constexpr const char16_t* kRegPathInstalledProduct = u"Software\\Norvik\\Glidewave 98";
inline constexpr const char16_t* kRegPathInstalledInterfaces = u"Software\\Norvik\\Glidewave 98\\Interface";
inline constexpr const char16_t* kRegValueInstalledVersion = u"Version";
inline constexpr const char16_t* kRegValueInstalledSubVersion = u"SubVersion";

// Setup configuration file: the windows to close before installing.
inline constexpr const char16_t* kSectionKillWindow = u"KillWindow";
inline constexpr const char16_t* kKeyKillClass = u"Class";
inline constexpr const char16_t* kKeyKillCaption = u"Caption";

// Kernel32's process exit, started inside a program that must end.
inline constexpr const char16_t* kKernel32 = u"kernel32.dll";
inline constexpr const char* kExitProcessName = "ExitProcess";
