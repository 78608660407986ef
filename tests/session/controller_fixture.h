#pragma once

// The program without its window: the controller on a virtual platform, with the pilot
// scripted. Each test starts it as the window does, acts as the pilot would, and runs the
// virtual clock until the gyro has answered.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/adapter_link.h"
#include "session/config_controller.h"
#include "support/scripted_pilot.h"
#include "support/virtual_platform.h"

namespace vn340::testing {

inline constexpr char kProgramFolder[] = "/opt/vn340";
inline constexpr char kPreferencesFile[] = "/opt/vn340/TarvelRCGyro.ini";

class ControllerTest : public ::testing::Test {
  protected:
    ControllerTest() {
        paths.programFolder = kProgramFolder;
        paths.configHome = "/home/pilot/.config";
    }

    // Starts as the window does; `preferences` are the preferences file's bytes (none: a first
    // start). "USB" as the saved port opens the simulated adapter.
    ConfigController& start(const std::string& preferences = {}) {
        if (!preferences.empty())
            platform.memoryFiles.files[kPreferencesFile] = preferences;
        controller =
            std::make_unique<ConfigController>(pilot, pilot, pilot, platform, paths, nullptr);
        QObject::connect(controller.get(), &ConfigController::pilotChanged,
                         [this](const PilotChange& change) { steps.push_back(change.step); });
        controller->prepareTransports();
        controller->startPreferences();
        controller->fillPortSelectorAtStartup();
        controller->startWithDefaults();
        return *controller;
    }
    ConfigController& startWithGyro() {
        return start("[Settings]\r\nCOM PORT=USB\r\nWARNING=1\r\n");
    }

    // Runs the virtual clock until the sequence under way has ended.
    void settle() {
        platform.clock.runWhile([this] {
            return !controller->engine().idle() || platform.timers->sequenceTimerArmed();
        });
    }
    const GyroConfig& model() const { return controller->model(); }
    std::string preferences() const { return platform.memoryFiles[kPreferencesFile]; }

    ProgramPaths paths;
    ScriptedPilot pilot;
    VirtualPlatform platform;
    std::unique_ptr<ConfigController> controller;
    // The steps the pilot made, by name, in order.
    std::vector<std::string> steps;
};

}  // namespace vn340::testing
