// UTF-16 text helpers for fixed-size buffers: length, copy and append with truncation,
// case-insensitive comparison as Windows does it for the characters the installer meets,
// C-runtime style number conversion and a small printf-style formatter.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>

// Length of a terminated UTF-16 text.
size_t TextLength(const char16_t* text);

// Copies text into out (cap characters including the terminator), cutting it to cap - 1.
// Always terminates when cap > 0. Returns the number of characters kept.
size_t TextCopy(char16_t* out, size_t cap, const char16_t* text);
// Copies at most count characters of text.
size_t TextCopyN(char16_t* out, size_t cap, const char16_t* text, size_t count);
// Appends text to the terminated text in out, cutting to cap - 1 characters in all.
size_t TextAppend(char16_t* out, size_t cap, const char16_t* text);
// Copies a byte text (ASCII) into a UTF-16 buffer.
size_t TextCopyAscii(char16_t* out, size_t cap, const char* text);

// Case-sensitive and case-insensitive comparison (<0, 0, >0). Letters fold as Windows' upper-case
// mapping does for Latin-1, Latin Extended-A, Greek and Cyrillic.
int TextCompare(const char16_t* a, const char16_t* b);
int TextCompareNoCase(const char16_t* a, const char16_t* b);
int TextCompareNoCaseN(const char16_t* a, const char16_t* b, size_t count);
bool TextEqual(const char16_t* a, const char16_t* b);
bool TextEqualNoCase(const char16_t* a, const char16_t* b);
// A hash of the text's upper case: texts TextEqualNoCase finds equal hash alike (null as "").
uint32_t TextHashNoCase(const char16_t* text);
// Upper case of one character; the letters beyond ASCII are looked up out of line.
char16_t CharUpperBeyondAscii(char16_t c);
inline char16_t CharUpper(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  return CharUpperBeyondAscii(c);
}
// Turns text to upper case in place.
void TextUpper(char16_t* text);

// Position of the first / last occurrence of c, or -1.
long TextFindChar(const char16_t* text, char16_t c);
long TextFindLastChar(const char16_t* text, char16_t c);

// _wtoi / wcstol: skips leading blanks, optional sign, decimal digits; stops at the first
// other character; no digits give 0. Values outside 32 bits wrap like the C runtime's _wtoi
// saturation (LONG_MIN/LONG_MAX).
int32_t TextToInt(const char16_t* text);
// Hexadecimal digits from the start (0-9, a-f, A-F); stops at the first other character.
uint32_t TextHexToUInt(const char16_t* text);

// printf-style formatting into out (cap characters), cut at cap - 1. Supported: %s (UTF-16 text),
// %hs (byte text), %d, %u, %x, %X, %c, %%; optional '0' flag and width for numbers (%08x).
// Returns the number of characters written.
size_t TextFormat(char16_t* out, size_t cap, const char16_t* format, ...);
size_t TextFormatV(char16_t* out, size_t cap, const char16_t* format, va_list args);

// folder + "\" + name into out (cap characters), cut at cap - 1. Returns the length written.
size_t JoinPath(char16_t* out, size_t cap, const char16_t* folder, const char16_t* name);

// Template helpers for arrays: the capacity is taken from the array.
template <size_t N> inline size_t TextCopy(char16_t (&out)[N], const char16_t* text) { return TextCopy(out, N, text); }
template <size_t N> inline size_t TextAppend(char16_t (&out)[N], const char16_t* text) { return TextAppend(out, N, text); }
template <size_t N> inline size_t JoinPath(char16_t (&out)[N], const char16_t* folder, const char16_t* name) {
  return JoinPath(out, N, folder, name);
}
