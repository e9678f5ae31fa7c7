// Parity probe script: profile reads with awkward INI lines and buffer sizes, and a registry
// walk through create, set, query, enumerate and delete, each result printed as one line
// "<id> <fields>" (the file scripts live in parity_files.cpp). Buffers are filled with '@'
// before each call so that the output shows exactly which characters a call wrote, including
// terminators.
#include "parity/parity_probe.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "parity/parity_text.h"
#include "platform/profile.h"
#include "platform/registry.h"

using parity::Emit;
using parity::Escape;
using parity::Hex;
using parity::Name;
using parity::Show;

namespace {

constexpr char16_t kFill = u'@';
constexpr uint8_t kFillByte = 0xAB;

// GetPrivateProfileStringW through the seam: prints the return value and what the call wrote
// that callers may rely on. A value is shown up to its terminator; a list (null section or key)
// up to the terminator after its last name, and to the end of the buffer when it was cut (the
// return value is then size - 2 and the last two characters must both be terminators).
void ReadString(const std::string& id, const char16_t* section, const char16_t* key, const char16_t* fallback,
                uint32_t size, const char16_t* file) {
  std::vector<char16_t> buffer(size + 1, kFill);
  uint32_t ret = SysReadProfileString(section, key, fallback, buffer.data(), size, file);
  bool list = section == nullptr || key == nullptr;
  size_t shown = ret + 1u;
  if (list && ret + 2u >= size) shown = ret + 2u;
  if (shown > size) shown = size;
  Emit(id + " ret=" + std::to_string(ret) + " buf=\"" + Escape(buffer.data(), shown) + "\"");
}

// GetPrivateProfileIntW through the seam.
void ReadInt(const std::string& id, const char16_t* section, const char16_t* key, int32_t fallback,
             const char16_t* file) {
  uint32_t value = SysReadProfileInt(section, key, fallback, file);
  Emit(id + " value=" + std::to_string(value));
}

// Result code of a registry call as text.
std::string Rc(int32_t rc) { return "rc=" + std::to_string(rc); }

// Queries a value twice: size only (null data), then into a buffer of bufferSize bytes.
void QueryValue(const std::string& id, RegKey key, const char16_t* name, uint32_t bufferSize) {
  uint32_t type = 0xFFFF, size = 0;
  int32_t rc = SysRegQueryValue(key, name, &type, nullptr, &size);
  Emit(id + ".size " + Rc(rc) + (rc == 0 ? " type=" + std::to_string(type) + " size=" + std::to_string(size) : ""));
  std::vector<uint8_t> data(bufferSize + 4, kFillByte);
  type = 0xFFFF;
  size = bufferSize;
  rc = SysRegQueryValue(key, name, &type, data.data(), &size);
  std::string line = id + ".data " + Rc(rc);
  if (rc == 0) {
    // Two bytes past the reported size show whether a terminator was added.
    size_t shown = size + 2 <= bufferSize ? size + 2 : bufferSize;
    line += " type=" + std::to_string(type) + " size=" + std::to_string(size) + " data=" + Hex(data.data(), shown);
  } else {
    line += " size=" + std::to_string(size);  // the size needed, on 234
  }
  Emit(line);
}

// Sets a value and prints the result.
void SetValue(const std::string& id, RegKey key, const char16_t* name, uint32_t type, const void* data,
              uint32_t size) {
  Emit(id + " " + Rc(SysRegSetValue(key, name, type, static_cast<const uint8_t*>(data), size)));
}

// Lists the subkeys of a key by index until the first failure, with a name buffer of nameCap.
void EnumKeys(const std::string& id, RegKey key, uint32_t nameCap) {
  for (uint32_t index = 0; index < 16; ++index) {
    std::vector<char16_t> name(nameCap + 1, kFill);
    uint32_t length = nameCap;
    int32_t rc = SysRegEnumKey(key, index, name.data(), &length);
    std::string line = id + "." + std::to_string(index) + " " + Rc(rc);
    if (rc == 0) line += " name=" + Show(name.data()) + " len=" + std::to_string(length);
    Emit(line);
    if (rc != 0) break;
  }
}

// Lists the values of a key by index until the first failure; with summary, then the same entries
// sorted by name (the order of the listing itself is not the same on every system).
void EnumValues(const std::string& id, RegKey key, uint32_t nameCap, uint32_t dataCap, bool summary) {
  std::vector<std::string> entries;
  for (uint32_t index = 0; index < 16; ++index) {
    std::vector<char16_t> name(nameCap + 1, kFill);
    std::vector<uint8_t> data(dataCap + 4, kFillByte);
    uint32_t length = nameCap, type = 0xFFFF, size = dataCap;
    int32_t rc = SysRegEnumValue(key, index, name.data(), &length, &type, data.data(), &size);
    std::string line = id + "." + std::to_string(index) + " " + Rc(rc);
    if (rc == 0) {
      std::string entry = "name=" + Show(name.data()) + " len=" + std::to_string(length) + " type=" +
                          std::to_string(type) + " size=" + std::to_string(size) +
                          " data=" + Hex(data.data(), size <= dataCap ? size : dataCap);
      line += " " + entry;
      entries.push_back(entry);
    }
    Emit(line);
    if (rc != 0) break;
  }
  if (!summary) return;
  std::sort(entries.begin(), entries.end());
  std::string all;
  for (const std::string& entry : entries) all += " {" + entry + "}";
  Emit(id + ".sorted" + all);
}

// Opens root\path and prints the result; the key is closed again.
void OpenAndClose(const std::string& id, RegKey root, const std::u16string& path) {
  RegKey key = nullptr;
  int32_t rc = SysRegOpenKey(root, path.c_str(), kKeyRead, &key);
  Emit(id + " " + Rc(rc));
  if (rc == 0) SysRegCloseKey(key);
}

// Creates root\path, prints the result and disposition, and returns the key (null on failure).
RegKey Create(const std::string& id, RegKey root, const std::u16string& path) {
  RegKey key = nullptr;
  uint32_t disposition = 0;
  int32_t rc = SysRegCreateKey(root, path.c_str(), kKeyAllAccess, &key, &disposition);
  Emit(id + " " + Rc(rc) + (rc == 0 ? " disposition=" + std::to_string(disposition) : ""));
  return rc == 0 ? key : nullptr;
}

// Deletes root\path and everything below it, deepest keys first, without printing.
void RemoveTree(RegKey root, const std::u16string& path) {
  RegKey key = nullptr;
  if (SysRegOpenKey(root, path.c_str(), kKeyAllAccess, &key) != 0) return;
  for (;;) {
    char16_t name[256];
    uint32_t length = 256;
    if (SysRegEnumKey(key, 0, name, &length) != 0) break;
    RemoveTree(root, path + u"\\" + name);
  }
  SysRegCloseKey(key);
  size_t cut = path.rfind(u'\\');
  RegKey parent = nullptr;
  std::u16string parentPath = cut == std::u16string::npos ? u"" : path.substr(0, cut);
  std::u16string leaf = cut == std::u16string::npos ? path : path.substr(cut + 1);
  if (SysRegOpenKey(root, parentPath.c_str(), kKeyAllAccess, &parent) != 0) return;
  SysRegDeleteKey(parent, leaf.c_str());
  SysRegCloseKey(parent);
}

}  // namespace

