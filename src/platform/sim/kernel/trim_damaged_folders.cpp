// Walks a cabinet's header, folder table and data blocks to find where each folder's good data
// ends, checking block checksums the way the cabinet format defines them.
#include "platform/sim/kernel/trim_damaged_folders.h"

#include <cstddef>
#include <cstdint>

namespace sim {

namespace {

constexpr size_t kHeaderSize = 36;
constexpr size_t kFolderSize = 8;
constexpr size_t kDataHeaderSize = 8;
constexpr uint16_t kFlagPrevious = 0x0001;
constexpr uint16_t kFlagNext = 0x0002;
constexpr uint16_t kFlagReserve = 0x0004;
constexpr size_t kMaxUncompressed = 32768;        // one block never expands beyond this
constexpr size_t kMaxCompressed = 32768 + 6144;   // nor holds more input than this

uint32_t Read16(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}

uint32_t Read32(const std::string& b, size_t at) { return Read16(b, at) | (Read16(b, at + 2) << 16); }

bool Fits(size_t size, size_t at, size_t count) { return at <= size && count <= size - at; }

// The format's checksum: 32-bit little-endian words XORed together, the 1 to 3 bytes left
// over combined first byte highest.
uint32_t Checksum(const std::string& b, size_t at, size_t count, uint32_t seed) {
  uint32_t sum = seed;
  size_t i = 0;
  for (; i + 4 <= count; i += 4) sum ^= Read32(b, at + i);
  uint32_t rest = 0;
  for (; i < count; ++i) rest = (rest << 8) | static_cast<unsigned char>(b[at + i]);
  return sum ^ rest;
}

// Skips a terminated string at *at. False when it is not terminated inside the file.
bool SkipString(const std::string& b, size_t* at) {
  while (*at < b.size() && b[*at] != 0) ++*at;
  if (*at >= b.size()) return false;
  ++*at;
  return true;
}

// Number of good data blocks of a folder whose blocks start at offset and which declares
// count of them; each block header carries dataReserve extra bytes.
uint32_t GoodBlocks(const std::string& b, size_t offset, uint32_t count, size_t dataReserve) {
  size_t at = offset;
  for (uint32_t block = 0; block < count; ++block) {
    if (!Fits(b.size(), at, kDataHeaderSize + dataReserve)) return block;
    const uint32_t stored = Read32(b, at);
    const size_t compressed = Read16(b, at + 4);
    const size_t uncompressed = Read16(b, at + 6);
    const size_t data = at + kDataHeaderSize + dataReserve;
    if (compressed > kMaxCompressed || uncompressed == 0 || uncompressed > kMaxUncompressed ||
        !Fits(b.size(), data, compressed)) {
      return block;
    }
    if (stored != 0 && Checksum(b, at + 4, 4, Checksum(b, data, compressed, 0)) != stored) return block;
    at = data + compressed;
  }
  return count;
}

}  // namespace

bool TrimDamagedFolders(std::string* bytes) {
  std::string& b = *bytes;
  if (b.size() < kHeaderSize || b.compare(0, 4, "MSCF") != 0) return false;
  const uint32_t folders = Read16(b, 26);
  const uint32_t flags = Read16(b, 30);
  size_t at = kHeaderSize;
  size_t folderReserve = 0, dataReserve = 0;
  if (flags & kFlagReserve) {
    if (!Fits(b.size(), at, 4)) return false;
    const size_t headerReserve = Read16(b, at);
    folderReserve = static_cast<unsigned char>(b[at + 2]);
    dataReserve = static_cast<unsigned char>(b[at + 3]);
    at += 4 + headerReserve;
  }
  if (flags & kFlagPrevious) {
    if (!SkipString(b, &at) || !SkipString(b, &at)) return false;
  }
  if (flags & kFlagNext) {
    if (!SkipString(b, &at) || !SkipString(b, &at)) return false;
  }
  bool trimmed = false;
  for (uint32_t folder = 0; folder < folders; ++folder) {
    const size_t entry = at + folder * (kFolderSize + folderReserve);
    if (!Fits(b.size(), entry, kFolderSize)) break;
    const uint32_t count = Read16(b, entry + 4);
    const uint32_t good = GoodBlocks(b, Read32(b, entry), count, dataReserve);
    if (good < count) {
      b[entry + 4] = static_cast<char>(good & 0xFF);
      b[entry + 5] = static_cast<char>(good >> 8);
      trimmed = true;
    }
  }
  return trimmed;
}

}  // namespace sim
