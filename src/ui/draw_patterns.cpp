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
    for (int i = 0; i <= 128; ++i) {
        entries[i] = Blend(end, 128 - i, mid, i, 128);
    }
    for (int j = 1; j <= 128; ++j) {
        entries[127 + j] = Blend(mid, 128 - j, begin, j, 128);
    }
    const int p = std::clamp(tint, 0, 100);
    for (int i = 0; i < 256; ++i) {
        bitmap.SetEntry(i, Blend(begin, p, entries[i], 100 - p, 100));
    }
}

using Window = PatternWindow;

// Runs f(x, b) over every pixel of the window, x and b in the whole pattern (b counted from
// its bottom row), storing the value mod 256.
template <typename F>
void Fill(IndexedBitmap& bitmap, const Window& win, F f) {
    for (int lb = 0; lb < bitmap.height(); ++lb) {
        std::uint8_t* row = bitmap.Row(lb);
        const long long b = lb + win.bOffset;
        for (int lx = 0; lx < bitmap.width(); ++lx) {
            row[lx] = static_cast<std::uint8_t>(f(static_cast<long long>(lx) + win.x0, b));
        }
    }
}

long long Cube(long long t) {
    return t * t * t / 16384;
}

// A random position along an extent; the plain division has no room past 32767 pixels, so
// longer extents are scaled instead (which also spreads the scratches over all of them).
int RandomAlong(int r, int extent) {
    const int divisor = 32767 / extent;
    if (divisor > 0) {
        return r / divisor;
    }
    return static_cast<int>(static_cast<long long>(r) * extent / 32768);
}

// A pattern's size and its granularity, in 64-bit numbers: (w - x) * 255 no longer fits an
// int past 8 million pixels. Passed by value so that the pixel loops keep them in registers.
struct Extent {
    long long w;
    long long h;
    long long g;
    long long tb(long long b) const { return b * 255 / h - 127; }
    long long tx(long long x) const { return (w - x) * 255 / w - 127; }
};

// The plain noise and the three shades; false for any other pattern.
template <typename Noise>
bool PaintShade(IndexedBitmap& bitmap, const Window& win, int code, const Extent e, Noise noise) {
    const long long g = e.g;
    switch (code) {
        case effect::kNoise:
            Fill(bitmap, win, [&](long long, long long) { return 128 + noise(); });
            return true;
        case effect::kDiagShade: {
            const long long n = (255 - 2 * g) / 2;
            Fill(bitmap, win, [&](long long x, long long b) {
                return g + b * n / e.h + n * (e.w - x) / e.w + noise();
            });
            return true;
        }
        case effect::kHShade:
            Fill(bitmap, win,
                 [&](long long, long long b) { return g + b * (255 - 2 * g) / e.h + noise(); });
            return true;
        case effect::kVShade:
            Fill(bitmap, win, [&](long long x, long long) {
                return g + (255 - 2 * g) * (e.w - x) / e.w + noise();
            });
            return true;
        default:
            return false;
    }
}

// The three cubic bumps across, down and both ways; false for any other pattern.
template <typename Noise>
bool PaintBump(IndexedBitmap& bitmap, const Window& win, int code, const Extent e, Noise noise) {
    const long long g = e.g;
    switch (code) {
        case effect::kHBump:
            Fill(bitmap, win, [&](long long, long long b) {
                return 128 + (Cube(e.tb(b)) * (128 - g)) / 128 + noise();
            });
            return true;
        case effect::kVBump:
            Fill(bitmap, win, [&](long long x, long long) {
                return 128 + (Cube(e.tx(x)) * (128 - g)) / 128 + noise();
            });
            return true;
        case effect::kSoftBump:
            Fill(bitmap, win, [&](long long x, long long b) {
                const long long v = 128 + ((Cube(e.tb(b)) + Cube(e.tx(x))) * (128 - g)) / 128;
                return std::max(g, std::min(v, 255 - g)) + noise();
            });
            return true;
        default:
            return false;
    }
}

// A scratch of the metal pattern: two strokes of `length / 2` steps from (x0, y0), one down
// to the left, one up to the right from its mirror image (w - x0, y0).
struct Scratch {
    long long x0;
    long long y0;
    long long length;
    int value;
};

// Only the steps k that land inside the built window are walked; the rest would be ignored
// writes.
void PutScratch(IndexedBitmap& bitmap, const Window& win, QSize size, const Scratch& s) {
    const long long w = size.width();
    const long long h = size.height();
    const long long left = win.x0;
    const long long top = win.y0;
    const long long right = left + bitmap.width();   // one past
    const long long bottom = top + bitmap.height();  // one past
    const auto put = [&](long long x, long long yFromTop) {
        bitmap.SetIndex(static_cast<int>(x - left),
                        static_cast<int>(bitmap.height() - 1 - (yFromTop - top)),
                        static_cast<std::uint8_t>(s.value));
    };
    const long long x0 = s.x0;
    const long long y0 = s.y0;
    const long long last = s.length / 2 - 1;
    // (x0 - k, y0 + k) while x0 - k > 0 and y0 + k < h.
    const long long aFrom = std::max({0LL, x0 - right + 1, top - y0});
    const long long aTo = std::min({last, x0 - 1, h - 1 - y0, x0 - left, bottom - 1 - y0});
    for (long long k = aFrom; k <= aTo; ++k) {
        put(x0 - k, y0 + k);
    }
    // (w - x0 + k, y0 - k) while x0 + k < w and y0 - k > 0.
    const long long bFrom = std::max({0LL, left - (w - x0), y0 - bottom + 1});
    const long long bTo = std::min({last, w - 1 - x0, y0 - 1, right - 1 - (w - x0), y0 - top});
    for (long long k = bFrom; k <= bTo; ++k) {
        put(w - x0 + k, y0 - k);
    }
}

}  // namespace

