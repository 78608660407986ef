// Table geometry by hand from the fake metrics (characters 10 wide, 11 bold, lines 10 high),
// the default cell padding 2 and cell spacing 0.
#include <cstdio>

#include <gtest/gtest.h>

#include "geometry_print.h"
#include "markup/markup_renderer.h"
#include "markup_fake_device.h"

namespace vn340::test {
namespace {

class MarkupTable : public ::testing::Test {
  protected:
    Size measure(std::string_view text) { return renderer.Measure(dev, text); }
    void draw(int width, int height) {
        dev.clear();
        renderer.Draw(dev, Rect(0, 0, width, height));
    }
    // Measures, then draws into a rectangle of the given size.
    void draw(std::string_view text, int width, int height) {
        measure(text);
        draw(width, height);
    }
    Point textAt(std::string_view text) const {
        for (const auto& t : dev.texts) {
            if (t.text == text) {
                return Point(t.x, t.top);
            }
        }
        ADD_FAILURE() << "not drawn: " << text;
        return Point(-1, -1);
    }

    MarkupRenderer renderer;
    FakeTextDevice dev;
};

// Row 1: "a" and "b", each 10 + 2 * 2 padding = 14 wide and high. Row 2: one cell spanning
// both columns, 11 + 9 * 10 = 101 wide, 105 with its padding. The columns sum to 28, short by
// 77: each takes 38 and the odd pixel goes to the second, 52 and 53.
constexpr const char* kSpanTable =
    "<table><tr><td>a</td><td>b</td></tr>"
    "<tr><td colspan=2><b>c</b>ccccccccc</td></tr></table>";

TEST_F(MarkupTable, SpanningCellWidensBothColumnsOddPixelToTheSecondAndSurplusToBoth) {
    // Width 52 + 53 + 3 * 0 spacing + 1; height 14 + 14 + 1.
    EXPECT_EQ(measure(kSpanTable), Size(107, 30));
    ASSERT_EQ(renderer.Records().tables.size(), 1u);
    const TableLayout& t = renderer.Records().tables[0];
    EXPECT_EQ(t.colWidths, (std::vector<int>{52, 53}));
    EXPECT_EQ(t.rowHeights, (std::vector<int>{14, 14}));
    EXPECT_EQ(t.cols, 2);
    EXPECT_EQ(t.rows, 2);
    EXPECT_EQ(t.cells[1].colSpan, 1);
    EXPECT_EQ(t.cells[3].colSpan, -1);  // covered by the spanning cell

    draw(106, 29);
    EXPECT_EQ(textAt("a"), Point(2, 2));
    EXPECT_EQ(textAt("b"), Point(55, 2));  // column 1 starts at 52 + 1
    EXPECT_EQ(textAt("c"), Point(2, 17));  // row 1 starts at 14 + 1
    EXPECT_EQ(textAt("ccccccccc"), Point(13, 17));

    // Drawn wider, the loose columns share the surplus: 94 more pixels, 47 to each column, so
    // column 1 starts at 99 + 1.
    draw(200, 29);
    EXPECT_EQ(textAt("b"), Point(102, 2));
}

TEST_F(MarkupTable, SpanningCellWidensOnlyAgainstItsContentWidth) {
    // The spanning cell's content is 26 wide (30 with padding); the columns sum to 28, which
    // is short of its full width but not of its content width.
    measure("<table><tr><td>a</td><td>b</td></tr><tr><td colspan=2 width=26></td></tr></table>");
    ASSERT_EQ(renderer.Records().tables.size(), 1u);
    EXPECT_EQ(renderer.Records().tables[0].colWidths, (std::vector<int>{14, 14}));
}

TEST_F(MarkupTable, TableWithWrappedTextIsNeverWiderThanMeasured) {
    const int handle = renderer.AddImageHandle(MarkupImage{32, 32, {}});
    char iconTag[40];
    std::snprintf(iconTag, sizeof iconTag, "<icon handle=0x%X>", handle);
    const std::string iconTip =
        std::string("<table><tr><td>") + iconTag +
        "</td><td>Values below 30 are raised to 30, the lowest the gyro takes.</td></tr></table>";
    struct Row {
        std::string markup;
        int maxWidth;
    };
    const Row rows[] = {
        {"<table><tr><td>ab</td><td>cccc cccc cccc</td></tr></table>", 100},
        {"<table border=2 cellspacing=3><tr><td>ab</td><td>cccc cccc cccc</td></tr></table>", 100},
        {"<table><tr><td>aaaa aaaa aaaa</td><td>cccc cccc cccc</td></tr></table>", 100},
        {iconTip, 200},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.markup);
        renderer.SetMaxWidth(row.maxWidth);
        const Size size = measure(row.markup);
        ASSERT_FALSE(renderer.Records().tables.empty());
        EXPECT_LT(renderer.Records().tables[0].width, size.width());
        draw(size.width(), size.height());
        for (const auto& t : dev.texts) {
            EXPECT_LE(t.x + dev.textWidth(t.text), size.width()) << t.text;
        }
        for (const auto& image : dev.images) {
            EXPECT_LE(image.rect.right(), size.width());
        }
    }
}

TEST_F(MarkupTable, FixedColumnsKeepTheirWidthAndCenterAlignsTheTable) {
    // Both cells fixed at 30: columns 34 wide, table 34 + 34 + 1 = 69.
    const char* table =
        "<table align=center><tr><td width=30>a</td><td width=30>b</td></tr></table>";
    EXPECT_EQ(measure(table), Size(70, 15));
    draw(169, 14);
    // 100 pixels left over, no loose column: the table moves right by 50. The cells inherit
    // the centring, so each letter sits (30 - 10) / 2 into its cell's inner 30 pixels.
    EXPECT_EQ(textAt("a"), Point(50 + 2 + 10, 2));
    EXPECT_EQ(textAt("b"), Point(50 + 35 + 2 + 10, 2));
}

TEST_F(MarkupTable, BorderSpacingAndPaddingPlaceTheCells) {
    // Border 2 (solid), spacing 3, padding 1; cells get a 1-pixel frame.
    // Cell: 10 + 2 * 1 border + 2 * 1 padding = 14. Width 14 + 2 * 3 + 0 + 2 * 2 = 24.
    const char* table =
        "<table border=2 cellspacing=3 cellpadding=1 bordercolorlight=red "
        "bordercolordark=blue><tr><td>a</td></tr></table>";
    EXPECT_EQ(measure(table), Size(25, 25));
    draw(24, 24);
    ASSERT_EQ(dev.frames.size(), 2u);
    EXPECT_EQ(dev.frames[0].rect, Rect(0, 0, 24, 24));
    EXPECT_EQ(dev.frames[0].width, 2);
    EXPECT_EQ(dev.frames[0].light, Colour::fromRgb(255, 0, 0));  // table: light on top, left
    // Cell at border 2 + spacing 3.
    EXPECT_EQ(dev.frames[1].rect, Rect(5, 5, 14, 14));
    EXPECT_EQ(dev.frames[1].width, 1);
    EXPECT_EQ(dev.frames[1].light, Colour::fromRgb(0, 0, 255));  // cell: dark on top, left
    EXPECT_EQ(textAt("a"), Point(7, 7));
}

TEST_F(MarkupTable, DoubleBorderTakesThreePixelsEachSide) {
    const char* table = "<table border=5 borderstyle=double><tr><td>a</td></tr></table>";
    // The cell inherits the double style, so it has a 1-pixel frame: 10 + 2 + 4 = 16.
    EXPECT_EQ(measure(table), Size(16 + 6 + 1, 16 + 6 + 1));
    draw(22, 22);
    ASSERT_FALSE(dev.frames.empty());
    EXPECT_EQ(dev.frames[0].width, 1);  // a style other than solid is 1 pixel wide
    EXPECT_EQ(dev.frames[0].style, 6);
    EXPECT_EQ(textAt("a"), Point(3 + 1 + 2, 3 + 1 + 2));
}

TEST_F(MarkupTable, RowSpanHeightOddPixelGoesToTheFirstRow) {
    // The left cell spans two rows at height 33 + 4 = 37; the right cells are 14 each, short
    // by 9: 4 each and the odd pixel to the first row.
    const char* table =
        "<table><tr><td rowspan=2 height=33>a</td><td>b</td></tr><tr><td>c</td></tr></table>";
    measure(table);
    ASSERT_EQ(renderer.Records().tables.size(), 1u);
    EXPECT_EQ(renderer.Records().tables[0].rowHeights, (std::vector<int>{19, 18}));
}

TEST_F(MarkupTable, BackgroundEffectsOfTableAndCells) {
    const char* table = "<table bgcolor=yellow><tr><td bgeffect=hgradient>a</td></tr></table>";
    draw(table, 14, 14);
    ASSERT_EQ(dev.fills.size(), 2u);
    EXPECT_EQ(dev.fills[0].code, 0);  // bgcolor turned the transparent effect solid
    EXPECT_EQ(dev.fills[0].rect, Rect(0, 0, 14, 14));
    EXPECT_EQ(dev.fills[1].code, 1);
}

TEST_F(MarkupTable, BackgroundColoursBordersAndTheColourSwitch) {
    const char* table =
        "<table bgcolor=yellow bgmidcolor=red bgendcolor=blue bgeffect=vgradient border=1 "
        "bordercolor=lime><tr><td>a</td></tr></table>";
    draw(table, 16, 16);
    ASSERT_FALSE(dev.fills.empty());
    EXPECT_EQ(dev.fills[0].code, 2);
    EXPECT_EQ(dev.fills[0].begin, Colour::fromRgb(255, 255, 0));
    EXPECT_EQ(dev.fills[0].mid, Colour::fromRgb(255, 0, 0));
    EXPECT_EQ(dev.fills[0].end, Colour::fromRgb(0, 0, 255));
    ASSERT_EQ(dev.frames.size(), 2u);  // "bordercolor" sets both edges, the cell inherits it
    for (const auto& frame : dev.frames) {
        EXPECT_EQ(frame.light, Colour::fromRgb(0, 255, 0));
        EXPECT_EQ(frame.dark, Colour::fromRgb(0, 255, 0));
    }

    renderer.SetColoursEnabled(false);
    draw(table, 16, 16);
    EXPECT_TRUE(dev.fills.empty());
}

TEST_F(MarkupTable, AlignmentOfTableRowAndCell) {
    // One cell fixed at 30 (34 with padding) drawn 134 wide: 100 pixels to place the table by.
    struct Row {
        const char* table;
        const char* row;
        int textX;
    };
    const Row rows[] = {
        {"align=left", "", 2},
        {"align=center", "", 50 + 2 + 10},
        {"align=right", "", 100 + 2 + 20},
        {"align=justify", "", 2},
        {"align=right", "align=left", 100 + 2},
        {"", "align=center", 2 + 10},
        {"align=center", "align=sideways", 50 + 2 + 10},  // an unknown word keeps the table's
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.table) + " / " + row.row);
        draw(std::string("<table ") + row.table + "><tr " + row.row +
                 "><td width=30>a</td></tr></table>",
             134, 14);
        EXPECT_EQ(textAt("a"), Point(row.textX, 2));
    }
}

