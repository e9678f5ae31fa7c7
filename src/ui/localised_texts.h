// Localised interface texts: every dialog's and page's texts from the chosen language's section
// of install.ini, with compiled-in English defaults; the Start Installation summary; button
// fitting and line-break escapes.
#pragma once
#include <cstdint>

#include "platform/types.h"

constexpr uint32_t kLocalisedTextSize = 256;  // each text: 255 characters and the terminator

// Replaces the texts of a dialog or page created from template templateId with the language's
// versions. Without a window only wizard page templates answer: their title goes to title
// (kLocalisedTextSize characters). For template 12012 a non-null title means nothing is set.
// Returns 1 when the template has texts, 0 otherwise.
int ApplyLocalisedTexts(WindowHandle window, uint32_t templateId, char16_t* title);

// Resizes button id of the dialog to the width of text in the button's drawing context,
// keeping it 10 pixels inside the dialog's client area.
void FitButtonToText(WindowHandle dialog, int id, const char16_t* text);

// Turns every backslash-n pair into a space and a line feed, in place.
void ExpandNewlineEscapes(char16_t* text);

// Writes format into out (kLocalisedTextSize characters) with every %s replaced by title and
// %% by one percent sign; any other percent sequence is kept as written.
void FormatWithTitle(char16_t* out, const char16_t* format, const char16_t* title);

// Puts the product title (Title) into the %s of control id's own text, as FormatWithTitle
// does, and sets the result back.
void FormatControlWithTitle(WindowHandle dialog, int id);

// Builds the Start Installation summary from the current settings into out
// (kLocalisedTextSize characters).
void BuildInstallSummary(char16_t* out);
