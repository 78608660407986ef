// Placement, outline and background of the help tip, without a window. Expected rectangles are
// worked out by hand from the balloon sizes: tail offset M 16, width 12, length H 16.
#include <gtest/gtest.h>

#include "ui/draw_effects.h"
#include "ui/help_tip_paint.h"
#include "ui/help_tip_placement.h"
#include "ui/help_tip_region.h"

namespace vn340 {
namespace {

const QRect kScreen(0, 0, 1280, 1024);

TEST(HelpTipPlacement, SwitchesAtTheScreenEdgesAndKeepsTheNearEdgeOnScreen) {
    struct Asked {
        QRect screen;
        QPoint point;
        QSize body;
        int direction;
    };
    struct Placed {
        int direction;
        QRect window;
        QPoint tail;
        QPoint bodyAt;
    };
    struct Row {
        const char* name;
        Asked asked;
        Placed placed;
    };
    const QSize b(200, 100);
    const Row rows[] = {
        {"above the pointer",
         {kScreen, {640, 512}, b, 16},
         {16, {624, 396, 200, 116}, {16, 116}, {0, 0}}},
        {"near the right edge the tail takes the right corner",
         {kScreen, {1200, 512}, b, 16},
         {17, {1016, 396, 200, 116}, {184, 116}, {0, 0}}},
        {"near the top edge it flips below the pointer",
         {kScreen, {640, 50}, b, 16},
         {0, {624, 50, 200, 116}, {16, 0}, {0, 16}}},
        {"top right corner: both, then pulled back left",
         {kScreen, {1270, 10}, b, 16},
         {1, {1080, 10, 200, 116}, {190, 0}, {0, 16}}},
        {"near the left edge the window is pulled back",
         {kScreen, {5, 512}, b, 16},
         {16, {0, 396, 200, 116}, {5, 116}, {0, 0}}},
        {"centred near the left edge turns left",
         {kScreen, {10, 512}, b, 18},
         {16, {0, 396, 200, 116}, {10, 116}, {0, 0}}},
        {"centred in the middle",
         {kScreen, {640, 512}, b, 18},
         {18, {540, 396, 200, 116}, {100, 116}, {0, 0}}},
        {"centred near the right edge turns right",
         {kScreen, {1270, 512}, b, 2},
         {1, {1080, 512, 200, 116}, {190, 0}, {0, 16}}},
        {"centred, shifted to stay on the screen",
         {kScreen, {60, 512}, b, 18},
         {18, {0, 396, 200, 116}, {60, 116}, {0, 0}}},
        {"left tail near the right edge goes to the right side",
         {kScreen, {1200, 512}, b, 32},
         {48, {984, 496, 216, 100}, {216, 16}, {0, 0}}},
        {"left tail near the bottom takes the bottom corner",
         {kScreen, {100, 1000}, b, 32},
         {33, {100, 916, 216, 100}, {0, 84}, {16, 0}}},
        {"right tail near the left edge goes to the left side",
         {kScreen, {100, 512}, b, 48},
         {32, {100, 496, 216, 100}, {0, 16}, {16, 0}}},
        {"centred side tail near the top",
         {kScreen, {100, 8}, b, 34},
         {32, {100, 0, 216, 100}, {0, 8}, {16, 0}}},
        {"wider than the screen: left edge only",
         {kScreen, {640, 512}, {1300, 100}, 16},
         {18, {0, 396, 1300, 116}, {640, 116}, {0, 0}}},
        {"a monitor left of the primary one",
         {{-1280, 0, 2560, 1024}, {-1270, 512}, b, 16},
         {16, {-1280, 396, 200, 116}, {10, 116}, {0, 0}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Asked& asked = row.asked;
        const Placement p = placeTip(PlacementRequest{asked.screen, asked.point, asked.body,
                                                      asked.direction, TipShape::balloon()});
        EXPECT_EQ(p.direction, row.placed.direction);
        EXPECT_EQ(p.window, row.placed.window);
        EXPECT_EQ(p.tail, row.placed.tail);
        EXPECT_EQ(p.body, QRect(row.placed.bodyAt, asked.body));
        EXPECT_EQ(p.window.topLeft() + p.tail, asked.point);
    }
}

// A window that ends on the screen's last row or column fits; one pixel more and it switches.
TEST(HelpTipPlacement, AnExactFitKeepsTheSide) {
    struct Row {
        const char* name;
        QPoint point;
        int direction;
        int placedDirection;
    };
    const Row rows[] = {
        {"above, ending on the right edge", {1096, 512}, 16, 16},
        {"above, one pixel past the right edge", {1097, 512}, 16, 17},
        {"below, ending on the bottom edge", {640, 908}, 0, 0},
        {"below, one pixel past the bottom edge", {640, 909}, 0, 16},
        {"above, starting on the top edge", {640, 116}, 16, 16},
        {"above, one pixel past the top edge", {640, 115}, 16, 0},
        {"right of the point, ending on the right edge", {1064, 512}, 32, 32},
        {"right of the point, one pixel past it", {1065, 512}, 32, 48},
        {"centred, the tail offset exactly to the left edge", {16, 512}, 18, 16},
        {"centred, one pixel more room", {17, 512}, 18, 18},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Placement p = placeTip(
            PlacementRequest{kScreen, row.point, {200, 100}, row.direction, TipShape::balloon()});
        EXPECT_EQ(p.direction, row.placedDirection);
        EXPECT_TRUE(kScreen.contains(p.window));
        EXPECT_EQ(p.window.topLeft() + p.tail, row.point);
    }
}

TEST(HelpTipPlacement, WithoutAVirtualDesktopThePrimaryScreenAtTheOrigin) {
    EXPECT_EQ(tipScreenArea(std::nullopt, {800, 600}), QRect(0, 0, 800, 600));
    EXPECT_EQ(tipScreenArea(QRect(-800, 0, 1600, 600), {800, 600}), QRect(-800, 0, 1600, 600));
}

TEST(HelpTipRegion, RoundedBodyAndTailTriangle) {
    struct Row {
        const char* name;
        int direction;
        std::vector<QPoint> inside;
        std::vector<QPoint> outside;
    };
    const Row rows[] = {
        // Body (0, 0, 200, 100); tail base x 16 to 28 on the bottom row, point (16, 116).
        {"bottom, near the left corner",
         16,
         {{100, 50}, {17, 105}, {199, 50}, {3, 96}},
         {{0, 0}, {0, 96}, {199, 99}, {30, 105}, {100, 110}, {200, 50}}},
        // Body (16, 0, 200, 100); tail base y 44 to 56 on the left column, point (0, 50).
        {"left, centred", 34, {{8, 50}, {17, 45}, {100, 50}}, {{8, 40}, {16, 0}, {215, 99}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Placement p = placeTip(
            PlacementRequest{kScreen, {640, 512}, {200, 100}, row.direction, TipShape::balloon()});
        const QRegion region = tipRegion(p, TipShape::balloon());
        for (const QPoint& q : row.inside) {
            EXPECT_TRUE(region.contains(q)) << q.x() << "," << q.y();
        }
        for (const QPoint& q : row.outside) {
            EXPECT_FALSE(region.contains(q)) << q.x() << "," << q.y();
        }
    }
}

TEST(HelpTipRegion, FrameIsTheBandInsideTheOutline) {
    const QRegion frame = frameRegion(QRegion(0, 0, 10, 10), 2, 1);
    // Two columns at each side, one row at top and bottom: 2 * 2 * 10 + 2 * 6.
    int pixels = 0;
    for (const QRect& r : frame) {
        pixels += r.width() * r.height();
    }
    EXPECT_EQ(pixels, 52);
    EXPECT_TRUE(frame.contains(QPoint(1, 5)));
    EXPECT_FALSE(frame.contains(QPoint(2, 5)));
    EXPECT_FALSE(frame.contains(QPoint(5, 1)));
}

// 255 * (100 - darkness) / 100 rounded half up, then lightened by the transparency's share of
// what is left, truncated.
TEST(HelpTipShadow, LevelOfDarknessAndTransparency) {
    struct Row {
        int darkness;
        int transparency;
        int level;
    };
    const Row rows[] = {{50, 0, 128},   {80, 0, 51}, {50, 40, 178}, {30, 10, 186}, {70, 0, 77},
                        {100, 50, 127}, {100, 0, 0}, {0, 0, 255},   {50, 100, 255}};
    for (const Row& row : rows) {
        EXPECT_EQ(shadowLevel(row.darkness, row.transparency), row.level)
            << row.darkness << "% dark, " << row.transparency << "% transparent";
    }
}

TEST(HelpTipBackground, TailRepeatsTheBodysNearestLine) {
    struct Row {
        int direction;
        int effect;
        QPoint inTail;
        QPoint nearLine;  // the body pixel the tail pixel copies
        QPoint farLine;   // on the body's opposite edge
    };
    // A gradient across the tail's side makes the body's two edges differ.
    const Row rows[] = {
        {0, effect::kVGradient, {20, 3}, {20, 16}, {20, 115}},
        {16, effect::kVGradient, {20, 110}, {20, 99}, {20, 0}},
        {32, effect::kHGradient, {5, 50}, {16, 50}, {215, 50}},
        {48, effect::kHGradient, {210, 20}, {199, 20}, {0, 20}},
    };
    DrawEffects effects;
    TipLook look;
    look.colours = {Colour::fromRgb(255, 0, 0), Colour::fromRgb(0, 255, 0),
                    Colour::fromRgb(0, 0, 255)};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.direction);
        look.effect = row.effect;
        const Placement p = placeTip(
            PlacementRequest{kScreen, {640, 512}, {200, 100}, row.direction, TipShape::balloon()});
        ASSERT_EQ(p.direction, row.direction);
        const QImage image = tipBackground(p, look, effects);
        EXPECT_EQ(image.pixel(row.inTail), image.pixel(row.nearLine));
        EXPECT_NE(image.pixel(row.inTail), image.pixel(row.farLine));
    }
}

}  // namespace
}  // namespace vn340
