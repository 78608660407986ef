#include "link/port_selection.h"
#include "link/usb_adapter.h"
#include "support/scripted_pilot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <map>
#include <optional>

namespace vn340 {
namespace {

// The transports, scripted, under the pilot at the port selector.
class FakePortHost : public testing::ScriptedPilot, public PortTransports {
  public:
    std::deque<std::vector<std::string>> portScans;  // one list per enumeration
    bool usbPresent = false;
    std::map<std::string, int> serialErrors;  // errno for ports that refuse to open

    bool usbOpen = false;
    std::optional<std::string> serialPort;
    std::vector<std::string> storedPorts;

    ~FakePortHost() override { EXPECT_EQ(unexpected, 0) << "a question nobody scripted"; }

    std::vector<std::string> enumerateSerialPorts() override {
        if (!portScans.empty()) {
            lastScan_ = portScans.front();
            portScans.pop_front();
        }
        return lastScan_;
    }
    SysResult openUsb(bool quiet) override {
        if (usbOpen) {
            return {};  // like the adapter: an open device is not looked for again
        }
        if (!usbPresent && !quiet) {
            showMessage("usb failure");
        }
        usbOpen = usbPresent;
        return usbPresent ? SysResult{} : SysResult::failure(ENODEV, "usb failure");
    }
    void closeUsb() override { usbOpen = false; }
    bool usbInUse() const override { return usbOpen; }
    SysResult openSerial(std::string_view name) override {
        EXPECT_FALSE(serialPort) << "a second port opened while " << *serialPort << " is open";
        if (serialPort) {
            return SysResult::failure(EALREADY, "already open");
        }
        auto refused = serialErrors.find(std::string(name));
        if (refused != serialErrors.end()) {
            return SysResult::failure(refused->second, "refused");
        }
        serialPort = std::string(name);
        return {};
    }
    void closeSerial() override { serialPort.reset(); }
    bool serialOpen() const override { return serialPort.has_value(); }
    std::string deviceGroup(std::string_view) const override { return "uucp"; }
    // Only a listed entry can be selected.
    void selectEntry(std::string_view name) override {
        ASSERT_TRUE(portEntries.count(std::string(name))) << name;
        ScriptedPilot::selectEntry(name);
    }

    std::vector<std::string> selectorEntries() const {
        return {portEntries.begin(), portEntries.end()};
    }

  private:
    std::vector<std::string> lastScan_;
};

using Strings = std::vector<std::string>;

// The selection over the fake, started with `saved` as the preference, and with the ports it
// chose kept as the preference would keep them.
PortSelection startedSelection(FakePortHost& host, const std::string& saved) {
    PortSelection selection(host, host, host);
    selection.onPortChosen([&host](std::string_view name) { host.storedPorts.emplace_back(name); });
    selection.fillPortSelectorAtStartup(saved);
    return selection;
}

TEST(PortSelectionTest, PortNamesSortWithoutRegardToLetterCase) {
    struct Row {
        const char* a;
        const char* b;
        bool aFirst;
    };
    const Row rows[] = {
        {"ttyUSB10", "ttyUSB2", true},  // text order, not by number
        {"ttyS0", "USB", true},         // "USB" after the port names, as 't' < 'u'
        {"USB", "ttyUSB2", false},
        {"ttyacm0", "ttyACM1", true},
        {"ttyACM0", "ttyacm0", false},  // equal: neither goes first
        {"ttyS", "ttyS0", true},
        {"ttyS0", "ttyS\xe9", true},  // bytes beyond ASCII after every ASCII one
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.a) + " / " + row.b);
        EXPECT_EQ(portNameBefore(row.a, row.b), row.aFirst);
    }
}

