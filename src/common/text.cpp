// UTF-16 helpers for the fixed buffers the installer works in.
#include "common/text.h"

size_t TextLength(const char16_t* text) {
  if (!text) return 0;
  // Four characters a round, each read only after the one before it was not the terminator.
  const char16_t* at = text;
  for (;; at += 4) {
    if (!at[0]) return static_cast<size_t>(at - text);
    if (!at[1]) return static_cast<size_t>(at - text) + 1;
    if (!at[2]) return static_cast<size_t>(at - text) + 2;
    if (!at[3]) return static_cast<size_t>(at - text) + 3;
  }
}

size_t TextCopyN(char16_t* out, size_t cap, const char16_t* text, size_t count) {
  if (!out || cap == 0) return 0;
  size_t n = 0;
  if (text) {
    const size_t limit = count < cap - 1 ? count : cap - 1;
    for (char16_t c; n < limit && (c = text[n]) != 0; ++n) out[n] = c;
  }
  out[n] = 0;
  return n;
}

size_t TextCopy(char16_t* out, size_t cap, const char16_t* text) {
  return TextCopyN(out, cap, text, static_cast<size_t>(-1));
}

size_t TextAppend(char16_t* out, size_t cap, const char16_t* text) {
  if (!out || cap == 0) return 0;
  size_t n = 0;
  while (n < cap && out[n]) ++n;
  if (n >= cap) {  // unterminated input: terminate at the end of the buffer
    out[cap - 1] = 0;
    return cap - 1;
  }
  if (text) {
    for (char16_t c; n + 1 < cap && (c = *text) != 0; ++text) out[n++] = c;
  }
  out[n] = 0;
  return n;
}

size_t TextCopyAscii(char16_t* out, size_t cap, const char* text) {
  if (!out || cap == 0) return 0;
  size_t n = 0;
  if (text) {
    while (n + 1 < cap && text[n]) {
      out[n] = static_cast<unsigned char>(text[n]);
      ++n;
    }
  }
  out[n] = 0;
  return n;
}

char16_t CharUpperBeyondAscii(char16_t c) {
  if (c < 0x80) return CharUpper(c);
  // Latin-1: a-grave..thorn except the division sign; y-diaeresis maps to U+0178.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
  if (c == 0xFF) return 0x178;
  // Latin Extended-A: pairs upper/lower, with a few odd-aligned ranges.
  if (c >= 0x100 && c <= 0x137) return (c & 1) ? static_cast<char16_t>(c - 1) : c;
  if (c >= 0x139 && c <= 0x148) return (c & 1) ? c : static_cast<char16_t>(c - 1);
  if (c >= 0x14A && c <= 0x177) return (c & 1) ? static_cast<char16_t>(c - 1) : c;
  if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c : static_cast<char16_t>(c - 1);
  // Greek and Cyrillic.
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return static_cast<char16_t>(c - 32);
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 32);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 80);
  // Full-width Latin letters.
  if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 32);
  return c;
}

void TextUpper(char16_t* text) {
  if (!text) return;
  for (; *text; ++text) *text = CharUpper(*text);
}

int TextCompare(const char16_t* a, const char16_t* b) {
  if (!a) a = u"";
  if (!b) b = u"";
  while (*a && *a == *b) {
    ++a;
    ++b;
  }
  return static_cast<int>(*a) - static_cast<int>(*b);
}

int TextCompareNoCaseN(const char16_t* a, const char16_t* b, size_t count) {
  if (!a) a = u"";
  if (!b) b = u"";
  for (size_t i = 0; i < count; ++i) {
    if (a[i] == b[i]) {
      if (a[i] == 0) return 0;
      continue;
    }
    char16_t ca = CharUpper(a[i]);
    char16_t cb = CharUpper(b[i]);
    if (ca != cb) return static_cast<int>(ca) - static_cast<int>(cb);
  }
  return 0;
}

int TextCompareNoCase(const char16_t* a, const char16_t* b) {
  return TextCompareNoCaseN(a, b, static_cast<size_t>(-1));
}

bool TextEqual(const char16_t* a, const char16_t* b) { return TextCompare(a, b) == 0; }
bool TextEqualNoCase(const char16_t* a, const char16_t* b) { return TextCompareNoCase(a, b) == 0; }

uint32_t TextHashNoCase(const char16_t* text) {
  uint32_t hash = 2166136261u;  // FNV-1a over the upper-case characters
  if (!text) return hash;
  for (; *text; ++text) hash = (hash ^ CharUpper(*text)) * 16777619u;
  return hash;
}

long TextFindChar(const char16_t* text, char16_t c) {
  if (!text) return -1;
  for (long i = 0; text[i]; ++i)
    if (text[i] == c) return i;
  return -1;
}

