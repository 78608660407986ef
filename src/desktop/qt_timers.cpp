#include "desktop/qt_timers.h"

namespace vn340 {

QtTimers::QtTimers(Expiry onExpiry, QObject* parent)
    : QObject(parent), onExpiry_(std::move(onExpiry)) {}

QTimer* QtTimers::timerFor(SequenceTimer timer) {
    auto found = timers_.find(timer);
    if (found != timers_.end()) {
        return found->second;
    }
    auto* qtimer = new QTimer(this);
    qtimer->setSingleShot(true);
    // The step timers pace a conversation at 1 ms; a coarse timer would add up to 5 % per
    // step, and a read has fifty of them.
    qtimer->setTimerType(Qt::PreciseTimer);
    // Named by its number, as the window's timers have always been.
    qtimer->setObjectName(QStringLiteral("timer%1").arg(static_cast<int>(timer)));
    connect(qtimer, &QTimer::timeout, this, [this, timer] { onExpiry_(timer); });
    timers_.emplace(timer, qtimer);
    return qtimer;
}

void QtTimers::arm(SequenceTimer timer, std::chrono::milliseconds delay) {
    timerFor(timer)->start(delay);
}

void QtTimers::kill(SequenceTimer timer) {
    auto found = timers_.find(timer);
    if (found != timers_.end()) {
        found->second->stop();
    }
}

bool QtTimers::isArmed(SequenceTimer timer) const {
    auto found = timers_.find(timer);
    return found != timers_.end() && found->second->isActive();
}

}  // namespace vn340
