// Device-installation services: the cabinet iterator of the Windows setup interface
// (Plug and Play driver updates, device sets and the INF store join later).
#pragma once
#include "platform/types.h"

// Cabinet iterator notifications and answers (values as the Windows setup interface uses).
constexpr uint32_t kNotifyCabinetInfo = 0x10;
constexpr uint32_t kNotifyFileInCabinet = 0x11;
constexpr uint32_t kNotifyNeedNewCabinet = 0x12;
constexpr uint32_t kNotifyFileExtracted = 0x13;
constexpr uint32_t kFileOpAbort = 0;
constexpr uint32_t kFileOpDoIt = 1;
constexpr uint32_t kFileOpSkip = 2;

// The record handed with kNotifyFileInCabinet (param1 points to it). The callback fills
// FullTargetName with the path the file is to be extracted to.
struct SysFileInCabinetInfo {
  const char16_t* NameInCabinet;  // name in the cabinet, possibly with a relative folder
  uint32_t FileSize;
  uint32_t Win32Error;
  uint16_t DosDate;
  uint16_t DosTime;
  uint16_t DosAttribs;
  char16_t FullTargetName[260];
};

// The record handed with kNotifyFileExtracted (param1 points to it).
struct SysFilePaths {
  const char16_t* Target;
  const char16_t* Source;
  uint32_t Win32Error;
};

// Callback: (context, notification, param1, param2) -> answer. For kNotifyFileInCabinet param1
// is a SysFileInCabinetInfo, param2 the cabinet path, and the answer kFileOpDoIt, kFileOpSkip or
// kFileOpAbort (the walk then fails with the error the callback put in Win32Error). For
// kNotifyFileExtracted param1 is a SysFilePaths (Source: the cabinet; Win32Error set when the
// extraction failed, which ends the walk). kNotifyCabinetInfo and kNotifyNeedNewCabinet carry
// no record (both parameters 0). For every notification but kNotifyFileInCabinet the answer is
// 0 to go on, or an error code that ends the walk with that error.
typedef uint32_t (*SysCabinetCallback)(void* context, uint32_t notification, uintptr_t param1, uintptr_t param2);

// Walks every file of a Microsoft cabinet, asking the callback where to extract each one
// (SetupIterateCabinetW). Returns 1 when the walk completed, 0 on failure with the last
// error set (2 for a missing cabinet, 13 for a file that is no cabinet or whose data is
// damaged; the extraction of a file into a folder that does not exist fails with 3: folders
// are never created).
int SysIterateCabinet(const char16_t* cabinetPath, SysCabinetCallback callback, void* context);
