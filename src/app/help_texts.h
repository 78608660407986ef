#pragma once

#include <vector>

namespace vn340 {

// A control of the main window and the markup text its help tip shows.
struct HelpText {
    int controlId;
    const char* text;
};

// In registration order; controls that share a text follow one another.
const std::vector<HelpText>& helpTexts();
// The text of a control, or nullptr for a control without help.
const char* helpTextFor(int controlId);

}  // namespace vn340
