#include <gtest/gtest.h>

#include "draw_test_support.h"
#include "ui/draw_effects.h"

namespace vn340::testing {
namespace {

const Colour kMagenta = Colour::fromRgb(255, 0, 255);
const Colour kWhite = Colour::fromRgb(255, 255, 255);
const Colour kGrey = Colour::fromRgb(128, 128, 128);
constexpr std::uint32_t kBackground = 0x0A141E;

// 2 x 2 device bitmap: magenta key, (100, 50, 200), white, black.
QImage Sample() {
    return ImageOf(2, 2, {0xFFFF00FF, 0xFF6432C8, 0xFFFFFFFF, 0xFF000000}, QImage::Format_RGB32);
}

// An offset shadow (or image, without a shadow style) `dx` across and `dy` down.
ShadowSettings Offset(int dx, int dy) {
    ShadowSettings shadow;
    shadow.offset = true;
    shadow.dx = dx;
    shadow.dy = dy;
    return shadow;
}

TEST(ConvertImage, AppliesEachStyleBit) {
    const struct {
        unsigned style;
        std::uint32_t key, colour, white;  // pixels (0,0), (1,0), (0,1)
    } rows[] = {
        {0, 0x000000, 0x6432C8, 0xFFFFFF},
        {imagestyle::kGrey, 0x000000, 0x525252, 0xFFFFFF},
        {imagestyle::kDarker, 0x000000, 0x4B2596, 0xBFBFBF},
        {imagestyle::kLighter, 0x000000, 0x7D3EFA, 0xFFFFFF},
        {imagestyle::kDarker | imagestyle::kLighter, 0x000000, 0x5D2EBB, 0xEEEEEE},
        {imagestyle::kSolidColour, 0x000000, 0x808080, 0x808080},
        {imagestyle::kInvert, 0xFFFFFF, 0x9BCD37, 0x000000},
        {imagestyle::kInvert | imagestyle::kSolidColour, 0xFFFFFF, 0x7F7F7F, 0x7F7F7F},
    };
    DrawEffects effects;
    for (const auto& row : rows) {
        const QImage out = effects.ConvertImage(Sample(), 2, 2, row.style, true, kMagenta, kGrey);
        ASSERT_EQ(out.size(), QSize(2, 2));
        EXPECT_EQ(out.pixel(0, 0), row.key) << "style " << row.style << ": alpha 0 and the colour";
        EXPECT_EQ(out.pixel(1, 0), row.colour) << "style " << row.style;
        EXPECT_EQ(out.pixel(0, 1), row.white) << "style " << row.style;
        EXPECT_FALSE(effects.hasAlpha());
    }
}

TEST(ConvertImage, TransparencyMaskAndSizeBeyondTheSource) {
    DrawEffects effects;
    const QImage mask = effects.ConvertImage(Sample(), 3, 2, 0x8008, true, kMagenta, kWhite);
    EXPECT_EQ(mask.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu) << "key pixels white";
    EXPECT_EQ(mask.pixel(1, 0) & 0xFFFFFF, 0u) << "opaque pixels black";
    EXPECT_EQ(mask.pixel(1, 1) & 0xFFFFFF, 0u);
    // Past the source's edge the copy holds black, which counts as opaque.
    EXPECT_EQ(mask.pixel(2, 0) & 0xFFFFFF, 0u);
    const QImage plain = effects.ConvertImage(Sample(), 2, 2, 0, false, kMagenta, kWhite);
    EXPECT_EQ(plain.pixel(0, 0), 0x00FF00FFu) << "without the key magenta stays";
}

TEST(ConvertImage, AlphaIsKeptAndSetsHasAlphaAndNeverMatchesTheKey) {
    const QImage image = ImageOf(2, 1, {0x80FF00FF, 0x00000000});
    DrawEffects effects;
    const QImage out =
        effects.ConvertImage(image, 2, 1, imagestyle::kDarker, true, kMagenta, kWhite);
    EXPECT_TRUE(effects.hasAlpha());
    EXPECT_EQ(out.pixel(0, 0), 0x80BF00BFu);
    EXPECT_EQ(out.pixel(1, 0), 0u);
}

TEST(DrawBitmap, KeyPixelsLeaveTheBackgroundAndStylesApply) {
    DrawEffects effects;
    const ShadowSettings none;
    const QImage image = Painted(6, 6, kBackground, [&](QPainter& p) {
        effects.DrawBitmap(p, 1, 1, 2, 2, Sample(), true, kMagenta, 0, none);
        effects.DrawBitmap(p, 3, 3, 2, 2, Sample(), true, kMagenta, imagestyle::kDarker, none);
    });
    const Pixel want[] = {{1, 1, kBackground}, {2, 1, 0x6432C8},    {1, 2, 0xFFFFFF},
                          {2, 2, 0},           {3, 3, kBackground}, {4, 3, 0x4B2596},
                          {0, 0, kBackground}, {5, 5, kBackground}};
    ExpectPixels(image, want);
}

TEST(DrawBitmap, ScalesToTheGivenSize) {
    DrawEffects effects;
    const QImage image = Painted(6, 6, kBackground, [&](QPainter& p) {
        effects.DrawBitmap(p, 1, 1, 4, 4, Sample(), true, kMagenta, 0, ShadowSettings{});
    });
    const Pixel want[] = {{2, 2, kBackground}, {4, 1, 0x6432C8}, {1, 4, 0xFFFFFF}, {4, 4, 0}};
    ExpectPixels(image, want);
}

// On a device of two pixels per pixel (a tip on a 2x screen) each pixel covers a 2 x 2 block.
TEST(DrawBitmap, DrawsOnADeviceOfTwicePixels) {
    DrawEffects effects;
    QImage image = Canvas(12, 12, kBackground);
    image.setDevicePixelRatio(2);
    Paint(image, [&](QPainter& p) {
        effects.DrawBitmap(p, 1, 1, 2, 2, Sample(), true, kMagenta, 0, ShadowSettings{});
    });
    const Pixel want[] = {{2, 2, kBackground}, {4, 2, 0x6432C8}, {5, 3, 0x6432C8},
                          {3, 5, 0xFFFFFF},    {4, 4, 0},        {6, 6, kBackground}};
    ExpectPixels(image, want);
}

TEST(DrawBitmap, OffsetMovesTheImageOrPlacesItsShadow) {
    QImage red(2, 2, QImage::Format_RGB32);
    red.fill(0xFFFF0000);
    DrawEffects effects;
    const QImage moved = Painted(8, 4, 0xFFFFFF, [&](QPainter& p) {
        effects.DrawBitmap(p, 0, 0, 2, 2, red, false, kMagenta, 0, Offset(3, 0));
    });
    EXPECT_EQ(Rgb(moved, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(Rgb(moved, 3, 0), 0xFF0000u);

    const QImage shaded = Painted(6, 6, 0xFFFFFF, [&](QPainter& p) {
        effects.DrawBitmap(p, 0, 0, 2, 2, red, false, kMagenta, imagestyle::kHardShadow,
                           Offset(2, 2));
    });
    // Mask blue 128: white darkened by 128 / 255 is 128.
    const Pixel want[] = {
        {0, 0, 0xFF0000}, {2, 2, 0x808080}, {3, 3, 0x808080}, {4, 4, 0xFFFFFF}, {1, 3, 0xFFFFFF}};
    ExpectPixels(shaded, want);
}

TEST(DrawBitmap, ImageWithAlphaIsBlended) {
    const QImage half = ImageOf(1, 1, {0x80FF0000});
    DrawEffects effects;
    const QImage image = Painted(2, 2, 0xFFFFFF, [&](QPainter& p) {
        effects.DrawBitmap(p, 1, 1, 1, 1, half, false, kMagenta, 0, ShadowSettings{});
    });
    EXPECT_TRUE(effects.hasAlpha());
    // 255 128/255 + 255 127/255 = 255; 0 + 255 127/255 = 127
    EXPECT_EQ(Rgb(image, 1, 1), 0xFF7F7Fu);
    EXPECT_EQ(Rgb(image, 0, 0), 0xFFFFFFu);
}

TEST(DrawBitmap, ImageWithAlphaCastsItsShadowOnlyWhereOpaque) {
    const QImage image = ImageOf(2, 1, {0x00000000, 0xFFFF0000});
    DrawEffects effects;
    const QImage device = Painted(2, 2, 0xFFFFFF, [&](QPainter& p) {
        effects.DrawBitmap(p, 0, 0, 2, 1, image, false, kMagenta, imagestyle::kHardShadow,
                           Offset(0, 1));
    });
    EXPECT_EQ(Rgb(device, 0, 1), 0xFFFFFFu) << "no box under the transparent pixel";
    EXPECT_EQ(Rgb(device, 1, 1), 0x808080u);
    EXPECT_EQ(Rgb(device, 1, 0), 0xFF0000u);
}

TEST(DrawImageCell, PicksTheCellRowByRowAndSkipsBadIndices) {
    // A 4 x 4 strip of 2 x 2 cells coloured 0x10, 0x20, 0x30, 0x40 in blue.
    QImage strip(4, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            strip.setPixel(x, y, 0xFF000000u | (0x10u * (1 + x / 2 + 2 * (y / 2))));
        }
    }
    const struct {
        int index, cellW, cellH;
        std::uint32_t want;
    } rows[] = {
        {0, 2, 2, 0x10},         {1, 2, 2, 0x20},        {3, 2, 2, 0x40},
        {2, 2, 2, 0x30},         {4, 2, 2, kBackground},  // past the last cell
        {-1, 2, 2, kBackground}, {0, 0, 2, kBackground}, {0, 2, 0, kBackground},
        {0, 5, 2, kBackground},  // no whole column
    };
    DrawEffects effects;
    for (const auto& row : rows) {
        const QImage image = Painted(3, 3, kBackground, [&](QPainter& p) {
            effects.DrawImageCell(p, 1, 1, 2, 2, strip, row.index, row.cellW, row.cellH, false,
                                  kMagenta, 0, ShadowSettings{});
        });
        EXPECT_EQ(Rgb(image, 2, 2), row.want)
            << "index " << row.index << " cell " << row.cellW << "x" << row.cellH;
    }
}

Icon MadeIcon(QPoint hotspot) {
    Icon icon;
    // The first pixel transparent: black colour, white mask.
    icon.colour = ImageOf(2, 1, {0xFF000000, 0xFF00FF00}, QImage::Format_RGB32);
    icon.mask = ImageOf(2, 1, {0xFFFFFFFF, 0xFF000000}, QImage::Format_RGB32);
    icon.hotspot = hotspot;
    return icon;
}

TEST(IconSize, IsTwiceTheHotSpot) {
    Icon big;
    big.colour = QImage(32, 32, QImage::Format_RGB32);
    big.mask = QImage(32, 32, QImage::Format_RGB32);
    big.hotspot = QPoint(16, 16);
    EXPECT_EQ(IconSize(big), QSize(32, 32));
    big.hotspot = QPoint(0, 0);
    EXPECT_EQ(IconSize(big), QSize(0, 0));
    EXPECT_EQ(IconSize(Icon{}), QSize(0, 0));
    EXPECT_EQ(BitmapSize(QImage()), QSize(0, 0));
    EXPECT_EQ(BitmapSize(QImage(5, 3, QImage::Format_RGB32)), QSize(5, 3));
    EXPECT_EQ(ScaleIcon(big, 8, 4).colour.size(), QSize(8, 4));
    EXPECT_EQ(IconSize(ScaleIcon(big, 8, 4)), QSize(8, 4));
}

TEST(DrawIcon, MaskKeepsTheBackgroundAndSolidStyleUsesTheShadowColour) {
    DrawEffects effects;
    for (QPoint hotspot : {QPoint(1, 0), QPoint(0, 0)}) {
        const QImage image = Painted(3, 1, kBackground, [&](QPainter& p) {
            effects.DrawIcon(p, 1, 0, 2, 1, MadeIcon(hotspot), 0, ShadowSettings{});
        });
        EXPECT_EQ(Rgb(image, 1, 0), kBackground) << hotspot.x();
        EXPECT_EQ(Rgb(image, 2, 0), 0x00FF00u) << hotspot.x();
    }
    const QImage solid = Painted(2, 1, kBackground, [&](QPainter& p) {
        effects.DrawIcon(p, 0, 0, 2, 1, MadeIcon(QPoint(1, 0)), imagestyle::kSolidColour,
                         ShadowSettings{});
    });
    EXPECT_EQ(Rgb(solid, 0, 0), kBackground);
    EXPECT_EQ(Rgb(solid, 1, 0), 0x808080u);
}

TEST(DrawIcon, ShadowFollowsTheIconMask) {
    DrawEffects effects;
    const QImage device = Painted(2, 2, 0xFFFFFF, [&](QPainter& p) {
        effects.DrawIcon(p, 0, 0, 2, 1, MadeIcon(QPoint(1, 0)), imagestyle::kHardShadow,
                         Offset(0, 1));
    });
    const Pixel want[] = {{0, 0, 0xFFFFFF}, {1, 0, 0x00FF00}, {0, 1, 0xFFFFFF}, {1, 1, 0x808080}};
    ExpectPixels(device, want);
}

TEST(DrawIcon, FromAnImageWithAlpha) {
    const Icon icon = Icon::fromImage(ImageOf(2, 1, {0x00FFFFFF, 0xFF0000FF}));
    EXPECT_EQ(icon.mask.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(icon.mask.pixel(1, 0) & 0xFFFFFF, 0u);
    EXPECT_EQ(icon.hotspot, QPoint(1, 0));
    DrawEffects effects;
    const QImage image = Painted(2, 1, kBackground, [&](QPainter& p) {
        effects.DrawIcon(p, 0, 0, 2, 1, icon, 0, ShadowSettings{});
    });
    EXPECT_EQ(Rgb(image, 0, 0), kBackground);
    EXPECT_EQ(Rgb(image, 1, 0), 0x0000FFu);
}

TEST(DrawShadow, HardShadowDarkensByTheMaskBlue) {
    const QImage mask = ImageOf(3, 1, {0xFF000000, 0xFF808080, 0xFFFFFFFF}, QImage::Format_RGB32);
    const QImage image = Painted(4, 1, 0xC8C8C8, [&](QPainter& p) {
        DrawEffects::DrawShadow(p, 1, 0, 3, 1, mask, false, 1, 1);
    });
    // 200 x 128 / 255 = 100.4
    const Pixel want[] = {{0, 0, 0xC8C8C8}, {1, 0, 0}, {2, 0, 0x646464}, {3, 0, 0xC8C8C8}};
    ExpectPixels(image, want);
}

QImage SoftShadow(int blurX, int blurY) {
    QImage mask(21, 21, QImage::Format_RGB32);
    mask.fill(Qt::black);
    const QImage image = Painted(21, 21, 0xFFFFFF, [&](QPainter& p) {
        DrawEffects::DrawShadow(p, 0, 0, 21, 21, mask, true, blurX, blurY);
    });
    return image;
}

TEST(DrawShadow, SoftShadowBoxFiltersTheInsetMask) {
    // Blur 7: the black mask covers 3..16; a 7 x 7 window, white outside the buffer.
    const QImage image = SoftShadow(7, 7);
    const struct {
        int x, y, black;  // black samples in the window around (x, y)
    } rows[] = {{10, 10, 49}, {0, 0, 1},   {1, 1, 4},  {3, 3, 16},
                {3, 10, 28},  {19, 19, 1}, {20, 20, 0}};
    for (const auto& row : rows) {
        const std::uint32_t v = static_cast<std::uint32_t>(255 * (49 - row.black) / 49);
        EXPECT_EQ(Rgb(image, row.x, row.y), v * 0x010101u) << row.x << "," << row.y;
    }
}

TEST(DrawShadow, SoftShadowBlursAcrossAndDownEachByItsOwnWidth) {
    // Blur 7 across, 3 down: the black mask covers columns 3..16 and rows 1..18.
    const QImage image = SoftShadow(7, 3);
    const struct {
        int x, y, black;  // black samples in the 7 x 3 window around (x, y)
    } rows[] = {{10, 10, 21}, {10, 0, 7}, {0, 10, 3}, {18, 19, 2}};
    for (const auto& row : rows) {
        const std::uint32_t v = static_cast<std::uint32_t>(255 * (21 - row.black) / 21);
        EXPECT_EQ(Rgb(image, row.x, row.y), v * 0x010101u) << row.x << "," << row.y;
    }
}

TEST(DrawShadow, EvenBlurIsDrawnOneLarger) {
    EXPECT_EQ(SoftShadow(6, 6), SoftShadow(7, 7));
    EXPECT_NE(SoftShadow(5, 5), SoftShadow(7, 7));
    // Blur 4 by 2 is drawn as 5 by 3.
    EXPECT_EQ(SoftShadow(4, 2), SoftShadow(5, 3));
}

TEST(BlendRect, OpacityMixesAndHundredCopies) {
    const QImage source = ImageOf(3, 1, {0xFF000000, 0xFFC86400, 0xFF0B0D11});
    const struct {
        int percent;
        std::uint32_t want1, want2;  // device pixels 1 and 2 after laying source (1, 0) at 1
    } rows[] = {
        {100, 0xC86400, 0x0B0D11}, {150, 0xC86400, 0x0B0D11}, {50, 0x643232, 0x05063A},
        {0, 0x000064, 0x000064},   {-20, 0x000064, 0x000064},
    };
    for (const auto& row : rows) {
        const QImage image = Painted(4, 1, 0x000064, [&](QPainter& p) {
            DrawEffects::BlendRect(p, 1, 0, 2, 1, source, 1, 0, row.percent);
        });
        EXPECT_EQ(Rgb(image, 1, 0), row.want1) << row.percent << "%";
        EXPECT_EQ(Rgb(image, 2, 0), row.want2) << row.percent << "%";
        EXPECT_EQ(Rgb(image, 0, 0), 0x000064u) << row.percent << "%";
        EXPECT_EQ(Rgb(image, 3, 0), 0x000064u) << row.percent << "%";
    }
}

TEST(BlendBySourceAlpha, UsesEachSourcePixelsAlpha) {
    const QImage source = ImageOf(3, 1, {0xFFFF0000, 0x00FF0000, 0x33FF0000});  // alpha 51: 0.2
    const QImage image = Painted(3, 1, 0x0000FF, [&](QPainter& p) {
        DrawEffects::BlendBySourceAlpha(p, 0, 0, 3, 1, source, 0, 0);
    });
    EXPECT_EQ(Rgb(image, 0, 0), 0xFF0000u);
    EXPECT_EQ(Rgb(image, 1, 0), 0x0000FFu);
    EXPECT_EQ(Rgb(image, 2, 0), 0x3300CCu);  // 51, 0, 204
}

TEST(DrawShadow, PainterTranslationIsHonoured) {
    QImage mask(1, 1, QImage::Format_RGB32);
    mask.fill(Qt::black);
    const QImage image = Painted(4, 4, 0xFFFFFF, [&](QPainter& p) {
        p.translate(2, 1);
        DrawEffects::DrawShadow(p, 0, 0, 1, 1, mask, false, 1, 1);
    });
    EXPECT_EQ(Rgb(image, 2, 1), 0u);
    EXPECT_EQ(Rgb(image, 0, 0), 0xFFFFFFu);
}

}  // namespace
}  // namespace vn340::testing
