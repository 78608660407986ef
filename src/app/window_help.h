#pragma once

// The main window's help: what explains the window to the pilot. Today that is the notice of a
// corrected field beside its box, shown for 13 seconds (timer 112); the balloon tips on every
// control, the painted pictures and the slow-servo tip come in at the calls below, which the
// window makes at their moments.

#include <QString>

#include <chrono>
#include <functional>

#include "app/control.h"

class QLabel;
class QPaintEvent;
class QPoint;
class QSize;
class QTimer;
class QWidget;

namespace vn340 {

inline constexpr int kNoticeTimerNumber = 112;
inline constexpr std::chrono::milliseconds kNoticeDuration{13000};

class WindowHelp {
  public:
    // Finds a control's widget, or null for an id the window does not have.
    using ControlFinder = std::function<QWidget*(Control)>;

    explicit WindowHelp(QWidget& window);

    WindowHelp(const WindowHelp&) = delete;
    WindowHelp& operator=(const WindowHelp&) = delete;

    // Start-up step 8: the help texts of the controls.
    void registerTips(const ControlFinder& controlOf);
    // Start-up step 9: where the painted pictures go, from the window's outer size.
    void layoutPictures(const QSize& outerSize);
    // Start-up step 12.
    void armSlowServoTip();
    // Before the window's own painting.
    void paint(QPaintEvent& event);
    // The pointer moved over the window's own surface, not over a working control. Says
    // whether the window's own handling of the move goes on.
    bool surfacePointerMoved(const QPoint& position);
    void windowDeactivated();
    void windowHidden();

    // A correction beside `box`, at its top-right corner, until the notice time ends or
    // another notice replaces it (which starts the time again).
    void showFieldNotice(QWidget& box, const QString& notice);
    void hideFieldNotice();

  private:
    QLabel& noticeLabel();

    QWidget& window_;
    QTimer* noticeTimer_;
    QLabel* notice_ = nullptr;
};

}  // namespace vn340
