// Value lookup in a version block: the tree of nodes (length, value length, type, UTF-16 key,
// value, children) that a program's version resource holds and that the version services hand
// out. Every read is checked against the block's size, so a damaged block only makes a lookup
// fail.
#pragma once
#include <cstddef>
#include <cstdint>

namespace sim {

// Finds the node that path names below the root node at block (size bytes) and returns true
// with *value pointing at its value and *length set to its value length (bytes for binary
// values, characters with the terminator for text). Path components are separated by
// backslashes; empty components are skipped, so "", "\\" and doubled separators all work, and
// "\\" alone names the root (the fixed file information). Names compare ignoring case and must
// match whole. A node without a value yields length 0 and a pointer to the empty text that ends
// its key. A value that would run past its node is cut to what the node holds.
bool QueryVersionBlock(const uint8_t* block, size_t size, const char16_t* path, const uint8_t** value,
                       uint32_t* length);

}  // namespace sim
