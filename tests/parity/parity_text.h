// Output helpers shared by the parity probe's scripts: printable forms of UTF-16 text and bytes,
// and the one-line output every result goes through.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace parity {

// Printable form of UTF-16 text: ASCII as is, backslash doubled, the rest as escapes.
inline std::string Escape(const char16_t* text, size_t count) {
  std::string out;
  for (size_t i = 0; i < count; ++i) {
    char16_t c = text[i];
    if (c == u'\\') out += "\\\\";
    else if (c == 0) out += "\\0";
    else if (c == u'\t') out += "\\t";
    else if (c == u'\r') out += "\\r";
    else if (c == u'\n') out += "\\n";
    else if (c >= 0x20 && c < 0x7F) out += static_cast<char>(c);
    else {
      char hex[16];
      std::snprintf(hex, sizeof hex, "\\u%04X", static_cast<unsigned>(c));
      out += hex;
    }
  }
  return out;
}

// Printable form of a terminated UTF-16 text, or "(null)".
inline std::string Show(const char16_t* text) {
  if (!text) return "(null)";
  size_t n = 0;
  while (text[n]) ++n;
  return "\"" + Escape(text, n) + "\"";
}

// Printable form of a short ASCII name used in output ids.
inline std::string Name(const char16_t* text) { return Escape(text, std::char_traits<char16_t>::length(text)); }

// ASCII text as UTF-16.
inline std::u16string Widen(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// Bytes as lower-case hexadecimal pairs ("-" for none).
inline std::string Hex(const uint8_t* data, size_t count) {
  std::string out;
  char pair[4];
  for (size_t i = 0; i < count; ++i) {
    std::snprintf(pair, sizeof pair, "%02x", data[i]);
    out += pair;
  }
  return out.empty() ? "-" : out;
}

// A number as 0x followed by at least `digits` hexadecimal digits.
inline std::string Hex32(uint64_t value, int digits = 1) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%0*llx", digits, static_cast<unsigned long long>(value));
  return text;
}

// One output line, written at once.
inline void Emit(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

}  // namespace parity
