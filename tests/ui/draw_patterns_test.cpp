#include <gtest/gtest.h>

#include "draw_test_support.h"
#include "ui/draw_effects.h"

namespace vn340::testing {
namespace {

const Colour kBegin = Colour::fromRgb(200, 0, 0);
const Colour kMid = Colour::fromRgb(0, 100, 0);
const Colour kEnd = Colour::fromRgb(0, 0, 50);

struct Sample {
    int x;
    int b;  // row from the bottom
    int want;
};

void ExpectIndices(const DrawEffects& effects, const std::vector<Sample>& samples,
                   const char* what) {
    for (const Sample& s : samples) {
        EXPECT_EQ(effects.indexedBitmap().Index(s.x, s.b), s.want)
            << what << " at x " << s.x << " b " << s.b;
    }
}

TEST(IndexedBitmap, HeaderStrideAndEntries) {
    const struct {
        int w, h, bpp, stride, entries;
    } rows[] = {
        {5, 3, 8, 8, 256}, {10, 2, 1, 4, 2}, {9, 1, 4, 8, 16}, {3, 1, 24, 12, 0}, {1, 1, 8, 4, 256},
    };
    for (const auto& row : rows) {
        IndexedBitmap bitmap;
        ASSERT_TRUE(bitmap.Create(row.w, row.h, row.bpp));
        EXPECT_EQ(bitmap.stride(), row.stride) << row.w << "x" << row.bpp;
        EXPECT_EQ(bitmap.entryCount(), row.entries) << row.w << "x" << row.bpp;
        const auto& block = bitmap.block();
        ASSERT_EQ(block.size(),
                  static_cast<std::size_t>(40 + 4 * row.entries + row.stride * row.h));
        EXPECT_EQ(block[0], 40);
        EXPECT_EQ(block[4], row.w);
        EXPECT_EQ(block[8], row.h);
        EXPECT_EQ(block[12], 1);
        EXPECT_EQ(block[14], row.bpp);
        EXPECT_EQ(block[16], 0);
        EXPECT_EQ(block[20], row.stride * row.h);
    }
    IndexedBitmap empty;
    EXPECT_FALSE(empty.Create(0, 4, 8));
    EXPECT_TRUE(empty.isNull());
}

TEST(IndexedBitmap, RowsAreStoredBottomUpAndStrayWritesIgnored) {
    IndexedBitmap bitmap;
    ASSERT_TRUE(bitmap.Create(3, 2, 8));
    bitmap.SetEntry(7, Colour::fromRgb(1, 2, 3));
    bitmap.SetEntry(300, Colour::fromRgb(9, 9, 9));
    bitmap.SetIndex(0, 0, 7);
    bitmap.SetIndex(3, 0, 9);
    bitmap.SetIndex(0, 2, 9);
    const auto& block = bitmap.block();
    EXPECT_EQ(block[40 + 4 * 7 + 0], 3);  // blue, green, red, 0
    EXPECT_EQ(block[40 + 4 * 7 + 2], 1);
    EXPECT_EQ(block[40 + 1024], 7);      // first stored row is the bottom one
    EXPECT_EQ(block[40 + 1024 + 3], 0);  // padding untouched by x = 3
    const QImage image = bitmap.ToImage();
    EXPECT_EQ(Rgb(image, 0, 1), 0x010203u);
    EXPECT_EQ(Rgb(image, 0, 0), 0u);
}

TEST(DrawPattern, PaletteRunsFromEndThroughMidToBeginAndTints) {
    DrawEffects effects;
    effects.SetRandomSource(Constant(0));
    ASSERT_TRUE(effects.DrawPattern(QSize(2, 2), effect::kNoise, 0, 0, kBegin, kMid, kEnd));
    const IndexedBitmap& bitmap = effects.indexedBitmap();
    EXPECT_EQ(bitmap.Entry(0), kEnd);
    EXPECT_EQ(bitmap.Entry(64), Colour::fromRgb(0, 50, 25));
    // Entry 128 is overwritten by the second run: (mid 127 + begin) / 128.
    EXPECT_EQ(bitmap.Entry(128), Colour::fromRgb(1, 99, 0));
    EXPECT_EQ(bitmap.Entry(192), Colour::fromRgb(101, 49, 0));
    EXPECT_EQ(bitmap.Entry(255), kBegin);

    ASSERT_TRUE(effects.DrawPattern(QSize(2, 2), effect::kNoise, 0, 50, kBegin, kMid, kEnd));
    EXPECT_EQ(effects.indexedBitmap().Entry(0), Colour::fromRgb(100, 0, 25));
    ASSERT_TRUE(effects.DrawPattern(QSize(2, 2), effect::kNoise, 0, 150, kBegin, kMid, kEnd));
    EXPECT_EQ(effects.indexedBitmap().Entry(0), kBegin);
    EXPECT_EQ(effects.indexedBitmap().Entry(128), kBegin);
}

TEST(DrawPattern, NoiseAtGranularityZeroIsAlmostAllEntry128) {
    DrawEffects effects;
    // Only r = 32767 gives a grain of 1 at granularity 0.
    effects.SetRandomSource(Scripted({32767}, 32766));
    ASSERT_TRUE(effects.DrawPattern(QSize(4, 3), effect::kNoise, 0, 0, kBegin, kMid, kEnd));
    int at128 = 0;
    for (int b = 0; b < 3; ++b) {
        for (int x = 0; x < 4; ++x) {
            at128 += effects.indexedBitmap().Index(x, b) == 128 ? 1 : 0;
        }
    }
    EXPECT_EQ(at128, 11);
    EXPECT_EQ(effects.indexedBitmap().Index(0, 0), 129);
}

TEST(DrawPattern, NoiseSpreadsByTheGranularity) {
    // G = 10: grain = r / (32767 / 20) = r / 1638; noise = grain - 10.
    const struct {
        int r, want;
    } rows[] = {{0, 118}, {16380, 128}, {32767, 138}};
    DrawEffects effects;
    for (const auto& row : rows) {
        effects.SetRandomSource(Constant(row.r));
        ASSERT_TRUE(effects.DrawPattern(QSize(2, 2), effect::kNoise, 10, 0, kBegin, kMid, kEnd));
        EXPECT_EQ(effects.indexedBitmap().Index(1, 1), row.want) << "r " << row.r;
    }
}

TEST(DrawPattern, ShadesAndBumpsFollowTheirFormulas) {
    struct Case {
        const char* what;
        int code, w, h, g, r;
        std::vector<Sample> samples;
    };
    // r = 16380 with G = 10 and r = 0 with G = 0 both give noise 0.
    const std::vector<Case> cases = {
        // n = 117: 10 + b 117 / 2 + 117 (4 - x) / 4
        {"diagshade", effect::kDiagShade, 4, 2, 10, 16380, {{0, 0, 127}, {3, 1, 97}, {0, 1, 185}}},
        // 10 + b 235 / 4
        {"hshade", effect::kHShade, 3, 4, 10, 16380, {{0, 0, 10}, {2, 3, 186}, {1, 2, 127}}},
        // 10 + 235 (4 - x) / 4
        {"vshade", effect::kVShade, 4, 3, 10, 16380, {{0, 1, 245}, {3, 0, 68}, {2, 2, 127}}},
        // t = b 255 / 4 - 127: -127 -> -125, 64 -> 16, 0 -> 0
        {"hbump", effect::kHBump, 3, 4, 0, 0, {{0, 0, 3}, {1, 3, 144}, {2, 2, 128}, {0, 1, 112}}},
        // (-125 * 64) / 128 = -62 (toward zero)
        {"hbump G 64", effect::kHBump, 3, 4, 64, 16383, {{0, 0, 66}, {0, 3, 136}}},
        // t = (4 - x) 255 / 4 - 127; at x = 0, 128 + 128 = 256 is stored as 0
        {"vbump", effect::kVBump, 4, 2, 0, 0, {{1, 0, 144}, {3, 1, 112}, {0, 0, 0}}},
        // 128 + ((tb^3 + tx^3) / 16384) 118 / 128, clamped to 10..245
        {"softbump", effect::kSoftBump, 4, 4, 10, 16380, {{1, 3, 157}, {0, 3, 245}, {3, 0, 10}}},
    };
    DrawEffects effects;
    for (const Case& c : cases) {
        effects.SetRandomSource(Constant(c.r));
        ASSERT_TRUE(effects.DrawPattern(QSize(c.w, c.h), c.code, c.g, 0, kBegin, kMid, kEnd))
            << c.what;
        ExpectIndices(effects, c.samples, c.what);
    }
}

TEST(DrawPattern, HardbumpCurvesItsEdgeBands) {
    DrawEffects effects;
    effects.SetRandomSource(Constant(0));
    // w 12: e = 2; m = 6 in the top and bottom rows' parabola ends, 4 in the others.
    ASSERT_TRUE(effects.DrawPattern(QSize(12, 4), effect::kHardBump, 0, 0, kBegin, kMid, kEnd));
    const std::vector<Sample> samples = {{11, 2, 64},  {0, 2, 255}, {1, 2, 191}, {2, 2, 128},
                                         {10, 2, 128}, {11, 0, 3},  {0, 0, 3},   {0, 3, 255},
                                         {11, 3, 64},  {5, 3, 144}, {5, 1, 112}};
    ExpectIndices(effects, samples, "hardbump 12 x 4");
}

TEST(DrawPattern, HardbumpUnderTwoRowsAndTooNarrowForBands) {
    DrawEffects effects;
    effects.SetRandomSource(Constant(0));
    // One row takes the middle row's width: m = w / 2 - e = 4.
    ASSERT_TRUE(effects.DrawPattern(QSize(12, 1), effect::kHardBump, 0, 0, kBegin, kMid, kEnd));
    ExpectIndices(effects, {{0, 0, 255}, {1, 0, 191}, {5, 0, 3}, {11, 0, 64}}, "one row");
    // Under 6 pixels wide there are no edge bands (e = 0).
    ASSERT_TRUE(effects.DrawPattern(QSize(5, 1), effect::kHardBump, 0, 0, kBegin, kMid, kEnd));
    ExpectIndices(effects, {{0, 0, 3}, {4, 0, 3}}, "narrow");
}

TEST(DrawPattern, MetalScratchesThenShades) {
    DrawEffects effects;
    // w = h = 8: divisor 4095. Scratch 1: x0 4, y0 2, length 6, value 30; the rest length 0.
    effects.SetRandomSource(Scripted({4 * 4095, 2 * 4095, 6 * 4095, 30 * 819}, 0));
    ASSERT_TRUE(effects.DrawPattern(QSize(8, 8), effect::kMetal, 0, 0, kBegin, kMid, kEnd));
    // n = 107; value + b 107 / 8 + 107 (8 - x) / 8; b = 7 - y from the top.
    const auto shade = [](int x, int b) { return b * 107 / 8 + 107 * (8 - x) / 8; };
    ExpectIndices(effects,
                  {{4, 5, 30 + shade(4, 5)},  // k 0, both arms at (4, 2)
                   {3, 4, 30 + shade(3, 4)},  // k 1 down-left (3, 3)
                   {5, 6, 30 + shade(5, 6)},  // k 1 up-right (5, 1)
                   {2, 3, 30 + shade(2, 3)},  // k 2 down-left (2, 4)
                   {6, 7, shade(6, 7)},       // k 2 up-right stops at y 0
                   {4, 4, shade(4, 4)},
                   {0, 0, shade(0, 0)},
                   {7, 7, shade(7, 7)}},
                  "metal");
}

TEST(DrawPattern, MetalBeyond32767PixelsStaysInside) {
    DrawEffects effects;
    effects.SetRandomSource(Constant(32767));
    ASSERT_TRUE(effects.DrawPattern(QSize(40000, 2), effect::kMetal, 0, 0, kBegin, kMid, kEnd));
    // x0 is scaled to 39998 instead of dividing by 32767 / 40000 = 0; every scratch falls
    // outside. n = 107 and grain 1 give the bottom left pixel 107 + 1.
    EXPECT_EQ(effects.indexedBitmap().Index(0, 0), 107 + 1);
}

TEST(FillEffect, PatternIsPutAtTheRectangleCorner) {
    DrawEffects effects;
    effects.SetRandomSource(Constant(0));
    const QImage image = Painted(8, 8, 0x123456, [&](QPainter& p) {
        effects.FillEffect(p, effect::kHShade, QRect(2, 3, 4, 4), kBegin, kMid, kEnd, 0, 0);
    });
    // hshade G 0 on h 4: index b 255 / 4; the top row (b 3) is 191, the bottom 0 (end colour).
    const IndexedBitmap& bitmap = effects.indexedBitmap();
    EXPECT_EQ(Rgb(image, 2, 3), ToPixel(bitmap.Entry(191)));
    EXPECT_EQ(Rgb(image, 5, 6), ToPixel(kEnd));
    EXPECT_EQ(Rgb(image, 1, 3), 0x123456u);
    EXPECT_EQ(Rgb(image, 6, 6), 0x123456u);
    EXPECT_EQ(Rgb(image, 2, 7), 0x123456u);
}

TEST(DrawPattern, PartEqualsTheSameCropOfTheWholePattern) {
    // Metal's 200 scratches all at x0 8, y0 6, length 8 and value 20, crossing the part; the
    // grain and noise are the same for every pixel, in whichever order the pixels are made.
    const int script[] = {8 * 1638, 6 * 2047, 10 * 1638, 20 * 819};
    std::vector<int> values;
    for (int i = 0; i < 200; ++i) {
        values.insert(values.end(), std::begin(script), std::end(script));
    }
    const QSize size(20, 16);
    const QRect part(5, 3, 9, 7);
    for (int code = effect::kNoise; code <= effect::kMetal; ++code) {
        const auto random = [&] {
            return code == effect::kMetal ? Scripted(values, 300) : Constant(300);
        };
        DrawEffects whole;
        whole.SetRandomSource(random());
        ASSERT_TRUE(whole.DrawPattern(size, code, 5, 0, kBegin, kMid, kEnd));
        DrawEffects cropped;
        cropped.SetRandomSource(random());
        ASSERT_TRUE(cropped.DrawPatternPart(size, part, code, 5, 0, kBegin, kMid, kEnd));
        const IndexedBitmap& a = whole.indexedBitmap();
        const IndexedBitmap& b = cropped.indexedBitmap();
        ASSERT_EQ(b.width(), part.width());
        ASSERT_EQ(b.height(), part.height());
        for (int y = 0; y < part.height(); ++y) {
            for (int x = 0; x < part.width(); ++x) {
                ASSERT_EQ(b.Index(x, part.height() - 1 - y),
                          a.Index(part.x() + x, size.height() - 1 - (part.y() + y)))
                    << "code " << code << " at " << x << ", " << y;
            }
        }
    }
}

TEST(FillEffect, HugePatternBuildsOnlyWhatTheDeviceShows) {
    // A table background far larger than any window: only the visible part is worked on, so
    // it is painted (and quickly) instead of being refused for its size.
    DrawEffects effects;
    effects.SetRandomSource(Constant(0));
    const QRect rect(-1000000, -50000, 9000000, 100000);
    const QImage image = Painted(8, 8, 0x123456, [&](QPainter& p) {
        effects.FillEffect(p, effect::kVBump, rect, kBegin, kMid, kEnd, 0, 0);
    });
    EXPECT_LE(effects.indexedBitmap().width(), 10);
    EXPECT_LE(effects.indexedBitmap().height(), 10);
    // vbump G 0 at x 1000000 of 9000000 (64-bit: (w - x) 255 overflows an int):
    // t = 8000000 * 255 / 9000000 - 127 = 99, 128 + (99^3 / 16384) * 128 / 128 = 187.
    DrawEffects reference;
    ASSERT_TRUE(reference.DrawPattern(QSize(1, 1), effect::kNoise, 0, 0, kBegin, kMid, kEnd));
    EXPECT_EQ(Rgb(image, 0, 0), ToPixel(reference.indexedBitmap().Entry(187)));
}

}  // namespace
}  // namespace vn340::testing