// The profile script: every awkward line of the fixture, buffer sizes, missing things, numbers.
void RunProfileProbe(const char* label, const char16_t* file) {
  const std::string p = std::string(label) + ".ini.";
  const char16_t* quoteKeys[] = {u"dq", u"sq", u"mixed", u"open", u"close", u"inner", u"empty", u"lone", u"padded"};
  for (const char16_t* key : quoteKeys) ReadString(p + "quotes." + Name(key), u"Quotes", key, u"dflt", 256, file);
  ReadString(p + "quotes.dq.size5", u"Quotes", u"dq", u"dflt", 5, file);
  ReadString(p + "quotes.dq.size2", u"Quotes", u"dq", u"dflt", 2, file);
  ReadString(p + "quotes.dq.size14", u"Quotes", u"dq", u"dflt", 14, file);  // exactly the unquoted text
  ReadString(p + "quotes.dq.size15", u"Quotes", u"dq", u"dflt", 15, file);  // the quoted text without one quote
  ReadString(p + "quotes.keys", u"Quotes", nullptr, u"dflt", 256, file);

  ReadString(p + "blanks.spaced", u"Blanks", u"spaced key", u"dflt", 256, file);
  ReadString(p + "blanks.spaced_padded_name", u"Blanks", u"  spaced key ", u"dflt", 256, file);
  ReadString(p + "blanks.tabbed", u"Blanks", u"tabbed", u"dflt", 256, file);
  ReadString(p + "blanks.novalue", u"Blanks", u"novalue", u"dflt", 256, file);
  ReadString(p + "blanks.bare", u"Blanks", u"bare line without equals", u"dflt", 256, file);
  ReadString(p + "blanks.nameless", u"Blanks", u"", u"dflt", 256, file);
  ReadString(p + "blanks.keys", u"Blanks", nullptr, u"dflt", 256, file);

  ReadString(p + "case.upper", u"CASE", u"MIXEDKEY", u"dflt", 256, file);
  ReadString(p + "case.lower", u"case", u"mixedkey", u"dflt", 256, file);
  ReadString(p + "case.second_section", u"Case", u"Other", u"dflt", 256, file);
  ReadString(p + "case.keys", u"case", nullptr, u"dflt", 256, file);

  ReadString(p + "comments.value", u"Comments", u"value", u"dflt", 256, file);
  ReadString(p + "comments.hidden", u"Comments", u"hidden", u"dflt", 256, file);
  ReadString(p + "comments.semicolon_key", u"Comments", u";hidden", u"dflt", 256, file);
  ReadString(p + "comments.after", u"Comments", u"after", u"dflt", 256, file);
  ReadString(p + "comments.keys", u"Comments", nullptr, u"dflt", 256, file);

  const uint32_t longSizes[] = {1, 2, 5, 36, 37, 256};
  for (uint32_t size : longSizes) ReadString(p + "long.size" + std::to_string(size), u"Long", u"v", u"dflt", size, file);

  const uint32_t listSizes[] = {1, 2, 3, 5, 12, 256};
  for (uint32_t size : listSizes) ReadString(p + "keys.size" + std::to_string(size), u"Numbers", nullptr, u"dflt", size, file);
  for (uint32_t size : listSizes) ReadString(p + "sections.size" + std::to_string(size), nullptr, nullptr, u"dflt", size, file);
  ReadString(p + "keys.empty_section", u"Empty", nullptr, u"dflt", 256, file);
  ReadString(p + "keys.missing_section", u"NoSuchSection", nullptr, u"dflt", 256, file);

  ReadString(p + "orphan.empty_section_name", u"", u"orphan", u"dflt", 256, file);
  ReadString(p + "spaced_section.trimmed", u"Spaced Section", u"k", u"dflt", 256, file);
  ReadString(p + "spaced_section.as_written", u" Spaced Section ", u"k", u"dflt", 256, file);

  ReadString(p + "missing.section", u"NoSuchSection", u"k", u"dflt", 256, file);
  ReadString(p + "missing.key", u"Long", u"nokey", u"dflt", 256, file);
  ReadString(p + "missing.file", u"Long", u"v", u"dflt", 256, u"C:\\parity\\no-such-file.ini");
  ReadString(p + "missing.bare_file_name", u"Long", u"v", u"dflt", 256, u"parity-no-such-file.ini");
  ReadString(p + "missing.default_trailing_blanks", u"Long", u"nokey", u"dflt   ", 256, file);
  ReadString(p + "missing.default_null", u"Long", u"nokey", nullptr, 256, file);
  ReadString(p + "missing.default_cut", u"Long", u"nokey", u"default", 4, file);
  ReadString(p + "missing.default_quoted", u"Long", u"nokey", u"\"quoted default\"", 256, file);

  const char16_t* numberKeys[] = {u"hexa", u"lead", u"neg", u"blank", u"word", u"padded", u"big", u"huge"};
  for (const char16_t* key : numberKeys) ReadInt(p + "int." + Name(key), u"Numbers", key, 7, file);
  ReadInt(p + "int.missing", u"Numbers", u"nokey", 7, file);
  ReadInt(p + "int.missing_negative_default", u"Numbers", u"nokey", -3, file);
  ReadInt(p + "int.missing_file", u"Numbers", u"hexa", 9, u"C:\\parity\\no-such-file.ini");
}

