// Listing of the running processes by image file name, through the functions each Windows
// family offers (PSAPI and VDMDBG on NT, toolhelp on 9x), found by name at run time.
#pragma once
#include <cstdint>

// Gets a process id, the 16-bit task handle (0 for a process itself), its image file name as
// wide text and the caller's context; returns 0 to stop the listing.
typedef int (*ProcessCallback)(uint32_t processId, uint16_t task16, const char16_t* imageName, void* context);

// Largest process-id buffer the NT listing uses (16384 processes); a machine running more is
// listed up to that many.
constexpr uint32_t kMaxIdBufferBytes = 64 * 1024;

// Calls callback for every process (on NT also for every 16-bit task of an NTVDM.EXE process)
// until it returns 0. A process that cannot be opened is reported with an empty name. Returns 1
// when the listing ran, 0 when the family's libraries or functions are missing.
int EnumerateProcesses(ProcessCallback callback, void* context);
