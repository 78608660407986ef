#pragma once

// The codes the markup hands to whatever draws it: background effects, image styles and border
// styles, as the markup's attributes name them, and where an image's drop shadow goes.

#include "markup/colour.h"

namespace vn340 {

namespace effect {
inline constexpr int kTransparent = -1;
inline constexpr int kSolid = 0;
inline constexpr int kHGradient = 1;
inline constexpr int kVGradient = 2;
inline constexpr int kHCGradient = 3;
inline constexpr int kVCGradient = 4;
inline constexpr int k3HGradient = 5;
inline constexpr int k3VGradient = 6;
inline constexpr int kNoise = 7;
inline constexpr int kDiagShade = 8;
inline constexpr int kHShade = 9;
inline constexpr int kVShade = 10;
inline constexpr int kHBump = 11;
inline constexpr int kVBump = 12;
inline constexpr int kSoftBump = 13;
inline constexpr int kHardBump = 14;
inline constexpr int kMetal = 15;
}  // namespace effect

namespace imagestyle {
inline constexpr unsigned kGrey = 0x0001;
inline constexpr unsigned kDarker = 0x0002;
inline constexpr unsigned kLighter = 0x0004;
inline constexpr unsigned kSolidColour = 0x0008;
inline constexpr unsigned kHardShadow = 0x0100;
inline constexpr unsigned kSoftShadow = 0x0200;
inline constexpr unsigned kInvert = 0x8000;
}  // namespace imagestyle

namespace border {
inline constexpr int kNone = 0;
inline constexpr int kSolid = 1;
inline constexpr int kDashed = 2;
inline constexpr int kDotted = 3;
inline constexpr int kDouble = 6;
}  // namespace border

// Where and how an image's drop shadow goes.
struct ShadowSettings {
    bool offset = false;  // when false neither shadow nor move
    int dx = 0;
    int dy = 0;
    int blurX = 7;
    int blurY = 7;
    Colour colour = Colour::fromRgb(128, 128, 128);
};

}  // namespace vn340