// The gyro buttons stand for an open port.
TEST(PortSelectionTest, StartUpOpensTheSavedPortWithItsTransport) {
    struct Row {
        const char* what;
        std::string saved;
        Strings ports;
        bool usbPresent;
        std::map<std::string, int> refusals;
        std::optional<std::string> selected;
        std::string opened;  // and saved; none: ""
        Strings messages = {};
    };
    const std::string usbFailure = usb_text::withSerialAlternative("usb failure");
    const std::string unableToOpen = "Unable to open serial port";
    const std::map<std::string, int> busy{{"ttyUSB0", EBUSY}};
    const std::vector<Row> rows = {
        {"empty preference", "", {"ttyS0", "ttyUSB0"}, false, {}, {}, ""},
        {"saved port present", "ttyUSB0", {"ttyUSB0", "ttyUSB1"}, false, {}, "ttyUSB0", "ttyUSB0"},
        {"exact name only", "ttyUSB1", {"ttyUSB1", "ttyUSB10"}, false, {}, "ttyUSB1", "ttyUSB1"},
        {"letter case counts", "TTYUSB0", {"ttyUSB0"}, false, {}, {}, ""},
        {"saved port gone", "ttyUSB3", {"ttyUSB0"}, false, {}, {}, ""},
        {"saved USB present", "USB", {"ttyS0"}, true, {}, "USB", "USB"},
        {"saved USB absent, quiet", "USB", {"ttyS0"}, false, {}, "USB", "", {usbFailure}},
        {"saved port refuses", "ttyUSB0", {"ttyUSB0"}, false, busy, "ttyUSB0", "", {unableToOpen}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        FakePortHost host;
        host.portScans = {row.ports};
        host.usbPresent = row.usbPresent;
        host.serialErrors = row.refusals;
        PortSelection selection = startedSelection(host, row.saved);

        Strings expectedEntries = row.ports;
        expectedEntries.emplace_back("USB");
        std::sort(expectedEntries.begin(), expectedEntries.end());
        EXPECT_EQ(host.selectorEntries(), expectedEntries);
        EXPECT_EQ(host.selectedPort, row.selected);
        EXPECT_EQ(selection.savedPort(), row.opened);
        EXPECT_EQ(host.gyroButtonsOn, !row.opened.empty());
        EXPECT_EQ(host.messages, row.messages);
        EXPECT_TRUE(host.storedPorts.empty()) << "start-up never rewrites the preference";
    }
}

TEST(PortSelectionTest, PermissionDeniedExplainsHowToGetAccess) {
    FakePortHost host;
    host.portScans = {{"ttyUSB0"}};
    host.serialErrors = {{"ttyUSB0", EACCES}};
    PortSelection selection = startedSelection(host, "ttyUSB0");
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0], "Unable to open serial port");
    EXPECT_NE(host.messages[1].find("/dev/ttyUSB0"), std::string::npos) << host.messages[1];
    EXPECT_NE(host.messages[1].find("\"uucp\""), std::string::npos) << host.messages[1];
    EXPECT_NE(host.messages[1].find("log in again"), std::string::npos) << host.messages[1];
}

// A Linux pilot always has a way out: the adapter's serial port, which needs no driver; and a
// permission is never sought by joining a group that owns more than serial ports.
TEST(PortSelectionTest, MessagesOfAPortThatWillNotOpenGiveALinuxWayOut) {
    for (const std::string& reason :
         {std::string("Unable to find USB Vexa-Plug"), usb_text::unableToLoad()}) {
        const std::string said = usb_text::withSerialAlternative(reason);
        EXPECT_EQ(said.rfind(reason, 0), 0u) << "the reason first";
        EXPECT_EQ(said.find("ttyUSB0"), said.rfind("ttyUSB0")) << "the way out once: " << said;
        EXPECT_NE(said.find("no extra driver"), std::string::npos);
    }
    const struct {
        const char* group;
        bool joinOffered;
    } groups[] = {{"dialout", true}, {"uucp", true}, {"root", false}, {"", false}, {"tty", false}};
    for (const auto& row : groups) {
        SCOPED_TRACE(row.group);
        const std::string help = port_text::permissionHelp("ttyUSB0", row.group);
        EXPECT_NE(help.find("/usr/lib/udev/rules.d/70-vn340-vexa-plug.rules"), std::string::npos);
        EXPECT_NE(help.find("unplug the adapter and plug it in again"), std::string::npos);
        EXPECT_EQ(help.find("usermod") != std::string::npos, row.joinOffered) << help;
    }
}

