#pragma once

// Connects the gyro simulator to the virtual clock: every frame the engine sends is fed to the
// simulator at the virtual time of the send, and its reply arrives piece by piece when due.

#include <chrono>

#include "gyro_sim.h"
#include "virtual_host.h"

namespace vn340::testing {

inline VirtualHost::Gyro simulatedGyro(GyroSimulator& sim, VirtualHost& host) {
    return [&sim, &host](std::string_view frame) {
        const auto now = std::chrono::microseconds(host.now());
        sim.feed(frame, now);
        std::vector<std::pair<Micros, std::string>> pieces;
        int piece = -1;
        for (const OutputByte& byte : sim.takeAll()) {
            if (pieces.empty() || byte.piece != piece) {
                const auto due = std::chrono::duration_cast<std::chrono::microseconds>(byte.due);
                pieces.emplace_back(std::max<Micros>(0, due.count() - host.now()), "");
                piece = byte.piece;
            }
            pieces.back().second += byte.value;
        }
        return pieces;
    };
}

}  // namespace vn340::testing
