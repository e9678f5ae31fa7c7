// Whether a present HID device is one of the hardware ids listed in "Mode_DPInst_FALSE.List".
#pragma once

// Returns 1 when the first hardware id of a present HID-class device begins (ignoring case)
// with an entry "DEV_ID_1", "DEV_ID_2", ... of section "Mode_DPInst_FALSE.List" of ConfigFile
// (the list ends at the first empty entry); 0 otherwise. The argument is not looked at.
// Changes no settings field.
int IsDPInstFalseDevice(const char16_t* unused);
