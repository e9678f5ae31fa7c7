// System message texts and the reverse code-page conversion of the simulated machine.
#include <cstring>

#include "common/text.h"
#include "platform/kernel.h"
#include "platform/sim/machine/sim_internal.h"

namespace {

// The English texts Windows gives for the error codes the installer can meet, with their line end.
struct SystemMessage {
  ErrorCode code;
  const char16_t* text;
};
const SystemMessage kMessages[] = {
    {0, u"The operation completed successfully.\r\n"},
    {1, u"Incorrect function.\r\n"},
    {2, u"The system cannot find the file specified.\r\n"},
    {3, u"The system cannot find the path specified.\r\n"},
    {5, u"Access is denied.\r\n"},
    {6, u"The handle is invalid.\r\n"},
    {8, u"Not enough storage is available to process this command.\r\n"},
    {13, u"The data is invalid.\r\n"},
    {18, u"There are no more files.\r\n"},
    {32, u"The process cannot access the file because it is being used by another process.\r\n"},
    {80, u"The file exists.\r\n"},
    {87, u"The parameter is incorrect.\r\n"},
    {112, u"There is not enough space on the disk.\r\n"},
    {120, u"This function is not supported on this system.\r\n"},
    {122, u"The data area passed to a system call is too small.\r\n"},
    {126, u"The specified module could not be found.\r\n"},
    {127, u"The specified procedure could not be found.\r\n"},
    {183, u"Cannot create a file when that file already exists.\r\n"},
    {267, u"The directory name is invalid.\r\n"},
    {1004, u"Invalid flags.\r\n"},
    {1067, u"The process terminated unexpectedly.\r\n"},
};

// Windows-1252 bytes 0x80..0x9F and the characters they stand for.
const char16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char AnsiOf(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == c && c != 0) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace

uint32_t SysFormatSystemMessage(ErrorCode code, char16_t* out, uint32_t cap) {
  std::lock_guard<sim::internal::MachineLock> guard(sim::internal::Lock());
  if (!out || cap == 0) return 0;
  out[0] = 0;
  if (SIM_FAULT(SysFormatSystemMessage)) return 0;
  for (const SystemMessage& m : kMessages) {
    if (m.code == code) return static_cast<uint32_t>(TextCopy(out, cap, m.text));
  }
  sim::internal::SetLastError(317);  // ERROR_MR_MID_NOT_FOUND: no text for the code
  return 0;
}

uint32_t SysWideToAnsi(const char16_t* text, char* out, uint32_t cap) {
  if (SIM_FAULT(SysWideToAnsi)) return 0;
  if (!out || cap == 0) return 0;
  uint32_t n = 0;
  for (; text && text[n] && n + 1 < cap; ++n) out[n] = AnsiOf(text[n]);
  out[n] = 0;
  return n;
}
