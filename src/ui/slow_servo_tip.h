#pragma once

#include <functional>

#include <QObject>
#include <QPoint>
#include <QRect>

#include "base/one_shot_timer.h"

class QWidget;

namespace vn340 {

class HelpTip;

inline constexpr const char* kSlowServoTipText =
    "Tarvel RC recommends the use of dedicated fast tail servos. Servos with speeds of "
    "\n0.11sec/60deg or slower are generally not suited for pilots that seek the optimal "
    "performance of this gyro.";

// The main window's own hover tip over the slow-servo mark: resting 700 ms on the mark's area
// while the mark shows pops the tip up beside it; the first move over the window's surface
// outside the area hides whatever tip is up. The window feeds it the pointer moves over its
// own surface (not over its controls). Its delay runs on the event loop it is given.
class SlowServoTip : public QObject {
  public:
    // `speedPosition` reads the speed selector's position (-1 for none); `loop` keeps the
    // delay's time and outlives this.
    SlowServoTip(QWidget* window, HelpTip* tip, std::function<int()> speedPosition,
                 EventLoop& loop);

    // The mark's area, client coordinates.
    void setArea(const QRect& area) { area_ = area; }
    // A pointer move at client point `p`; false when the window's standard handling of the
    // move must not run.
    bool onMouseMove(const QPoint& p);
    // The pointer left the window: as a move outside the area, but only the slow-servo tip
    // goes (a notice keeps its time).
    void pointerLeft();

    bool tipShown() const { return speedTipShown_; }

  private:
    void delayElapsed();

    QWidget* window_;
    HelpTip* tip_;
    std::function<int()> speedPosition_;
    QRect area_;
    OneShotTimer timer_;
    bool tipWaiting_ = true;
    bool tipTimerStarted_ = false;
    bool speedTipShown_ = false;
};

}  // namespace vn340
