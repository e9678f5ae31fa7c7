// Shell and COM services: special folders and COM initialisation.
#pragma once
#include "platform/types.h"

// CSIDL folder ids.
constexpr int kFolderCommonPrograms = 0x17;
constexpr int kFolderCommonAppData = 0x23;
constexpr int kFolderProgramFiles = 0x26;

// SHGetFolderPathW into out (260 characters). Returns 1 on success, 0 on failure (out empty).
int SysGetFolderPath(int folderId, char16_t* out);

// CoInitialize(NULL) for the calling thread. Returns 1 on success.
int SysInitCom();
