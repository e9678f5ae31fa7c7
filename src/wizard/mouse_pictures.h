// Mouse pictures of the model page: pictures read from .img bundles and from resource libraries
// in the Windows folder, and their drawing into the page's picture frame.
#pragma once
#include <cstdint>

#include "platform/types.h"
#include "platform/ui.h"

// Reads the "Mouse.bmp" entry of an .img picture bundle and makes a screen bitmap of it; sets
// ModelTable[slot]'s background colour from the first stored pixel. Returns the bitmap, null
// when the file cannot be read or holds no readable "Mouse.bmp" entry.
GdiObject LoadImgPicture(const char16_t* path, int32_t slot);

// The PCX picture held by a library (loaded as data) as a raw-data resource (type 10) named
// resourceName (each character cut to its low byte), made into a screen bitmap. Returns null
// when the resource is missing or the picture is not accepted.
GdiObject LoadResourcePicture(ModuleHandle library, const char16_t* resourceName);

// The logical palette of that picture, realized in window's drawing context; the window is
// invalidated when colours changed. Returns null when the resource or picture is missing.
GdiObject LoadResourcePalette(WindowHandle window, ModuleHandle library, const char16_t* resourceName);

// Draws picture into the inner rectangle of the page's frame control frameId on dc, over a
// background of the ModelId slot's colour (bundle pictures) or black. Returns 1 when drawn, 0
// when there is no picture.
int DrawModelPicture(WindowHandle page, DeviceContext dc, int frameId, GdiObject picture);
