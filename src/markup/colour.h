#pragma once

#include <cstdint>

namespace vn340 {

// A colour as the help texts and drawing effects compute with it: red in the low byte, then
// green, then blue (0x00BBGGRR). Kept distinct from QRgb (0xAARRGGBB) so the two byte orders
// cannot be mixed up silently.
struct Colour {
    std::uint32_t value = 0;

    static constexpr Colour fromRgb(int r, int g, int b) {
        return Colour{
            static_cast<std::uint32_t>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16))};
    }
    constexpr int red() const { return static_cast<int>(value & 0xFF); }
    constexpr int green() const { return static_cast<int>((value >> 8) & 0xFF); }
    constexpr int blue() const { return static_cast<int>((value >> 16) & 0xFF); }

    friend constexpr bool operator==(Colour, Colour) = default;
};

}  // namespace vn340
