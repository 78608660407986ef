#include <algorithm>

#include "ui/draw_effects.h"

namespace vn340 {

namespace {

Colour Blend(Colour a, int weightA, Colour b, int weightB, int total) {
    return Colour::fromRgb((a.red() * weightA + b.red() * weightB) / total,
                           (a.green() * weightA + b.green() * weightB) / total,
                           (a.blue() * weightA + b.blue() * weightB) / total);
}

// Entry 0 is the end colour, 128 the mid colour, 255 the begin colour, all pulled towards
// the begin colour by the tint.
void BuildPalette(IndexedBitmap& bitmap, Colour begin, Colour mid, Colour end, int tint) {
    Colour entries[256];
    for (int i = 0; i <= 128; ++i)
        entries[i] = Blend(end, 128 - i, mid, i, 128);
    for (int j = 1; j <= 128; ++j)
        entries[127 + j] = Blend(mid, 128 - j, begin, j, 128);
    const int p = std::clamp(tint, 0, 100);
    for (int i = 0; i < 256; ++i)
        bitmap.SetEntry(i, Blend(begin, p, entries[i], 100 - p, 100));
}

// Runs f(x, b) over every pixel, b counted from the bottom row, storing the value mod 256.
template <typename F>
void Fill(IndexedBitmap& bitmap, F f) {
    for (int b = 0; b < bitmap.height(); ++b) {
        std::uint8_t* row = bitmap.Row(b);
        for (int x = 0; x < bitmap.width(); ++x)
            row[x] = static_cast<std::uint8_t>(f(x, b));
    }
}

int Cube(int t) {
    return t * t * t / 16384;
}

// A random position along an extent; the plain division has no room past 32767 pixels, so
// longer extents are scaled instead (which also spreads the scratches over all of them).
int RandomAlong(int r, int extent) {
    const int divisor = 32767 / extent;
    if (divisor > 0)
        return r / divisor;
    return static_cast<int>(static_cast<long long>(r) * extent / 32768);
}

}  // namespace

bool DrawEffects::DrawPattern(QSize size, int code, int granularity, int tint, Colour begin,
                              Colour mid, Colour end) {
    const int w = size.width();
    const int h = size.height();
    if (w <= 0 || h <= 0 || code < effect::kNoise || code > effect::kMetal)
        return false;
    IndexedBitmap& bitmap = indexedBitmap_;
    if (!bitmap.Create(w, h, 8))
        return false;
    BuildPalette(bitmap, begin, mid, end, tint);

    const int g = std::clamp(granularity, 0, 255);
    const int grainDivisor = 32767 / std::max(2 * g, 1);
    const auto grain = [&] { return Random() / grainDivisor; };
    const auto noise = [&] { return grain() - g; };
    const auto tb = [&](int b) { return b * 255 / h - 127; };
    const auto tx = [&](int x) { return (w - x) * 255 / w - 127; };

    switch (code) {
        case effect::kNoise:
            Fill(bitmap, [&](int, int) { return 128 + noise(); });
            break;
        case effect::kDiagShade: {
            const int n = (255 - 2 * g) / 2;
            Fill(bitmap, [&](int x, int b) { return g + b * n / h + n * (w - x) / w + noise(); });
            break;
        }
        case effect::kHShade:
            Fill(bitmap, [&](int, int b) { return g + b * (255 - 2 * g) / h + noise(); });
            break;
        case effect::kVShade:
            Fill(bitmap, [&](int x, int) { return g + (255 - 2 * g) * (w - x) / w + noise(); });
            break;
        case effect::kHBump:
            Fill(bitmap,
                 [&](int, int b) { return 128 + (Cube(tb(b)) * (128 - g)) / 128 + noise(); });
            break;
        case effect::kVBump:
            Fill(bitmap,
                 [&](int x, int) { return 128 + (Cube(tx(x)) * (128 - g)) / 128 + noise(); });
            break;
        case effect::kSoftBump:
            Fill(bitmap, [&](int x, int b) {
                const int v = 128 + ((Cube(tb(b)) + Cube(tx(x))) * (128 - g)) / 128;
                return std::max(g, std::min(v, 255 - g)) + noise();
            });
            break;
        case effect::kHardBump:
            PaintHardBump(g, noise);
            break;
        case effect::kMetal:
            PaintMetal(g, grain);
            break;
        default:
            break;
    }
    return true;
}

void DrawEffects::PaintHardBump(int g, const std::function<int()>& noise) {
    IndexedBitmap& bitmap = indexedBitmap_;
    const int w = bitmap.width();
    const int h = bitmap.height();
    Fill(bitmap, [&](int, int b) {
        return 128 + (Cube(b * 255 / h - 127) * (64 - g) * 2) / 128 + noise();
    });
    const int e = std::min(w / 6, 16);
    const long long half = h / 2;
    // Under 2 rows the parabola has no height to divide by; one row takes its middle width.
    const long long denominator = std::max(static_cast<long long>(h) * h / 4, 1LL);
    for (int b = 0; b < h; ++b) {
        std::uint8_t* row = bitmap.Row(b);
        const long long m = (b * e - e * half) * (b - half) / denominator + w / 2 - e;
        for (int x = 0; x < w; ++x) {
            int v = row[x];
            // Too narrow for edge bands (e == 0): their slope would divide by zero.
            if (e > 0 && m < x - w / 2)
                v = g + (w - x) * 128 / e;
            if (e > 0 && m + x - w / 2 < 0)
                v = (255 - g) - x * 128 / e;
            row[x] = static_cast<std::uint8_t>(v + noise());
        }
    }
}

void DrawEffects::PaintMetal(int g, const std::function<int()>& grain) {
    IndexedBitmap& bitmap = indexedBitmap_;
    const int w = bitmap.width();
    const int h = bitmap.height();
    const auto put = [&](int x, int yFromTop, int v) {
        bitmap.SetIndex(x, h - 1 - yFromTop, static_cast<std::uint8_t>(v));
    };
    for (int scratch = 0; scratch < 200; ++scratch) {
        const int x0 = RandomAlong(Random(), w);
        const int y0 = RandomAlong(Random(), h);
        const int length = RandomAlong(Random(), std::min(w, h));
        const int v = Random() / 819;
        for (int k = 0; k < length / 2; ++k) {
            if (x0 - k > 0 && y0 + k < h)
                put(x0 - k, y0 + k, v);
            if (x0 + k < w && y0 - k > 0)
                put(w - x0 + k, y0 - k, v);
        }
    }
    const int n = (255 - 2 * g - 40) / 2;
    for (int b = 0; b < h; ++b) {
        std::uint8_t* row = bitmap.Row(b);
        for (int x = 0; x < w; ++x)
            row[x] = static_cast<std::uint8_t>(row[x] + b * n / h + n * (w - x) / w + grain());
    }
}

}  // namespace vn340
