#pragma once

// The sequence engine's timers as Qt timers: one single-shot timer per timer number, so that
// arming a timer again restarts it and killing it is always safe.

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <map>

#include "protocol/sequence_engine.h"

namespace vn340 {

class SequenceTimers : public QObject {
    Q_OBJECT

  public:
    using Expiry = std::function<void(SequenceTimer)>;

    explicit SequenceTimers(Expiry onExpiry, QObject* parent = nullptr);

    void arm(SequenceTimer timer, std::chrono::milliseconds delay);
    void kill(SequenceTimer timer);
    bool isArmed(SequenceTimer timer) const;

  private:
    QTimer* timerFor(SequenceTimer timer);

    Expiry onExpiry_;
    std::map<SequenceTimer, QTimer*> timers_;
};

}  // namespace vn340
