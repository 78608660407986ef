#pragma once

// The controller with the pilot's safety net on it, the history kept in the platform's files
// in memory. The reads, the stores and "Compare with gyro" run on the virtual clock until the
// gyro has answered.

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
    // After start() or startWithGyro(); `folder` none keeps no history.
    void attach(const std::optional<std::string>& folder = std::string(kHistoryFolder)) {
        history = std::make_unique<PilotHistory>(*controller, pilot, platform, folder);
        connections += history->gyroCompared.connect(
            [this](const GyroConfig& gyro) { compared.push_back(gyro); });
    }
    // "Compare with gyro" too reads the gyro, beside the screen.
    bool busy() const override { return history ? history->busy() : ControllerTest::busy(); }
    // The pilot types in a box, or in the comment box, and leaves it.
    void leaveHighEndpoint(int value) { type(NumericField::HighEndpoint, value); }
    void leaveComments(const std::string& comments) {
        pilot.shown.userComments = comments;
        controller->commentsLeft(comments);
    }
    // Newest first.
    std::vector<Snapshot> kept(const std::string& serialNumber) {
        return HistoryStore(kHistoryFolder, platform.memoryFiles, {}).list(serialNumber);
    }

    std::vector<GyroConfig> compared;       // what each "Compare with gyro" found
    std::unique_ptr<PilotHistory> history;  // made after the controller, gone before it
};

}  // namespace vn340::testing