TEST_F(MarkupTable, VerticalAlignmentInsideACell) {
    // The cell is 30 high inside its padding; the text line 10, its ascent 8.
    struct Row {
        const char* row;
        const char* cell;
        int textTop;
    };
    const Row rows[] = {
        {"", "valign=top", 2},
        {"", "valign=middle", 2 + 10},
        {"", "valign=vcenter", 2 + 10},
        {"", "valign=center", 2 + 10},
        {"", "valign=bottom", 2 + 20 + 2},  // the line's bottom, less the text's ascent
        {"", "valign=baseline", 2},
        {"valign=middle", "", 2 + 10},
        {"valign=middle", "valign=sideways", 2 + 10},
        {"valign=bottom", "valign=top", 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.row) + " / " + row.cell);
        draw(std::string("<table><tr ") + row.row + "><td height=30 " + row.cell +
                 ">a</td></tr></table>",
             14, 34);
        EXPECT_EQ(textAt("a"), Point(2, row.textTop));
    }
}

TEST_F(MarkupTable, TextAroundTablesStacksVertically) {
    // "x" line 10, table 15 high, "y" below it.
    EXPECT_EQ(measure("x<table><tr><td>a</td></tr></table>y"), Size(15, 10 + 14 + 10 + 1));
    draw(14, 34);
    EXPECT_EQ(textAt("x"), Point(0, 0));
    EXPECT_EQ(textAt("a"), Point(2, 12));
    EXPECT_EQ(textAt("y"), Point(0, 24));
}