TEST(PortSelectionTest, DropDownClosesTheConnectionAndCloseUpReopens) {
    FakePortHost host;
    host.portScans = {{"ttyUSB0"}, {"ttyUSB0", "ttyACM0"}};
    PortSelection selection = startedSelection(host, "ttyUSB0");
    ASSERT_EQ(host.serialPort, "ttyUSB0");

    selection.refreshPortList();
    EXPECT_FALSE(host.serialPort) << "the drop-down closes the port in use";
    EXPECT_EQ(host.gyroButtonsOn, false);
    EXPECT_EQ(host.selectorEntries(), (Strings{"USB", "ttyACM0", "ttyUSB0"}));
    EXPECT_EQ(selection.savedPort(), "ttyUSB0") << "left as it was";

    selection.openSelectedPort();  // closed without a choice
    EXPECT_FALSE(host.serialPort);
    EXPECT_EQ(host.gyroButtonsOn, false);
    EXPECT_EQ(selection.savedPort(), "");
    EXPECT_TRUE(host.storedPorts.empty());

    host.selectEntry("ttyUSB0");
    selection.openSelectedPort();
    EXPECT_EQ(host.serialPort, "ttyUSB0");
    EXPECT_EQ(host.gyroButtonsOn, true);
    EXPECT_EQ(selection.savedPort(), "ttyUSB0");
    EXPECT_EQ(host.storedPorts, Strings{"ttyUSB0"});
}

TEST(PortSelectionTest, ChoosingUsbThatCannotOpenKeepsTheButtons) {
    FakePortHost host;
    host.portScans = {{}, {}};
    PortSelection selection = startedSelection(host, "");
    host.gyroButtonsOn = true;
    host.selectEntry("USB");
    selection.openSelectedPort();
    EXPECT_EQ(host.messages, Strings{"usb failure"}) << "the adapter's own message, not ours";
    EXPECT_EQ(host.gyroButtonsOn, true);
    EXPECT_TRUE(host.storedPorts.empty());

    host.usbPresent = true;
    selection.openSelectedPort();
    EXPECT_TRUE(host.usbOpen);
    EXPECT_EQ(host.storedPorts, Strings{"USB"});
    EXPECT_EQ(selection.savedPort(), "USB");
}

