// The two 16-bit halves of a message parameter: control id and notification code of
// WM_COMMAND, hit-test code and mouse message of WM_SETCURSOR, the default-button answer.
#pragma once
#include <cstdint>

// The low 16 bits of value.
inline uint32_t LowWord(uintptr_t value) { return static_cast<uint32_t>(value & 0xFFFF); }

// Bits 16 to 31 of value.
inline uint32_t HighWord(uintptr_t value) { return static_cast<uint32_t>((value >> 16) & 0xFFFF); }
