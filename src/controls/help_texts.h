#pragma once

#include <vector>

#include "controls/control.h"

namespace vn340 {

// A control of the main window and the markup text its help tip shows.
struct HelpText {
    Control control;
    const char* text;
};

// In registration order; controls that share a text follow one another.
const std::vector<HelpText>& helpTexts();
// The text of a control, or nullptr for a control without help.
const char* helpTextFor(Control control);

}  // namespace vn340
