#include "ui/slow_servo_tip.h"

#include <QWidget>

#include <chrono>
#include <utility>

#include "ui/help_tip.h"
#include "ui/painted_pictures.h"

namespace vn340 {

namespace {

constexpr auto kDelay = std::chrono::milliseconds(700);

}  // namespace

SlowServoTip::SlowServoTip(QWidget* window, HelpTip* tip, std::function<int()> speedPosition,
                           EventLoop& loop)
    : QObject(window),
      window_(window),
      tip_(tip),
      speedPosition_(std::move(speedPosition)),
      timer_(loop) {}

bool SlowServoTip::onMouseMove(const QPoint& p) {
    if (tipWaiting_ || speedTipShown_) {
        if (!area_.contains(p)) {
            tip_->Hide();
            timer_.stop();
            tipWaiting_ = true;
            tipTimerStarted_ = false;
            speedTipShown_ = false;
        } else if (speedPosition_() >= kSlowSpeedPosition && !tipTimerStarted_) {
            tipTimerStarted_ = true;
            tipWaiting_ = true;
            timer_.start(kDelay, [this] { delayElapsed(); });
        }
        return true;
    }
    // The delay has elapsed: the tip goes beside the mark. The window's outer corner with the
    // area's client coordinates, as the window has always placed it.
    const QRect outer = window_->frameGeometry();
    const int left = area_.left();
    const int right = area_.left() + area_.width();
    const int top = area_.top();
    const int bottom = area_.top() + area_.height();
    const QPoint at(outer.left() + (left + right) / 2 + 6,
                    outer.top() + (top + bottom) / 2 + (right - left) - 6);
    tip_->ShowAt(at, kSlowServoTipText);
    speedTipShown_ = true;
    return false;
}

void SlowServoTip::pointerLeft() {
    timer_.stop();
    if (speedTipShown_) {
        tip_->Hide();
    }
    tipWaiting_ = true;
    tipTimerStarted_ = false;
    speedTipShown_ = false;
}

void SlowServoTip::delayElapsed() {
    timer_.stop();
    tipWaiting_ = false;
    // A move at the window's corner, handed straight to the handler as a sent message would
    // be: it passes no event filter, so the help tip's relay never sees it.
    onMouseMove(QPoint(0, 0));
}

}  // namespace vn340
