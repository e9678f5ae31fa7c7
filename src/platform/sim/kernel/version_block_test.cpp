// Lookups in version blocks built in memory.
#include "platform/sim/kernel/version_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

void Put16(std::string* out, uint16_t v) {
  out->push_back(static_cast<char>(v & 0xFF));
  out->push_back(static_cast<char>(v >> 8));
}

void Pad4(std::string* out) {
  while (out->size() % 4) out->push_back(0);
}

// One node: header, key, value and children, each part starting on a 4-byte boundary.
std::string MakeNode(const std::u16string& key, const std::string& value, uint16_t valueLength, bool text,
                     const std::vector<std::string>& children = {}) {
  std::string node(6, 0);
  for (char16_t c : key) Put16(&node, c);
  Put16(&node, 0);
  Pad4(&node);
  node += value;
  for (const std::string& child : children) {
    Pad4(&node);
    node += child;
  }
  node[0] = static_cast<char>(node.size() & 0xFF);
  node[1] = static_cast<char>(node.size() >> 8);
  node[2] = static_cast<char>(valueLength & 0xFF);
  node[3] = static_cast<char>(valueLength >> 8);
  node[4] = text ? 1 : 0;
  return node;
}

std::string TextNode(const std::u16string& key, const std::u16string& text) {
  std::string value;
  for (char16_t c : text) Put16(&value, c);
  Put16(&value, 0);
  return MakeNode(key, value, static_cast<uint16_t>(text.size() + 1), true);
}

// A block as a resource compiler writes it: fixed info 1.9.0.0, US English Unicode strings,
// one of them empty.
std::string SampleBlock() {
  std::string fixed;
  const uint32_t words[13] = {0xFEEF04BD, 0x10000, 0x00010009, 0, 0x00010009, 0, 0x3F, 0, 0x40004, 2, 0, 0, 0};
  for (uint32_t w : words) {
    Put16(&fixed, static_cast<uint16_t>(w & 0xFFFF));
    Put16(&fixed, static_cast<uint16_t>(w >> 16));
  }
  std::string table = MakeNode(u"040904b0", "", 0, true,
                               {TextNode(u"FileVersion", u"1.9"), MakeNode(u"Comments", "", 0, true),
                                TextNode(u"ProductName", u"Glidewave")});
  std::string strings = MakeNode(u"StringFileInfo", "", 0, true, {table});
  std::string translation;
  Put16(&translation, 0x0409);
  Put16(&translation, 0x04B0);
  std::string vars = MakeNode(u"VarFileInfo", "", 0, true, {MakeNode(u"Translation", translation, 4, false)});
  return MakeNode(u"VS_VERSION_INFO", fixed, 52, false, {strings, vars});
}

// The block in a heap buffer of exactly its size, so that the sanitizer sees any read past it.
std::unique_ptr<uint8_t[]> Exact(const std::string& bytes) {
  std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size() ? bytes.size() : 1]);
  std::memcpy(copy.get(), bytes.data(), bytes.size());
  return copy;
}

const char16_t* const kPaths[] = {
    u"\\", u"", u"\\VarFileInfo\\Translation", u"\\StringFileInfo\\040904b0\\FileVersion",
    u"\\\\StringFileInfo\\\\040904b0\\\\FileVersion", u"\\StringFileInfo\\040904b0\\Comments",
    u"\\StringFileInfo\\040904b0\\ProductName", u"\\StringFileInfo"};

// Every cut of the block and every byte set to 0x00, 0x01, 0x7F and 0xFF: lookups may fail but
// what they find lies inside the bytes given (the sanitizer checks the reads on the way).
TEST(QueryVersionBlock, DamagedBlocksStayInsideTheirBytes) {
  const std::string original = SampleBlock();
  auto check = [](const std::string& bytes, size_t size) {
    auto block = Exact(bytes);
    for (const char16_t* path : kPaths) {
      const uint8_t* value = nullptr;
      uint32_t length = 0;
      if (!sim::QueryVersionBlock(block.get(), size, path, &value, &length)) continue;
      ASSERT_GE(value, block.get());
      ASSERT_LE(value + length, block.get() + size);
      for (uint32_t i = 0; i < length; ++i) (void)*(volatile const uint8_t*)(value + i);
    }
  };
  for (size_t size = 0; size <= original.size(); ++size) check(original.substr(0, size), size);
  for (size_t at = 0; at < original.size(); ++at) {
    for (uint8_t byte : {0x00, 0x01, 0x7F, 0xFF}) {
      std::string damaged = original;
      damaged[at] = static_cast<char>(byte);
      check(damaged, damaged.size());
    }
  }
  EXPECT_FALSE(sim::QueryVersionBlock(nullptr, 0, u"\\", nullptr, nullptr));
}

}  // namespace
