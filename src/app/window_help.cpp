#include "app/window_help.h"

#include <QLabel>
#include <QTimer>
#include <QToolTip>

namespace vn340 {

WindowHelp::WindowHelp(QWidget& window) : window_(window), noticeTimer_(new QTimer(&window)) {
    noticeTimer_->setSingleShot(true);
    // Coarse timers may round a restart back to the old deadline; a restarted notice must get
    // its whole 13 seconds again.
    noticeTimer_->setTimerType(Qt::PreciseTimer);
    noticeTimer_->setObjectName(QStringLiteral("timer%1").arg(kNoticeTimerNumber));
    noticeTimer_->setInterval(kNoticeDuration);
    QObject::connect(noticeTimer_, &QTimer::timeout, &window, [this] { hideFieldNotice(); });
}

void WindowHelp::registerTips(const ControlFinder& /*controlOf*/) {}

void WindowHelp::layoutPictures(const QSize& /*outerSize*/) {}

void WindowHelp::armSlowServoTip() {}

void WindowHelp::paint(QPaintEvent& /*event*/) {}

bool WindowHelp::surfacePointerMoved(const QPoint& /*position*/) {
    hideFieldNotice();
    return true;
}

void WindowHelp::windowDeactivated() {}

void WindowHelp::windowHidden() {
    hideFieldNotice();
}

QLabel& WindowHelp::noticeLabel() {
    // Until the help-tip window takes over, a tooltip-styled label; Qt's own tooltip would
    // vanish at the very focus change that caused the check.
    if (notice_ == nullptr) {
        notice_ = new QLabel(&window_, Qt::ToolTip | Qt::FramelessWindowHint);
        notice_->setObjectName(QStringLiteral("fieldNotice"));
        notice_->setPalette(QToolTip::palette());
        notice_->setFont(QToolTip::font());
        notice_->setAutoFillBackground(true);
        notice_->setFrameStyle(QFrame::Box | QFrame::Plain);
        notice_->setMargin(2);
        notice_->setAttribute(Qt::WA_ShowWithoutActivating);
        notice_->setTextFormat(Qt::PlainText);
    }
    return *notice_;
}

void WindowHelp::showFieldNotice(QWidget& box, const QString& notice) {
    QLabel& label = noticeLabel();
    label.setText(notice);
    label.adjustSize();
    label.move(box.mapToGlobal(QPoint(box.width(), 0)));
    label.show();
    noticeTimer_->start();
}

void WindowHelp::hideFieldNotice() {
    noticeTimer_->stop();
    if (notice_ != nullptr)
        notice_->hide();
}

}  // namespace vn340
