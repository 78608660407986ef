// What the owner's events and the tip window's pointer events do to the tip.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QScrollBar>

#include "ui/help_tip.h"
#include "ui/help_tip_window.h"
#include "ui/qt_geometry.h"

namespace vn340 {

void HelpTip::RelayEvent(QObject* watched, QEvent* event) {
    if (!window_ || event == nullptr) {
        return;
    }
    // Input reaches a window's QWindow first and then its widget; the widget's copy is the one
    // that counts. The tip window relays its own events.
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (widget == nullptr || widget->window() == window_) {
        return;
    }
    switch (event->type()) {
        case QEvent::MouseMove:
            relayMove(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
            HideNow();
            break;
        case QEvent::Hide:
            if (owner_ && watched == owner_->window()) {
                HideNow();
            }
            break;
        case QEvent::Leave:
            if (owner_ && watched == owner_->window()) {
                pointerLeft();
            }
            break;
        default:
            break;
    }
}

void HelpTip::relayMove(const QPoint& global) {
    if (currentByProgram_ && state_ != State::hidden) {
        return;  // a tip the program showed ignores the pointer
    }
    if (lastPoint_ && *lastPoint_ == global) {
        return;
    }
    const QPoint delta = lastPoint_ ? global - *lastPoint_ : QPoint();
    lastPoint_ = global;

    if (overTip(global) && (active_.behaviour & tipbehaviour::kFollowPointer) == 0) {
        if (active_.behaviour & tipbehaviour::kKeepOverTip) {
            startHideDelay();
        } else {
            Hide();
        }
        return;
    }
    const std::optional<Hit> hit = toolAt(global);
    if (!hit) {
        current_.reset();
        showTimer_.stop();
        HideNow();
        return;
    }
    const ToolKey key{hit->window, hit->tool->rect};
    if (current_ && *current_ == key) {
        const unsigned b = active_.behaviour;
        if (b & tipbehaviour::kFollowPointer) {
            if (state_ == State::shown) {
                startHideDelay();
            }
            window_->move(window_->pos() + delta);
            return;
        }
        if (b & tipbehaviour::kRestartOnMove) {
            if (state_ == State::shown) {
                startHideDelay();
            }
            return;
        }
        if ((b & tipbehaviour::kForgetOnHide) == 0) {
            Hide();
            return;
        }
    }
    request(Request{key, *hit->tool, global, false}, true);
}

void HelpTip::pointerLeft() {
    // The pointer also leaves a window for the tip that has just come up beneath it, and the tip
    // for the owner's window; its next moves there decide.
    const QWidget* under = QApplication::widgetAt(QCursor::pos());
    if (under != nullptr &&
        (under->window() == window_ || (owner_ && under->window() == owner_->window()))) {
        return;
    }
    lastPoint_.reset();
    emit pointerLeftWindow();
    if (currentByProgram_ && state_ != State::hidden) {
        return;
    }
    current_.reset();
    HideNow();
}

bool HelpTip::overTip(const QPoint& global) const {
    if (!window_ || !window_->isVisible()) {
        return false;
    }
    const QPoint local = window_->mapFromGlobal(global);
    return window_->rect().contains(local) &&
           (window_->mask().isEmpty() || window_->mask().contains(local));
}

std::optional<HelpTip::Hit> HelpTip::toolAt(const QPoint& global) const {
    QWidget* w = QApplication::widgetAt(global);
    if (w == nullptr || w->window() == window_) {
        return std::nullopt;
    }
    // The parts of a control count as the control.
    while (!registry_.has(w)) {
        if (w->isWindow() || w->parentWidget() == nullptr) {
            return std::nullopt;
        }
        w = w->parentWidget();
    }
    if (!w->isEnabled()) {
        return std::nullopt;
    }
    QPoint local = w->mapFromGlobal(global);
    if (const auto* area = qobject_cast<const QAbstractScrollArea*>(w)) {
        local = area->viewport()->mapFromGlobal(global) +
                QPoint(area->horizontalScrollBar()->value(), area->verticalScrollBar()->value());
    }
    const ToolInfo* tool = registry_.find(w, local);
    if (tool == nullptr) {
        return std::nullopt;
    }
    return Hit{w, tool};
}

void HelpTip::tipMouseMove(QMouseEvent* event) {
    window_->setCursor(renderer_.OnSetCursor(toPoint(event->position().toPoint()))
                           ? Qt::PointingHandCursor
                           : Qt::ArrowCursor);
    relayMove(event->globalPosition().toPoint());
}

void HelpTip::tipMousePress(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        renderer_.OnClick(toPoint(event->position().toPoint()));
    }
    HideNow();
}

}  // namespace vn340
