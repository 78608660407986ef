#include "ui/help_tip_placement.h"

namespace vn340 {

namespace {

using namespace tipdirection;

// Screen edges with the right and bottom ones just outside, as the rules compare them.
struct Edges {
    int left, top, right, bottom;
};

// Switches the position along a side for one axis: `p` is the point's coordinate on it,
// `extent` the tip's size along it, `lo` and `hi` the screen's edges.
int switchPosition(int position, int p, int m, int extent, int lo, int hi) {
    switch (position) {
        case kNearStart:
            if (p - m + extent > hi) {
                return p + m - extent >= lo ? kNearEnd : kCentred;
            }
            return position;
        case kNearEnd:
            if (p + m - extent < lo) {
                return p - m + extent > hi ? kCentred : kNearStart;
            }
            return position;
        default:
            if (m >= p - lo) {
                return kNearStart;
            }
            if (m >= hi - p) {
                return kNearEnd;
            }
            return position;
    }
}

// The tail's coordinate along its side, window coordinates, so that the window's near edge
// stays on the screen.
int tailAlong(int position, int p, int m, int extent, int lo, int hi) {
    int t = position == kNearStart ? m : position == kNearEnd ? extent - m : extent / 2;
    if (position == kCentred) {
        const bool startOff = p - t < lo;
        const bool endOff = p - t + extent > hi;
        if (startOff && !endOff) {
            t = p - lo;
        } else if (endOff && !startOff) {
            t = p + extent - hi;
        }
    }
    if (position == kNearEnd) {
        if (p - t + extent > hi) {
            t = p + extent - hi;
        }
    } else if (p - t < lo) {
        t = p - lo;
    }
    return t;
}

}  // namespace

Placement placeTip(const PlacementRequest& request) {
    const QRect& s = request.screen;
    const Edges e{s.x(), s.y(), s.x() + s.width(), s.y() + s.height()};
    const QPoint p = request.point;
    const int m = request.shape.tailOffset;
    const int h = request.shape.tailLength;
    int tailSide = side(request.direction);
    int pos = position(request.direction);
    const bool onTopOrBottom = tailSide == kTop || tailSide == kBottom;
    const int width = request.body.width() + (onTopOrBottom ? 0 : h);
    const int height = request.body.height() + (onTopOrBottom ? h : 0);

    // Across first, then up and down with what that gave.
    if (onTopOrBottom) {
        pos = switchPosition(pos, p.x(), m, width, e.left, e.right);
        if (tailSide == kTop && p.y() + height > e.bottom) {
            tailSide = kBottom;
        } else if (tailSide == kBottom && p.y() - height < e.top) {
            tailSide = kTop;
        }
    } else {
        if (tailSide == kLeft && p.x() + width > e.right) {
            tailSide = kRight;
        } else if (tailSide == kRight && p.x() - width < e.left) {
            tailSide = kLeft;
        }
        pos = switchPosition(pos, p.y(), m, height, e.top, e.bottom);
    }

    Placement out;
    out.direction = tailSide + pos;
    QPoint tail;
    if (onTopOrBottom) {
        tail =
            QPoint(tailAlong(pos, p.x(), m, width, e.left, e.right), tailSide == kTop ? 0 : height);
    } else {
        tail = QPoint(tailSide == kLeft ? 0 : width,
                      tailAlong(pos, p.y(), m, height, e.top, e.bottom));
    }
    out.tail = tail;
    out.window = QRect(p - tail, QSize(width, height));
    out.body = QRect(QPoint(tailSide == kLeft ? h : 0, tailSide == kTop ? h : 0), request.body);
    return out;
}

QRect tipScreenArea(const std::optional<QRect>& virtualDesktop, const QSize& primary) {
    if (virtualDesktop && !virtualDesktop->isEmpty()) {
        return *virtualDesktop;
    }
    return QRect(QPoint(0, 0), primary);
}

}  // namespace vn340
