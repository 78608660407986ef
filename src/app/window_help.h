#pragma once

// The main window's help: what explains the window to the pilot. A balloon tip on every working
// control while the pointer rests on it, the notice of a corrected field beside its box for 13
// seconds, the painted logo and slow-servo mark, and the mark's own tip. The window
// makes the calls below at their moments.

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

#include "base/one_shot_timer.h"
#include "controls/control.h"
#include "ui/help_tip.h"

class QComboBox;
class QEvent;
class QObject;
class QPaintEvent;
class QPoint;
class QWidget;

namespace vn340 {

class PaintedPictures;
class SlowServoTip;

inline constexpr auto kNoticeDuration = std::chrono::milliseconds(13000);
// Long texts wrap at this width; a tip stays up to 100 seconds while the pointer rests.
inline constexpr int kTipMaxWidth = 500;
inline constexpr auto kTipHideDelay = std::chrono::milliseconds(100000);
// The painted pictures stand in a design space of the window's outer size: its client area and
// the caption and borders of the window it was drawn for (644 x 484 around 637 x 458). The
// frame is the design's, not the one a window manager draws: X11 tells that only after the
// window is first shown, and without a window manager there is none.
inline constexpr QSize kDesignFrame(7, 26);

// The window's own surface, as the pointer sees it: the bare window, its labels and its group
// boxes. `under` is the child under the pointer, or null.
bool isWindowSurface(const QWidget* under);

class WindowHelp {
  public:
    // Finds a control's widget, or null for an id the window does not have.
    using ControlFinder = std::function<QWidget*(Control)>;

    // `loop` keeps the time of the tips and the notice, and outlives this.
    WindowHelp(QWidget& window, EventLoop& loop);
    ~WindowHelp();

    WindowHelp(const WindowHelp&) = delete;
    WindowHelp& operator=(const WindowHelp&) = delete;

    // Start-up step 8: the help texts of the controls.
    void registerTips(const ControlFinder& controlOf);
    // Start-up step 9: where the painted pictures go, from the designed window's place in the
    // window (below the menu bar) and its fixed size.
    void layoutPictures(const QRect& content);
    // Start-up step 12.
    void armSlowServoTip();
    // Before the window's own painting.
    void paint(QPaintEvent& event);
    // The pictures follow the servo speed: the mark's area alone is painted again, and only
    // when the speed is not the one it was last painted for.
    void followSpeed();
    void windowDeactivated();
    void windowHidden();

    // A correction beside `box`, at its top-right corner, until the notice time ends or
    // another notice replaces it (which starts the time again).
    void showFieldNotice(QWidget& box, const QString& notice);
    void hideFieldNotice();
    // A notice's time runs.
    bool noticeShowing() const { return noticeTimer_.isActive(); }

  private:
    class EventRelay;

    int speedPosition() const;
    // The slow-servo mark's area in the window.
    QRect markArea() const;
    // Every event of the window and its controls, after the tip has seen it.
    void windowEvent(const QObject* watched, QEvent* event);
    // The pointer moved over the window's own surface (client coordinates).
    void surfacePointerMoved(const QPoint& position);

    QWidget& window_;
    EventLoop& loop_;
    OneShotTimer noticeTimer_;
    // A child of the window, so that its timers and tip window are found among the window's.
    HelpTip tip_;
    std::unique_ptr<EventRelay> relay_;
    std::unique_ptr<PaintedPictures> pictures_;
    QPoint picturesOrigin_;
    int markSpeed_ = -1;
    std::unique_ptr<SlowServoTip> slowServo_;
    QComboBox* speedSelector_ = nullptr;
    // The box the notice showing stands beside.
    QPointer<QWidget> noticeBox_;
};

}  // namespace vn340
