#include "ui/help_tip_window.h"

#include <QMouseEvent>
#include <QPainter>

namespace vn340 {

TipWindow::TipWindow(QWidget* owner, Callbacks callbacks)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint), callbacks_(std::move(callbacks)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Every pixel is painted from the composed picture; nothing needs clearing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setAccessibleName(QStringLiteral("Help tip"));
    setObjectName(QStringLiteral("helpTip"));
}

void TipWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (callbacks_.paint) {
        callbacks_.paint(painter);
    }
}

void TipWindow::mouseMoveEvent(QMouseEvent* event) {
    if (callbacks_.mouseMove) {
        callbacks_.mouseMove(event);
    }
}

void TipWindow::mousePressEvent(QMouseEvent* event) {
    if (callbacks_.mousePress) {
        callbacks_.mousePress(event);
    }
}

void TipWindow::mouseDoubleClickEvent(QMouseEvent*) {
    if (callbacks_.dismiss) {
        callbacks_.dismiss();
    }
}

void TipWindow::wheelEvent(QWheelEvent*) {
    if (callbacks_.dismiss) {
        callbacks_.dismiss();
    }
}

void TipWindow::leaveEvent(QEvent*) {
    if (callbacks_.leave) {
        callbacks_.leave();
    }
}

}  // namespace vn340
