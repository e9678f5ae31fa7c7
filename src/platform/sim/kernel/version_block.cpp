// Bounds-checked walk of a version block's node tree, as the version services' value query
// does it: nodes are 32-bit aligned from the block's start, keys are terminated UTF-16 names,
// text values count characters and binary values count bytes.
#include "platform/sim/kernel/version_block.h"

#include <algorithm>

#include "common/text.h"

namespace sim {

namespace {

constexpr size_t kHeaderSize = 6;  // length, value length, type: three 16-bit words

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

size_t Align4(size_t offset) { return (offset + 3) & ~static_cast<size_t>(3); }

// One node of the tree, as offsets into the block.
struct Node {
  size_t end = 0;           // one past the node's last byte (never past its parent)
  size_t key = 0;           // first character of the key
  size_t keyLength = 0;     // characters, without the terminator
  size_t terminator = 0;    // the key's terminating zero
  size_t value = 0;         // first byte of the value
  uint32_t valueLength = 0; // in the node's units, cut to what the node holds
  size_t children = 0;      // first child (may lie at or past end: no children)
};

// Parses the node at offset, which must lie within limit. False when its header is damaged or
// its key is not terminated inside it.
bool ParseNode(const uint8_t* block, size_t offset, size_t limit, Node* node) {
  if (offset > limit || limit - offset < kHeaderSize) return false;
  const size_t length = Read16(block + offset);
  if (length < kHeaderSize) return false;
  node->end = std::min(offset + length, limit);
  node->key = offset + kHeaderSize;
  size_t at = node->key;
  for (;;) {
    if (at + 2 > node->end) return false;
    if (Read16(block + at) == 0) break;
    at += 2;
  }
  node->terminator = at;
  node->keyLength = (at - node->key) / 2;
  const size_t unit = Read16(block + offset + 4) != 0 ? 2 : 1;  // text counts characters
  node->value = std::min(Align4(at + 2), node->end);
  size_t count = Read16(block + offset + 2);
  const size_t room = (node->end - node->value) / unit;
  if (count > room) count = room;
  node->valueLength = static_cast<uint32_t>(count);
  node->children = Align4(node->value + count * unit);
  return true;
}

// True when the node's key equals the count characters at name, ignoring case.
bool KeyMatches(const uint8_t* block, const Node& node, const char16_t* name, size_t count) {
  if (node.keyLength != count) return false;
  for (size_t i = 0; i < count; ++i) {
    if (CharUpper(static_cast<char16_t>(Read16(block + node.key + 2 * i))) != CharUpper(name[i])) return false;
  }
  return true;
}

// Finds the child of parent whose key is the count characters at name.
bool FindChild(const uint8_t* block, const Node& parent, const char16_t* name, size_t count, Node* found) {
  size_t offset = parent.children;
  while (offset < parent.end) {
    Node child;
    if (!ParseNode(block, offset, parent.end, &child)) return false;
    if (KeyMatches(block, child, name, count)) {
      *found = child;
      return true;
    }
    offset = Align4(offset + Read16(block + offset));
  }
  return false;
}

}  // namespace

bool QueryVersionBlock(const uint8_t* block, size_t size, const char16_t* path, const uint8_t** value,
                       uint32_t* length) {
  if (!block || !path) return false;
  Node node;
  if (!ParseNode(block, 0, size, &node)) return false;
  const char16_t* at = path;
  while (*at) {
    if (*at == u'\\') {
      ++at;
      continue;
    }
    const char16_t* stop = at;
    while (*stop && *stop != u'\\') ++stop;
    Node child;
    if (!FindChild(block, node, at, static_cast<size_t>(stop - at), &child)) return false;
    node = child;
    at = stop;
  }
  if (value) *value = block + (node.valueLength != 0 ? node.value : node.terminator);
  if (length) *length = node.valueLength;
  return true;
}

}  // namespace sim
