#pragma once

// The settings of the help-tip window and the codes its interface takes.

#include <array>
#include <chrono>

#include "markup/colour.h"
#include "markup/tip_shape.h"
#include "ui/draw_effects.h"

namespace vn340 {

// Behaviour flags of a tip.
namespace tipbehaviour {
inline constexpr unsigned kForgetOnHide = 0x01;   // may reappear over the same tool
inline constexpr unsigned kFollowPointer = 0x02;  // moves with the pointer within its tool
inline constexpr unsigned kRestartOnMove = 0x04;  // a move within the tool restarts the hide delay
inline constexpr unsigned kKeepOverTip = 0x08;    // the pointer over the tip keeps it
inline constexpr unsigned kNoAutoHide = 0x10;     // never hides by itself
}  // namespace tipbehaviour

// Which of a tool's own settings replace the defaults while it shows.
namespace tipoverride {
inline constexpr unsigned kEffect = 0x02;  // background effect and granularity
inline constexpr unsigned kColours = 0x04;
inline constexpr unsigned kDirection = 0x08;
inline constexpr unsigned kBehaviour = 0x10;
inline constexpr unsigned kTransparency = 0x20;
}  // namespace tipoverride

// Kinds of SetDelayTime.
namespace tipdelay {
inline constexpr int kHide = 2;
inline constexpr int kShow = 3;
inline constexpr int kFadeIn = 4;   // step of the fade-in, 0 for none
inline constexpr int kFadeOut = 5;  // step of the fade-out, 0 for none
inline constexpr int kAnimation = 6;
}  // namespace tipdelay

// A tail direction is side + position: the side of the body that carries the tail, and where
// along it the tail stands.
namespace tipdirection {
inline constexpr int kTop = 0;  // body below the point
inline constexpr int kBottom = 16;
inline constexpr int kLeft = 32;  // body right of the point
inline constexpr int kRight = 48;
inline constexpr int kNearStart = 0;  // the offset from the left or top corner
inline constexpr int kNearEnd = 1;    // the offset from the right or bottom corner
inline constexpr int kCentred = 2;    // centred on the point
inline constexpr int side(int direction) {
    return direction & 0x30;
}
inline constexpr int position(int direction) {
    return (direction & 0x0F) > 2 ? 2 : direction & 0x0F;
}
}  // namespace tipdirection

// What a single tool may set for itself.
struct TipLook {
    int effect = effect::kSolid;
    int granularity = 0;
    std::array<Colour, 3> colours{};  // begin, mid, end
    int direction = tipdirection::kBottom;
    unsigned behaviour = 0;
    int transparency = 0;  // percent
};

struct WindowShadow {
    int dx = 6;
    int dy = 6;
    int darkness = 50;  // percent
    bool soft = true;
    int blurX = 7;
    int blurY = 7;
    bool isSet() const { return dx != 0 || dy != 0; }
};

struct HelpTipSettings {
    std::chrono::milliseconds showDelay{500};
    std::chrono::milliseconds hideDelay{5000};
    std::chrono::milliseconds fadeInStep{0};  // none
    std::chrono::milliseconds fadeOutStep{0};
    std::chrono::milliseconds animationTick{100};
    TipLook look;  // colours: the desktop's tooltip background
    bool border = true;
    Colour borderColour;  // the desktop's tooltip text colour
    int borderWidth = 1;
    int borderHeight = 1;
    WindowShadow shadow;
    bool repaintOnHotLink = true;
    TipShape shape = TipShape::rectangle();
};

}  // namespace vn340
