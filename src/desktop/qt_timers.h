#pragma once

// The sequence engine's timers as Qt timers: one single-shot, precise timer per timer number,
// named "timer<number>".

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <map>

#include "session/timers.h"

namespace vn340 {

class QtTimers : public QObject, public Timers {
    Q_OBJECT

  public:
    explicit QtTimers(Expiry onExpiry, QObject* parent = nullptr);

    void arm(SequenceTimer timer, std::chrono::milliseconds delay) override;
    void kill(SequenceTimer timer) override;
    bool isArmed(SequenceTimer timer) const override;

  private:
    QTimer* timerFor(SequenceTimer timer);

    Expiry onExpiry_;
    std::map<SequenceTimer, QTimer*> timers_;
};

}  // namespace vn340
