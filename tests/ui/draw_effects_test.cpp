#include <gtest/gtest.h>

#include "draw_test_support.h"
#include "ui/draw_effects.h"

namespace vn340::testing {
namespace {

constexpr std::uint32_t kSentinel = 0x123456;

TEST(ColourFunctions, FollowTheirRules) {
    struct Row {
        const char* what;
        std::uint32_t got;
        std::uint32_t want;
    };
    const Row rows[] = {
        // (299*100 + 587*50 + 114*200) / 1000 = 82
        {"grey of (100,50,200)", ToGray(0x6432C8), 0x525252},
        {"grey of white stays white", ToGray(0xFFFFFF), 0xFFFFFF},
        {"darken 0.75 truncates", Darken(0x6432C8, 0.75), 0x4B2596},
        {"darken by exactly 1 leaves it", Darken(0x6432C8, 1.0), 0x6432C8},
        {"darken by 0 is black", Darken(0x6432C8, 0.0), 0x000000},
        {"darken below 0 leaves it", Darken(0x6432C8, -0.5), 0x6432C8},
        {"darken drops the alpha byte", Darken(0xFF6432C8, 1.0), 0x6432C8},
        {"lighten 0.25", Lighten(0xC86432, 0.25), 0xFA7D3E},
        {"lighten 1 caps at 255", Lighten(0xF08010, 1.0), 0xFFFF20},
        {"lighten white by 1 stays white", Lighten(0xFFFFFF, 1.0), 0xFFFFFF},
        {"lighten by 0 leaves it", Lighten(0xC86432, 0.0), 0xC86432},
        {"lighten above 1 leaves it", Lighten(0xC86432, 1.5), 0xC86432},
        {"invert", Invert(0x123456), 0xEDCBA9},
        {"mix halves truncate", Mix(0xFF0000, 0.5, 0x0000FF, 0.5), 0x7F007F},
        {"mix by alpha 128", Mix(0xFF0000, 128 / 255.0, 0xFFFFFF, 127 / 255.0), 0xFF7F7F},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.got, row.want) << row.what;
    }
}

TEST(ColourFunctions, GdiColoursConvertByChannel) {
    const Colour c = Colour::fromRgb(0x12, 0x34, 0x56);
    EXPECT_EQ(ToPixel(c), 0x123456u);
    EXPECT_EQ(FromPixel(0x123456), c);
    EXPECT_EQ(Darken(Colour::fromRgb(100, 50, 200), 0.75), Colour::fromRgb(75, 37, 150));
    EXPECT_EQ(ToGray(Colour::fromRgb(100, 50, 200)), Colour::fromRgb(82, 82, 82));
}

TEST(DrawGradient, NarrowRectanglePaintsOnlyTheBandsItHas) {
    // 10 pixels: pixel x shows the last band s whose start (s*10 >> 6) is x, i.e.
    // s = ceil(64 (x+1) / 10) - 1; colour (from (64 - s) + to s) >> 6.
    const Colour from = Colour::fromRgb(200, 0, 0);
    const Colour to = Colour::fromRgb(0, 0, 100);
    const struct {
        int pos, red, blue;
    } rows[] = {
        {0, (200 * 58) >> 6, (100 * 6) >> 6},   // band 6
        {4, (200 * 33) >> 6, (100 * 31) >> 6},  // band 31
        {9, (200 * 1) >> 6, (100 * 63) >> 6},   // band 63: (from + 63 to) / 64, not `to`
    };
    for (bool horizontal : {true, false}) {
        const QRect rect = horizontal ? QRect(1, 1, 10, 3) : QRect(1, 1, 3, 10);
        const QImage image = Painted(12, 12, kSentinel, [&](QPainter& p) {
            DrawEffects::DrawGradient(p, rect, from, to, horizontal);
        });
        for (const auto& row : rows) {
            const int x = horizontal ? 1 + row.pos : 2;
            const int y = horizontal ? 2 : 1 + row.pos;
            EXPECT_EQ(Rgb(image, x, y), (static_cast<std::uint32_t>(row.red) << 16) |
                                            static_cast<std::uint32_t>(row.blue))
                << (horizontal ? "across" : "down") << " at " << row.pos;
        }
        EXPECT_EQ(Rgb(image, horizontal ? 11 : 2, horizontal ? 2 : 11), kSentinel);
        EXPECT_EQ(Rgb(image, 0, 0), kSentinel);
    }
}

TEST(FillEffect, ZeroSizeRectanglePaintsNothingForAnyCode) {
    DrawEffects effects;
    for (int code = -1; code <= 16; ++code) {
        for (const QRect& rect : {QRect(2, 2, 0, 5), QRect(2, 2, 5, 0), QRect(2, 2, -3, 4)}) {
            const QImage image = Painted(8, 8, kSentinel, [&](QPainter& p) {
                effects.FillEffect(p, code, rect, Colour::fromRgb(255, 0, 0),
                                   Colour::fromRgb(0, 255, 0), Colour::fromRgb(0, 0, 255), 5, 0);
            });
            EXPECT_EQ(image, Canvas(8, 8, kSentinel))
                << "code " << code << " rect " << rect.width() << "x" << rect.height();
        }
    }
}

TEST(FillEffect, SplitsAndSolidFills) {
    const Colour begin = Colour::fromRgb(0, 0, 0);
    const Colour mid = Colour::fromRgb(0, 128, 0);
    const Colour end = Colour::fromRgb(0, 0, 255);
    struct Row {
        int code;
        int x;  // along the first row of a 128 x 2 rectangle at (0, 0): one pixel per band
        std::uint32_t want;
    };
    const Row rows[] = {
        {effect::kSolid, 100, 0x000000},
        {99, 50, 0x000000},                          // unknown code: begin colour
        {effect::kHGradient, 127, (255 * 63) >> 6},  // band 63 of 128 px is x 126..127
        {effect::kHCGradient, 0, 0x000000},
        {effect::kHCGradient, 63, (255 * 63) >> 6},
        {effect::kHCGradient, 64, 0x0000FF},  // second half starts at the end colour
        {effect::kHCGradient, 127, (255 * 1) >> 6},
        {effect::k3HGradient, 63, ((128 * 63) >> 6) << 8},
        {effect::k3HGradient, 64, 0x008000},
        {effect::k3HGradient, 127, (((128 * 1) >> 6) << 8) | ((255 * 63) >> 6)},
    };
    DrawEffects effects;
    for (const Row& row : rows) {
        const QImage image = Painted(130, 2, kSentinel, [&](QPainter& p) {
            effects.FillEffect(p, row.code, QRect(0, 0, 128, 2), begin, mid, end, 5, 0);
        });
        EXPECT_EQ(Rgb(image, row.x, 1), row.want) << "code " << row.code << " x " << row.x;
        EXPECT_EQ(Rgb(image, 128, 1), kSentinel) << "code " << row.code;
    }
    const QImage transparent = Painted(4, 4, kSentinel, [&](QPainter& p) {
        effects.FillEffect(p, effect::kTransparent, QRect(0, 0, 4, 4), begin, mid, end, 5, 0);
    });
    EXPECT_EQ(transparent, Canvas(4, 4, kSentinel));
}

TEST(FillEffect, VerticalSplitsFollowTheHeight) {
    DrawEffects effects;
    QImage image = Painted(2, 128, kSentinel, [&](QPainter& p) {
        effects.FillEffect(p, effect::kVCGradient, QRect(0, 0, 2, 128), Colour::fromRgb(255, 0, 0),
                           Colour{}, Colour::fromRgb(0, 0, 255), 5, 0);
    });
    EXPECT_EQ(Rgb(image, 0, 0), 0xFF0000u);
    EXPECT_EQ(Rgb(image, 0, 64), 0x0000FFu);
    EXPECT_EQ(Rgb(image, 0, 127), (((255 * 63) >> 6) << 16) | ((255 * 1) >> 6));

    // Three colours: the lower half starts at the middle one.
    Paint(image, [&](QPainter& p) {
        effects.FillEffect(p, effect::k3VGradient, QRect(0, 0, 2, 128), Colour::fromRgb(255, 0, 0),
                           Colour::fromRgb(0, 128, 0), Colour::fromRgb(0, 0, 255), 5, 0);
    });
    EXPECT_EQ(Rgb(image, 0, 0), 0xFF0000u);
    EXPECT_EQ(Rgb(image, 0, 64), 0x008000u);
    EXPECT_EQ(Rgb(image, 0, 127), (((128 * 1) >> 6) << 8) | ((255 * 63) >> 6));
}

TEST(TileBlit, RepeatsTheBlockAndClipsTheLastOnes) {
    const QImage tile =
        ImageOf(3, 2, {0xFF000000, 0xFF0000FF, 0xFF00FF00, 0xFF000000, 0xFFFF0000, 0xFFFFFFFF});
    // The block is the 2 x 2 at (1, 0); the area 5 x 3 at (1, 1).
    const QImage image =
        Painted(8, 6, kSentinel, [&](QPainter& p) { TileBlit(p, 1, 1, 5, 3, tile, 1, 0, 2, 2); });
    const Pixel want[] = {
        {1, 1, 0x0000FF},  {2, 1, 0x00FF00},  {3, 1, 0x0000FF},  {5, 1, 0x0000FF},
        {2, 2, 0xFFFFFF},  {4, 2, 0xFFFFFF},  {1, 3, 0x0000FF},  {2, 3, 0x00FF00},
        {6, 1, kSentinel}, {1, 4, kSentinel}, {0, 1, kSentinel},
    };
    ExpectPixels(image, want);
}

TEST(TileBlit, HugeAreaOnlyCostsWhatTheDeviceShows) {
    QImage tile(1, 1, QImage::Format_ARGB32);
    tile.fill(0xFF00FF00);
    // 1 x 1 tiles over a billion pixels a side: finishes because the unseen ones are skipped.
    const QImage image = Painted(4, 4, kSentinel, [&](QPainter& p) {
        p.translate(1, 0);
        TileBlit(p, 0, 1, 1000000000, 1000000000, tile, 0, 0, 1, 1);
    });
    const Pixel want[] = {{1, 1, 0x00FF00}, {3, 3, 0x00FF00}, {0, 1, kSentinel}, {1, 0, kSentinel}};
    ExpectPixels(image, want);
}

TEST(DrawFrame, LightOnTopAndLeftDarkOnBottomAndRight) {
    const Colour light = Colour::fromRgb(255, 0, 0);
    const Colour dark = Colour::fromRgb(0, 0, 255);
    const QImage image = Painted(10, 10, 0xFFFFFF, [&](QPainter& p) {
        DrawEffects::DrawFrame(p, QRect(1, 1, 8, 8), light, dark, border::kSolid, 1);
    });
    const Pixel want[] = {{1, 4, 0xFF0000}, {4, 1, 0xFF0000}, {8, 4, 0x0000FF}, {4, 8, 0x0000FF},
                          {0, 4, 0xFFFFFF}, {4, 4, 0xFFFFFF}, {9, 4, 0xFFFFFF}};
    ExpectPixels(image, want);
}

TEST(DrawFrame, WideLinesStayInsideTheRectangle) {
    const QImage image = Painted(12, 12, 0xFFFFFF, [&](QPainter& p) {
        DrawEffects::DrawFrame(p, QRect(1, 1, 10, 10), Colour::fromRgb(255, 0, 0),
                               Colour::fromRgb(0, 0, 255), border::kSolid, 3);
    });
    // half = 1: the left line runs at x = 2 and covers 1..3; the right one at 9 covers 8..10.
    for (int x : {1, 2, 3}) {
        EXPECT_EQ(Rgb(image, x, 6), 0xFF0000u) << x;
    }
    for (int x : {8, 9, 10}) {
        EXPECT_EQ(Rgb(image, x, 6), 0x0000FFu) << x;
    }
    for (int x : {0, 4, 7, 11}) {
        EXPECT_EQ(Rgb(image, x, 6), 0xFFFFFFu) << x;
    }
}

TEST(DrawFrame, DoubleRepeatsInsideAndNoneOrNoWidthDrawNothing) {
    const QImage image = Painted(20, 20, 0xFFFFFF, [&](QPainter& p) {
        DrawEffects::DrawFrame(p, QRect(0, 0, 20, 20), Colour::fromRgb(255, 0, 0),
                               Colour::fromRgb(0, 0, 255), border::kDouble, 1);
    });
    const Pixel want[] = {{0, 10, 0xFF0000},  {1, 10, 0xFFFFFF},  {2, 10, 0xFF0000},
                          {19, 10, 0x0000FF}, {17, 10, 0x0000FF}, {10, 17, 0x0000FF},
                          {10, 2, 0xFF0000},  {10, 10, 0xFFFFFF}};
    ExpectPixels(image, want);

    for (auto [style, width] : {std::pair{border::kNone, 2}, std::pair{border::kSolid, 0}}) {
        const QImage blank = Painted(8, 8, 0xFFFFFF, [&](QPainter& p) {
            DrawEffects::DrawFrame(p, QRect(0, 0, 8, 8), Colour{}, Colour{}, style, width);
            DrawEffects::DrawLine(p, 0, 4, 7, 4, Colour{}, style, width);
        });
        EXPECT_EQ(blank, Canvas(8, 8, 0xFFFFFF)) << "style " << style << " width " << width;
    }
}

TEST(DrawFrame, DashedAndDottedLeaveGaps) {
    for (int style : {border::kDashed, border::kDotted}) {
        const QImage image = Painted(40, 4, 0xFFFFFF, [&](QPainter& p) {
            DrawEffects::DrawLine(p, 0, 1, 39, 1, Colour{}, style, 1);
        });
        int painted = 0;
        for (int x = 0; x < 40; ++x) {
            painted += Rgb(image, x, 1) == 0 ? 1 : 0;
        }
        EXPECT_GT(painted, 5) << "style " << style;
        EXPECT_LT(painted, 35) << "style " << style;
    }
}

TEST(DrawLine, DoubleTwinGoesBelowOrToTheRight) {
    const QImage across = Painted(12, 6, 0xFFFFFF, [&](QPainter& p) {
        DrawEffects::DrawLine(p, 1, 1, 8, 1, Colour{}, border::kDouble, 1);
    });
    // The twin below starts where the line does, not moved right.
    const Pixel belowWant[] = {{4, 1, 0}, {4, 2, 0xFFFFFF}, {4, 3, 0}, {1, 3, 0}};
    ExpectPixels(across, belowWant);

    const QImage upright = Painted(6, 12, 0xFFFFFF, [&](QPainter& p) {
        DrawEffects::DrawLine(p, 1, 1, 1, 8, Colour{}, border::kDouble, 1);
    });
    // The twin to the right starts where the line does, not moved down.
    const Pixel rightWant[] = {
        {1, 4, 0}, {2, 4, 0xFFFFFF}, {3, 4, 0}, {3, 1, 0}, {3, 10, 0xFFFFFF}};
    ExpectPixels(upright, rightWant);
}

}  // namespace
}  // namespace vn340::testing