long TextFindLastChar(const char16_t* text, char16_t c) {
  long found = -1;
  if (!text) return -1;
  for (long i = 0; text[i]; ++i)
    if (text[i] == c) found = i;
  return found;
}

static bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f'; }

int32_t TextToInt(const char16_t* text) {
  if (!text) return 0;
  while (IsBlank(*text)) ++text;
  bool negative = false;
  if (*text == u'+' || *text == u'-') negative = (*text++ == u'-');
  int64_t value = 0;
  bool overflow = false;
  while (*text >= u'0' && *text <= u'9') {
    if (!overflow) {
      value = value * 10 + (*text - u'0');
      if (value > 0x80000000LL) overflow = true;
    }
    ++text;
  }
  if (negative) value = -value;
  if (overflow || value > 0x7FFFFFFFLL) return negative ? INT32_MIN : INT32_MAX;
  if (value < -0x80000000LL) return INT32_MIN;
  return static_cast<int32_t>(value);
}

uint32_t TextHexToUInt(const char16_t* text) {
  uint32_t value = 0;
  if (!text) return 0;
  for (;; ++text) {
    char16_t c = *text;
    uint32_t digit;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    else if (c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    else break;
    value = value * 16 + digit;
  }
  return value;
}

namespace {
struct Sink {
  char16_t* out;
  size_t cap;
  size_t n;
  void Put(char16_t c) {
    if (n + 1 < cap) out[n++] = c;
  }
};

void PutNumber(Sink& sink, uint64_t value, unsigned base, bool upper, bool negative, int width, bool zeroPad) {
  char16_t digits[24];
  int count = 0;
  const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  do {
    digits[count++] = static_cast<char16_t>(set[value % base]);
    value /= base;
  } while (value && count < 24);
  int total = count + (negative ? 1 : 0);
  if (negative && zeroPad) sink.Put(u'-');
  for (int pad = total; pad < width; ++pad) sink.Put(zeroPad ? u'0' : u' ');
  if (negative && !zeroPad) sink.Put(u'-');
  while (count) sink.Put(digits[--count]);
}
}  // namespace

size_t TextFormatV(char16_t* out, size_t cap, const char16_t* format, va_list args) {
  if (!out || cap == 0) return 0;
  Sink sink{out, cap, 0};
  for (const char16_t* p = format; p && *p; ++p) {
    if (*p != u'%') {
      sink.Put(*p);
      continue;
    }
    ++p;
    if (*p == u'%') {
      sink.Put(u'%');
      continue;
    }
    bool zeroPad = false;
    int width = 0;
    if (*p == u'0') {
      zeroPad = true;
      ++p;
    }
    while (*p >= u'0' && *p <= u'9') width = width * 10 + (*p++ - u'0');
    bool narrow = false;
    if (*p == u'h') {
      narrow = true;
      ++p;
    } else if (*p == u'l') {
      ++p;
    }
    switch (*p) {
      case u's':
        if (narrow) {
          const char* s = va_arg(args, const char*);
          for (; s && *s; ++s) sink.Put(static_cast<unsigned char>(*s));
        } else {
          const char16_t* s = va_arg(args, const char16_t*);
          if (!s) s = u"(null)";
          for (; *s; ++s) sink.Put(*s);
        }
        break;
      case u'd':
      case u'i': {
        int32_t v = va_arg(args, int32_t);
        uint64_t mag = v < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(v)) : static_cast<uint64_t>(v);
        PutNumber(sink, mag, 10, false, v < 0, width, zeroPad);
        break;
      }
      case u'u':
        PutNumber(sink, va_arg(args, uint32_t), 10, false, false, width, zeroPad);
        break;
      case u'x':
      case u'X':
        PutNumber(sink, va_arg(args, uint32_t), 16, *p == u'X', false, width, zeroPad);
        break;
      case u'c':
        sink.Put(static_cast<char16_t>(va_arg(args, int)));
        break;
      case 0:
        --p;  // a lone '%' at the end: stop
        break;
      default:  // unknown conversion: copy it as it stands
        sink.Put(u'%');
        sink.Put(*p);
        break;
    }
  }
  out[sink.n] = 0;
  return sink.n;
}

size_t TextFormat(char16_t* out, size_t cap, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  size_t n = TextFormatV(out, cap, format, args);
  va_end(args);
  return n;
}

size_t JoinPath(char16_t* out, size_t cap, const char16_t* folder, const char16_t* name) {
  TextCopy(out, cap, folder);
  TextAppend(out, cap, u"\\");
  return TextAppend(out, cap, name);
}
