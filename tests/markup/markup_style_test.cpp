#include <gtest/gtest.h>

#include "markup/markup_style.h"
#include "markup/markup_tokenizer.h"

namespace vn340 {
namespace {

// The colour names without the desktop's colours, x-height 5, 96 dots per inch.
StyleContext context() {
    static const ColourNames names;
    StyleContext ctx;
    ctx.names = &names;
    ctx.xHeight = 5;
    ctx.dpi = 96;
    return ctx;
}

TEST(MarkupEntities, ReplacedInNameOrderOverTheWholeText) {
    struct Row {
        const char* in;
        std::string out;
    };
    const Row rows[] = {
        {"&amp;lt;", "<<"},  // "&amp;" first gives "&lt;", replaced later as the escaped "<"
        {"&lt;b&gt;", "<<b>"},
        {"&euro;", "\x80"},  // the euro sign of Windows-1252
        {"&bull;&copy;&trade;", "\x95\xA9\x99"},
        {"a&nbsp;b&quot;", "a b\""},
        {"&iquest;&para;&pound;&reg;", "\xBF\xB6\xA3\xAE"},
        {"&unknown; &amp", "&unknown; &amp"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(replaceEntities(row.in), row.out) << row.in;
    }
}

TEST(MarkupPreprocess, LineBreaksTabsAndCarriageReturns) {
    EXPECT_EQ(preprocessMarkup("a\r\nb\tc", true), "<body>a<br>b<t>c</body>");
    EXPECT_EQ(preprocessMarkup("a\r\nb\tc", false), "<body>abc</body>");
}

// A text's tokens, each as "text:" and its run, or as "open:" or "close:" and the tag's name
// with its attributes in brackets.
std::vector<std::string> tokens(std::string_view text) {
    std::vector<std::string> out;
    MarkupTokenizer tok(text);
    for (MarkupToken t; tok.next(t);) {
        if (t.kind == MarkupToken::Kind::text) {
            out.push_back("text:" + t.text);
        } else {
            out.push_back((t.closing ? "close:" : "open:") + std::string(t.name) + "[" +
                          std::string(t.attributes) + "]");
        }
    }
    return out;
}

TEST(MarkupTokenizer, DoubledLessThanIsALiteralAndContinuesTheRun) {
    EXPECT_EQ(tokens("a<<b<i x=1>c</i>"),
              (std::vector<std::string>{"text:a<b", "open:i[x=1]", "text:c", "close:i[]"}));
}

TEST(MarkupTokenizer, TagWithoutClosingBracketRunsToTheEnd) {
    EXPECT_EQ(tokens("x<b"), (std::vector<std::string>{"text:x", "open:b[]"}));
}

TEST(MarkupAttributes, QuotedBareAndSpacedValues) {
    const auto attrs = parseAttributes("face=\"Courier New\" size = 3 color='red' .x novalue");
    ASSERT_EQ(attrs.size(), 5u);
    EXPECT_EQ(attrs[0].name, "face");
    EXPECT_EQ(attrs[0].value, "Courier New");
    EXPECT_EQ(attrs[1].name, "size");
    EXPECT_EQ(attrs[1].value, "3");
    EXPECT_EQ(attrs[2].value, "red");
    EXPECT_EQ(attrs[3].name, ".x");
    EXPECT_EQ(attrs[4].name, "novalue");
    EXPECT_EQ(attrs[4].value, "");
}

TEST(MarkupAttributes, CountOnlyAfterEquals) {
    EXPECT_EQ(tagCount("=3"), 3);
    EXPECT_EQ(tagCount("3"), 1);
    EXPECT_EQ(tagCount(""), 1);
    EXPECT_EQ(tagCount("=99999999"), 1000);
}

TEST(MarkupTags, StackNamesOfTheTable) {
    struct Row {
        const char* tag;
        const char* stack;
    };
    const Row rows[] = {{"b", "bold"},
                        {"em", "italic"},
                        {"strike", "strikeout"},
                        {"bottom", "vcenter"},
                        {"middle", "vcenter"},
                        {"a", "link"},
                        {"h3", "h3"},
                        {"br", ""},
                        {"ilst", ""}};
    for (const Row& row : rows) {
        const TagInfo* info = findTag(row.tag);
        ASSERT_NE(info, nullptr) << row.tag;
        EXPECT_EQ(info->stackName, row.stack) << row.tag;
    }
    EXPECT_EQ(findTag("table"), nullptr);
    EXPECT_EQ(findTag("B"), nullptr);  // names are compared case-sensitively
}

TEST(MarkupLengths, EveryUnitAndTheFontSizeTable) {
    const StyleContext ctx = context();
    struct Row {
        const char* value;
        int current;
        LengthKind kind;
        int expected;
    };
    const Row rows[] = {
        {"", 7, LengthKind::plain, 7},
        {"65%", 16, LengthKind::fontSize, 10},  // 10.4 rounded
        {"50%", 200, LengthKind::plain, 100},
        {"24px", 0, LengthKind::plain, 24},
        {"3ex", 0, LengthKind::plain, 15},
        {"2em", 0, LengthKind::plain, 26},  // font height 13
        {"1in", 0, LengthKind::plain, 96},
        {"1cm", 0, LengthKind::plain, 37},   // 37.8 truncated
        {"10mm", 0, LengthKind::plain, 37},  // 37.8 truncated
        {"10pt", 0, LengthKind::plain, 13},  // 13.3 rounded
        {"9pt", 0, LengthKind::plain, 12},
        {"1pc", 0, LengthKind::plain, 16},
        {"-5px", 0, LengthKind::plain, 5},  // the sign is dropped
        {"0x10", 0, LengthKind::plain, 16},
        {"010", 0, LengthKind::plain, 8},
        {"3", 16, LengthKind::fontSize, 12},
        {"12", 16, LengthKind::fontSize, 12},
        {"+2", 16, LengthKind::fontSize, 10},
        {"7", 16, LengthKind::fontSize, 36},
        {"1", 16, LengthKind::fontSize, 8},
        {"3", 16, LengthKind::plain, 3},
        {"abc", 9, LengthKind::plain, 9},
        {"xxpx", 9, LengthKind::plain, 9},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(readLength(row.value, row.current, 13, ctx, row.kind), row.expected)
            << "'" << row.value << "'";
    }
}

TEST(MarkupColours, HexNumbersNamesAndRejects) {
    const ColourNames names;
    struct Row {
        const char* value;
        std::optional<Colour> expected;
    };
    const Row rows[] = {
        {"#ff9900", Colour::fromRgb(255, 153, 0)},
        {"#FF9900", Colour::fromRgb(255, 153, 0)},
        {"#ff990", std::nullopt},
        {"#ff99001", std::nullopt},
        {"0x0000ff", Colour::fromRgb(255, 0, 0)},  // a number has red in the low byte
        {"255", Colour::fromRgb(255, 0, 0)},
        {"lightgoldenrodyellow", Colour::fromRgb(250, 250, 210)},
        {"darkslategray", Colour::fromRgb(47, 79, 79)},
        {"rebeccapurple", std::nullopt},
        {"Red", std::nullopt},  // names are lower case
    };
    for (const Row& row : rows) {
        EXPECT_EQ(readColour(row.value, names), row.expected) << row.value;
    }
}

TEST(MarkupColours, HundredSixtyEightNamesWithTheDesktopColours) {
    const ColourNames names({{"buttonface", Colour::fromRgb(1, 2, 3)}});
    EXPECT_EQ(names.size(), 168u);
    EXPECT_EQ(names.find("buttonface"), Colour::fromRgb(1, 2, 3));
    EXPECT_TRUE(names.find("windowtext").has_value());
    EXPECT_EQ(ColourNames::systemColourNames().size(), 28u);
}

TEST(MarkupStyleSheet, DefaultRulesReplacementAndLastOfTwo) {
    StyleSheet sheet;
    EXPECT_EQ(sheet.size(), 17u);
    ASSERT_NE(sheet.rule("a:hover"), nullptr);
    sheet.set("P {Color: Red} p {color:blue}\r\n.x{font-size:3}");
    EXPECT_EQ(sheet.size(), 2u);
    ASSERT_NE(sheet.rule("p"), nullptr);
    EXPECT_EQ(*sheet.rule("p"), "color:blue");
    EXPECT_EQ(sheet.rule("body"), nullptr);
    sheet.set("");
    EXPECT_EQ(sheet.size(), 17u);
}

TEST(MarkupStyleProperties, DeclarationsApplyInOrder) {
    const StyleContext ctx = context();
    StyleState s;
    applyDeclarations(s,
                      "font-size: 9pt; font-family:\"Courier\"; background-color:#fbedbb;"
                      "font-weight:bolder; text-decoration: underline, overline;"
                      "vertical-align:top; text-align:right; text-transform:capitalize",
                      ctx);
    EXPECT_EQ(s.fontSize, 12);
    EXPECT_EQ(s.fontFace, "Courier");
    EXPECT_EQ(s.backMode, 2);
    EXPECT_EQ(s.backColor, Colour::fromRgb(0xfb, 0xed, 0xbb));
    EXPECT_EQ(s.fontWeight, 900);
    EXPECT_TRUE(s.underline);
    EXPECT_TRUE(s.overline);
    EXPECT_EQ(s.vAlign, 0);
    EXPECT_EQ(s.hAlign, 2);
    EXPECT_EQ(s.textTransform, 3);
    applyDeclarations(s, "text-decoration:none; font-weight: sideways; text-align: middle", ctx);
    EXPECT_FALSE(s.underline);
    EXPECT_FALSE(s.overline);
    EXPECT_EQ(s.fontWeight, 900);  // an unknown keyword keeps the value
    EXPECT_EQ(s.hAlign, 2);
}

TEST(MarkupStyleProperties, KeywordsAndTheirLastWord) {
    const StyleContext ctx = context();
    using Field = int (*)(const StyleState&);
    const Field italic = [](const StyleState& s) { return static_cast<int>(s.italic); };
    const Field hAlign = [](const StyleState& s) { return s.hAlign; };
    const Field vAlign = [](const StyleState& s) { return s.vAlign; };
    const Field transform = [](const StyleState& s) { return s.textTransform; };
    const Field padding = [](const StyleState& s) { return s.cellPadding; };
    const Field spacing = [](const StyleState& s) { return s.cellSpacing; };
    const Field faceLength = [](const StyleState& s) {
        return static_cast<int>(s.fontFace.size());
    };
    struct Row {
        const char* declarations;
        Field field;
        int expected;
    };
    const Row rows[] = {
        {"font-style: oblique", italic, 1},
        {"font-style: italic; font-style: normal", italic, 0},
        {"font-style: italic; font-style:", italic, 0},
        {"text-align: center", hAlign, 1},
        {"text-align: right; text-align: justify", hAlign, 2},  // not a word of this property
        {"text-align: right; text-align: left", hAlign, 0},
        {"text-transform: uppercase", transform, 1},
        {"text-transform: lowercase", transform, 2},
        {"text-transform: capitalize; text-transform: none", transform, 0},
        {"vertical-align: middle", vAlign, 1},
        {"vertical-align: vcenter", vAlign, 1},
        {"vertical-align: bottom", vAlign, 2},
        {"vertical-align: top; vertical-align: center", vAlign, 0},
        {"vertical-align: top; vertical-align: baseline", vAlign, 3},
        {"padding: 5", padding, 5},
        {"padding: 2000", padding, 1000},
        {"margin: 1em", spacing, 16},
        {"font-family: Arial", faceLength, 5},
        {"font-family: Arial; font-family:", faceLength, 5},
    };
    for (const Row& row : rows) {
        StyleState s;
        applyDeclarations(s, row.declarations, ctx);
        EXPECT_EQ(row.field(s), row.expected) << row.declarations;
    }
}

TEST(MarkupStyleProperties, BorderWidthAndStyleKeepEachOtherSound) {
    const StyleContext ctx = context();
    StyleState s;
    applyStyleProperty(s, "border-style", "dashed", ctx);
    EXPECT_EQ(s.borderStyle, 2);
    EXPECT_EQ(s.borderWidth, 1);
    applyStyleProperty(s, "border-width", "8", ctx);
    applyStyleProperty(s, "border-width", "thin", ctx);
    EXPECT_EQ(s.borderWidth, 6);
    applyStyleProperty(s, "border-width", "0", ctx);
    EXPECT_EQ(s.borderStyle, 0);
    applyStyleProperty(s, "size", "3", ctx);
    EXPECT_EQ(s.borderStyle, 1);
    EXPECT_EQ(s.borderWidth, 3);
}

TEST(MarkupStyleProperties, DisabledColoursUseTheDisabledColour) {
    StyleContext ctx = context();
    ctx.coloursEnabled = false;
    ctx.disabledColour = Colour::fromRgb(9, 9, 9);
    StyleState s;
    applyStyleProperty(s, "color", "red", ctx);
    applyStyleProperty(s, "background-color", "red", ctx);
    applyStyleProperty(s, "border-color", "red", ctx);
    EXPECT_EQ(s.textColor, Colour::fromRgb(9, 9, 9));
    EXPECT_EQ(s.borderDarkColor, Colour::fromRgb(9, 9, 9));
    EXPECT_EQ(s.backMode, 1);
}

TEST(MarkupFontAttributes, StyleLettersWithSigns) {
    const StyleContext ctx = context();
    StyleState s;
    applyFontAttribute(s, "style", "biu-i+o", ctx);
    EXPECT_EQ(s.fontWeight, 700);
    EXPECT_FALSE(s.italic);
    EXPECT_TRUE(s.underline);
    EXPECT_TRUE(s.overline);
    applyFontAttribute(s, "style", "-b", ctx);
    EXPECT_EQ(s.fontWeight, 400);
    applyFontAttribute(s, "bkgnd", "yellow", ctx);
    EXPECT_EQ(s.backMode, 2);
    applyFontAttribute(s, "bkgnd", "transparent", ctx);
    EXPECT_EQ(s.backMode, 1);
}

TEST(MarkupTextTransform, UpperLowerCapitalize) {
    EXPECT_EQ(transformText("Ab c", 1), "AB C");
    EXPECT_EQ(transformText("Ab C", 2), "ab c");
    EXPECT_EQ(transformText("hELLO wORLD-x", 3), "Hello World-x");
    EXPECT_EQ(transformText("Ab", 0), "Ab");
}

TEST(MarkupStyleStack, ClosingPopsOnlyItsOwnName) {
    StyleStack stack;
    StyleState s;
    stack.push(s, "bold");
    s.fontWeight = 800;
    EXPECT_FALSE(stack.popIfTop("italic", s));
    EXPECT_EQ(s.fontWeight, 800);
    EXPECT_TRUE(stack.popIfTop("bold", s));
    EXPECT_EQ(s.fontWeight, 400);
    EXPECT_FALSE(stack.popIfTop("bold", s));
}

}  // namespace
}  // namespace vn340
