// WM_DEVICECHANGE's broadcasts as Windows sends them, played as a script: which of them are
// the program's device events, and which concern the Vexa-Plug.

#include "link/device_broadcasts_windows.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <cwctype>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vn340 {
namespace {

// A broadcast as the system lays it out: the structure, then the name where its last member
// starts; `size` is what the header says of the whole.
class Broadcast {
  public:
    static Broadcast port(const std::wstring& name) {
        return Broadcast(DBT_DEVTYP_PORT, offsetof(DEV_BROADCAST_PORT_W, dbcp_name), name);
    }
    static Broadcast device(const std::wstring& path, const GUID& kind = kUsbDeviceInterface) {
        Broadcast made(DBT_DEVTYP_DEVICEINTERFACE,
                       offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name), path);
        std::memcpy(made.bytes_.data() + offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_classguid),
                    &kind, sizeof kind);
        return made;
    }
    // The name fills the structure to its end, with no NUL after it: what follows in memory
    // is no part of it.
    Broadcast& withoutNul() {
        header()->dbch_size -= sizeof(wchar_t);
        const wchar_t odd = L'X';
        std::memcpy(bytes_.data() + header()->dbch_size, &odd, sizeof odd);
        return *this;
    }
    LPARAM lParam() { return reinterpret_cast<LPARAM>(bytes_.data()); }

  private:
    Broadcast(DWORD type, std::size_t nameAt, const std::wstring& name)
        : bytes_(nameAt + (name.size() + 1) * sizeof(wchar_t) + 16, 0) {
        std::memcpy(bytes_.data() + nameAt, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
        header()->dbch_size = static_cast<DWORD>(nameAt + (name.size() + 1) * sizeof(wchar_t));
        header()->dbch_devicetype = type;
    }
    DEV_BROADCAST_HDR* header() { return reinterpret_cast<DEV_BROADCAST_HDR*>(bytes_.data()); }

    // Wide enough and aligned for every structure.
    std::vector<unsigned char> bytes_;
};

constexpr const wchar_t* kPlug =
    L"\\\\?\\USB#VID_0403&PID_6001#A1B2C3#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
constexpr const wchar_t* kOther =
    L"\\\\?\\USB#VID_0403&PID_6015#Z9#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
constexpr const wchar_t* kMouse =
    L"\\\\?\\USB#VID_046D&PID_C077#5&1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

std::string narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

class DeviceBroadcastsTest : public ::testing::Test {
  protected:
    // The device manager knows a device only while it is there.
    std::map<std::string, std::string> present{{narrow(kPlug), "Vexa-Plug"},
                                               {narrow(kOther), "FT231X USB UART"},
                                               {narrow(kMouse), "USB Receiver"}};
    DeviceBroadcasts broadcasts{[this](const std::string& path) {
        const auto found = present.find(path);
        return found != present.end() ? found->second : std::string();
    }};
};

