// INI file parsing and lookup with the rules of Windows' private-profile functions.
#include "platform/sim/kernel/ini_file.h"

#include "common/text.h"

namespace sim {
namespace {

constexpr char16_t kReplacementChar = 0xFFFD;
constexpr char16_t kCtrlZ = 0x1A;  // end-of-file mark of old text editors, skipped as a blank

// Code points of bytes 0x80..0x9F in code page 1252; the five bytes it leaves undefined keep
// their own value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool StartsWith(std::string_view bytes, std::string_view mark) {
  return bytes.size() >= mark.size() && bytes.substr(0, mark.size()) == mark;
}

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::u16string out;
  out.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    auto lo = static_cast<unsigned char>(bytes[i + (bigEndian ? 1 : 0)]);
    auto hi = static_cast<unsigned char>(bytes[i + (bigEndian ? 0 : 1)]);
    out.push_back(static_cast<char16_t>(lo | (hi << 8)));
  }
  return out;
}

std::u16string_view Trim(std::u16string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsIniBlank(text[begin])) ++begin;
  while (end > begin && IsIniBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// Names and values end at an embedded NUL, as the C strings Windows copies them into do.
std::u16string CutAtNul(std::u16string_view text) {
  size_t nul = text.find(char16_t(0));
  return std::u16string(nul == std::u16string_view::npos ? text : text.substr(0, nul));
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  // From the end: the keys of a section tend to share their beginnings (numbered names).
  for (size_t i = a.size(); i-- > 0;)
    if (a[i] != b[i] && CharUpper(a[i]) != CharUpper(b[i])) return false;
  return true;
}

const IniSection* FindSection(const IniFile& ini, std::u16string_view name) {
  for (const IniSection& section : ini.sections)
    if (EqualNoCase(section.name, name)) return &section;
  return nullptr;
}

uint32_t CopyCut(std::u16string_view text, char16_t* out, uint32_t size) {
  size_t n = text.size() < size - 1 ? text.size() : size - 1;
  for (size_t i = 0; i < n; ++i) out[i] = text[i];
  out[n] = 0;
  return static_cast<uint32_t>(n);
}

// Writes names as a list: each followed by a terminator, the list by one more. When the list
// needs more than size - 1 characters, size - 2 characters of it are kept and two
// terminators end the buffer; a list that fills the buffer exactly is also reported cut.
uint32_t CopyList(const std::vector<std::u16string_view>& names, char16_t* out, uint32_t size) {
  std::u16string full;
  for (std::u16string_view name : names) {
    full.append(name);
    full.push_back(0);
  }
  if (size == 1) {
    out[0] = 0;
    return 0;
  }
  size_t keep = full.size() <= size - 2 ? full.size() : size - 2;
  for (size_t i = 0; i < keep; ++i) out[i] = full[i];
  out[keep] = 0;
  out[keep + 1] = 0;
  return static_cast<uint32_t>(keep);
}

std::u16string_view ViewOf(const char16_t* text) {
  return text ? std::u16string_view(text, TextLength(text)) : std::u16string_view();
}

}  // namespace

bool IsIniBlank(char16_t c) {
  // ASCII white space, Ctrl-Z and the Unicode space characters the system's iswspace knows.
  if ((c >= 0x09 && c <= 0x0D) || c == 0x20 || c == kCtrlZ) return true;
  if (c == 0x85 || c == 0xA0 || c == 0x1680 || c == 0x3000) return true;
  if (c >= 0x2000 && c <= 0x200A) return true;
  return c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F;
}

std::u16string DecodeAnsi1252(std::string_view bytes) {
  // Every byte widened as Latin-1, then the range 0x80..0x9F looked up.
  std::u16string out(bytes.size(), u'\0');
  for (size_t i = 0; i < bytes.size(); ++i) out[i] = static_cast<unsigned char>(bytes[i]);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x80 && c <= 0x9F) out[i] = kCp1252High[c - 0x80];
  }
  return out;
}

