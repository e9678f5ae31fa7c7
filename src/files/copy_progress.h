// Progress figures of the copy stage, shared by the copy list (which starts the total), the copy
// engine and the copy progress dialog (which paints the percentage).
#pragma once
#include <cstdint>

// Total bytes of the files to copy.
inline uint32_t _dwTotalFileSize = 0;
// Bytes accounted for so far; only ever increased.
inline uint32_t _dwHasCopied = 0;
// The percentage painted by the copy progress dialog, 0 to 100.
inline int32_t _nCurPercent = 0;
