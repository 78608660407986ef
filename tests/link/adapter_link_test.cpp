// The adapter link between a recording view and the transports: a pseudo-terminal for the
// serial port, a double of the D2XX library for the USB adapter, and doubles of the system
// where the test needs a refusal the system would not give.

#include <gtest/gtest.h>

#include <QObject>
#include <QTest>

#include <cerrno>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/memory_file_system.h"
#include "fake_d2xx_library.h"
#include "link/adapter_link.h"
#include "link/qt_owner_thread.h"
#include "link/system_transports.h"
#include "pass_through_ports.h"
#include "pty.h"
#include "support/scripted_pilot.h"

namespace vn340 {
namespace {

using test::FakeD2xxLibrary;
using test::Pty;

// Answers who owns a device.
struct GroupFiles : MemoryFileSystem {
    std::vector<std::string> asked;
    std::string ownerGroup(const std::string& path) override {
        asked.push_back(path);
        return "uucp";
    }
};

// Every device refuses this user.
struct RefusingPorts : test::PassThroughPorts {
    SysResult openDevice(const std::string&, int*) override {
        return SysResult::failure(EACCES, "permission denied");
    }
};

// The ports the system offers now; the test plugs and pulls them.
struct ListedTtys : TtyClass {
    std::vector<std::string> listed;
    SysResult names(std::vector<std::string>& names) override {
        names = listed;
        return {};
    }
    bool hasDriver(const std::string&) override { return true; }
    std::optional<std::string> type(const std::string&) override { return std::nullopt; }
    bool hasResources(const std::string&) override { return false; }
    std::string bus(const std::string&) override { return "usb-serial"; }
};

// The system's device events, played by the test as they would come.
class ScriptedDeviceEvents : public DeviceEvents {
  public:
    SysResult start(Handler handler) override {
        handler_ = std::move(handler);
        return {};
    }
    void stop() override { handler_ = nullptr; }
    void play(DeviceEvent::Action action, DeviceEvent::Kind kind, std::string name,
              std::string product = {}) {
        ASSERT_TRUE(handler_) << "nobody listens";
        const bool vexaPlug = !product.empty();
        handler_(DeviceEvent{action, kind, std::move(name), vexaPlug ? "0403" : "", product});
    }

  private:
    Handler handler_;
};

constexpr auto kAdded = DeviceEvent::Action::Added;
constexpr auto kRemoved = DeviceEvent::Action::Removed;
constexpr auto kTty = DeviceEvent::Kind::SerialPort;
constexpr auto kUsb = DeviceEvent::Kind::UsbDevice;

// The folder a pseudo-terminal is in stands in for /dev.
std::string folderOf(const std::string& path) {
    return path.substr(0, path.rfind('/') + 1);
}
std::string nameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

class AdapterLinkTest : public ::testing::Test {
  protected:
    // A link over the system's transports on `ports`, listing `ttyList` (none: no ports),
    // with the device events given.
    AdapterLink& makeLink(PortSystem& ports, std::string deviceFolder = "/made-up/dev/",
                          TtyClass* ttyList = nullptr, DeviceEvents* events = nullptr,
                          D2xxLibrary* d2xx = nullptr) {
        link_.reset();
        transports_ = std::make_unique<SystemTransports>(
            view, std::make_unique<QtOwnerThread>(&context),
            LinkSeams{ports, ttyList != nullptr ? *ttyList : *ttys,
                      d2xx != nullptr ? *d2xx : library, files, std::move(deviceFolder)});
        link_ = std::make_unique<AdapterLink>(view, view, *transports_, events);
        return *link_;
    }
    void TearDown() override {
        link_.reset();
        transports_.reset();
    }

