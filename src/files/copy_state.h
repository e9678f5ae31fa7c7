// State that the copy progress dialog shares with the copy engine and the cabinet extraction:
// the temporary extraction folder of cabinet mode and the user's request to leave Setup.
#pragma once
#include <cstdint>

constexpr uint32_t kTempExtractDirSize = 256;  // 255 characters and the terminator

// Folder the package cabinet is extracted into (Windows folder + "\_NorvikInstallTempDir" + n);
// empty until the copy dialog creates it in cabinet mode.
inline char16_t TempExtractDir[kTempExtractDirSize] = {};

// Set by the copy dialog when the user confirms leaving Setup; the copy walk stops at its next
// copy.
inline int32_t CancelRequested = 0;
