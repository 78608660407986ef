#include "desktop/qt_event_loop.h"

#include <QDeadlineTimer>
#include <QMetaObject>
#include <QTimer>

#include <utility>

namespace vn340 {

QtEventLoop::~QtEventLoop() = default;

EventLoop::TimerId QtEventLoop::startTimer(std::chrono::milliseconds delay, Task task) {
    const TimerId id = next_++;
    auto* timer = new QTimer(&context_);
    timer->setSingleShot(true);
    // The engine's steps pace a conversation at 1 ms; a coarse timer would add up to 5 % per
    // step, and a read has fifty of them.
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, &context_, [this, id, task = std::move(task)] {
        // The task may start or cancel timers, this one's entry among them.
        if (const auto found = timers_.find(id); found != timers_.end()) {
            found->second->deleteLater();
            timers_.erase(found);
        }
        task();
    });
    timers_.emplace(id, timer);
    timer->start(delay);
    return id;
}

void QtEventLoop::cancelTimer(TimerId id) {
    if (const auto found = timers_.find(id); found != timers_.end()) {
        found->second->stop();
        found->second->deleteLater();
        timers_.erase(found);
    }
}

void QtEventLoop::post(Task call) {
    QMetaObject::invokeMethod(
        &context_, [call = std::move(call)] { call(); }, Qt::QueuedConnection);
}

std::chrono::milliseconds QtEventLoop::steadyNow() const {
    // The monotonic clock Qt's own timers keep.
    return std::chrono::milliseconds(QDeadlineTimer::current().deadline());
}

}  // namespace vn340
