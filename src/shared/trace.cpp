// Trace lines go to the platform's debugger output channel.
#include "shared/trace.h"

#include <cstdarg>

#include "common/text.h"
#include "platform/kernel.h"

void Trace(const char16_t* format, ...) {
  char16_t line[1024];
  va_list args;
  va_start(args, format);
  TextFormatV(line, 1024, format, args);
  va_end(args);
  SysDebugOutput(line);
}
