// Diagnostic trace lines: formatted like TextFormat and written to the debugger output channel.
// They never change behaviour.
#pragma once

// Formats one trace line (at most 1023 characters) and writes it to the diagnostic channel.
void Trace(const char16_t* format, ...);
