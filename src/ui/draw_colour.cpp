#include <algorithm>

#include "ui/draw_effects.h"

namespace vn340 {

namespace {

// Products like 255 * (128 / 255.0) land a hair below the whole number they stand for;
// truncating that would lose a step, so the truncation allows for the rounding error.
constexpr double kRoundingSlack = 1e-7;

int Channel(std::uint32_t pixel, int shift) {
    return static_cast<int>((pixel >> shift) & 0xFF);
}

int Truncate(double v) {
    return std::clamp(static_cast<int>(v + kRoundingSlack), 0, 255);
}

std::uint32_t Pack(int r, int g, int b) {
    return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
           static_cast<std::uint32_t>(b);
}

template <typename F>
std::uint32_t PerChannel(std::uint32_t pixel, F f) {
    return Pack(f(Channel(pixel, 16)), f(Channel(pixel, 8)), f(Channel(pixel, 0)));
}

}  // namespace

std::uint32_t ToGray(std::uint32_t pixel) {
    // Integer weights keep white white (0.299 + 0.587 + 0.114 is not exactly 1 in binary).
    const int v =
        (299 * Channel(pixel, 16) + 587 * Channel(pixel, 8) + 114 * Channel(pixel, 0)) / 1000;
    return Pack(v, v, v);
}

std::uint32_t Darken(std::uint32_t pixel, double factor) {
    if (!(factor >= 0.0 && factor < 1.0)) {
        return pixel & 0xFFFFFF;
    }
    return PerChannel(pixel, [factor](int c) { return Truncate(c * factor); });
}

std::uint32_t Lighten(std::uint32_t pixel, double factor) {
    if (!(factor > 0.0 && factor <= 1.0)) {
        return pixel & 0xFFFFFF;
    }
    return PerChannel(pixel, [factor](int c) { return Truncate(c * (1.0 + factor)); });
}

std::uint32_t Invert(std::uint32_t pixel) {
    return ~pixel & 0xFFFFFF;
}

std::uint32_t Mix(std::uint32_t a, double alpha, std::uint32_t b, double beta) {
    auto mixed = [&](int shift) {
        return Truncate(alpha * Channel(a, shift) + beta * Channel(b, shift));
    };
    return Pack(mixed(16), mixed(8), mixed(0));
}

std::uint32_t ToPixel(Colour c) {
    return Pack(c.red(), c.green(), c.blue());
}

Colour FromPixel(std::uint32_t pixel) {
    return Colour::fromRgb(Channel(pixel, 16), Channel(pixel, 8), Channel(pixel, 0));
}

Colour ToGray(Colour c) {
    return FromPixel(ToGray(ToPixel(c)));
}
Colour Darken(Colour c, double factor) {
    return FromPixel(Darken(ToPixel(c), factor));
}
Colour Lighten(Colour c, double factor) {
    return FromPixel(Lighten(ToPixel(c), factor));
}
Colour Invert(Colour c) {
    return FromPixel(Invert(ToPixel(c)));
}
Colour Mix(Colour a, double alpha, Colour b, double beta) {
    return FromPixel(Mix(ToPixel(a), alpha, ToPixel(b), beta));
}

}  // namespace vn340
