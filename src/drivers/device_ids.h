// Reading a device's ids from a device set, and the prefix comparison the device queries use.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/devices.h"

// The instance id buffer of the device queries: 520 characters and the terminator.
constexpr uint32_t kInstanceIdSize = 521;

// Reads the device's instance id into out (cap characters). Returns 1 when it was read whole,
// 0 (out empty) when it cannot be read or does not fit.
int ReadDeviceInstanceId(DeviceInfoSet set, const SysDeviceInfoData* device, char16_t* out, uint32_t cap);

// Reads the device's hardware-id list into a buffer of bufferBytes bytes and copies its first
// string into out (cap characters, cut to fit). Returns 1 when the list was read, 0 (out empty)
// when the property is missing or larger than the buffer.
int ReadFirstHardwareId(DeviceInfoSet set, const SysDeviceInfoData* device, uint32_t bufferBytes, char16_t* out,
                        uint32_t cap);

// Returns 1 when the first n characters of deviceId (n = length of id) equal id, ignoring case;
// 0 otherwise, and for an empty id, which names no device.
int DeviceIdStartsWith(const char16_t* deviceId, const char16_t* id);