bool DecodeUtf8(std::string_view bytes, std::u16string* out) {
  bool wellFormed = true;
  out->clear();
  out->reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      out->push_back(lead);
      ++i;
      continue;
    }
    // Continuation bytes that follow the lead byte, and the smallest code point that needs them.
    size_t extra = 0;
    uint32_t cp = 0, minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3, cp = lead & 0x07, minimum = 0x10000;
    }
    bool ok = extra > 0 && i + extra < bytes.size();
    for (size_t k = 1; ok && k <= extra; ++k) {
      auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) ok = false;
      else cp = (cp << 6) | (next & 0x3F);
    }
    if (ok && (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
    if (!ok) {
      wellFormed = false;
      out->push_back(kReplacementChar);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out->push_back(static_cast<char16_t>(cp));
    }
    i += extra + 1;
  }
  return wellFormed;
}

std::u16string DecodeTextBytes(std::string_view bytes) {
  if (StartsWith(bytes, "\xFF\xFE")) return DecodeUtf16(bytes.substr(2), false);
  if (StartsWith(bytes, "\xFE\xFF")) return DecodeUtf16(bytes.substr(2), true);
  if (StartsWith(bytes, "\xEF\xBB\xBF")) {
    std::u16string text;
    DecodeUtf8(bytes.substr(3), &text);
    return text;
  }
  return DecodeAnsi1252(bytes);
}

IniFile ParseIniFile(std::string_view bytes) {
  IniFile ini;
  std::u16string text = DecodeTextBytes(bytes);
  IniSection* current = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    // CR LF, LF and a lone CR all end a line; empty lines are skipped below.
    size_t end = pos;
    while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
    std::u16string_view line = Trim(std::u16string_view(text).substr(pos, end - pos));
    pos = end + 1;
    if (line.empty()) continue;

    if (line[0] == u'[') {
      size_t close = line.rfind(u']');
      if (close != std::u16string_view::npos) {
        // The name is the text between '[' and the last ']' without its surrounding blanks, so
        // "[ Spaced ]" is listed and found as "Spaced".
        ini.sections.push_back(IniSection{CutAtNul(Trim(line.substr(1, close - 1))), {}});
        current = &ini.sections.back();
        continue;
      }
      // Without a closing bracket the line is an ordinary line of the current section.
    }
    if (line[0] == u';') continue;  // comment line

    // A line without '=' is no key: looking it up gives the default and the key listing
    // leaves it out, as the NT family does (the 9x family listed such lines).
    size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos) continue;
    // Lines before the first section header belong to no section and cannot be read.
    if (!current) continue;
    // "=value" is a key with an empty name: asking for the key "" finds it and the key listing
    // includes it.
    std::u16string name = CutAtNul(Trim(line.substr(0, equals)));
    current->keys.push_back(IniKey{std::move(name), CutAtNul(Trim(line.substr(equals + 1)))});
  }
  return ini;
}

uint32_t IniReadString(const IniFile& ini, const char16_t* section, const char16_t* key,
                       const char16_t* fallback, char16_t* out, uint32_t size) {
  if (!out || size == 0) return 0;

  if (!section) {
    std::vector<std::u16string_view> names;
    for (const IniSection& s : ini.sections)
      if (!s.name.empty()) names.push_back(s.name);
    return CopyList(names, out, size);
  }

  // The names asked for lose their surrounding blanks; only the first section of a name counts.
  const IniSection* found = FindSection(ini, Trim(ViewOf(section)));
  if (found && !key) {
    std::vector<std::u16string_view> names;
    for (const IniKey& k : found->keys) names.push_back(k.name);
    uint32_t written = CopyList(names, out, size);
    if (written > 0) return written;
  } else if (found) {
    std::u16string_view wanted = Trim(ViewOf(key));
    for (const IniKey& k : found->keys) {
      if (!EqualNoCase(k.name, wanted)) continue;
      // One pair of enclosing quotation marks (both double or both single) is removed.
      std::u16string_view value = k.value;
      if (value.size() >= 2 && (value[0] == u'"' || value[0] == u'\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
      return CopyCut(value, out, size);
    }
  }

  // The default loses its trailing spaces (spaces only: tabs stay).
  std::u16string_view def = ViewOf(fallback);
  while (!def.empty() && def.back() == u' ') def.remove_suffix(1);
  return CopyCut(def, out, size);
}

uint32_t IniParseNumber(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && IsIniBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  uint32_t base = 10;
  if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  uint32_t value = 0;
  for (; i < text.size(); ++i) {
    char16_t c = text[i];
    uint32_t digit;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    else if (base == 16 && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    else if (base == 16 && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    else break;
    value = value * base + digit;  // unsigned arithmetic: wraps modulo 2^32
  }
  return negative ? 0u - value : value;
}

}  // namespace sim
