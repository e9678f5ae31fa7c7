// Reader of compiled resource files (.res, the 32-bit format resource compilers write): walks
// the resource records, finds a resource by type and name, and reads string-table entries.
// The simulated machine serves the program's own resources from it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// Standard resource types.
constexpr uint16_t kResTypeBitmap = 2;
constexpr uint16_t kResTypeDialog = 5;
constexpr uint16_t kResTypeString = 6;
// Language id that matches any language in FindRes.
constexpr uint16_t kResAnyLanguage = 0xFFFF;

// A resource type or name: a number (MAKEINTRESOURCE) or a text, compared ignoring case.
struct ResName {
  bool isNumber = true;
  uint16_t number = 0;
  std::u16string text;
};
ResName ResNumber(uint16_t number);
ResName ResText(const std::u16string& text);

// One resource record; offset and size locate its data inside the file's bytes.
struct ResEntry {
  ResName type;
  ResName name;
  uint16_t language = 0;
  size_t offset = 0;
  uint32_t size = 0;
};

// Lists the resources of a .res file (the empty leading record left out). Returns true when the
// whole file is well formed; false at the first malformed record (the entries before it are
// kept in *out).
bool ParseResFile(const uint8_t* bytes, size_t size, std::vector<ResEntry>* out);

// Finds resource (type, name): the one in `language` when there is one, else one in the
// neutral language, else the first. Returns true with *data / *dataSize pointing into bytes.
bool FindRes(const uint8_t* bytes, size_t size, const ResName& type, const ResName& name, uint16_t language,
             const uint8_t** data, uint32_t* dataSize);

// Reads string id of the string tables (block id / 16 + 1, entry id % 16). Returns true when the
// block exists and holds the entry (which may be empty), false otherwise.
bool LoadResString(const uint8_t* bytes, size_t size, uint32_t id, uint16_t language, std::u16string* out);

// The program's own compiled resources, embedded at build time.
const uint8_t* ProgramResources();
size_t ProgramResourcesSize();

}  // namespace sim
