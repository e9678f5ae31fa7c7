// The compiled resource file reader: strings and resources found by id, name and language, and
// damaged files refused without reading past their bytes.
#include "platform/sim/kernel/res_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/machine/machine.h"

namespace {

constexpr uint16_t kEnglish = 0x0409;
constexpr uint16_t kGerman = 0x0407;
constexpr uint16_t kFrench = 0x040C;
constexpr uint16_t kMemoryFlags = 0x1030;

void Put16(std::string* out, uint16_t v) {
  out->push_back(static_cast<char>(v & 0xFF));
  out->push_back(static_cast<char>(v >> 8));
}
void Put32(std::string* out, uint32_t v) {
  Put16(out, static_cast<uint16_t>(v & 0xFFFF));
  Put16(out, static_cast<uint16_t>(v >> 16));
}
void PutName(std::string* out, const sim::ResName& name) {
  if (name.isNumber) {
    Put16(out, 0xFFFF);
    Put16(out, name.number);
  } else {
    for (char16_t c : name.text) Put16(out, c);
    Put16(out, 0);
  }
}
void Pad(std::string* out) {
  while (out->size() % 4) out->push_back(0);
}

// One resource record as a resource compiler writes it.
std::string Record(const sim::ResName& type, const sim::ResName& name, uint16_t language, const std::string& data) {
  std::string header;
  PutName(&header, type);
  PutName(&header, name);
  Pad(&header);
  Put32(&header, 0);  // data version
  Put16(&header, kMemoryFlags);
  Put16(&header, language);
  Put32(&header, 0);  // version
  Put32(&header, 0);  // characteristics
  std::string record;
  Put32(&record, static_cast<uint32_t>(data.size()));
  Put32(&record, static_cast<uint32_t>(header.size() + 8));
  record += header + data;
  Pad(&record);
  return record;
}

// A string-table block: entries by index (0-15), the others empty.
std::string StringBlock(const std::vector<std::pair<int, std::u16string>>& strings) {
  std::u16string slots[16];
  for (const auto& s : strings) slots[s.first] = s.second;
  std::string data;
  for (const std::u16string& text : slots) {
    Put16(&data, static_cast<uint16_t>(text.size()));
    for (char16_t c : text) Put16(&data, c);
  }
  return data;
}

std::string SampleRes() {
  std::string res = Record(sim::ResNumber(0), sim::ResNumber(0), 0, "");  // leading empty record
  res += Record(sim::ResNumber(sim::kResTypeString), sim::ResNumber(2), kEnglish,
                StringBlock({{0, u"Setup Warning"}, {2, u"x"}}));
  res += Record(sim::ResText(u"PICTURE"), sim::ResText(u"LOGO"), kEnglish, "pixels");
  res += Record(sim::ResNumber(sim::kResTypeString), sim::ResNumber(2), kGerman, StringBlock({{0, u"Setup-Warnung"}}));
  res += Record(sim::ResNumber(sim::kResTypeDialog), sim::ResNumber(101), 0, "dlg");
  return res;
}

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

// Strings by id and language, with the fallbacks a missing language takes; other resources by
// number or name ignoring case.
TEST(ResFile, FindsStringsAndResources) {
  const std::string res = SampleRes();
  const struct {
    uint32_t id;
    uint16_t language;
    bool found;
    std::u16string text;
  } strings[] = {
      {16, kEnglish, true, u"Setup Warning"},
      {16, kGerman, true, u"Setup-Warnung"},
      {16, kFrench, true, u"Setup Warning"},  // no French and no neutral block: the first one
      {16, sim::kResAnyLanguage, true, u"Setup Warning"},
      {18, kEnglish, true, u"x"},
      {17, kEnglish, true, u""},   // empty slot of an existing block
      {15, kEnglish, false, u""},  // block 1 does not exist
      {0x10000, kEnglish, false, u""},
  };
  for (const auto& c : strings) {
    std::u16string text = u"junk";
    EXPECT_EQ(sim::LoadResString(Bytes(res), res.size(), c.id, c.language, &text), c.found) << c.id;
    EXPECT_EQ(text, c.text) << c.id;
  }
  std::vector<sim::ResEntry> entries;
  ASSERT_TRUE(sim::ParseResFile(Bytes(res), res.size(), &entries));
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(sim::ToUtf8(entries[1].type.isNumber ? u"#" : entries[1].type.text), "PICTURE");
  EXPECT_EQ(entries[2].language, kGerman);
  const struct {
    sim::ResName type, name;
    uint16_t language;
    const char* data;  // nullptr: not found
  } finds[] = {
      {sim::ResText(u"picture"), sim::ResText(u"Logo"), kEnglish, "pixels"},
      // The dialog is in the neutral language, which a missing language falls back to.
      {sim::ResNumber(sim::kResTypeDialog), sim::ResNumber(101), kFrench, "dlg"},
      {sim::ResNumber(sim::kResTypeDialog), sim::ResNumber(102), sim::kResAnyLanguage, nullptr},
      {sim::ResNumber(101), sim::ResNumber(sim::kResTypeDialog), sim::kResAnyLanguage, nullptr},
  };
  for (const auto& f : finds) {
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    const bool found = sim::FindRes(Bytes(res), res.size(), f.type, f.name, f.language, &data, &size);
    EXPECT_EQ(found ? std::string(reinterpret_cast<const char*>(data), size) : "<none>", f.data ? f.data : "<none>");
  }
}

// Every cut of a file and a few damaged headers are reported without reading past the bytes.
TEST(ResFile, DamagedFilesAreRejectedSafely) {
  const std::string res = SampleRes();
  std::vector<sim::ResEntry> entries;
  for (size_t cut = 0; cut < res.size(); ++cut) {
    std::vector<uint8_t> copy(res.begin(), res.begin() + static_cast<std::ptrdiff_t>(cut));
    const uint8_t* bytes = copy.empty() ? nullptr : copy.data();
    if (sim::ParseResFile(bytes, copy.size(), &entries)) {
      for (const sim::ResEntry& entry : entries) EXPECT_LE(entry.offset + entry.size, cut);
    }
    std::u16string text;
    sim::LoadResString(bytes, copy.size(), 16, kEnglish, &text);
  }
  const size_t second = 32;  // the leading empty record is 32 bytes
  const struct {
    const char* label;
    size_t offset;  // byte of the second record to overwrite
    uint32_t value;
  } cases[] = {
      {"header size below the minimum", 4, 8},
      {"header size past the end", 4, 0x7FFFFFFF},
      {"data size past the end", 0, 0xFFFFFFF0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    std::string bad = res;
    for (int i = 0; i < 4; ++i) bad[second + c.offset + i] = static_cast<char>((c.value >> (8 * i)) & 0xFF);
    EXPECT_FALSE(sim::ParseResFile(Bytes(bad), bad.size(), &entries));
    EXPECT_TRUE(entries.empty());
    std::u16string text;
    EXPECT_FALSE(sim::LoadResString(Bytes(bad), bad.size(), 16, kEnglish, &text));
  }
  // A string block whose length prefix runs past its data.
  std::string shortBlock = Record(sim::ResNumber(sim::kResTypeString), sim::ResNumber(1), kEnglish, "\x05\x00" "a\x00");
  std::u16string text;
  EXPECT_FALSE(sim::LoadResString(Bytes(shortBlock), shortBlock.size(), 0, kEnglish, &text));
}

}  // namespace