bool DrawEffects::DrawPattern(QSize size, int code, int granularity, int tint, Colour begin,
                              Colour mid, Colour end) {
    return DrawPatternPart(size, QRect(QPoint(0, 0), size), code, granularity, tint, begin, mid,
                           end);
}

bool DrawEffects::DrawPatternPart(QSize size, const QRect& part, int code, int granularity,
                                  int tint, Colour begin, Colour mid, Colour end) {
    const QRect window = part.intersected(QRect(QPoint(0, 0), size));
    if (size.width() <= 0 || size.height() <= 0 || window.isEmpty() || code < effect::kNoise ||
        code > effect::kMetal) {
        return false;
    }
    if (!indexedBitmap_.Create(window.width(), window.height(), 8)) {
        return false;
    }
    BuildPalette(indexedBitmap_, begin, mid, end, tint);
    const int bOffset = size.height() - window.y() - window.height();
    PaintPattern(size, Window{window.x(), window.y(), bOffset}, code,
                 std::clamp(granularity, 0, 255));
    return true;
}

void DrawEffects::PaintPattern(QSize size, const Window& win, int code, int granularity) {
    const long long g = granularity;
    const long long grainDivisor = 32767 / std::max(2 * g, 1LL);
    const auto grain = [&] { return Random() / grainDivisor; };
    const auto noise = [&] { return grain() - g; };
    const Extent extent{size.width(), size.height(), g};
    if (PaintShade(indexedBitmap_, win, code, extent, noise) ||
        PaintBump(indexedBitmap_, win, code, extent, noise)) {
        return;
    }
    if (code == effect::kHardBump) {
        PaintHardBump(size, win, granularity, noise);
    } else if (code == effect::kMetal) {
        PaintMetal(size, win, granularity, grain);
    }
}

void DrawEffects::PaintHardBump(QSize size, const Window& win, int granularity,
                                const std::function<long long()>& noise) {
    IndexedBitmap& bitmap = indexedBitmap_;
    const long long w = size.width();
    const long long h = size.height();
    const long long g = granularity;
    Fill(bitmap, win, [&](long long, long long b) {
        return 128 + (Cube(b * 255 / h - 127) * (64 - g) * 2) / 128 + noise();
    });
    const long long e = std::min(w / 6, 16LL);
    const long long half = h / 2;
    // Under 2 rows the parabola has no height to divide by; one row takes its middle width.
    const long long denominator = std::max(h * h / 4, 1LL);
    for (int lb = 0; lb < bitmap.height(); ++lb) {
        std::uint8_t* row = bitmap.Row(lb);
        const long long b = lb + win.bOffset;
        const long long m = (b * e - e * half) * (b - half) / denominator + w / 2 - e;
        for (int lx = 0; lx < bitmap.width(); ++lx) {
            const long long x = static_cast<long long>(lx) + win.x0;
            long long v = row[lx];
            // Too narrow for edge bands (e == 0): their slope would divide by zero.
            if (e > 0 && m < x - w / 2) {
                v = g + (w - x) * 128 / e;
            }
            if (e > 0 && m + x - w / 2 < 0) {
                v = (255 - g) - x * 128 / e;
            }
            row[lx] = static_cast<std::uint8_t>(v + noise());
        }
    }
}

void DrawEffects::PaintMetal(QSize size, const Window& win, int granularity,
                             const std::function<long long()>& grain) {
    IndexedBitmap& bitmap = indexedBitmap_;
    const int w = size.width();
    const int h = size.height();
    for (int scratch = 0; scratch < 200; ++scratch) {
        const long long x0 = RandomAlong(Random(), w);
        const long long y0 = RandomAlong(Random(), h);
        const long long length = RandomAlong(Random(), std::min(w, h));
        PutScratch(bitmap, win, size, Scratch{x0, y0, length, Random() / 819});
    }
    const long long g = granularity;
    const long long n = (255 - 2 * g - 40) / 2;
    for (int lb = 0; lb < bitmap.height(); ++lb) {
        std::uint8_t* row = bitmap.Row(lb);
        const long long b = lb + win.bOffset;
        for (int lx = 0; lx < bitmap.width(); ++lx) {
            const long long x = static_cast<long long>(lx) + win.x0;
            row[lx] = static_cast<std::uint8_t>(row[lx] + b * n / h + n * (w - x) / w + grain());
        }
    }
}

}  // namespace vn340
