// The folder chooser of the destination page: the shell's folder browser proposing a maker and
// product folder inside whatever folder the user selects.
#pragma once
#include <cstdint>

#include "platform/types.h"

constexpr uint32_t kBrowsePathSize = 260;

// Opens the folder browser owned by owner, starting at browsePath (kBrowsePathSize characters).
// Returns 1 when the user confirmed a folder: DestinationDir becomes the edit box's text and
// browsePath the folder chosen. Returns 0 after Cancel (or when the browser cannot open), with
// DestinationDir as it was.
int ChooseFolder(WindowHandle owner, char16_t* browsePath);
