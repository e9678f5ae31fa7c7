// Whether a Bluetooth mouse that the package already handles is present.
#pragma once

// Returns 1 when a present mouse-class device enumerated by HID (or, when that set cannot be
// built, a mouse-class device of the current hardware profile) has a hardware id equal,
// ignoring case, to a value name under HKEY_LOCAL_MACHINE\Software\Norvik\Glidewave 98\BTUID;
// 0 otherwise (also when the key is missing). Changes no settings field.
int FindBTUIDDevice();
