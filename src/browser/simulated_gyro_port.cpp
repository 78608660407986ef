#include "browser/simulated_gyro_port.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace vn340 {

SimulatedGyroPort::SimulatedGyroPort(EventLoop& loop, PagePorts& ports, SimSettings settings)
    : loop_(loop), ports_(ports), gyro_(settings) {}

SimulatedGyroPort::~SimulatedGyroPort() {
    for (const EventLoop::TimerId id : deliveries_) {
        loop_.cancelTimer(id);
    }
}

void SimulatedGyroPort::write(std::string_view bytes) {
    using std::chrono::milliseconds;
    const SimTime now = loop_.steadyNow();
    gyro_.feed(bytes, now);
    // One delivery per piece, when its last byte is due: a real line hands the reader a piece
    // at a time too.
    std::map<int, std::pair<SimTime, std::string>> pieces;
    for (const OutputByte& byte : gyro_.takeAll()) {
        auto& [due, text] = pieces[byte.piece];
        due = std::max(due, byte.due);
        text += byte.value;
    }
    for (auto& [piece, delivery] : pieces) {
        const milliseconds wait =
            std::max(milliseconds(0), std::chrono::ceil<milliseconds>(delivery.first - now));
        auto self = std::make_shared<EventLoop::TimerId>(0);
        *self = loop_.startTimer(wait, [this, self, text = std::move(delivery.second)] {
            std::erase(deliveries_, *self);
            ports_.bytesArrived(kName, text);
        });
        deliveries_.push_back(*self);
    }
}

}  // namespace vn340
