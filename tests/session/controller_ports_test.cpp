// The adapter's port against the controller: the pilot's choice in the port list, kept for the
// next start, and the Detect wizard.

#include "controller_fixture.h"
#include "link/port_selection.h"

namespace vn340::testing {
namespace {

using Answers = std::deque<PromptAnswer>;

class ControllerPortsTest : public ControllerTest {
  protected:
    // The pilot opens the port list and closes it on `name`.
    void choosePort(const std::string& name) {
        controller->portListOpened();
        pilot.selectEntry(name);
        controller->portListClosed();
    }
    // The serial ports become `ports` while Detect asks the pilot to plug the adapter in.
    void plugInDuringDetect(std::vector<std::string> ports) {
        pilot.whileOpen = [this, ports = std::move(ports)] {
            if (pilot.events.back() == "prompt:" + std::string(port_text::kPlugIn)) {
                platform.transports->serialPorts = ports;
            }
        };
    }
};

TEST_F(ControllerPortsTest, APortChosenInTheListIsOpenedAndKeptForTheNextStart) {
    struct Row {
        const char* port;
        bool refuses;
        bool preferencesWritable;
        Transport transport;
        std::vector<std::string> messages;
        const char* comPortAfter;
    };
    const std::string cannotWrite = "Cannot write /opt/vn340/TarvelRCGyro.ini";
    const Row rows[] = {
        {"USB", false, true, Transport::Usb, {}, "COM PORT=USB"},
        {"ttyUSB0", false, true, Transport::Serial, {}, "COM PORT=ttyUSB0"},
        {"ttyUSB0",
         true,
         true,
         Transport::None,
         {std::string(port_text::kUnableToOpen), port_text::permissionHelp("ttyUSB0", "dialout")},
         "COM PORT="},
        // The port is open either way; the pilot must know it will not be chosen next time.
        {"USB", false, false, Transport::Usb, {cannotWrite}, "COM PORT="},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.port) + (row.refuses ? ", refused" : "") +
                     (row.preferencesWritable ? "" : ", not kept"));
        startAfresh();
        if (row.refuses) {
            platform.transports->refusingPorts.insert(row.port);
        }
        if (!row.preferencesWritable) {
            platform.memoryFiles.replaceFailures[kPreferencesFile] =
                SysResult::failure(EROFS, cannotWrite);
        }
        choosePort(row.port);
        EXPECT_EQ(controller->link().transport(), row.transport);
        EXPECT_EQ(pilot.gyroButtonsOn, row.transport != Transport::None);
        EXPECT_EQ(pilot.messages, row.messages);
        EXPECT_TRUE(preferencesHold(row.comPortAfter)) << preferences();
        EXPECT_EQ(controller->savedPort(), row.transport == Transport::None ? "" : row.port);
        EXPECT_EQ(pilot.selectedPort, row.port);
    }
}

// The pilot unplugs the adapter, answers, plugs it in while the second question is open and
// answers again: the one new port is found, opened, listed alone and kept.
TEST_F(ControllerPortsTest, DetectFindsTheNewPortAndOpensIt) {
    // What the pilot answers, and the serial ports once the adapter is plugged in.
    struct Pilot {
        Answers answers;
        std::vector<std::string> portsAfter;
    };
    struct Found {
        std::vector<std::string> messages;
        std::set<std::string> listed;
        Transport transport;
        const char* comPortAfter;
    };
    struct Row {
        const char* what;
        Pilot pilot;
        Found found;
    };
    const PromptAnswer C = PromptAnswer::Continue;
    const PromptAnswer A = PromptAnswer::Abort;
    const std::string kFound = port_text::found("ttyUSB1");
    const std::string kNone(port_text::kNotDetected);
    const Row rows[] = {
        {"one new port",
         {{C, C}, {"ttyS0", "ttyUSB1"}},
         {{kFound}, {"ttyUSB1"}, Transport::Serial, "COM PORT=ttyUSB1"}},
        {"two new ports",
         {{C, C}, {"ttyS0", "ttyUSB1", "ttyUSB2"}},
         {{kNone}, {}, Transport::None, "COM PORT="}},
        {"nothing plugged in", {{C, C}, {"ttyS0"}}, {{kNone}, {}, Transport::None, "COM PORT="}},
        {"aborted at once",
         {{A}, {"ttyS0", "ttyUSB1"}},
         {{}, {"USB", "ttyS0"}, Transport::None, "COM PORT="}},
        {"aborted once plugged in",
         {{C, A}, {"ttyS0", "ttyUSB1"}},
         {{}, {}, Transport::None, "COM PORT="}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Found& found = row.found;
        startAfresh();
        platform.transports->serialPorts = {"ttyS0"};
        platform.transports->usbPresent = false;
        controller->portListOpened();
        controller->portListClosed();
        pilot.answers = row.pilot.answers;
        plugInDuringDetect(row.pilot.portsAfter);
        pilot.events.clear();
        controller->detectAdapterPort();
        EXPECT_EQ(pilot.messages, found.messages);
        EXPECT_EQ(pilot.portEntries, found.listed);
        EXPECT_EQ(controller->link().transport(), found.transport);
        EXPECT_EQ(pilot.gyroButtonsOn, found.transport != Transport::None);
        EXPECT_TRUE(preferencesHold(found.comPortAfter)) << preferences();
        EXPECT_EQ(pilot.unexpected, 0);
        // The boxes are taken before and shown again after, as around every choice of port.
        EXPECT_EQ(pilot.events.back(), "shown");
        if (found.transport == Transport::Serial) {
            // The port found is chosen, and it is the gyro's.
            EXPECT_EQ(pilot.selectedPort, "ttyUSB1");
            read();
            EXPECT_EQ(pilot.status, "Read complete");
            EXPECT_EQ(readsCompleted, 1);
        }
    }
}

// The system tells of the USB adapter pulled out while nothing runs, and of its return.
TEST_F(ControllerPortsTest, TheUsbAdapterPulledOutIsToldAndOpenedAgainWhenBack) {
    platform.tellsDeviceEvents = true;
    startWithGyro();
    ASSERT_NE(platform.deviceEvents, nullptr);
    const auto usb = [this](DeviceEvent::Action action) {
        platform.deviceEvents->tell(
            {action, DeviceEvent::Kind::UsbDevice, "1-2", "0403", "Vexa-Plug"});
    };
    usb(DeviceEvent::Action::Removed);
    EXPECT_EQ(pilot.messages, std::vector<std::string>{port_text::adapterGone("USB")});
    EXPECT_EQ(controller->link().transport(), Transport::None);
    EXPECT_FALSE(pilot.gyroButtonsOn);
    EXPECT_EQ(pilot.selectedPort, "USB");
    usb(DeviceEvent::Action::Added);
    EXPECT_EQ(pilot.status, port_text::adapterBack("USB"));
    EXPECT_TRUE(pilot.gyroButtonsOn);
    read();
    EXPECT_EQ(readsCompleted, 1);
    EXPECT_EQ(pilot.messages.size(), 1u);
}

}  // namespace
}  // namespace vn340::testing
