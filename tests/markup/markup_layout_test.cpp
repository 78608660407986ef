// Every expected position follows from the fake metrics: characters 10 pixels wide (11 bold),
// ascent 8, descent 2, so a plain text line is 10 pixels high and its text top is
// line top + 10 - 2 - 8 = line top. The body font is 10pt = 13 pixels at 96 dpi.
#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "geometry_print.h"
#include "markup/markup_renderer.h"
#include "markup_fake_device.h"

namespace vn340::test {
namespace {

// A text drawn: its x, its top and the text.
using Placed = std::tuple<int, int, std::string>;

std::vector<Placed> placed(const FakeTextDevice& dev) {
    std::vector<Placed> out;
    for (const auto& t : dev.texts) {
        out.emplace_back(t.x, t.top, t.text);
    }
    return out;
}

class MarkupLayout : public ::testing::Test {
  protected:
    // The links clicked are recorded, never opened.
    MarkupLayout() {
        renderer.SetUrlOpener([this](const std::string& target) {
            opened.push_back(target);
            return true;
        });
    }
    // Measures, then draws into a rectangle `drawWidth` wide (default: the measured width).
    Size render(std::string_view text, int maxWidth = 0, int drawWidth = -1) {
        renderer.SetMaxWidth(maxWidth);
        const Size size = renderer.Measure(dev, text);
        dev.clear();
        renderer.Draw(dev,
                      Rect(0, 0, drawWidth >= 0 ? drawWidth : size.width() - 1, size.height() - 1));
        return size;
    }
    // The handle, as markup names it, of a picture of that size.
    std::string image(int w, int h) {
        return std::to_string(renderer.AddImageHandle(MarkupImage{w, h, {}}));
    }

