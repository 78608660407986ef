// "Try without a gyro" as the page runs it: the program's own controller, its transports the
// page's ports, one of which is the simulator in the module, all on a virtual clock.

#include "browser/simulated_gyro_port.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "browser/page_ports.h"
#include "link/adapter_link.h"
#include "session/config_controller.h"
#include "support/scripted_pilot.h"
#include "support/virtual_platform.h"
#include "virtual_page_platform.h"

namespace vn340 {
namespace {

using testing::kMs;

// The page's ports, one of them the simulator in the module, on the virtual platform.
struct PagePlatform {
    testing::VirtualPlatform virtualPlatform;
    std::vector<std::string> writtenToOtherPorts;
    PagePorts ports{[this](std::string_view port, std::string_view bytes) {
        if (port == SimulatedGyroPort::kName) {
            simulated.write(bytes);
        } else {
            writtenToOtherPorts.emplace_back(bytes);
        }
    }};
    SimulatedGyroPort simulated{virtualPlatform.clock, ports, SimSettings{.pace = true}};
    testing::VirtualPagePlatform page{virtualPlatform, ports};
};

class SimulatedGyroPortTest : public ::testing::Test {
  protected:
    SimulatedGyroPortTest() {
        paths.programFolder = "/opt/vn340";
        paths.configHome = "/home/pilot/.config";
        paths.watchDevices = true;
        pilot.safetyAgreement = false;
        controller.start();
        connections += controller.outcomeShown.connect(
            [this](const SequenceOutcome& outcome) { outcomes.push_back(outcome); });
        // "Try without a gyro": the page opens the simulated port and chooses it.
        platform.ports.portOpened(std::string(SimulatedGyroPort::kName));
        controller.portListOpened();
        pilot.selectEntry(SimulatedGyroPort::kName);
        controller.portListClosed();
    }
    void settle() {
        platform.virtualPlatform.clock.runWhile([this] { return controller.busy(); });
    }

    PagePlatform platform;
    ProgramPaths paths;
    testing::ScriptedPilot pilot;
    ConfigController controller{pilot, pilot, pilot, platform.page, paths};
    Connections connections;
    std::vector<SequenceOutcome> outcomes;
};

TEST_F(SimulatedGyroPortTest, AReadBringsTheSimulatedGyrosSettingsAtTheLinesPace) {
    platform.simulated.gyro().setWord(0x0100, 1658);  // high endpoint 33
    const testing::Micros before = platform.virtualPlatform.clock.now();
    controller.readFromGyro();
    settle();

    ASSERT_EQ(outcomes.size(), 1U);
    EXPECT_EQ(outcomes[0].result, SequenceResult::Done);
    EXPECT_EQ(controller.model().highEndpoint, 33);
    EXPECT_TRUE(platform.writtenToOtherPorts.empty());
    // Paced as the 9600-baud line: a read brings back some 400 characters, each a little over a
    // millisecond on the wire, never all at once.
    EXPECT_GT(platform.virtualPlatform.clock.now() - before, 350 * kMs);
}

TEST_F(SimulatedGyroPortTest, AStoreWhoseAdapterTheBrowserLosesEndsCutShortAndIsTold) {
    controller.readFromGyro();
    settle();
    pilot.messages.clear();
    outcomes.clear();

    controller.storeToGyro();
    // Part of the way into the store, the browser reports the port gone.
    platform.virtualPlatform.clock.runUntil(platform.virtualPlatform.clock.now() + 150 * kMs);
    ASSERT_TRUE(controller.busy());
    platform.ports.portGone(SimulatedGyroPort::kName);
    settle();

    ASSERT_EQ(outcomes.size(), 1U);
    EXPECT_TRUE(outcomes[0].storeCutShort());
    EXPECT_FALSE(pilot.messages.empty());
    EXPECT_EQ(controller.link().transport(), Transport::None);
}

}  // namespace
}  // namespace vn340
