#pragma once

#include <optional>

#include <QPoint>
#include <QRect>
#include <QSize>

#include "ui/help_tip_settings.h"

namespace vn340 {

struct PlacementRequest {
    QRect screen;  // the whole virtual desktop
    QPoint point;  // where the tail points, screen coordinates
    QSize body;    // text plus margins
    int direction = tipdirection::kBottom;
    TipShape shape;
};

struct Placement {
    int direction = tipdirection::kBottom;  // after the switches near the screen's edges
    QRect window;                           // screen coordinates: body and tail, no shadow
    QPoint tail;                            // the tail's point, window coordinates
    QRect body;                             // window coordinates
};

// Where a tip of that size goes for that point: the direction switches sides and positions
// where the tip would leave the screen, then the tail's point moves along its side to keep the
// window's near edge on the screen. A tip larger than the screen is not pushed back further.
Placement placeTip(const PlacementRequest& request);

// The screen area tips are placed on: the virtual desktop, or without one the primary screen
// at the origin.
QRect tipScreenArea(const std::optional<QRect>& virtualDesktop, const QSize& primary);

}  // namespace vn340
