// Version-resource services: GetFileVersionInfoSizeW, GetFileVersionInfoW, VerQueryValueW.
#pragma once
#include "platform/types.h"

// The fixed part of a version resource (VS_FIXEDFILEINFO).
struct SysFixedFileInfo {
  uint32_t dwSignature;  // 0xFEEF04BD
  uint32_t dwStrucVersion;
  uint32_t dwFileVersionMS;
  uint32_t dwFileVersionLS;
  uint32_t dwProductVersionMS;
  uint32_t dwProductVersionLS;
  uint32_t dwFileFlagsMask;
  uint32_t dwFileFlags;
  uint32_t dwFileOS;
  uint32_t dwFileType;
  uint32_t dwFileSubtype;
  uint32_t dwFileDateMS;
  uint32_t dwFileDateLS;
};

// Size of the buffer the file's version block needs (more than the block itself, as Windows
// keeps working room behind it); 0 when it has none or cannot be read, with the last error
// set (2 missing file, 1812 no program file, 1813 no version resource).
uint32_t SysGetFileVersionInfoSize(const char16_t* path);
// Copies the version block into data (size bytes). Returns 1 on success, 0 on failure.
int SysGetFileVersionInfo(const char16_t* path, uint32_t size, void* data);
// Looks a value up in a version block: "\\" (the SysFixedFileInfo), "\\VarFileInfo\\Translation"
// (pairs of 16-bit language and code page), "\\StringFileInfo\\<lang><cp>\\<name>" (UTF-16
// text; length in characters including the terminator). Returns 1 when found, 0 otherwise.
int SysVerQueryValue(const void* block, const char16_t* subBlock, void** value, uint32_t* length);
