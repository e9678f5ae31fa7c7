// Registry values and Windows files that the Start Installation page writes or removes itself.
#pragma once

// HKEY_CURRENT_USER: the utility's task-bar icon switch.
inline constexpr const char16_t* kRegPathProductivityUtility =
    u"Software\\Norvik\\Glidewave 98\\Productivity Utility";
inline constexpr const char16_t* kRegValueShowTaskBarIcon = u"Show Task Bar Icon";

// HKEY_LOCAL_MACHINE, Windows Me only: where Windows finds its own setup files.
inline constexpr const char16_t* kRegPathWindowsSetup = u"Software\\Microsoft\\Windows\\CurrentVersion\\Setup";
inline constexpr const char16_t* kRegValueSourcePath = u"SourcePath";
inline constexpr const char16_t* kSourcePathBelowWindows = u"\\OPTIONS\\INSTALL";

// The old driver index below the Windows folder, and the folder of INF copies from other makers.
inline constexpr const char16_t* kDriverIndexFile = u"\\INF\\DRVIDX.BIN";
inline constexpr const char16_t* kDriverDataFile = u"\\INF\\DRVDATA.BIN";
inline constexpr const char16_t* kOtherInfFolder = u"\\INF\\Other\\";
