// PE image reading for the version services: DOS header, PE headers of either width, the
// section table for turning addresses into file offsets, and the three-level resource
// directory (type, name, language). Nothing is trusted: every offset and count is checked
// against the bytes that are actually there.
#include "platform/sim/find_version_resource.h"

namespace sim {

namespace {

constexpr uint32_t kVersionType = 16;   // RT_VERSION
constexpr uint32_t kVersionName = 1;    // VS_VERSION_INFO
constexpr uint32_t kSubdirectoryBit = 0x80000000u;
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

}  // namespace

VersionResourceLookup FindVersionResource(const uint8_t* bytes, size_t size, size_t* offset, size_t* length) {
  if (!bytes || size < kDosHeaderSize || bytes[0] != 'M' || bytes[1] != 'Z') return VersionResourceLookup::kNotImage;
  const size_t peHeader = Read32(bytes + kNewHeaderPointer);
  if (!Fits(size, peHeader, 4 + kFileHeaderSize)) return VersionResourceLookup::kNotImage;
  const uint8_t* pe = bytes + peHeader;
  if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0) return VersionResourceLookup::kNotImage;
  const size_t sectionCount = Read16(pe + 4 + 2);
  const size_t optionalSize = Read16(pe + 4 + 16);
  const size_t optional = peHeader + 4 + kFileHeaderSize;
  if (!Fits(size, optional, optionalSize) || optionalSize < 2) return VersionResourceLookup::kNotImage;

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
      return VersionResourceLookup::kNotImage;
  }
  Image image{bytes, size, optional + optionalSize, sectionCount};
  if (!Fits(size, image.sections, sectionCount * kSectionHeaderSize)) return VersionResourceLookup::kNotImage;

  const size_t resourceEntry = directoriesAt + kResourceDirectoryIndex * 8;
  if (optionalSize < countAt + 4 || Read32(bytes + optional + countAt) <= kResourceDirectoryIndex ||
      optionalSize < resourceEntry + 8) {
    return VersionResourceLookup::kNoResources;
  }
  const uint32_t resourceAddress = Read32(bytes + optional + resourceEntry);
  const uint32_t resourceSize = Read32(bytes + optional + resourceEntry + 4);
  if (resourceAddress == 0 || resourceSize == 0) return VersionResourceLookup::kNoResources;
  size_t base = 0, room = 0;
  if (!AddressToOffset(image, resourceAddress, &base, &room)) return VersionResourceLookup::kDamaged;

  // Type level: the version type must be there and lead to a subdirectory.
  Directory types;
  if (!ReadDirectory(image, base, room, 0, &types)) return VersionResourceLookup::kDamaged;
  const size_t type = FindId(image, types, kVersionType);
  if (type == types.count) return VersionResourceLookup::kNoVersionType;
  uint32_t data = EntryData(image, types, type);
  if ((data & kSubdirectoryBit) == 0) return VersionResourceLookup::kDamaged;

  // Name level: only resource 1 counts, as the version services look for nothing else.
  Directory names;
  if (!ReadDirectory(image, base, room, data & ~kSubdirectoryBit, &names)) return VersionResourceLookup::kDamaged;
  const size_t name = FindId(image, names, kVersionName);
  if (name == names.count) return VersionResourceLookup::kNoVersionName;
  data = EntryData(image, names, name);
  if ((data & kSubdirectoryBit) == 0) return VersionResourceLookup::kDamaged;

  // Language level: the first language, which must be a data entry.
  Directory languages;
  if (!ReadDirectory(image, base, room, data & ~kSubdirectoryBit, &languages)) return VersionResourceLookup::kDamaged;
  if (languages.count == 0) return VersionResourceLookup::kNoVersionName;
  data = EntryData(image, languages, 0);
  if ((data & kSubdirectoryBit) != 0 || !Fits(room, data, kDataEntrySize)) return VersionResourceLookup::kDamaged;

  const uint8_t* entry = bytes + base + data;
  size_t at = 0, available = 0;
  const uint32_t dataSize = Read32(entry + 4);
  if (!AddressToOffset(image, Read32(entry), &at, &available) || !Fits(size, at, dataSize)) {
    return VersionResourceLookup::kDamaged;
  }
  *offset = at;
  *length = dataSize;
  return VersionResourceLookup::kFound;
}

}  // namespace sim
