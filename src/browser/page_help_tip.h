#pragma once

// A control's help tip as the page shows it: the text laid out by the window's own markup
// layout, measured with the page's fonts, and kept as drawing steps that the page's canvas plays
// back. The window and the page thus break the same text at the same words for the same fonts.

#include <array>
#include <deque>
#include <string>
#include <string_view>
#include <variant>

#include "markup/colour.h"
#include "markup/geometry.h"
#include "markup/text_device.h"

namespace vn340 {

// What the layout needs to know of one font: its heights and the advance of every byte of
// the code page, in whole pixels, as the window measures its own fonts.
struct FontFacts {
    TextMetrics metrics;
    std::array<int, 256> advance{};
};

// Where the fonts' facts come from: the page's canvas, or a test.
class FontFactsSource {
  public:
    virtual ~FontFactsSource() = default;
    virtual FontFacts load(const FontSpec& font) = 0;
};

// A run of text with its top-left corner and its baseline; `text` is UTF-8.
struct TipText {
    int x = 0;
    int top = 0;
    int baseline = 0;
    int width = 0;
    FontSpec font;
    Colour colour;
    bool filled = false;  // the run's cell is filled with `back` first
    Colour back;
    std::string text;
};

// End points inclusive.
struct TipLine {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    Colour colour;
    int width = 1;
};

struct TipFill {
    Rect rect;
    Colour colour;
};

using TipStep = std::variant<TipText, TipLine, TipFill>;

struct TipDrawing {
    Size size;                  // of the text, as the window sizes it (one more each way)
    std::deque<TipStep> steps;  // a deque: its steps never move as it grows
};

// Lays out `markup` (Windows-1252, as the help texts are) no wider than `maxWidth` and records
// how it is drawn at (0, 0). Pictures are left out: no help text has one.
TipDrawing drawHelpTip(std::string_view markup, int maxWidth, FontFactsSource& fonts);

}  // namespace vn340
