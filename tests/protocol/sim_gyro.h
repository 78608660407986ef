#pragma once

// Connects the gyro simulator to the virtual clock: every frame the engine sends is fed to the
// simulator at the virtual time of the send, and its reply arrives piece by piece when due;
// and the engine on its host against the simulator, as every sequence test sets it up.

#include <chrono>
#include <memory>

#include "gyro_sim.h"
#include "protocol/sequence_engine.h"
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

// The engine and its virtual host against the simulator, on the factory configuration.
class SimSession {
    // Declared first: a session's own simulator is made before `sim` refers to it.
    std::unique_ptr<GyroSimulator> own_;

  public:
    using Sequence = SequenceEngine::Sequence;

    // On a simulator of its own, or on one that outlives it (a store read back by another).
    explicit SimSession(SimSettings settings = {})
        : own_(std::make_unique<GyroSimulator>(settings)), sim(*own_) {
        connect();
    }
    explicit SimSession(GyroSimulator& gyro) : sim(gyro) { connect(); }

    void start(Sequence sequence) {
        if (sequence == Sequence::Read) {
            engine.startRead();
        } else if (sequence == Sequence::Write) {
            engine.startWrite();
        } else if (sequence == Sequence::Diagnostics) {
            engine.diagnosticsCommand();
        }
    }
    // Runs a read or a store to its end.
    void read() {
        engine.startRead();
        host.run();
    }
    void write() {
        engine.startWrite();
        host.run();
    }

    GyroSimulator& sim;
    GyroConfig config;
    VirtualHost host;
    SequenceEngine engine{config, host, host, host};

  private:
    void connect() {
        loadDefaults(config);
        host.attach(engine);
        host.setGyro(simulatedGyro(sim, host));
    }
};

}  // namespace vn340::testing
