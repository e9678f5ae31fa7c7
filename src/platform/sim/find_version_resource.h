// Locates the version resource inside the bytes of a Windows program or library file (32- or
// 64-bit PE image read as plain data), checking every offset against the file's size.
#pragma once
#include <cstddef>
#include <cstdint>

namespace sim {

// Why a file has or has not a version resource.
enum class VersionResourceLookup {
  kFound,          // *offset and *size name the resource's bytes
  kNotImage,       // not a PE image, or its headers are damaged
  kNoResources,    // an image without a resource directory
  kNoVersionType,  // resources, but none of the version type (16)
  kNoVersionName,  // the version type holds no resource 1, or it has no language
  kDamaged,        // the resource directory or data entry points outside the file
};

// Looks for the version resource in image (size bytes): type 16, name 1, the first language
// (a version resource under any other name is not the file's version). On kFound the resource occupies [*offset, *offset + *length).
VersionResourceLookup FindVersionResource(const uint8_t* image, size_t size, size_t* offset, size_t* length);

}  // namespace sim
