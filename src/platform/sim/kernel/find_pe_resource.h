// Locates resources inside the bytes of a Windows program or library file (32- or 64-bit PE
// image read as plain data), checking every offset against the file's size: the version
// resource for the version services, named resources for libraries loaded as data.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/types.h"
#include "platform/sim/machine/windows_constants.h"

namespace sim {

// Why a file has or has not the resource asked for.
enum class PeResourceLookup {
  kFound,        // *offset and *length name the resource's bytes
  kNotImage,     // not a PE image, or its headers are damaged
  kNoResources,  // an image without a resource directory
  kNoType,       // resources, but none of the type asked for
  kNoName,       // the type holds no resource of that name, or it has no language
  kDamaged,      // the resource directory or data entry points outside the file
};

// The error FindResource leaves for a lookup that did not find the resource.
ErrorCode ResourceLookupError(PeResourceLookup lookup);

// Looks for the resource of a numeric type in image (size bytes): named by the number id when
// name is null, else by the text name compared without case (as FindResourceA does; "#n" stands
// for the number n). The first language is taken. On kFound the resource occupies
// [*offset, *offset + *length).
PeResourceLookup FindPeResource(const uint8_t* image, size_t size, uint32_t type, const char* name, uint32_t id,
                                size_t* offset, size_t* length);

// The version resource: type 16, name 1, the first language (a version resource under any other
// name is not the file's version).
PeResourceLookup FindVersionResource(const uint8_t* image, size_t size, size_t* offset, size_t* length);

}  // namespace sim