// The registry script: create, set, query, enumerate and delete below HKCU\<basePath>.
void RunRegistryProbe(const char16_t* basePath) {
  const std::u16string base(basePath);
  const std::string p = "reg.";
  RemoveTree(kRegCurrentUser, base);

  OpenAndClose(p + "open_before", kRegCurrentUser, base);
  RegKey deep = Create(p + "create_nested", kRegCurrentUser, base + u"\\A\\B\\C");
  if (deep) SysRegCloseKey(deep);
  RegKey again = Create(p + "create_existing", kRegCurrentUser, base + u"\\A\\B\\C");
  if (again) SysRegCloseKey(again);
  OpenAndClose(p + "open_other_case", kRegCurrentUser, base + u"\\a\\b\\c");
  RegKey leading = Create(p + "create_leading_backslash", kRegCurrentUser, u"\\" + base + u"\\Lead");
  if (leading) SysRegCloseKey(leading);
  RegKey trailing = Create(p + "create_trailing_backslash", kRegCurrentUser, base + u"\\Trail\\");
  if (trailing) SysRegCloseKey(trailing);

  RegKey a = Create(p + "create_a", kRegCurrentUser, base + u"\\A");
  if (!a) return;
  // Subkeys made out of order and in mixed case, to show the enumeration order.
  for (const char16_t* name : {u"Zeta", u"alpha", u"Beta"}) {
    RegKey sub = Create(p + "create_sub." + Name(name), a, name);
    if (sub) SysRegCloseKey(sub);
  }

  const char16_t text[] = u"hello";
  SetValue(p + "set.sz_no_terminator", a, u"Text", kRegTypeSz, text, 10);
  const char16_t termed[] = u"with end";
  SetValue(p + "set.sz_terminated", a, u"Termed", kRegTypeSz, termed, sizeof termed);
  const uint32_t number = 0x12345678;
  SetValue(p + "set.dword", a, u"Count", kRegTypeDword, &number, 4);
  const uint8_t blob[] = {0x01, 0x02, 0x00, 0xFF, 0x7F};
  SetValue(p + "set.binary", a, u"Blob", kRegTypeBinary, blob, sizeof blob);
  const char16_t expand[] = u"%SystemRoot%\\x";
  SetValue(p + "set.expand_sz", a, u"Path", kRegTypeExpandSz, expand, sizeof expand);
  SetValue(p + "set.empty_sz", a, u"Empty", kRegTypeSz, u"", 0);
  const char16_t fallback[] = u"default";
  SetValue(p + "set.default_value", a, u"", kRegTypeSz, fallback, 14);
  const char16_t replaced[] = u"hi";
  SetValue(p + "set.replace_other_type", a, u"Count2", kRegTypeDword, &number, 4);
  SetValue(p + "set.replace_other_type_again", a, u"Count2", kRegTypeSz, replaced, 4);

  QueryValue(p + "query.sz_no_terminator", a, u"Text", 64);
  QueryValue(p + "query.sz_terminated", a, u"Termed", 64);
  QueryValue(p + "query.dword", a, u"Count", 64);
  QueryValue(p + "query.binary", a, u"Blob", 64);
  QueryValue(p + "query.expand_sz", a, u"Path", 64);
  QueryValue(p + "query.empty_sz", a, u"Empty", 64);
  QueryValue(p + "query.default_value", a, u"", 64);
  QueryValue(p + "query.replaced", a, u"Count2", 64);
  QueryValue(p + "query.other_case", a, u"COUNT", 64);
  QueryValue(p + "query.too_small", a, u"Text", 4);
  QueryValue(p + "query.exact_size", a, u"Text", 10);
  QueryValue(p + "query.missing", a, u"NoSuchValue", 64);

  EnumKeys(p + "enum_keys", a, 64);
  EnumKeys(p + "enum_keys_small_buffer", a, 3);
  EnumValues(p + "enum_values", a, 64, 64, true);
  EnumValues(p + "enum_values_small_name", a, 2, 64, false);
  EnumValues(p + "enum_values_small_data", a, 64, 2, false);

  Emit(p + "delete_value " + Rc(SysRegDeleteValue(a, u"Count")));
  Emit(p + "delete_value_again " + Rc(SysRegDeleteValue(a, u"Count")));
  QueryValue(p + "query.deleted", a, u"Count", 64);
  EnumValues(p + "enum_values_after_delete", a, 64, 64, true);

  RegKey root = nullptr;
  Emit(p + "open_base " + Rc(SysRegOpenKey(kRegCurrentUser, base.c_str(), kKeyAllAccess, &root)));
  if (root) {
    Emit(p + "delete_key_with_subkeys " + Rc(SysRegDeleteKey(root, u"A")));
    Emit(p + "delete_missing_key " + Rc(SysRegDeleteKey(root, u"NoSuchKey")));
  }
  RegKey b = nullptr;
  Emit(p + "open_b " + Rc(SysRegOpenKey(a, u"B", kKeyAllAccess, &b)));
  if (b) {
    Emit(p + "delete_c " + Rc(SysRegDeleteKey(b, u"C")));
    SysRegCloseKey(b);
  }
  Emit(p + "delete_b " + Rc(SysRegDeleteKey(a, u"b")));
  for (const char16_t* name : {u"Zeta", u"ALPHA", u"Beta"})
    Emit(p + "delete_sub." + Name(name) + " " + Rc(SysRegDeleteKey(a, name)));
  EnumKeys(p + "enum_keys_after_delete", a, 64);
  Emit(p + "close_a " + Rc(SysRegCloseKey(a)));
  if (root) {
    Emit(p + "delete_a " + Rc(SysRegDeleteKey(root, u"A")));
    SysRegCloseKey(root);
  }
  OpenAndClose(p + "open_deleted", kRegCurrentUser, base + u"\\A");
  OpenAndClose(p + "open_missing_deep", kRegCurrentUser, base + u"\\A\\B\\C");
  RemoveTree(kRegCurrentUser, base);
  OpenAndClose(p + "open_after_cleanup", kRegCurrentUser, base);
}

// The scripts in order; output is flushed before returning.
int RunParityProbe(const char* const* labels, const char16_t* const* iniPaths, int iniCount,
                   const char16_t* registryBase, const ParityHost* host) {
  for (int i = 0; i < iniCount; ++i) RunProfileProbe(labels[i], iniPaths[i]);
  RunRegistryProbe(registryBase);
  if (host) RunFilesProbe(*host);
  std::fflush(stdout);
  return 0;
}
