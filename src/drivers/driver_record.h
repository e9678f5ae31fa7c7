// The install record as the driver stage reads it: its key path, its driver values and the
// verdict that the outside driver setup program leaves in it.
#pragma once
#include <cstdint>

#include "platform/registry.h"

// Writes "Software\Norvik\Install\" + ProductKey into out (cap characters, cut to fit).
void DriverRecordPath(char16_t* out, uint32_t cap);

// Opens the install record under HKEY_LOCAL_MACHINE for reading. Returns 1 with *key open (the
// caller closes it), 0 when the record cannot be opened.
int OpenDriverRecord(RegKey* key);

// Reads a string value of the record into out (256 characters: at most 255 kept); a missing or
// unreadable value reads as empty.
void ReadDriverRecordText(RegKey key, const char16_t* name, char16_t* out);

// The DWORD "Result" of the record; 0 when the record or the value cannot be read.
uint32_t ReadDriverResult();
