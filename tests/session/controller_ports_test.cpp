// The adapter's port against the controller: the pilot's choice in the port list, kept for the
// next start, and the Detect wizard.

#include "controller_fixture.h"
#include "link/port_selection.h"

namespace vn340::testing {
namespace {

using Answers = std::deque<PromptAnswer>;

// The pilot opens the port list and closes it on `name`.
void choosePort(ConfigController& controller, ScriptedPilot& pilot, const std::string& name) {
    controller.portListOpened();
    pilot.selectEntry(name);
    controller.portListClosed();
}

TEST_F(ControllerTest, APortChosenInTheListIsOpenedAndKeptForTheNextStart) {
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
        pilot = ScriptedPilot();
        platform.memoryFiles.files.clear();
        platform.memoryFiles.replaceFailures.clear();
        start();
        if (row.refuses)
            platform.transports->refusingPorts.insert(row.port);
        if (!row.preferencesWritable)
            platform.memoryFiles.replaceFailures[kPreferencesFile] =
                SysResult::failure(EROFS, cannotWrite);
        choosePort(*controller, pilot, row.port);
        EXPECT_EQ(controller->link().transport(), row.transport);
        EXPECT_EQ(pilot.gyroButtonsOn, row.transport != Transport::None);
        EXPECT_EQ(pilot.messages, row.messages);
        EXPECT_TRUE(preferencesHold(row.comPortAfter)) << preferences();
        EXPECT_EQ(controller->preferences().savedPort,
                  row.transport == Transport::None ? "" : row.port);
        EXPECT_EQ(pilot.selectedPort, row.port);
    }
}

// The pilot unplugs the adapter, answers, plugs it in while the second question is open and
// answers again: the one new port is found, opened, listed alone and kept.
TEST_F(ControllerTest, DetectFindsTheNewPortAndOpensIt) {
    struct Row {
        const char* what;
        Answers answers;
        std::vector<std::string> portsAfter;  // the serial ports once plugged in
        std::vector<std::string> messages;
        std::set<std::string> listed;
        Transport transport;
        const char* comPortAfter;
    };
    const std::string kFound = port_text::found("ttyUSB1");
    const std::string kNone(port_text::kNotDetected);
    const Row rows[] = {
        {"one new port",
         {PromptAnswer::Continue, PromptAnswer::Continue},
         {"ttyS0", "ttyUSB1"},
         {kFound},
         {"ttyUSB1"},
         Transport::Serial,
         "COM PORT=ttyUSB1"},
        {"two new ports",
         {PromptAnswer::Continue, PromptAnswer::Continue},
         {"ttyS0", "ttyUSB1", "ttyUSB2"},
         {kNone},
         {},
         Transport::None,
         "COM PORT="},
        {"nothing plugged in",
         {PromptAnswer::Continue, PromptAnswer::Continue},
         {"ttyS0"},
         {kNone},
         {},
         Transport::None,
         "COM PORT="},
        {"aborted at once",
         {PromptAnswer::Abort},
         {"ttyS0", "ttyUSB1"},
         {},
         {"USB", "ttyS0"},
         Transport::None,
         "COM PORT="},
        {"aborted once plugged in",
         {PromptAnswer::Continue, PromptAnswer::Abort},
         {"ttyS0", "ttyUSB1"},
         {},
         {},
         Transport::None,
         "COM PORT="},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        pilot = ScriptedPilot();
        platform.memoryFiles.files.clear();
        start();
        platform.transports->serialPorts = {"ttyS0"};
        platform.transports->usbPresent = false;
        controller->portListOpened();
        controller->portListClosed();
        pilot.answers = row.answers;
        pilot.whileOpen = [&] {
            if (pilot.events.back() == "prompt:" + std::string(port_text::kPlugIn))
                platform.transports->serialPorts = row.portsAfter;
        };
        pilot.events.clear();
        controller->detectAdapterPort();
        EXPECT_EQ(pilot.messages, row.messages);
        EXPECT_EQ(pilot.portEntries, row.listed);
        EXPECT_EQ(controller->link().transport(), row.transport);
        EXPECT_EQ(pilot.gyroButtonsOn, row.transport != Transport::None);
        EXPECT_TRUE(preferencesHold(row.comPortAfter)) << preferences();
        EXPECT_EQ(pilot.unexpected, 0);
        // The boxes are taken before and shown again after, as around every choice of port.
        EXPECT_EQ(pilot.events.back(), "shown");
    }
}

TEST_F(ControllerTest, ThePortDetectFindsIsTheGyros) {
    start();
    platform.transports->serialPorts = {};
    platform.transports->usbPresent = false;
    pilot.answers = {PromptAnswer::Continue, PromptAnswer::Continue};
    pilot.whileOpen = [&] {
        if (pilot.events.back() == "prompt:" + std::string(port_text::kPlugIn))
            platform.transports->serialPorts = {"ttyUSB0"};
    };
    controller->detectAdapterPort();
    ASSERT_EQ(pilot.selectedPort, "ttyUSB0");
    read();
    EXPECT_EQ(pilot.status, "Read complete");
    EXPECT_EQ(readsCompleted, 1);
}

// The system tells of the USB adapter pulled out while nothing runs, and of its return.
TEST_F(ControllerTest, TheUsbAdapterPulledOutIsToldAndOpenedAgainWhenBack) {
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
