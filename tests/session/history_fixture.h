#pragma once

// The controller with the pilot's safety net on it, the history kept in the platform's files
// in memory: each test starts as the window does, acts as the pilot would through the
// controller and the safety net, and runs the virtual clock until the gyro has answered.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/history_store.h"
#include "controller_fixture.h"
#include "session/pilot_history.h"

namespace vn340::testing {

inline constexpr char kHistoryFolder[] = "/home/pilot/.local/share/tarvelrc/history";

class HistoryTest : public ControllerTest {
  protected:
    // After start() or startWithGyro(): the safety net on the controller; `folder` none keeps
    // no history.
    PilotHistory& attach(const std::optional<std::string>& folder = std::string(kHistoryFolder)) {
        history = std::make_unique<PilotHistory>(*controller, pilot, platform, folder);
        QObject::connect(history.get(), &PilotHistory::gyroCompared,
                         [this](const GyroConfig& gyro) { compared.push_back(gyro); });
        return *history;
    }

    // Runs the virtual clock until the read, the store or the comparison under way has ended.
    void settleAll() {
        platform.clock.runWhile(
            [this] { return history->busy() || platform.timers->sequenceTimerArmed(); });
    }
    void read() {
        controller->readFromGyro();
        settleAll();
    }
    void store() {
        controller->storeToGyro();
        settleAll();
    }
    // The pilot types a number into a box and leaves it.
    void typeAndLeave(int GyroConfig::*box, NumericField field, int value) {
        pilot.shown.*box = value;
        controller->boxLeft(field);
    }
    // The pilot writes in the comment box and leaves it.
    void writeComments(const std::string& comments) {
        pilot.shown.userComments = comments;
        controller->commentsLeft(comments);
    }

    // What the history holds of the gyro last read, newest first.
    std::vector<Snapshot> kept(const std::string& serialNumber) {
        const HistoryStore store(kHistoryFolder, platform.memoryFiles,
                                 [this] { return platform.time; });
        return store.list(serialNumber);
    }

    // What each "Compare with gyro" found, in turn.
    std::vector<GyroConfig> compared;
    // Made after the controller, gone before it.
    std::unique_ptr<PilotHistory> history;
};

}  // namespace vn340::testing
