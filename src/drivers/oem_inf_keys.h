// Names used to file a driver INF into the Windows INF store through the setup interface.
#pragma once
#include <cstdint>

inline constexpr const char16_t* kLibrarySetupApi = u"setupapi.dll";
inline constexpr const char* kProcSetupCopyOEMInf = "SetupCopyOEMInfW";
// The Windows INF folder, below the Windows folder, with its trailing backslash.
inline constexpr const char16_t* kInfFolderBelowWindows = u"\\inf\\";
// Caption of the diagnostic boxes of the OEM INF copy.
inline constexpr const char16_t* kOemInfTraceCaption = u"SetupCopyOEMInf2";
// The buffer given for the name of the copy in the INF store: 519 characters and the terminator.
constexpr uint32_t kOemInfNameSize = 520;