    MarkupRenderer renderer;
    FakeTextDevice dev;
    std::vector<std::string> opened;
};

TEST_F(MarkupLayout, PlainTextsAndTheirSizes) {
    struct Row {
        const char* markup;
        Size size;
        std::vector<Placed> texts;
    };
    const Row rows[] = {
        {"abc", {31, 11}, {{0, 0, "abc"}}},
        {"a<<b", {31, 11}, {{0, 0, "a<b"}}},
        {"&amp;lt;", {11, 11}, {{0, 0, "<"}}},
        {"a<br=3>b", {11, 41}, {{0, 0, "a"}, {0, 30, "b"}}},
        {"a<br 3>b", {11, 21}, {{0, 0, "a"}, {0, 10, "b"}}},
        {"a\nb", {11, 21}, {{0, 0, "a"}, {0, 10, "b"}}},
        {"a<br>", {11, 11}, {{0, 0, "a"}}},  // a closing break adds no empty line
        {"a<t>b", {43, 11}, {{0, 0, "a"}, {32, 0, "b"}}},
        {"<t=2>b", {75, 11}, {{64, 0, "b"}}},
        {"a<unknown x=1>b</unknown>", {21, 11}, {{0, 0, "a"}, {10, 0, "b"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.markup);
        EXPECT_EQ(render(row.markup), row.size);
        EXPECT_EQ(placed(dev), row.texts);
    }
}

TEST_F(MarkupLayout, EmptyTextMeasuresNothingAndKeepsThePreviousText) {
    render("abc");
    EXPECT_EQ(renderer.Measure(dev, ""), Size(0, 0));
    dev.clear();
    renderer.Draw(dev, Rect(0, 0, 30, 10));
    EXPECT_EQ(placed(dev), (std::vector<Placed>{{0, 0, "abc"}}));
}

TEST_F(MarkupLayout, BoldItalicAndStrayClosingTags) {
    struct Row {
        const char* markup;
        int weight;
        bool italic;
        int fontSize;
    };
    const Row rows[] = {
        {"<b>x</b>", 800, false, 13},
        {"<b><b>x</b></b>", 900, false, 13},
        {"<i>x</i>", 400, true, 13},
        {"<i><i>x</i></i>", 400, false, 13},
        {"</b>x", 400, false, 13},
        {"<b></i>x", 800, false, 13},
        {"<font size=3>x", 400, false, 12},
        {"<font size=12>x", 400, false, 12},
        {"<font size=+2>x", 400, false, 10},
        {"<h1>x</h1>", 700, false, 19},        // 14pt
        {"<small>x</small>", 400, false, 10},  // 75 % of 13, rounded
        {"<font style=b>x", 700, false, 13},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.markup);
        render(row.markup);
        ASSERT_EQ(dev.texts.size(), 1u);
        EXPECT_EQ(dev.texts[0].font.weight, row.weight);
        EXPECT_EQ(dev.texts[0].font.italic, row.italic);
        EXPECT_EQ(dev.texts[0].font.height, row.fontSize);
    }
}

TEST_F(MarkupLayout, ClosingTagRestoresTheStateBeforeIt) {
    render("<b>a</b>b");
    ASSERT_EQ(dev.texts.size(), 2u);
    EXPECT_EQ(dev.texts[1].font.weight, 400);
    EXPECT_EQ(dev.texts[1].x, 11);  // after one bold character
}

TEST_F(MarkupLayout, StyleSheetClassesAndPercentSizes) {
    renderer.SetStyleSheet(".small {font-size: 65%} .three {font-size: 3}");
    render("<span class=small>x</span><span class=three>y</span>");
    ASSERT_EQ(dev.texts.size(), 2u);
    // The new sheet has no "body" rule: the state's default 16 pixels holds.
    EXPECT_EQ(dev.texts[0].font.height, 10);  // 65 % of 16 = 10.4
    EXPECT_EQ(dev.texts[1].font.height, 12);
}

TEST_F(MarkupLayout, WrappingAtBreakCharacters) {
    struct Row {
        const char* markup;
        int maxWidth;
        Size size;
        std::vector<Placed> texts;
    };
    const Row rows[] = {
        {"aaa bbb", 50, {31, 21}, {{0, 0, "aaa"}, {0, 10, "bbb"}}},
        {"aaa,bbb", 50, {41, 21}, {{0, 0, "aaa"}, {0, 10, ",bbb"}}},
        {"aaa   bbb", 50, {31, 21}, {{0, 0, "aaa"}, {0, 10, "bbb"}}},
        {"abcdefgh", 35, {31, 31}, {{0, 0, "abc"}, {0, 10, "def"}, {0, 20, "gh"}}},
        {"abcdefgh",
         5,
         {6, 81},
         {{0, 0, "a"},
          {0, 10, "b"},
          {0, 20, "c"},
          {0, 30, "d"},
          {0, 40, "e"},
          {0, 50, "f"},
          {0, 60, "g"},
          {0, 70, "h"}}},
        // The first character never counts as a break.
        {",aaaa", 30, {31, 21}, {{0, 0, ",aa"}, {0, 10, "aa"}}},
        // A break character after leading blanks counts: the blanks end the line.
        {"aaaa<i>  ,bbbb</i>", 80, {51, 21}, {{0, 0, "aaaa"}, {0, 10, ",bbbb"}}},
        // A run without a break goes whole to the next line when the line is not empty.
        {"aaaa<i>bbbbbb</i>", 80, {61, 21}, {{0, 0, "aaaa"}, {0, 10, "bbbbbb"}}},
        {"aa bb cc dd", 80, {81, 21}, {{0, 0, "aa bb cc"}, {0, 10, "dd"}}},
        {"aaa bbb", 0, {71, 11}, {{0, 0, "aaa bbb"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.markup);
        EXPECT_EQ(render(row.markup, row.maxWidth), row.size);
        EXPECT_EQ(placed(dev), row.texts);
    }
}

TEST_F(MarkupLayout, CenteredRightAlignedAndJustifiedLines) {
    struct Row {
        const char* markup;
        int maxWidth;
        int drawWidth;
        std::vector<Placed> texts;
    };
    const Row rows[] = {
        {"<center>abc</center>", 0, 100, {{35, 0, "abc"}}},
        {"<right>abc</right>", 0, 100, {{70, 0, "abc"}}},
        {"<right><left>abc</left></right>", 0, 100, {{0, 0, "abc"}}},
        // A line wider than the rectangle starts left of it.
        {"<center>abcdefgh</center>", 0, 60, {{-10, 0, "abcdefgh"}}},
        {"<right>abcdefgh</right>", 0, 60, {{-20, 0, "abcdefgh"}}},
        // "aa bb cc" (80) wraps in 80; drawn 100 wide its two spaces take 10 extra each, and
        // the last line is not stretched.
        {"<justify>aa bb cc dd</justify>",
         80,
         100,
         {{0, 0, "aa"}, {40, 0, "bb"}, {80, 0, "cc"}, {0, 10, "dd"}}},
        // Extra 101 - 80 = 21 over two spaces: 11 to the first, 10 to the second.
        {"<justify>aa bb cc dd</justify>",
         80,
         101,
         {{0, 0, "aa"}, {41, 0, "bb"}, {81, 0, "cc"}, {0, 10, "dd"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.markup);
        render(row.markup, row.maxWidth, row.drawWidth);
        EXPECT_EQ(placed(dev), row.texts);
    }
}

TEST_F(MarkupLayout, HalfWidthRuleOnTwoHundredPixels) {
    const Size size = render("<hr width=50%>", 0, 200);
    // The rule's line is size + 8 = 9 high; the rule is drawn at half of it.
    EXPECT_EQ(size, Size(2, 10));
    ASSERT_EQ(dev.lines.size(), 1u);
    const auto& l = dev.lines[0];
    EXPECT_EQ((std::array{l.x1, l.y1, l.x2, l.y2}), (std::array{0, 4, 99, 4}));  // 100 wide
    EXPECT_EQ(l.width, 1);
    EXPECT_EQ(l.colour, Colour::fromRgb(0, 0, 0));
}

TEST_F(MarkupLayout, RuleWithPixelWidthSizeAndColour) {
    render("<hr width=30 size=4 color=red>", 0, 200);
    ASSERT_EQ(dev.lines.size(), 1u);
    EXPECT_EQ(dev.lines[0].x2 - dev.lines[0].x1 + 1, 30);
    EXPECT_EQ(dev.lines[0].y1, 6);  // line height 4 + 8 = 12
    EXPECT_EQ(dev.lines[0].width, 4);
    EXPECT_EQ(dev.lines[0].colour, Colour::fromRgb(255, 0, 0));
}

TEST_F(MarkupLayout, TheSheetStylesEveryRuleAndItsAttributesWin) {
    renderer.SetStyleSheet("hr {color: blue; font-size: 20px}");
    render("<hr width=1em><hr width=1em color=red>", 0, 200);
    ASSERT_EQ(dev.lines.size(), 2u);
    EXPECT_EQ(dev.lines[0].colour, Colour::fromRgb(0, 0, 255));
    EXPECT_EQ(dev.lines[1].colour, Colour::fromRgb(255, 0, 0));
    EXPECT_EQ(dev.lines[0].x2 - dev.lines[0].x1 + 1, 20);
}

TEST_F(MarkupLayout, OverlineFollowsTheTextTop) {
    render("<font style=o>ab</font><font style=bo>c</font>");
    ASSERT_EQ(dev.lines.size(), 2u);
    EXPECT_EQ(dev.lines[0].x1, 0);
    EXPECT_EQ(dev.lines[0].x2, 19);
    EXPECT_EQ(dev.lines[0].width, 1);
    EXPECT_EQ(dev.lines[1].x1, 20);
    EXPECT_EQ(dev.lines[1].x2, 30);
    EXPECT_EQ(dev.lines[1].width, 2);
}

TEST_F(MarkupLayout, TextTransformAppliesToRuns) {
    renderer.SetStyleSheet(".c {text-transform: capitalize}");
    render("<span class=c>hELLO wORLD</span>");
    ASSERT_EQ(dev.texts.size(), 1u);
    EXPECT_EQ(dev.texts[0].text, "Hello World");
}

TEST_F(MarkupLayout, LinkHotStyleSwitchesOnTheNextPaint) {
    std::vector<int> notified;
    renderer.SetHotLinkNotify([&](int i) { notified.push_back(i); });
    render("x<a href=\"http://x\">link</a>");
    ASSERT_EQ(dev.texts.size(), 2u);
    EXPECT_FALSE(dev.texts[1].font.underline);  // "a:link"
    EXPECT_EQ(dev.texts[1].colour, Colour::fromRgb(0, 0, 255));
    ASSERT_EQ(renderer.LinkAreas().size(), 1u);
    EXPECT_EQ(renderer.LinkAreas()[0].rect, Rect(10, 0, 40, 10));

    EXPECT_TRUE(renderer.OnSetCursor(Point(50, 10)));  // the far corner counts
    EXPECT_EQ(renderer.HotLink(), 0);
    dev.clear();
    renderer.Draw(dev, Rect(0, 0, 50, 10));
    ASSERT_EQ(dev.texts.size(), 2u);
    EXPECT_TRUE(dev.texts[1].font.underline);  // "a:hover"
    EXPECT_FALSE(dev.texts[0].font.underline);

    EXPECT_FALSE(renderer.OnSetCursor(Point(5, 5)));
    EXPECT_EQ(renderer.HotLink(), -2);
    EXPECT_EQ(notified, (std::vector<int>{0, -2}));

    renderer.OnClick(Point(5, 5));
    EXPECT_TRUE(opened.empty());
    renderer.OnClick(Point(12, 3));
    EXPECT_EQ(opened, std::vector<std::string>{"http://x"});
}

TEST_F(MarkupLayout, MessageLinksNotifyAndTheLastOfHrefAndMsgWins) {
    std::vector<std::string> messages;
    renderer.SetMsgLinkNotify([&](const std::string& m) { messages.push_back(m); });
    render("<a href=u msg=m>a</a><a msg=m href=u>b</a>");
    ASSERT_EQ(renderer.LinkAreas().size(), 2u);
    EXPECT_EQ(renderer.LinkAreas()[1].index, 1);
    renderer.OnClick(Point(5, 5));
    renderer.OnClick(Point(15, 5));
    EXPECT_EQ(messages, std::vector<std::string>{"m"});
    EXPECT_EQ(opened, std::vector<std::string>{"u"});
}

TEST_F(MarkupLayout, ImageRaisesTheLineAndTextSitsOnTheBaseline) {
    const std::string markup = "<bmp handle=" + image(20, 30) + ">a";
    // Line: ascent 30 (image), descent 2 (text): 32 high.
    EXPECT_EQ(render(markup), Size(31, 33));
    ASSERT_EQ(dev.images.size(), 1u);
    EXPECT_EQ(dev.images[0].rect, Rect(0, 0, 20, 30));
    ASSERT_EQ(dev.texts.size(), 1u);
    EXPECT_EQ(dev.texts[0].x, 20);
    EXPECT_EQ(dev.texts[0].top, 22);

    // In the middle (32 - 10) / 2; at the bottom 32 - 8.
    for (const auto& [align, top] : {std::pair{"<top>", 0}, std::pair{"<middle>", 11},
                                     std::pair{"<bottom>", 24}, std::pair{"<top><baseline>", 22}}) {
        SCOPED_TRACE(align);
        render(align + markup);
        ASSERT_EQ(dev.texts.size(), 1u);
        EXPECT_EQ(dev.texts[0].top, top);
    }
}

TEST_F(MarkupLayout, ImageSizesStylesAndShadow) {
    const std::string h = image(20, 30);
    render("<bmp handle=" + h + " width=50% height=12 style=gs mask=#00ff00>");
    ASSERT_EQ(dev.images.size(), 1u);
    const ImageDrawing& d = dev.images[0];
    EXPECT_EQ(d.rect.size(), Size(10, 12));
    EXPECT_EQ(d.style, imagestyle::kGrey | imagestyle::kSoftShadow);
    EXPECT_TRUE(d.shadow.offset);
    EXPECT_EQ(d.shadow.colour, Colour::fromRgb(128, 128, 128));
    EXPECT_TRUE(d.useKey);
    EXPECT_EQ(d.key, Colour::fromRgb(0, 255, 0));
    // The shadow adds its offset to the space taken.
    EXPECT_EQ(renderer.Measure(dev, "<bmp handle=" + h + " style=s>"), Size(25, 35));

    renderer.SetImageShadow(0, 0, 50, true, 7, 7);
    render("<bmp handle=" + h + " style=s>");
    ASSERT_EQ(dev.images.size(), 1u);
    EXPECT_EQ(dev.images[0].style, 0u);  // no offset, no shadow
}

TEST_F(MarkupLayout, DisabledColoursAndTheHotStyle) {
    const std::string h = image(20, 30);
    render("<a href=x><bmp handle=" + h + " style=dl hotstyle=g mask=nonsense></a>");
    ASSERT_EQ(dev.images.size(), 1u);
    EXPECT_EQ(dev.images[0].style, imagestyle::kDarker | imagestyle::kLighter);
    EXPECT_TRUE(dev.images[0].useKey);  // an unreadable mask keys the default colour
    EXPECT_EQ(dev.images[0].key, Colour::fromRgb(255, 0, 255));
    renderer.OnSetCursor(Point(5, 5));
    dev.clear();
    renderer.Draw(dev, Rect(0, 0, 20, 30));
    ASSERT_EQ(dev.images.size(), 1u);
    EXPECT_EQ(dev.images[0].style, imagestyle::kGrey);

    renderer.SetColoursEnabled(false);
    renderer.SetDisabledColour(Colour::fromRgb(9, 9, 9));
    render("<bmp handle=" + h + " style=gs>");
    ASSERT_EQ(dev.images.size(), 1u);
    EXPECT_EQ(dev.images[0].style, imagestyle::kSoftShadow | imagestyle::kSolidColour);
    EXPECT_EQ(dev.images[0].shadow.colour, Colour::fromRgb(9, 9, 9));
}

TEST_F(MarkupLayout, IconsCellsAndListIconsTakeTheirSizes) {
    const std::string p = image(20, 30);
    const std::string s = image(40, 10);
    const MarkupImage listIcon{16, 16, {}};
    renderer.SetImageList({listIcon, listIcon}, Size(16, 16));
    using Kind = ImageDrawing::Kind;
    struct Row {
        std::string markup;
        Kind kind;
        Size size;
        Size cell;
        int index;
    };
    const Row rows[] = {
        {"<icon handle=" + p + ">", Kind::icon, {32, 32}, {0, 0}, 0},
        {"<icon handle=" + p + " width=16 height=1em>", Kind::icon, {16, 13}, {0, 0}, 0},
        {"<ilst handle=" + s + " cx=8 cy=5 index=3>", Kind::cell, {8, 5}, {8, 5}, 3},
        {"<ilst handle=" + s + " cy=4>", Kind::cell, {4, 4}, {4, 4}, 0},
        {"<ilst handle=" + s + " width=20>", Kind::cell, {20, 10}, {10, 10}, 0},
        {"<ilst index=1>", Kind::icon, {16, 16}, {0, 0}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.markup);
        render(row.markup);
        ASSERT_EQ(dev.images.size(), 1u);
        EXPECT_EQ(dev.images[0].kind, row.kind);
        EXPECT_EQ(dev.images[0].rect.size(), row.size);
        EXPECT_EQ(Size(dev.images[0].cellW, dev.images[0].cellH), row.cell);
        EXPECT_EQ(dev.images[0].index, row.index);
    }
    render("<ilst handle=" + s + " cx=0><ilst index=2><icon handle=99>a");
    EXPECT_TRUE(dev.images.empty());
}

TEST_F(MarkupLayout, MissingImageTakesNoSpace) {
    EXPECT_EQ(render("<bmp handle=99>a<bmp file=/nonexistent.png>"), Size(11, 11));
    EXPECT_TRUE(dev.images.empty());
}

TEST_F(MarkupLayout, LineStyleTags) {
    render("<u>a</u><strike>b</strike><s>c</s>d");
    ASSERT_EQ(dev.texts.size(), 4u);
    EXPECT_TRUE(dev.texts[0].font.underline);
    EXPECT_FALSE(dev.texts[0].font.strikeout);
    EXPECT_TRUE(dev.texts[1].font.strikeout);
    EXPECT_TRUE(dev.texts[2].font.strikeout);
    EXPECT_FALSE(dev.texts[3].font.strikeout);
}

TEST_F(MarkupLayout, AnimatedStripAdvancesWithTheTicks) {
    render("<ilst handle=" + image(40, 10) + " index=1 speed=2>");
    ASSERT_EQ(dev.images.size(), 1u);
    EXPECT_EQ(dev.images[0].kind, ImageDrawing::Kind::cell);
    EXPECT_EQ(dev.images[0].cellW, 10);
    EXPECT_EQ(dev.images[0].index, 1);
    const std::vector<bool> expected{false, true, false, true, false, true, false, true};
    std::vector<int> frames;
    for (bool changes : expected) {
        EXPECT_EQ(renderer.OnAnimationTick(), changes);
        frames.push_back(renderer.Records().animations.at(0).frame);
    }
    // Four cells: 1 -> 2 -> 3 -> 0 -> 1.
    EXPECT_EQ(frames, (std::vector<int>{1, 2, 2, 3, 3, 0, 0, 1}));
    dev.clear();
    renderer.OnAnimationTick();
    renderer.OnAnimationTick();
    renderer.Draw(dev, Rect(0, 0, 10, 10));
    ASSERT_EQ(dev.images.size(), 1u);
    EXPECT_EQ(dev.images[0].index, 2);
}

TEST_F(MarkupLayout, StringResourcesAreOnePieceThatNeverWraps) {
    renderer.SetStringLookup([](int id) -> std::optional<std::string> {
        if (id == 7) {
            return std::string("aaa bbb");
        }
        return std::nullopt;
    });
    EXPECT_EQ(render("<string idres=7><string idres=8>", 40), Size(41, 11));
    EXPECT_EQ(placed(dev), (std::vector<Placed>{{0, 0, "aaa bbb"}}));
}

}  // namespace
}  // namespace vn340::test
