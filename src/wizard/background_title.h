// The caption of the main background window: the product title, the Especial build's own title
// from SETUP2K.INI in the Windows folder, and the language's caption word.
#pragma once
#include <cstdint>

// Room for the longest caption: a 255-character title, a blank, one more blank and the
// 99-character caption word.
constexpr uint32_t kBackgroundTitleSize = 512;

// Composes the caption into out (cap characters, cut to cap - 1): Title, or with Especial on
// "CH_SetupTite" (Chinese) / "SetupTite" and a blank of [Install] of SETUP2K.INI in the Windows
// folder (default Title); then a blank and TitleSuffix, which is first replaced by
// "IDS_STRING_INSTALL" of the language section of install.ini beside the program (default
// " install"). Changes TitleSuffix.
void ComposeBackgroundTitle(char16_t* out, uint32_t cap);
