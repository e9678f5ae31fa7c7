// A stand-in for the wizard frame in page tests: a plain visible top-level window of the
// frame's size, which the page under test takes as its parent.
#pragma once
#include <string>

#include "platform/types.h"

// Creates a visible 500 x 380 popup window of the given class ("Frame" unless said).
WindowHandle MakeWizardFrame(const std::u16string& className = u"Frame");