TEST(PortSelectionTest, DetectWizard) {
    const std::string foundUsb0 =
        "Found Vexa-Plug interface on ttyUSB0. \n\nPlug the the Vexa-Plug interface to the "
        "gyro\u2019s communication port. \n\nPress OK";
    const std::string foundUsb =
        "Found Vexa-Plug interface on USB. \n\nPlug the the Vexa-Plug interface to the "
        "gyro\u2019s communication port. \n\nPress OK";
    const std::string notDetected(port_text::kNotDetected);
    const auto C = PromptAnswer::Continue;
    const auto A = PromptAnswer::Abort;
    const auto E = PromptAnswer::Escape;
    struct Row {
        const char* what;
        std::deque<PromptAnswer> answers;
        Strings before, after;
        bool usbPresent;
        Strings messages;
        std::string chosen = {};  // the selector's one entry, opened and kept; none: "", no entry
    };
    const std::vector<Row> rows = {
        {"one new port", {C, C}, {"ttyS0"}, {"ttyS0", "ttyUSB0"}, false, {foundUsb0}, "ttyUSB0"},
        {"one port where there was none", {C, C}, {}, {"ttyUSB0"}, false, {foundUsb0}, "ttyUSB0"},
        {"two new ports", {C, C}, {"ttyS0"}, {"ttyS0", "ttyUSB0", "ttyUSB1"}, false, {notDetected}},
        {"no new port", {C, C}, {"ttyS0"}, {"ttyS0"}, false, {notDetected}},
        {"one out, one in", {C, C}, {"ttyS0", "ttyS1"}, {"ttyS0", "ttyUSB0"}, false, {notDetected}},
        {"USB adapter first", {C, C}, {"ttyS0"}, {"ttyS0", "ttyUSB0"}, true, {foundUsb}, "USB"},
        {"abort at the second question", {C, A}, {"ttyS0"}, {"ttyS0", "ttyUSB0"}, false, {}},
        {"escape at the second question", {C, E}, {"ttyS0"}, {"ttyS0", "ttyUSB0"}, false, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        FakePortHost host;
        host.portScans = {{"ttyS0"}, row.before, row.after};
        PortSelection selection = startedSelection(host, "ttyS0");
        host.usbPresent = row.usbPresent;
        host.answers = row.answers;
        selection.detectAdapterPort();

        const bool chosen = !row.chosen.empty();
        const bool usb = row.chosen == "USB";
        EXPECT_EQ(host.messages, row.messages);
        EXPECT_EQ(host.selectorEntries(), chosen ? Strings{row.chosen} : Strings{});
        EXPECT_EQ(host.serialPort, chosen && !usb ? std::optional(row.chosen) : std::nullopt);
        EXPECT_EQ(host.usbOpen, usb);
        EXPECT_EQ(host.storedPorts, chosen ? Strings{row.chosen} : Strings{});
        EXPECT_EQ(host.gyroButtonsOn, chosen);
        EXPECT_TRUE(host.answers.empty()) << "every scripted answer was asked for";
    }
}

TEST(PortSelectionTest, AbortAtTheFirstQuestionChangesNothing) {
    FakePortHost host;
    host.portScans = {{"ttyS0", "ttyUSB0"}};
    PortSelection selection = startedSelection(host, "ttyUSB0");
    host.answers = {PromptAnswer::Abort};
    selection.detectAdapterPort();
    EXPECT_EQ(host.serialPort, "ttyUSB0");
    EXPECT_EQ(host.selectedPort, "ttyUSB0");
    EXPECT_EQ(host.selectorEntries(), (Strings{"USB", "ttyS0", "ttyUSB0"}));
    EXPECT_EQ(host.events, Strings{"prompt:" + std::string(port_text::kUnplug)}) << "one question";
}

// Escape at the first question skips the listing: the ports listed last are the "before" list.
// Whatever is still open is closed before the comparison, so the old port neither hides the
// new one nor keeps it from opening, and the USB adapter is really looked for.
TEST(PortSelectionTest, EscapeAtTheFirstQuestionComparesWithTheLastList) {
    struct Row {
        const char* what;
        std::string saved;
        std::deque<Strings> scans;  // start-up, then after plugging in
        bool dropDownFirst;
        bool usbAtStart;
    };
    const std::vector<Row> rows = {
        {"after a drop-down", "", {{"ttyS0"}, {"ttyS0"}, {"ttyS0", "ttyUSB0"}}, true, false},
        {"the list of start-up, its port open",
         "ttyUSB0",
         {{"ttyUSB0"}, {"ttyUSB0", "ttyUSB1"}},
         false,
         false},
        {"the USB adapter in use", "USB", {{"ttyS0"}, {"ttyS0", "ttyUSB1"}}, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        FakePortHost host;
        host.portScans = row.scans;
        host.usbPresent = row.usbAtStart;
        PortSelection selection = startedSelection(host, row.saved);
        if (row.dropDownFirst) {
            selection.refreshPortList();
            selection.openSelectedPort();
        }
        host.usbPresent = false;  // the pilot plugs in a serial adapter
        host.answers = {PromptAnswer::Escape, PromptAnswer::Continue};
        selection.detectAdapterPort();

        const std::string found = row.scans.back().back();
        EXPECT_EQ(host.messages, Strings{port_text::found(found)});
        EXPECT_EQ(host.serialPort, found);
        EXPECT_FALSE(host.usbOpen);
        EXPECT_EQ(host.storedPorts, Strings{found});
        EXPECT_EQ(host.gyroButtonsOn, true);
    }
}

// The wizard has the pilot pull the adapter out and plug one in: it looks for itself, and the
// system's news of the same comes while its questions are open.
TEST(PortSelectionTest, DetectWizardIsNotTakenForAnAdapterLost) {
    for (const std::string& saved : {std::string("ttyUSB0"), std::string("USB")}) {
        SCOPED_TRACE(saved);
        FakePortHost host;
        host.portScans = {{"ttyUSB0"}, {}, {"ttyUSB0"}};
        host.usbPresent = saved == "USB";
        PortSelection selection = startedSelection(host, saved);
        int lost = 0;
        selection.onAdapterLost([&] { return ++lost, false; });
        host.whileOpen = [&] {
            if (host.events.back().rfind("prompt:", 0) != 0) {
                return;  // the news comes while a question is open
            }
            selection.usbAdapterRemoved();
            selection.portRemoved("ttyUSB0");
            selection.portAdded("ttyUSB0");
            selection.usbAdapterAdded();
        };
        host.usbPresent = false;
        host.answers = {PromptAnswer::Continue, PromptAnswer::Continue};
        selection.detectAdapterPort();
        EXPECT_EQ(lost, 0);
        EXPECT_EQ(host.messages, Strings{port_text::found("ttyUSB0")});
        EXPECT_EQ(host.serialPort, "ttyUSB0");
    }
}

}  // namespace
}  // namespace vn340