    testing::ScriptedPilot view;
    QObject context;
    FakeD2xxLibrary library;
    GroupFiles files;
    std::unique_ptr<TtyClass> ttys = sysfsTtyClass("/nonexistent/vn340/class/tty");
    std::unique_ptr<SystemTransports> transports_;
    std::unique_ptr<AdapterLink> link_;
};

TEST_F(AdapterLinkTest, FramesGoThroughTheTransportInUseAndRepliesComeBack) {
    for (const bool usb : {false, true}) {
        SCOPED_TRACE(usb ? "USB adapter" : "serial port");
        Pty line;
        ASSERT_TRUE(line.ok());
        FakeD2xxLibrary adapter;
        AdapterLink& link =
            makeLink(systemPortSystem(), folderOf(line.path()), nullptr, nullptr, &adapter);
        std::string received;
        link.onTextReceived([&](std::string_view text) { received += text; });
        view.selectedPort = usb ? std::string("USB") : nameOf(line.path());
        link.openSelectedPort();
        ASSERT_EQ(link.transport(), usb ? Transport::Usb : Transport::Serial);

        link.sendFrame("000801F7aa");
        EXPECT_EQ(usb ? adapter.written : line.receive(10), "000801F7aa");
        if (usb) {
            adapter.arrive("000801F7.0340");
        } else {
            ASSERT_TRUE(line.send("000801F7.0340"));
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() >= 13; }, 5000));
        EXPECT_EQ(received, "000801F7.0340");

        link.close();
        EXPECT_EQ(link.transport(), Transport::None);
        link.sendFrame("more");
        EXPECT_EQ(adapter.written, usb ? "000801F7aa" : "") << "nothing after the close";
        EXPECT_EQ(line.receive(4, 0), "");
        TearDown();  // before this round's adapter goes
    }
}

TEST_F(AdapterLinkTest, RefusedSerialPortNamesTheDevicesOwnerGroup) {
    RefusingPorts refusing;
    AdapterLink& link = makeLink(refusing);
    view.selectedPort = "ttyUSB0";
    link.openSelectedPort();
    EXPECT_EQ(link.transport(), Transport::None);
    EXPECT_EQ(files.asked, std::vector<std::string>{"/made-up/dev/ttyUSB0"});
    EXPECT_EQ(view.messages,
              (std::vector<std::string>{std::string(port_text::kUnableToOpen),
                                        port_text::permissionHelp("ttyUSB0", "uucp")}));
    // The two ways in: the owner's group, and the rule the package installs.
    const std::string& help = view.messages.back();
    EXPECT_NE(help.find("usermod -aG uucp"), std::string::npos) << help;
    EXPECT_NE(help.find("/usr/lib/udev/rules.d/70-vn340-vexa-plug.rules"), std::string::npos)
        << help;
}

TEST_F(AdapterLinkTest, UsbAdapterWithoutNotificationIsClosedAgain) {
    library.failing[D2xxEntry::SetEventNotification] = d2xx::kFtIoError;
    AdapterLink& link = makeLink(systemPortSystem());
    view.selectedPort = "USB";
    view.gyroButtonsOn = false;
    std::vector<std::string> chosen;
    link.onPortChosen([&](std::string_view name) { chosen.emplace_back(name); });
    link.openSelectedPort();
    EXPECT_EQ(view.systemMessages,
              std::vector<std::string>{std::string(usb_text::kNotificationNotValid)});
    EXPECT_EQ(link.transport(), Transport::None);
    EXPECT_FALSE(library.deviceOpen);
    EXPECT_FALSE(library.loaded);
    EXPECT_EQ(view.gyroButtonsOn, false);
    EXPECT_TRUE(chosen.empty());
}

class AdapterLinkDevicesTest : public AdapterLinkTest {
  protected:
    AdapterLink& watchingLink(std::string deviceFolder) {
        return makeLink(systemPortSystem(), std::move(deviceFolder), &listed, &events);
    }

    ListedTtys listed;
    ScriptedDeviceEvents events;
};

