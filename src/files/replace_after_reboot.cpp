// ReplaceAfterReboot: delayed moves on the NT family, the [Rename] section of wininit.ini on
// Windows 95, 98 and Me.
#include "files/replace_after_reboot.h"

#include <cstring>

#include "common/text.h"
#include "shared/trace.h"
#include "files/files_keys.h"
#include "platform/kernel.h"

PendingReplacement PendingTable[kPendingMax];
int32_t PendingCount;

namespace {

constexpr uint32_t kVersion9xBit = 0x80000000u;
constexpr uint32_t kFirst9xWithWininit = 4;  // major version of Windows 95
// The mapping grows by the line and this much, room for the header and a line break before it.
constexpr uint32_t kMappingSpare = 21;
constexpr uint32_t kRenameLineSize = 2 * kPendingPathSize + 8;
constexpr uint32_t kFileBegin = 0;
constexpr const char16_t* kTraceAfterReboot = u"After Reboot to copy!!!";

// Appends text in the ANSI code page, which is what the systems that read wininit.ini expect;
// characters the code page lacks become '?'.
uint32_t AppendAnsi(char* out, uint32_t at, uint32_t cap, const char16_t* text) {
  if (at + 1 >= cap) return at;
  return at + SysWideToAnsi(text, out + at, cap - at);
}

// Position of `what` in the first `size` bytes of `text`, or -1.
long FindBytes(const char* text, uint32_t size, const char* what, uint32_t length) {
  for (uint32_t i = 0; i + length <= size; ++i)
    if (std::memcmp(text + i, what, length) == 0) return static_cast<long>(i);
  return -1;
}

void ScheduleDelayedMove(const PendingReplacement& r) {
  Trace(u"%s, %s, %s", r.Temporary, r.Target, kTraceAfterReboot);
  // The deletion first makes room for the move, which is given no other flag.
  SysMoveFileEx(r.Target, nullptr, kMoveFileDelayUntilReboot);
  SysMoveFileEx(r.Temporary, r.Target, kMoveFileDelayUntilReboot);
}

// The open wininit.ini while a line goes in: the file, its mapping and view, and the length the
// file is cut to when it is closed (known once its old size was read). Released by
// ReleaseWininitEdit on every path.
struct WininitEdit {
  SysHandle file = nullptr;
  SysHandle mapping = nullptr;
  char* view = nullptr;
  bool sizeKnown = false;
  uint32_t finalSize = 0;
};

bool IsOpenHandle(SysHandle handle) { return handle != nullptr && handle != kInvalidHandle; }

// Builds "target=temporary" and puts it directly under the [Rename] header of the file open in
// *e, adding the header at the end of the file when it has none. Everything it opens is left in
// *e; the final length is the old one until the line is in (a mapping may have grown the file).
void InsertRenameLine(const PendingReplacement& r, WininitEdit* e) {
  char line[kRenameLineSize];
  uint32_t lineLength = AppendAnsi(line, 0, kRenameLineSize, r.Target);
  lineLength = AppendAnsi(line, lineLength, kRenameLineSize, u"=");
  lineLength = AppendAnsi(line, lineLength, kRenameLineSize, r.Temporary);
  lineLength = AppendAnsi(line, lineLength, kRenameLineSize, u"\r\n");
  const uint32_t headerLength = static_cast<uint32_t>(std::strlen(kRenameHeader));

  const uint32_t oldSize = SysGetFileSize(e->file, nullptr);
  if (oldSize == kInvalidFileSize) return;
  e->sizeKnown = true;
  e->finalSize = oldSize;
  e->mapping = SysCreateFileMapping(e->file, oldSize + lineLength + kMappingSpare);
  if (!IsOpenHandle(e->mapping)) return;
  e->view = static_cast<char*>(SysMapViewOfFile(e->mapping));
  if (!e->view) return;
  char* view = e->view;

  uint32_t insert = 0;
  long header = FindBytes(view, oldSize, kRenameHeader, headerLength);
  if (header >= 0) {
    insert = static_cast<uint32_t>(header) + headerLength;
    std::memmove(view + insert + lineLength, view + insert, oldSize - insert);
  } else {
    // A last line without its line break would swallow the header: end it first.
    insert = oldSize;
    if (oldSize > 0 && view[oldSize - 1] != '\n') {
      view[insert++] = '\r';
      view[insert++] = '\n';
    }
    std::memcpy(view + insert, kRenameHeader, headerLength);
    insert += headerLength;
  }
  std::memcpy(view + insert, line, lineLength);
  e->finalSize = oldSize + (header >= 0 ? lineLength : insert + lineLength - oldSize);
}

// Unmaps and closes what *e holds and cuts the file to its final length.
void ReleaseWininitEdit(WininitEdit* e) {
  if (e->view) SysUnmapViewOfFile(e->view);
  if (IsOpenHandle(e->mapping)) SysCloseHandle(e->mapping);
  if (e->sizeKnown) {
    SysSetFilePointer(e->file, static_cast<int32_t>(e->finalSize), kFileBegin);
    SysSetEndOfFile(e->file);
  }
  SysCloseHandle(e->file);
}

// Puts "target=temporary" directly under the [Rename] header of wininit.ini in the Windows
// folder, adding the header at the end of the file when it has none.
void AddWininitRename(const PendingReplacement& r) {
  char16_t path[kPendingPathSize + 16] = {};
  uint32_t length = SysGetWindowsDirectory(path, kPendingPathSize);
  if (length == 0 || length >= kPendingPathSize) return;
  TextAppend(path, kWininitFile);

  WininitEdit edit;
  edit.file = SysCreateFile(path, kGenericRead | kGenericWrite, 0, kOpenAlways, 0);
  if (!IsOpenHandle(edit.file)) return;
  InsertRenameLine(r, &edit);
  ReleaseWininitEdit(&edit);
}

}  // namespace

void ReplaceAfterReboot(int32_t record) {
  if (record < 0 || record >= PendingCount || record >= kPendingMax) return;
  const uint32_t version = SysGetVersionWord();
  const bool family9x = (version & kVersion9xBit) != 0;
  if (!family9x || (version & 0xFF) < kFirst9xWithWininit)
    ScheduleDelayedMove(PendingTable[record]);
  else
    AddWininitRename(PendingTable[record]);
}

void ReplaceFilesInUseAtRestart() {
  for (int32_t record = 0; record < PendingCount; ++record) ReplaceAfterReboot(record);
}
