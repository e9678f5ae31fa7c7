// PE image reading for the version services and for libraries loaded as data: DOS header, PE
// headers of either width, the section table for turning addresses into file offsets, and the
// three-level resource directory (type, name, language), by number or by name. Nothing is trusted: every offset and count is checked
// against the bytes that are actually there.
#include "platform/sim/kernel/find_pe_resource.h"

namespace sim {

namespace {

constexpr uint32_t kVersionType = 16;   // RT_VERSION
constexpr uint32_t kVersionName = 1;    // VS_VERSION_INFO
constexpr uint32_t kSubdirectoryBit = 0x80000000u;
constexpr uint32_t kNamedEntryBit = 0x80000000u;
constexpr size_t kDosHeaderSize = 0x40;
constexpr size_t kNewHeaderPointer = 0x3C;
constexpr size_t kFileHeaderSize = 20;
constexpr size_t kSectionHeaderSize = 40;
constexpr size_t kDirectoryHeaderSize = 16;
constexpr size_t kDirectoryEntrySize = 8;
constexpr size_t kDataEntrySize = 16;
constexpr size_t kResourceDirectoryIndex = 2;
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t Read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

// True when [offset, offset + count) lies inside size bytes.
bool Fits(size_t size, size_t offset, size_t count) { return offset <= size && count <= size - offset; }

// The image with its section table.
struct Image {
  const uint8_t* bytes;
  size_t size;
  size_t sections;      // offset of the first section header
  size_t sectionCount;
};

// Turns an address into a file offset through the section that holds it (within the section's
// raw data). *room is how many bytes of that section's data follow, cut to the file's end.
bool AddressToOffset(const Image& image, uint32_t address, size_t* offset, size_t* room) {
  for (size_t i = 0; i < image.sectionCount; ++i) {
    const uint8_t* header = image.bytes + image.sections + i * kSectionHeaderSize;
    const uint32_t start = Read32(header + 12);
    const uint32_t rawSize = Read32(header + 16);
    const uint32_t rawOffset = Read32(header + 20);
    if (address < start || address - start >= rawSize) continue;
    const size_t at = static_cast<size_t>(rawOffset) + (address - start);
    if (at >= image.size) return false;
    size_t left = rawSize - (address - start);
    if (left > image.size - at) left = image.size - at;
    *offset = at;
    *room = left;
    return true;
  }
  return false;
}

// One directory of the resource tree: where its entries start and how many there are.
struct Directory {
  size_t entries = 0;
  size_t count = 0;
};

// Reads the directory header at offset (relative to the resource base, room bytes long).
bool ReadDirectory(const Image& image, size_t base, size_t room, size_t offset, Directory* out) {
  if (!Fits(room, offset, kDirectoryHeaderSize)) return false;
  const uint8_t* header = image.bytes + base + offset;
  const size_t count = static_cast<size_t>(Read16(header + 12)) + Read16(header + 14);
  if (!Fits(room, offset + kDirectoryHeaderSize, count * kDirectoryEntrySize)) return false;
  out->entries = base + offset + kDirectoryHeaderSize;
  out->count = count;
  return true;
}

uint32_t EntryName(const Image& image, const Directory& dir, size_t i) {
  return Read32(image.bytes + dir.entries + i * kDirectoryEntrySize);
}

uint32_t EntryData(const Image& image, const Directory& dir, size_t i) {
  return Read32(image.bytes + dir.entries + i * kDirectoryEntrySize + 4);
}

// Index of the entry with the numeric id, or dir.count when there is none.
size_t FindId(const Image& image, const Directory& dir, uint32_t id) {
  for (size_t i = 0; i < dir.count; ++i) {
    if (EntryName(image, dir, i) == id) return i;
  }
  return dir.count;
}

// Whether the directory string at offset (relative to the resource base: a 16-bit length, then
// that many wide characters) equals name without regard to case.
bool NameMatches(const Image& image, size_t base, size_t room, uint32_t offset, const char* name) {
  if (!Fits(room, offset, 2)) return false;
  const uint8_t* text = image.bytes + base + offset;
  const size_t length = Read16(text);
  if (!Fits(room, offset + 2, length * 2)) return false;
  for (size_t i = 0; i < length; ++i) {
    uint16_t c = Read16(text + 2 + 2 * i);
    uint16_t n = static_cast<uint8_t>(name[i]);
    if (n == 0) return false;
    if (c >= 'a' && c <= 'z') c = static_cast<uint16_t>(c - 32);
    if (n >= 'a' && n <= 'z') n = static_cast<uint16_t>(n - 32);
    if (c != n) return false;
  }
  return name[length] == 0;
}

// Index of the entry with the text name, or dir.count when there is none.
size_t FindName(const Image& image, size_t base, size_t room, const Directory& dir, const char* name) {
  for (size_t i = 0; i < dir.count; ++i) {
    const uint32_t entry = EntryName(image, dir, i);
    if ((entry & kNamedEntryBit) && NameMatches(image, base, room, entry & ~kNamedEntryBit, name)) return i;
  }
  return dir.count;
}

// "#n" with decimal digits only: the number n.
bool NumericName(const char* name, uint32_t* id) {
  if (name[0] != '#' || name[1] == 0) return false;
  uint32_t value = 0;
  for (const char* p = name + 1; *p; ++p) {
    if (*p < '0' || *p > '9' || value > 0xFFFF) return false;
    value = value * 10 + static_cast<uint32_t>(*p - '0');
  }
  *id = value;
  return value <= 0xFFFF;
}

}  // namespace

PeResourceLookup FindPeResource(const uint8_t* bytes, size_t size, uint32_t typeId, const char* name, uint32_t id,
                                size_t* offset, size_t* length) {
  if (name && NumericName(name, &id)) name = nullptr;
  if (!bytes || size < kDosHeaderSize || bytes[0] != 'M' || bytes[1] != 'Z') return PeResourceLookup::kNotImage;
  const size_t peHeader = Read32(bytes + kNewHeaderPointer);
  if (!Fits(size, peHeader, 4 + kFileHeaderSize)) return PeResourceLookup::kNotImage;
  const uint8_t* pe = bytes + peHeader;
  if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0) return PeResourceLookup::kNotImage;
  const size_t sectionCount = Read16(pe + 4 + 2);
  const size_t optionalSize = Read16(pe + 4 + 16);
  const size_t optional = peHeader + 4 + kFileHeaderSize;
  if (!Fits(size, optional, optionalSize) || optionalSize < 2) return PeResourceLookup::kNotImage;