TEST_F(MarkupTable, CellsEndAtTheNextCellAndAtTheTableEnd) {
    // A cell before the first row has nowhere to go.
    draw("<table><td>x<tr><td>a<td>bb</table>", 40, 15);
    EXPECT_EQ(textAt("a"), Point(2, 2));
    EXPECT_EQ(textAt("bb"), Point(17, 2));  // column 1 starts at 14 + 1
    EXPECT_EQ(dev.texts.size(), 2u);
}

TEST_F(MarkupTable, NestedTableAndEscapedTableTag) {
    EXPECT_EQ(measure("<table><tr><td><table><tr><td>a</td></tr></table></td></tr></table>"),
              Size(19, 19));
    EXPECT_EQ(renderer.Records().tables.size(), 2u);
    draw(18, 18);
    EXPECT_EQ(textAt("a"), Point(4, 4));

    measure("<<table>");
    EXPECT_TRUE(renderer.Records().tables.empty());
    draw(80, 10);
    EXPECT_EQ(textAt("<table>"), Point(0, 0));
}

TEST_F(MarkupTable, CellTextWrapsInsideItsFixedWidth) {
    draw("<table><tr><td width=30>aa bb</td></tr></table>", 34, 24);
    EXPECT_EQ(textAt("aa"), Point(2, 2));
    EXPECT_EQ(textAt("bb"), Point(2, 12));
}

}  // namespace
}  // namespace vn340::test
