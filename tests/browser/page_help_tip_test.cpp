#include "browser/page_help_tip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "controls/help_texts.h"
#include "markup/markup_plain_text.h"

namespace vn340 {
namespace {

// Every byte 7 pixels wide, blanks 3, in a cell of the font's height with 3 below the baseline;
// a bold font one pixel wider per byte. Counts what it is asked, as each answer costs the page
// a round of canvas measuring.
class FixedFonts : public FontFactsSource {
  public:
    FontFacts load(const FontSpec& font) override {
        ++loads[font];
        FontFacts facts;
        facts.metrics = {font.height, font.height - 3, 3, 7};
        facts.advance.fill(font.weight > 400 ? 8 : 7);
        facts.advance[' '] = 3;
        return facts;
    }
    std::map<FontSpec, int, FontSpecOrder> loads;
};

std::vector<TipText> textsOf(const TipDrawing& drawing) {
    std::vector<TipText> texts;
    for (const TipStep& step : drawing.steps) {
        if (const auto* text = std::get_if<TipText>(&step)) {
            texts.push_back(*text);
        }
    }
    return texts;
}

// The text without its blanks and breaks: what must all be drawn, wherever the lines break.
std::string inkOf(const std::string& text) {
    std::string ink;
    std::copy_if(text.begin(), text.end(), std::back_inserter(ink),
                 [](unsigned char c) { return std::isspace(c) == 0; });
    return ink;
}

// What a pilot reads on the canvas, line by line: the runs in drawing order, a new line
// wherever a run starts lower than the one before.
std::string readOut(const std::vector<TipText>& texts) {
    std::string read;
    int top = -1;
    for (const TipText& text : texts) {
        if (top >= 0) {
            read += text.top > top ? "\n" : "";
        }
        read += text.text;
        top = text.top;
    }
    return read;
}

TEST(PageHelpTip, EveryHelpTextIsDrawnWholeWithinTheWidthItWasGiven) {
    for (const HelpText& help : helpTexts()) {
        SCOPED_TRACE(help.text);
        FixedFonts fonts;
        const TipDrawing drawing = drawHelpTip(help.text, 500, fonts);
        const std::vector<TipText> texts = textsOf(drawing);
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(inkOf(readOut(texts)), inkOf(markupPlainText(help.text)));
        EXPECT_LE(drawing.size.width(), 501);
        for (const TipText& text : texts) {
            EXPECT_LE(text.x + text.width, drawing.size.width());
            EXPECT_LE(text.top + text.font.height, drawing.size.height());
            EXPECT_EQ(text.baseline, text.top + text.font.height - 3);
        }
        for (const auto& [font, loads] : fonts.loads) {
            EXPECT_EQ(loads, 1) << font.face << " " << font.height
                                << " is measured once for both passes";
        }
    }
}

TEST(PageHelpTip, BreaksALineOnlyWhenTheNextWordWouldNotFit) {
    // "aaaa bbbb" is 4 * 7 + 3 + 4 * 7 = 59 pixels wide.
    struct Case {
        const char* name;
        int maxWidth;
        int lines;
    };
    for (const Case& c : {Case{"an exact fit", 59, 1}, Case{"one pixel short", 58, 2}}) {
        SCOPED_TRACE(c.name);
        FixedFonts fonts;
        const std::vector<TipText> texts = textsOf(drawHelpTip("aaaa bbbb", c.maxWidth, fonts));
        const std::string read = readOut(texts);
        EXPECT_EQ(std::count(read.begin(), read.end(), '\n') + 1, c.lines) << read;
        EXPECT_EQ(inkOf(read), "aaaabbbb");
    }
}

TEST(PageHelpTip, HandsThePageUnicodeAndTheWindowsStyledRuns) {
    FixedFonts fonts;
    // 0x80 is the euro sign in the help texts' code page.
    const std::vector<TipText> texts = textsOf(drawHelpTip("5 \x80 <b>bold</b>", 500, fonts));
    ASSERT_FALSE(texts.empty());
    EXPECT_NE(readOut(texts).find("5 \u20ac"), std::string::npos) << readOut(texts);
    const auto bold =
        std::find_if(texts.begin(), texts.end(), [](const TipText& t) { return t.text == "bold"; });
    ASSERT_NE(bold, texts.end());
    EXPECT_GT(bold->font.weight, 400);
    EXPECT_EQ(bold->width, 4 * 8);
}

}  // namespace
}  // namespace vn340