TEST_F(AdapterLinkDevicesTest, PluggedPortsJoinTheListAndPulledOnesLeaveIt) {
    listed.listed = {"ttyUSB0"};
    AdapterLink& link = watchingLink("/made-up/dev/");
    link.fillPortSelectorAtStartup("");

    listed.listed = {"ttyUSB0", "ttyUSB1"};
    events.play(kAdded, kTty, "ttyUSB1");
    events.play(kAdded, kTty, "tty5");  // a console: the system does not offer it
    EXPECT_EQ(view.portEntries, (std::set<std::string>{"USB", "ttyUSB0", "ttyUSB1"}));

    listed.listed = {"ttyUSB1"};
    events.play(kRemoved, kTty, "ttyUSB0");
    EXPECT_EQ(view.portEntries, (std::set<std::string>{"USB", "ttyUSB1"}));
    EXPECT_TRUE(view.messages.empty());
}

// However the adapter goes, the pilot hears of it once: from the sequence it ended, or else
// from the link. Its entry stays selected, and when it is back it is open again.
TEST_F(AdapterLinkDevicesTest, PulledOutAdapterIsClosedToldOnceAndOpenedWhenBack) {
    enum class How { TtyEvent, HangUp, UsbEvent };
    struct Row {
        const char* what;
        How how;
        bool sequenceRunning;
    };
    const Row rows[] = {
        {"serial port, idle", How::TtyEvent, false},
        {"serial port, during a read", How::TtyEvent, true},
        {"serial port hangs up first", How::HangUp, false},
        {"USB, idle", How::UsbEvent, false},
        {"USB, during a read", How::UsbEvent, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        view = testing::ScriptedPilot{};
        Pty line;
        ASSERT_TRUE(line.ok());
        const bool usb = row.how == How::UsbEvent;
        const std::string port = usb ? "USB" : nameOf(line.path());
        listed.listed = {nameOf(line.path())};
        AdapterLink& link = watchingLink(folderOf(line.path()));
        link.fillPortSelectorAtStartup(port);
        ASSERT_EQ(link.transport(), usb ? Transport::Usb : Transport::Serial);
        int lost = 0;
        link.onAdapterLost([&] {
            ++lost;
            EXPECT_EQ(link.transport(), Transport::None) << "closed before anyone is told";
            return row.sequenceRunning;
        });

        // A Vexa-Plug on a serial port is a USB device too: both go, in either order.
        listed.listed.clear();
        if (row.how == How::HangUp) {
            line.closeMaster();
            ASSERT_TRUE(QTest::qWaitFor([&] { return lost != 0; }, 5000));
        }
        events.play(kRemoved, kUsb, "1-1", "Vexa-Plug");
        events.play(kRemoved, kTty, nameOf(line.path()));

        EXPECT_EQ(link.transport(), Transport::None);
        EXPECT_FALSE(library.deviceOpen);
        EXPECT_EQ(view.gyroButtonsOn, false);
        EXPECT_EQ(lost, 1);
        EXPECT_EQ(view.messages, row.sequenceRunning
                                     ? std::vector<std::string>{}
                                     : std::vector<std::string>{port_text::adapterGone(port)});
        EXPECT_EQ(view.selectedPort, port);
        EXPECT_TRUE(view.portEntries.count(port));
        if (row.how == How::HangUp) {
            continue;  // a pseudo-terminal does not come back
        }

        listed.listed = {nameOf(line.path())};
        events.play(kAdded, kUsb, "1-1", "Vexa-Plug");
        events.play(kAdded, kTty, nameOf(line.path()));
        EXPECT_EQ(link.transport(), usb ? Transport::Usb : Transport::Serial);
        EXPECT_EQ(view.gyroButtonsOn, true);
        EXPECT_EQ(view.statuses, std::vector<std::string>{port_text::adapterBack(port)});
        EXPECT_EQ(view.selectedPort, port);
        EXPECT_EQ(link.savedPort(), port);
        link.sendFrame("000801F7aa");
        EXPECT_EQ(usb ? library.written : line.receive(10), "000801F7aa");
        library.written.clear();
    }
}

}  // namespace
}  // namespace vn340
