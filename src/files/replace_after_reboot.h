// Replacement at the next start of Windows of files that were in use during the copy: the
// pending-replacement table the copy engine fills, and the scheduling of each record.
#pragma once
#include <cstdint>

constexpr int32_t kPendingMax = 128;
constexpr uint32_t kPendingPathSize = 256;  // 255 characters and the terminator

struct PendingReplacement {
  char16_t Target[kPendingPathSize];     // the file to replace
  char16_t Temporary[kPendingPathSize];  // the new contents, beside it
};

// Records 0 .. PendingCount - 1 are complete; the copy engine fills record PendingCount and
// then counts it.
extern PendingReplacement PendingTable[kPendingMax];
extern int32_t PendingCount;

// Schedules record `record` (0 .. PendingCount - 1) for the next start: on the NT family (and
// on 9x versions below 4) as a delayed deletion of the target followed by a delayed move of the
// temporary file onto it; on Windows 95, 98 and Me as a "target=temporary" line put first in
// the [Rename] section of wininit.ini in the Windows folder (section and file created when
// missing). Failures are silent. Changes no settings field.
void ReplaceAfterReboot(int32_t record);

// Schedules every complete record of PendingTable (0 .. PendingCount - 1) in turn with
// ReplaceAfterReboot. Changes no settings field.
void ReplaceFilesInUseAtRestart();
