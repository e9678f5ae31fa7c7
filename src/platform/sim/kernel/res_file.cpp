// Compiled resource file reader: every record is a header (data size, header size, type, name,
// versions, flags, language) followed by its data, each aligned on 4 bytes.
#include "platform/sim/kernel/res_file.h"

#include "common/text.h"

// Bytes of the program's .res file, written by the build (generated/program_resources.cpp).
extern const unsigned char kProgramResBytes[];
extern const size_t kProgramResSize;

namespace sim {

namespace {

constexpr size_t kAlignment = 4;
// Data size and header size, then at least a numbered type and name (4 bytes each), the data
// version, flags and language, version and characteristics.
constexpr size_t kMinHeaderSize = 32;
constexpr uint16_t kNumberMarker = 0xFFFF;
constexpr uint32_t kStringsPerBlock = 16;
constexpr uint32_t kMaxStringId = 0xFFEF;  // block ids are 16-bit
constexpr uint16_t kLanguageNeutral = 0;

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

size_t AlignUp(size_t value) { return (value + kAlignment - 1) / kAlignment * kAlignment; }

// Reads a type or name field at *pos within [.., end). Returns false when it runs past end.
bool ReadName(const uint8_t* bytes, size_t* pos, size_t end, ResName* out) {
  if (*pos + 2 > end) return false;
  if (Read16(bytes + *pos) == kNumberMarker) {
    if (*pos + 4 > end) return false;
    out->isNumber = true;
    out->number = Read16(bytes + *pos + 2);
    *pos += 4;
    return true;
  }
  out->isNumber = false;
  out->text.clear();
  while (true) {
    if (*pos + 2 > end) return false;
    char16_t c = static_cast<char16_t>(Read16(bytes + *pos));
    *pos += 2;
    if (c == 0) return true;
    out->text += c;
  }
}

bool SameName(const ResName& a, const ResName& b) {
  if (a.isNumber != b.isNumber) return false;
  if (a.isNumber) return a.number == b.number;
  return TextEqualNoCase(a.text.c_str(), b.text.c_str());
}

}  // namespace

ResName ResNumber(uint16_t number) {
  ResName name;
  name.isNumber = true;
  name.number = number;
  return name;
}

ResName ResText(const std::u16string& text) {
  ResName name;
  name.isNumber = false;
  name.text = text;
  return name;
}

bool ParseResFile(const uint8_t* bytes, size_t size, std::vector<ResEntry>* out) {
  out->clear();
  if (!bytes) return size == 0;
  size_t pos = 0;
  while (pos < size) {
    if (size - pos < 8) return false;  // a cut record
    const uint32_t dataSize = Read32(bytes + pos);
    const uint32_t headerSize = Read32(bytes + pos + 4);
    if (headerSize < kMinHeaderSize || headerSize > size - pos || dataSize > size - pos - headerSize) return false;
    const size_t headerEnd = pos + headerSize;
    ResEntry entry;
    size_t field = pos + 8;
    if (!ReadName(bytes, &field, headerEnd, &entry.type) || !ReadName(bytes, &field, headerEnd, &entry.name))
      return false;
    field = pos + AlignUp(field - pos);
    // Data version (4), memory flags (2), then the language.
    if (field + 8 > headerEnd) return false;
    entry.language = Read16(bytes + field + 6);
    entry.offset = headerEnd;
    entry.size = dataSize;
    const bool emptyLead = entry.type.isNumber && entry.type.number == 0 && entry.name.isNumber &&
                           entry.name.number == 0 && dataSize == 0;
    if (!emptyLead) out->push_back(entry);
    const size_t next = AlignUp(headerEnd + dataSize);
    pos = next < size ? next : size;
  }
  return true;
}

bool FindRes(const uint8_t* bytes, size_t size, const ResName& type, const ResName& name, uint16_t language,
             const uint8_t** data, uint32_t* dataSize) {
  std::vector<ResEntry> entries;
  ParseResFile(bytes, size, &entries);  // a damaged tail still leaves the records before it
  const ResEntry* best = nullptr;
  int bestRank = 0;
  for (const ResEntry& entry : entries) {
    if (!SameName(entry.type, type) || !SameName(entry.name, name)) continue;
    int rank = 1;
    if (language != kResAnyLanguage && entry.language == language) rank = 3;
    else if (entry.language == kLanguageNeutral) rank = 2;
    if (rank > bestRank) {
      best = &entry;
      bestRank = rank;
    }
  }
  if (!best) return false;
  if (data) *data = bytes + best->offset;
  if (dataSize) *dataSize = best->size;
  return true;
}

bool LoadResString(const uint8_t* bytes, size_t size, uint32_t id, uint16_t language, std::u16string* out) {
  if (out) out->clear();
  if (id > kMaxStringId) return false;
  const uint8_t* block = nullptr;
  uint32_t blockSize = 0;
  const uint16_t blockId = static_cast<uint16_t>(id / kStringsPerBlock + 1);
  if (!FindRes(bytes, size, ResNumber(kResTypeString), ResNumber(blockId), language, &block, &blockSize)) return false;
  size_t pos = 0;
  for (uint32_t index = 0; index <= id % kStringsPerBlock; ++index) {
    if (pos + 2 > blockSize) return false;
    const size_t length = Read16(block + pos);
    pos += 2;
    if (length * 2 > blockSize - pos) return false;
    if (index == id % kStringsPerBlock) {
      if (out) {
        for (size_t i = 0; i < length; ++i) *out += static_cast<char16_t>(Read16(block + pos + 2 * i));
      }
      return true;
    }
    pos += length * 2;
  }
  return false;
}

const uint8_t* ProgramResources() { return kProgramResBytes; }
size_t ProgramResourcesSize() { return kProgramResSize; }

}  // namespace sim