TEST_F(DeviceBroadcastsTest, OnlyTheVexaPlugsOwnArrivalsAndRemovalsConcernIt) {
    struct Step {
        const char* what;
        WPARAM change;
        Broadcast broadcast;
        std::optional<DeviceEvent::Action> action;  // none: no event
        bool vexaPlug;
        const char* vendor;
    };
    using A = DeviceEvent::Action;
    broadcasts.present(narrow(kPlug));
    present.erase(narrow(kPlug));  // pulled out from here on
    Step script[] = {
        {"the Vexa-Plug, present at the start, removed", DBT_DEVICEREMOVECOMPLETE,
         Broadcast::device(kPlug), A::Removed, true, "0403"},
        {"a late echo of its removal", DBT_DEVICEREMOVECOMPLETE, Broadcast::device(kPlug),
         A::Removed, false, "0403"},
        {"another FTDI device arriving", DBT_DEVICEARRIVAL, Broadcast::device(kOther), A::Added,
         false, "0403"},
        {"a mouse, its vendor in capitals in the path", DBT_DEVICEARRIVAL,
         Broadcast::device(kMouse), A::Added, false, "046d"},
        {"a removal asked about, not done", DBT_DEVICEQUERYREMOVE, Broadcast::device(kOther),
         std::nullopt, false, ""},
        {"a device of another interface class", DBT_DEVICEARRIVAL,
         Broadcast::device(
             kPlug,
             GUID{0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}}),
         std::nullopt, false, ""},
    };
    for (Step& step : script) {
        SCOPED_TRACE(step.what);
        const std::optional<DeviceEvent> event =
            broadcasts.event(step.change, step.broadcast.lParam());
        ASSERT_EQ(event.has_value(), step.action.has_value());
        if (!event) {
            continue;
        }
        EXPECT_EQ(event->action, *step.action);
        EXPECT_EQ(event->kind, DeviceEvent::Kind::UsbDevice);
        EXPECT_EQ(event->vendorId, step.vendor);
        EXPECT_EQ(concernsUsbAdapter(*event, "0403", "Vexa-Plug"), step.vexaPlug);
    }
}

// Arriving, the device says what it is; removed, it is known by what it said, under its path
// in whatever letter case the removal gives it.
TEST_F(DeviceBroadcastsTest, APlugThatArrivedIsKnownAtItsRemoval) {
    const auto arrived = broadcasts.event(DBT_DEVICEARRIVAL, Broadcast::device(kPlug).lParam());
    ASSERT_TRUE(arrived);
    EXPECT_TRUE(concernsUsbAdapter(*arrived, "0403", "Vexa-Plug"));
    EXPECT_EQ(arrived->name, narrow(kPlug));
    present.clear();
    std::wstring lower = kPlug;
    for (wchar_t& c : lower) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    const auto removed =
        broadcasts.event(DBT_DEVICEREMOVECOMPLETE, Broadcast::device(lower).lParam());
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->action, DeviceEvent::Action::Removed);
    EXPECT_TRUE(concernsUsbAdapter(*removed, "0403", "Vexa-Plug"));
}

TEST_F(DeviceBroadcastsTest, SerialPortsComeAndGoByTheirNames) {
    const auto added = broadcasts.event(DBT_DEVICEARRIVAL, Broadcast::port(L"COM7").lParam());
    ASSERT_TRUE(added);
    EXPECT_EQ(added->kind, DeviceEvent::Kind::SerialPort);
    EXPECT_EQ(added->action, DeviceEvent::Action::Added);
    EXPECT_EQ(added->name, "COM7");
    const auto removed =
        broadcasts.event(DBT_DEVICEREMOVECOMPLETE, Broadcast::port(L"COM7").lParam());
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->action, DeviceEvent::Action::Removed);
    EXPECT_EQ(removed->name, "COM7");
}

// The name is read only as far as the broadcast says it goes.
TEST_F(DeviceBroadcastsTest, ANameWithoutItsNulEndsWithTheBroadcast) {
    const auto port =
        broadcasts.event(DBT_DEVICEARRIVAL, Broadcast::port(L"COM12").withoutNul().lParam());
    ASSERT_TRUE(port);
    EXPECT_EQ(port->name, "COM12");
    EXPECT_FALSE(broadcasts.event(DBT_DEVICEARRIVAL, Broadcast::port(L"").lParam()))
        << "a port without a name";
    EXPECT_FALSE(broadcasts.event(DBT_DEVICEARRIVAL, 0)) << "no broadcast at all";
}

// The device manager has nothing to say of a device it does not know (Wine knows none).
TEST(DeviceManager, AnUnknownDeviceHasNoDescription) {
    EXPECT_EQ(busReportedDescription(narrow(kPlug)), "");
    for (const std::string& path : presentUsbDevices()) {
        EXPECT_NE(path.find("USB"), std::string::npos) << path;
    }
}

}  // namespace
}  // namespace vn340
