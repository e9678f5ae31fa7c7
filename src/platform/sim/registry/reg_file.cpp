// .reg files for the simulated machine's registry: export in the "Windows Registry Editor
// Version 5.00" layout and import of that layout and of regedit's own forms.
//
// Export writes UTF-8 text without a byte-order mark and with LF line ends, so that the files
// read and diff well. A REG_SZ value whose bytes are UTF-16 characters followed by exactly one
// terminating zero (the form Windows keeps, also for the strings the installer writes without
// their terminator: the registry adds it) is shown as "text"; every other REG_SZ value is
// shown as hex(1) bytes, so that an import gives back the same bytes. Import reads "text" the
// same way regedit does: as the characters and a terminating zero.
#include <cstdio>
#include <fstream>

#include "platform/sim/kernel/ini_file.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/registry/registry_store.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"

namespace sim {
namespace {

using internal::RegNode;
using internal::RegRoot;

constexpr char kHeader5[] = "Windows Registry Editor Version 5.00";
constexpr char16_t kHeader5Text[] = u"Windows Registry Editor Version 5.00";
constexpr char kHeader4[] = "REGEDIT4";
constexpr char16_t kHeader4Text[] = u"REGEDIT4";
// Hex data lines are broken once they reach this many characters, as regedit does; the
// continuation line starts with two blanks.
constexpr size_t kHexLineLimit = 77;
constexpr char kHexIndent[] = "  ";
constexpr size_t kDwordDigits = 8;

// ---- Text conversion ----

void AppendUtf8(std::string* out, uint32_t cp) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8Of(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      AppendUtf8(&out, 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      AppendUtf8(&out, 0xFFFD);
    } else {
      AppendUtf8(&out, c);
    }
  }
  return out;
}

std::u16string Utf16Units(const std::vector<uint8_t>& data) {
  std::u16string units;
  for (size_t i = 0; i + 1 < data.size(); i += 2)
    units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  return units;
}

std::vector<uint8_t> BytesOfUnits(std::u16string_view units) {
  std::vector<uint8_t> bytes;
  bytes.reserve(units.size() * 2);
  for (char16_t c : units) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return bytes;
}

// ---- Export ----

// True when REG_SZ data can be written as "text" and read back to the same bytes: whole
// UTF-16 characters, no zero, no line break, no unpaired surrogate.
bool IsTerminatedText(const std::vector<uint8_t>& data) {
  if (data.size() % 2 || data.size() < 2) return false;
  std::u16string units = Utf16Units(data);
  if (units.back() != 0) return false;
  units.pop_back();
  for (size_t i = 0; i < units.size(); ++i) {
    char16_t c = units[i];
    if (c == 0 || c == u'\r' || c == u'\n') return false;
    if (IsHighSurrogate(c)) {
      if (i + 1 >= units.size() || !IsLowSurrogate(units[i + 1])) return false;
      ++i;
    } else if (IsLowSurrogate(c)) {
      return false;
    }
  }
  return true;
}

// Quoted text with backslash and quotation mark escaped; line breaks as \n and \r.
std::u16string Quote(std::u16string_view text) {
  std::u16string out = u"\"";
  for (char16_t c : text) {
    if (c == u'\\' || c == u'"') out.push_back(u'\\');
    if (c == u'\n') out += u"\\n";
    else if (c == u'\r') out += u"\\r";
    else out.push_back(c);
  }
  out.push_back(u'"');
  return out;
}

void AppendHexByte(std::string* out, uint8_t byte) {
  static const char kDigits[] = "0123456789abcdef";
  out->push_back(kDigits[byte >> 4]);
  out->push_back(kDigits[byte & 0xF]);
}

// The hex(N): or hex: prefix and the bytes, broken into lines as regedit breaks them.
// `column` is the length of the line before the prefix, in characters.
std::string HexData(uint32_t type, const std::vector<uint8_t>& data, size_t column) {
  std::string out;
  if (type == kRegTypeBinary) {
    out = "hex:";
  } else {
    char prefix[24];
    snprintf(prefix, sizeof prefix, "hex(%x):", type);
    out = prefix;
  }
  column += out.size();
  for (size_t i = 0; i < data.size(); ++i) {
    AppendHexByte(&out, data[i]);
    if (i + 1 == data.size()) break;
    out.push_back(',');
    column += 3;
    if (column >= kHexLineLimit) {
      out += "\\\n";
      out += kHexIndent;
      column = sizeof(kHexIndent) - 1;
    }
  }
  return out;
}

std::string ValueLine(const internal::RegValue& value) {
  std::u16string namePart = value.name.empty() ? std::u16string(u"@=") : Quote(value.name) + u"=";
  std::string line = Utf8Of(namePart);
  if (value.type == kRegTypeSz && IsTerminatedText(value.data)) {
    std::u16string text = Utf16Units(value.data);
    text.pop_back();
    line += Utf8Of(Quote(text));
  } else if (value.type == kRegTypeDword && value.data.size() == 4) {
    uint32_t number = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                      (static_cast<uint32_t>(value.data[3]) << 24);
    char text[16];
    snprintf(text, sizeof text, "dword:%08x", number);
    line += text;
  } else {
    line += HexData(value.type, value.data, namePart.size());
  }
  return line + "\n";
}

// One block per key, parents before children, subkeys in their sorted order. A root gets a
// block only when it holds values.
void ExportTree(const std::u16string& path, const RegNode& node, bool isRoot, std::string* out) {
  if (!isRoot || !node.values.empty()) {
    *out += "[" + Utf8Of(path) + "]\n";
    for (const internal::RegValue& value : node.values) *out += ValueLine(value);
    *out += "\n";
  }
  for (const auto& sub : node.subkeys) ExportTree(path + u"\\" + sub->name, *sub, false, out);
}

// ---- Import ----

// One change a line of the file asks for, kept until the whole file has been read.
struct Operation {
  enum Kind { kCreateKey, kDeleteKey, kSetValue, kDeleteValue } kind;
  RegRoot root = RegRoot::kLocalMachine;
  std::vector<std::u16string> levels;  // below the root
  std::u16string name;
  uint32_t type = 0;
  std::vector<uint8_t> data;
};

struct KeyRef {
  RegRoot root = RegRoot::kLocalMachine;
  std::vector<std::u16string> levels;
};

bool IsLineBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view TrimBlanks(std::u16string_view text) {
  while (!text.empty() && IsLineBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsLineBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && internal::RegNamesEqual(text.substr(0, prefix.size()), prefix);
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Nothing but blanks and an optional comment may follow a value's data.
bool OnlyCommentLeft(std::u16string_view rest) {
  rest = TrimBlanks(rest);
  return rest.empty() || rest[0] == u';';
}

// Reads .reg text line by line into operations; stops at the first malformed line.
class Importer {
 public:
  explicit Importer(std::u16string text) : text_(std::move(text)) { SplitLines(); }

  // Checks the header and turns every further line into operations; false with "line N: ...".
  bool Parse(std::vector<Operation>* ops, std::string* error) {
    std::u16string_view header = lines_.empty() ? std::u16string_view() : TrimBlanks(lines_[0]);
    if (header == kHeader5Text) {
      regedit4_ = false;
    } else if (header == kHeader4Text) {
      regedit4_ = true;
    } else {
      return Fail(error, 1, "missing \"" + std::string(kHeader5) + "\" or \"" + kHeader4 + "\" header");
    }
    bool haveKey = false;
    KeyRef key;
    for (size_t i = 1; i < lines_.size(); ++i) {
      size_t lineNumber = i + 1;
      std::u16string_view line = TrimBlanks(lines_[i]);
      if (line.empty() || line[0] == u';' || line[0] == u'#') continue;
      if (line[0] == u'[') {
        if (line.back() != u']') return Fail(error, lineNumber, "key line without ']'");
        std::u16string_view inner = line.substr(1, line.size() - 2);
        bool remove = !inner.empty() && inner[0] == u'-';
        if (remove) inner.remove_prefix(1);
        std::string problem;
        if (!ParseKeyPath(inner, &key, &problem)) return Fail(error, lineNumber, problem);
        if (remove) {
          if (key.levels.empty()) return Fail(error, lineNumber, "a root cannot be deleted");
          ops->push_back(Operation{Operation::kDeleteKey, key.root, key.levels, {}, 0, {}});
          haveKey = false;
        } else {
          ops->push_back(Operation{Operation::kCreateKey, key.root, key.levels, {}, 0, {}});
          haveKey = true;
        }
        continue;
      }
      if (line[0] != u'"' && line[0] != u'@') return Fail(error, lineNumber, "unrecognised line");
      if (!haveKey) return Fail(error, lineNumber, "value outside a key");
      Operation op{Operation::kSetValue, key.root, key.levels, {}, 0, {}};
      std::string problem;
      if (!ParseValue(line, &i, &op, &problem)) return Fail(error, lineNumber, problem);
      ops->push_back(std::move(op));
    }
    return true;
  }

 private:
  static bool Fail(std::string* error, size_t line, const std::string& what) {
    if (error) *error = "line " + std::to_string(line) + ": " + what;
    return false;
  }

  // CR LF, LF and a lone CR each end a line.
  void SplitLines() {
    size_t pos = 0;
    while (pos <= text_.size()) {
      size_t end = text_.find_first_of(u"\r\n", pos);
      if (end == std::u16string::npos) {
        lines_.push_back(text_.substr(pos));
        break;
      }
      lines_.push_back(text_.substr(pos, end - pos));
      pos = end + ((text_[end] == u'\r' && end + 1 < text_.size() && text_[end + 1] == u'\n') ? 2 : 1);
    }
  }

  // "HKEY_LOCAL_MACHINE\path" (or HKLM), HKEY_CURRENT_USER (HKCU), HKEY_CLASSES_ROOT (HKCR, a
  // view of HKEY_LOCAL_MACHINE\Software\Classes).
  static bool ParseKeyPath(std::u16string_view path, KeyRef* key, std::string* problem) {
    size_t slash = path.find(u'\\');
    std::u16string_view rootName = path.substr(0, slash);
    std::u16string_view rest = slash == std::u16string_view::npos ? std::u16string_view() : path.substr(slash + 1);
    key->levels.clear();
    if (internal::RegNamesEqual(rootName, u"HKEY_LOCAL_MACHINE") || internal::RegNamesEqual(rootName, u"HKLM")) {
      key->root = RegRoot::kLocalMachine;
    } else if (internal::RegNamesEqual(rootName, u"HKEY_CURRENT_USER") || internal::RegNamesEqual(rootName, u"HKCU")) {
      key->root = RegRoot::kCurrentUser;
    } else if (internal::RegNamesEqual(rootName, u"HKEY_CLASSES_ROOT") || internal::RegNamesEqual(rootName, u"HKCR")) {
      key->root = RegRoot::kLocalMachine;
      key->levels = {u"Software", u"Classes"};
    } else {
      *problem = "unknown root \"" + Utf8Of(rootName) + "\"";
      return false;
    }
    std::vector<std::u16string> levels;
    if (internal::RegSplitPath(rest, &levels) != kErrSuccess) {
      *problem = "bad key path \"" + Utf8Of(path) + "\"";
      return false;
    }
    key->levels.insert(key->levels.end(), levels.begin(), levels.end());
    return true;
  }

  // Reads a quoted text starting at text[*pos] == '"'; leaves *pos after the closing mark.
  static bool ParseQuoted(std::u16string_view text, size_t* pos, std::u16string* out) {
    out->clear();
    for (size_t i = *pos + 1; i < text.size(); ++i) {
      char16_t c = text[i];
      if (c == u'"') {
        *pos = i + 1;
        return true;
      }
      if (c == u'\\' && i + 1 < text.size()) {
        char16_t next = text[++i];
        if (next == u'\\' || next == u'"') out->push_back(next);
        else if (next == u'n') out->push_back(u'\n');
        else if (next == u'r') out->push_back(u'\r');
        else if (next == u'0') out->push_back(0);
        else {
          // Unknown escapes keep their backslash, as regedit reads them.
          out->push_back(u'\\');
          out->push_back(next);
        }
        continue;
      }
      out->push_back(c);
    }
    return false;
  }

  // A value line: "name" or @, '=', then "text", -, dword:, hex: or hex(N):.
  bool ParseValue(std::u16string_view line, size_t* lineIndex, Operation* op, std::string* problem) {
    size_t pos = 0;
    if (line[0] == u'@') {
      pos = 1;
    } else if (!ParseQuoted(line, &pos, &op->name)) {
      *problem = "value name without closing quotation mark";
      return false;
    }
    while (pos < line.size() && IsLineBlank(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != u'=') {
      *problem = "'=' expected after the value name";
      return false;
    }
    std::u16string_view data = TrimBlanks(line.substr(pos + 1));

    if (!data.empty() && data[0] == u'-' && OnlyCommentLeft(data.substr(1))) {
      op->kind = Operation::kDeleteValue;
      return true;
    }
    if (!data.empty() && data[0] == u'"') {
      std::u16string text;
      size_t end = 0;
      if (!ParseQuoted(data, &end, &text)) {
        *problem = "text without closing quotation mark";
        return false;
      }
      if (!OnlyCommentLeft(data.substr(end))) {
        *problem = "unexpected text after the value";
        return false;
      }
      op->type = kRegTypeSz;
      text.push_back(0);
      op->data = BytesOfUnits(text);
      return true;
    }
    if (StartsWithNoCase(data, u"dword:")) return ParseDword(data.substr(6), op, problem);
    if (StartsWithNoCase(data, u"hex")) return ParseHex(data.substr(3), lineIndex, op, problem);
    *problem = "unknown value type";
    return false;
  }

  // The digits after dword:, at most eight.
  static bool ParseDword(std::u16string_view digits, Operation* op, std::string* problem) {
    uint32_t number = 0;
    size_t count = 0;
    while (count < digits.size() && HexDigit(digits[count]) >= 0) {
      number = (number << 4) | static_cast<uint32_t>(HexDigit(digits[count]));
      ++count;
    }
    if (count == 0 || count > kDwordDigits || !OnlyCommentLeft(digits.substr(count))) {
      *problem = "dword: needs 1 to 8 hexadecimal digits";
      return false;
    }
    op->type = kRegTypeDword;
    op->data = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)};
    return true;
  }

  // After "hex": ":" (binary) or "(N):" with N in hexadecimal, then comma-separated bytes; a
  // line ending in '\' continues on the next line.
  bool ParseHex(std::u16string_view rest, size_t* lineIndex, Operation* op, std::string* problem) {
    uint32_t type = kRegTypeBinary;
    if (!rest.empty() && rest[0] == u'(') {
      size_t close = rest.find(u')');
      if (close == std::u16string_view::npos || close == 1 || close > 1 + kDwordDigits) {
        *problem = "bad hex(type)";
        return false;
      }
      type = 0;
      for (size_t i = 1; i < close; ++i) {
        int digit = HexDigit(rest[i]);
        if (digit < 0) {
          *problem = "bad hex(type)";
          return false;
        }
        type = (type << 4) | static_cast<uint32_t>(digit);
      }
      rest.remove_prefix(close + 1);
    }
    if (rest.empty() || rest[0] != u':') {
      *problem = "':' expected after hex";
      return false;
    }
    rest.remove_prefix(1);

    std::u16string list;
    for (;;) {
      std::u16string_view piece = rest;
      size_t comment = piece.find(u';');
      if (comment != std::u16string_view::npos) piece = piece.substr(0, comment);
      piece = TrimBlanks(piece);
      bool continues = !piece.empty() && piece.back() == u'\\';
      if (continues) piece.remove_suffix(1);
      list.append(piece);
      if (!continues) break;
      if (*lineIndex + 1 >= lines_.size()) {
        *problem = "continuation at the end of the file";
        return false;
      }
      rest = lines_[++*lineIndex];
    }

    std::vector<uint8_t> bytes;
    std::u16string_view view = list;
    size_t pos = 0;
    while (pos < view.size()) {
      size_t comma = view.find(u',', pos);
      bool last = comma == std::u16string_view::npos;
      std::u16string_view token = TrimBlanks(view.substr(pos, last ? std::u16string_view::npos : comma - pos));
      pos = last ? view.size() : comma + 1;
      if (token.empty() && last) break;  // a trailing comma
      if (token.empty() || token.size() > 2 || HexDigit(token[0]) < 0 ||
          (token.size() == 2 && HexDigit(token[1]) < 0)) {
        *problem = "bad byte \"" + Utf8Of(token) + "\" in hex data";
        return false;
      }
      int value = HexDigit(token[0]);
      if (token.size() == 2) value = value * 16 + HexDigit(token[1]);
      bytes.push_back(static_cast<uint8_t>(value));
    }
    // REGEDIT4 files hold expandable and multi-string data as ANSI bytes.
    if (regedit4_ && (type == kRegTypeExpandSz || type == kRegTypeMultiSz))
      bytes = BytesOfUnits(DecodeAnsi1252(std::string(bytes.begin(), bytes.end())));
    op->type = type;
    op->data = std::move(bytes);
    return true;
  }

  std::u16string text_;
  std::vector<std::u16string> lines_;
  bool regedit4_ = false;
};

// The key at levels below a root, created where missing.
std::shared_ptr<RegNode> CreatePath(RegRoot root, const std::vector<std::u16string>& levels) {
  std::shared_ptr<RegNode> node = internal::RegRootNode(root);
  bool created = false;
  for (const std::u16string& level : levels) node = internal::RegAddSubkey(node.get(), level, &created);
  return node;
}

// Carries out one parsed line; deleting what does not exist is no error.
void Apply(const Operation& op) {
  switch (op.kind) {
    case Operation::kCreateKey:
      CreatePath(op.root, op.levels);
      break;
    case Operation::kDeleteKey: {
      std::shared_ptr<RegNode> node = internal::RegWalk(internal::RegRootNode(op.root), op.levels);
      if (node && node->parent) internal::RegRemoveSubkeyTree(node->parent, node.get());
      break;
    }
    case Operation::kSetValue:
      internal::RegStoreValue(CreatePath(op.root, op.levels).get(), op.name, op.type, op.data);
      break;
    case Operation::kDeleteValue:
      if (auto node = internal::RegWalk(internal::RegRootNode(op.root), op.levels))
        internal::RegRemoveValue(node.get(), op.name);
      break;
  }
}

// File bytes to text: UTF-16LE or UTF-8 by their byte-order mark; without one UTF-8, or code
// page 1252 when the bytes are not UTF-8.
std::u16string DecodeRegBytes(const std::string& bytes) {
  if (bytes.size() >= 2 && (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0))
    return DecodeTextBytes(bytes);
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return DecodeTextBytes(bytes);
  std::u16string text;
  if (DecodeUtf8(bytes, &text)) return text;
  return DecodeAnsi1252(bytes);
}

}  // namespace

// Merges registry text into the registry, all or nothing.
bool ImportRegText(const std::string& text, std::string* error) {
  std::vector<Operation> ops;
  Importer importer(DecodeRegBytes(text));
  if (!importer.Parse(&ops, error)) return false;
  // Nothing is changed unless the whole text is well-formed.
  std::lock_guard<sim::internal::MachineLock> guard(internal::Lock());
  for (const Operation& op : ops) Apply(op);
  return true;
}

// Merges a .reg file of the host into the registry; errors name the file and the line.
bool ImportRegFile(const std::string& hostPath, std::string* error) {
  std::string bytes;
  if (!internal::ReadHostFile(hostPath, &bytes)) {
    if (error) *error = hostPath + ": cannot be read";
    return false;
  }
  std::string problem;
  if (ImportRegText(bytes, &problem)) return true;
  if (error) *error = hostPath + ": " + problem;
  return false;
}

// The whole registry as .reg text: HKEY_CURRENT_USER, then HKEY_LOCAL_MACHINE.
std::string ExportRegText() {
  std::lock_guard<sim::internal::MachineLock> guard(internal::Lock());
  std::string out = std::string(kHeader5) + "\n\n";
  ExportTree(u"HKEY_CURRENT_USER", *internal::RegRootNode(RegRoot::kCurrentUser), true, &out);
  ExportTree(u"HKEY_LOCAL_MACHINE", *internal::RegRootNode(RegRoot::kLocalMachine), true, &out);
  return out;
}

// Writes ExportRegText to a host file.
bool ExportRegFile(const std::string& hostPath) {
  std::string text = ExportRegText();
  internal::AwaitHostCopies(hostPath);
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  return static_cast<bool>(out);
}

}  // namespace sim
