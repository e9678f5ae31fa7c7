// Version services of the simulated machine over real program files on its disk: the version
// resource is found in the file's PE image and handed out in the layout Windows uses (the block,
// then room for the version services' own conversions).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/sim/kernel/find_pe_resource.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/kernel/version_block.h"
#include "platform/version_info.h"
#include "platform/sim/machine/windows_constants.h"

using sim::internal::Lock;

namespace {

using sim::internal::Guard;

// Windows sizes the buffer at twice the resource plus a 4-byte signature: the second half is
// where it keeps text converted for the byte-text variant of the value query.
constexpr char kSignature[4] = {'F', 'E', '2', 'X'};
constexpr size_t kBlockHeaderSize = 6;
constexpr size_t kMaxResource = 0x7FFFFFF0u;

void Fail(ErrorCode code) { sim::internal::SetLastError(code); }

// Reads the version resource of the file at path into *resource. On failure sets the last
// error as Windows does: 2 or 3 for a missing file or folder, 1812 for a file that is no
// program or has no resources, 1813 without a version resource, 1814 when there is none under
// the number 1.
bool LoadVersionResource(const char16_t* path, std::string* resource) {
  if (!path || !*path) {
    Fail(kErrFileNotFound);
    return false;
  }
  sim::internal::ResolvedPath resolved;
  if (!sim::internal::ResolveOrFail(path, &resolved)) return false;
  if (!sim::internal::HostExists(resolved.host)) {
    Fail(sim::internal::HostIsDirectory(sim::internal::HostParent(resolved.host)) ? kErrFileNotFound
                                                                                   : kErrPathNotFound);
    return false;
  }
  if (sim::internal::HostIsDirectory(resolved.host)) {
    Fail(kErrAccessDenied);
    return false;
  }
  std::string image;
  if (!sim::internal::ReadHostFile(resolved.host, &image)) {
    Fail(kErrAccessDenied);
    return false;
  }
  size_t offset = 0, length = 0;
  switch (sim::FindVersionResource(reinterpret_cast<const uint8_t*>(image.data()), image.size(), &offset, &length)) {
    case sim::PeResourceLookup::kFound:
      break;
    case sim::PeResourceLookup::kNoType:
      Fail(kErrResourceTypeNotFound);
      return false;
    case sim::PeResourceLookup::kNoName:
      Fail(kErrResourceNameNotFound);
      return false;
    default:
      Fail(kErrResourceDataNotFound);
      return false;
  }
  if (length > kMaxResource) {
    Fail(kErrResourceDataNotFound);
    return false;
  }
  resource->assign(image, offset, length);
  return true;
}

uint16_t Read16(const void* p) {
  const uint8_t* b = static_cast<const uint8_t*>(p);
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint32_t Read32(const uint8_t* b) { return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24); }

// What a version resource says, for the file journal: "fixed a.b.c.d, text \"...\"" (either
// part left out when the block lacks it), or "none".
std::string DescribeVersion(const std::string& resource) {
  const uint8_t* block = reinterpret_cast<const uint8_t*>(resource.data());
  const uint8_t* value = nullptr;
  uint32_t length = 0;
  std::string text;
  if (sim::QueryVersionBlock(block, resource.size(), u"\\", &value, &length) && length >= 16) {
    const uint32_t ms = Read32(value + 8), ls = Read32(value + 12);
    text = "fixed " + std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." + std::to_string(ls >> 16) +
           "." + std::to_string(ls & 0xFFFF);
  }
  if (sim::QueryVersionBlock(block, resource.size(), u"\\VarFileInfo\\Translation", &value, &length) && length >= 4) {
    char key[64];
    std::snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\FileVersion", Read16(value), Read16(value + 2));
    const std::u16string query(key, key + std::strlen(key));
    if (sim::QueryVersionBlock(block, resource.size(), query.c_str(), &value, &length)) {
      std::u16string version;
      for (uint32_t i = 0; i < length && Read16(value + 2 * i); ++i) version += static_cast<char16_t>(Read16(value + 2 * i));
      text += std::string(text.empty() ? "" : ", ") + "text \"" + sim::ToUtf8(version) + "\"";
    }
  }
  return text.empty() ? "none" : text;
}

}  // namespace

uint32_t SysGetFileVersionInfoSize(const char16_t* path) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetFileVersionInfoSize)) return 0;
  std::string resource;
  const bool loaded = LoadVersionResource(path, &resource);
  if (sim::internal::State().fileJournal)
    sim::JournalAdd("file-version: " + sim::ToUtf8(path ? path : u"") + " -> " + (loaded ? DescribeVersion(resource) : "none"));
  if (!loaded) return 0;
  Fail(kErrSuccess);
  return static_cast<uint32_t>(resource.size() * 2 + sizeof(kSignature));
}

int SysGetFileVersionInfo(const char16_t* path, uint32_t size, void* data) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetFileVersionInfo)) return 0;
  if (!data) {
    Fail(kErrInvalidData);
    return 0;
  }
  std::string resource;
  if (!LoadVersionResource(path, &resource)) return 0;
  uint8_t* out = static_cast<uint8_t*>(data);
  const size_t copied = resource.size() < size ? resource.size() : size;
  std::copy(resource.begin(), resource.begin() + static_cast<std::ptrdiff_t>(copied), out);
  size_t used = copied;
  if (copied >= kBlockHeaderSize) {
    // A buffer shorter than the block gets a block whose length says what was copied, so that
    // later lookups in it stay inside the buffer.
    size_t blockLength = Read16(out);
    if (blockLength > copied) {
      blockLength = copied;
      out[0] = static_cast<uint8_t>(blockLength & 0xFF);
      out[1] = static_cast<uint8_t>(blockLength >> 8);
    }
    // A block shorter than its own header is damaged: every lookup in it fails, and the
    // signature is not written over its header (it would become the block's length).
    if (blockLength >= kBlockHeaderSize && size >= blockLength + sizeof(kSignature)) {
      std::copy(kSignature, kSignature + sizeof(kSignature), out + blockLength);
      if (used < blockLength + sizeof(kSignature)) used = blockLength + sizeof(kSignature);
    }
  }
  std::fill(out + used, out + size, 0);
  Fail(kErrSuccess);
  return 1;
}

int SysVerQueryValue(const void* block, const char16_t* subBlock, void** value, uint32_t* length) {
  Guard guard(Lock());
  if (SIM_FAULT(SysVerQueryValue)) return 0;
  if (!block || !subBlock) {
    Fail(kErrInvalidParameter);
    return 0;
  }
  const uint8_t* bytes = static_cast<const uint8_t*>(block);
  const uint8_t* found = nullptr;
  uint32_t count = 0;
  if (!sim::QueryVersionBlock(bytes, Read16(bytes), subBlock, &found, &count)) {
    if (length) *length = 0;
    Fail(kErrResourceTypeNotFound);
    return 0;
  }
  if (value) *value = const_cast<uint8_t*>(found);
  if (length) *length = count;
  return 1;
}
