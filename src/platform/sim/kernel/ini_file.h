// INI file parsing and lookup as Windows' private-profile functions see a file: decoding of the
// file's bytes, sections and keys, and the copy rules of GetPrivateProfileStringW. Pure: works
// on bytes in memory and knows nothing of the simulated machine.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct IniKey {
  std::u16string name;   // as written, blanks around it removed
  std::u16string value;  // as written, blanks around it removed, quotation marks kept
};

struct IniSection {
  std::u16string name;   // the text between '[' and the last ']' of its line, as written
  std::vector<IniKey> keys;
};

// A parsed file: its sections in file order, each with its keys in file order. Sections with
// the same name (ignoring case) are all kept; only the first one is ever looked up.
struct IniFile {
  std::vector<IniSection> sections;
};

// Decodes a text file's bytes to UTF-16 by its byte-order mark: FF FE UTF-16LE, FE FF
// UTF-16BE, EF BB BF UTF-8; without a mark the bytes are ANSI text in code page 1252.
// Malformed UTF-8 sequences become U+FFFD; an odd last byte of UTF-16 text is dropped.
std::u16string DecodeTextBytes(std::string_view bytes);
// Code page 1252 to UTF-16 (bytes the code page leaves undefined map to the same code points,
// as MultiByteToWideChar does).
std::u16string DecodeAnsi1252(std::string_view bytes);
// UTF-8 without a mark to UTF-16; returns false (and converts what it can, with U+FFFD for
// each bad byte) when the bytes are not well-formed UTF-8.
bool DecodeUtf8(std::string_view bytes, std::u16string* out);

// True for the characters the profile parser treats as blanks around names and values.
bool IsIniBlank(char16_t c);

// Parses the bytes of an INI file.
IniFile ParseIniFile(std::string_view bytes);

// GetPrivateProfileStringW over a parsed file. With section and key: the key's value (one pair
// of enclosing quotation marks removed), or the fallback with its trailing spaces removed,
// cut to size - 1 characters. With a null key: the key names of the section, each terminated,
// the list ended by a second terminator (the fallback when the section lists nothing). With a
// null section: the section names likewise. A list that does not fit keeps size - 2
// characters followed by two terminators. Returns the characters written, not counting the
// final terminator. A null out or a size of 0 writes nothing and returns 0.
uint32_t IniReadString(const IniFile& ini, const char16_t* section, const char16_t* key,
                       const char16_t* fallback, char16_t* out, uint32_t size);

// The number GetPrivateProfileIntW makes of a value: blanks skipped, an optional sign, then
// 0x or 0X and hexadecimal digits or else decimal digits, up to the first other character.
// No digits give 0. A negative number comes back as its 32-bit two's complement (-1 gives
// 0xFFFFFFFF) and larger numbers wrap modulo 2^32, as the system's converter does.
uint32_t IniParseNumber(std::u16string_view text);

}  // namespace sim