  size_t countAt = 0, directoriesAt = 0;
  switch (Read16(bytes + optional)) {
    case kMagicPe32:
      countAt = 92;
      directoriesAt = 96;
      break;
    case kMagicPe32Plus:
      countAt = 108;
      directoriesAt = 112;
      break;
    default:
      return PeResourceLookup::kNotImage;
  }
  Image image{bytes, size, optional + optionalSize, sectionCount};
  if (!Fits(size, image.sections, sectionCount * kSectionHeaderSize)) return PeResourceLookup::kNotImage;

  const size_t resourceEntry = directoriesAt + kResourceDirectoryIndex * 8;
  if (optionalSize < countAt + 4 || Read32(bytes + optional + countAt) <= kResourceDirectoryIndex ||
      optionalSize < resourceEntry + 8) {
    return PeResourceLookup::kNoResources;
  }
  const uint32_t resourceAddress = Read32(bytes + optional + resourceEntry);
  const uint32_t resourceSize = Read32(bytes + optional + resourceEntry + 4);
  if (resourceAddress == 0 || resourceSize == 0) return PeResourceLookup::kNoResources;
  size_t base = 0, room = 0;
  if (!AddressToOffset(image, resourceAddress, &base, &room)) return PeResourceLookup::kDamaged;

  // Type level: the type must be there and lead to a subdirectory.
  Directory types;
  if (!ReadDirectory(image, base, room, 0, &types)) return PeResourceLookup::kDamaged;
  const size_t type = FindId(image, types, typeId);
  if (type == types.count) return PeResourceLookup::kNoType;
  uint32_t data = EntryData(image, types, type);
  if ((data & kSubdirectoryBit) == 0) return PeResourceLookup::kDamaged;

  // Name level: by text or by number.
  Directory names;
  if (!ReadDirectory(image, base, room, data & ~kSubdirectoryBit, &names)) return PeResourceLookup::kDamaged;
  const size_t found = name ? FindName(image, base, room, names, name) : FindId(image, names, id);
  if (found == names.count) return PeResourceLookup::kNoName;
  data = EntryData(image, names, found);
  if ((data & kSubdirectoryBit) == 0) return PeResourceLookup::kDamaged;

  // Language level: the first language, which must be a data entry.
  Directory languages;
  if (!ReadDirectory(image, base, room, data & ~kSubdirectoryBit, &languages)) return PeResourceLookup::kDamaged;
  if (languages.count == 0) return PeResourceLookup::kNoName;
  data = EntryData(image, languages, 0);
  if ((data & kSubdirectoryBit) != 0 || !Fits(room, data, kDataEntrySize)) return PeResourceLookup::kDamaged;

  const uint8_t* entry = bytes + base + data;
  size_t at = 0, available = 0;
  const uint32_t dataSize = Read32(entry + 4);
  if (!AddressToOffset(image, Read32(entry), &at, &available) || !Fits(size, at, dataSize)) {
    return PeResourceLookup::kDamaged;
  }
  *offset = at;
  *length = dataSize;
  return PeResourceLookup::kFound;
}

ErrorCode ResourceLookupError(PeResourceLookup lookup) {
  switch (lookup) {
    case PeResourceLookup::kNoType:
      return kErrResourceTypeNotFound;
    case PeResourceLookup::kNoName:
      return kErrResourceNameNotFound;
    default:
      return kErrResourceDataNotFound;
  }
}

PeResourceLookup FindVersionResource(const uint8_t* image, size_t size, size_t* offset, size_t* length) {
  return FindPeResource(image, size, kVersionType, nullptr, kVersionName, offset, length);
}

}  // namespace sim
