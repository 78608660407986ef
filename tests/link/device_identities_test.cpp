// The kernel's device events as udev reports them, played as a script: which of them concern
// the Vexa-Plug, arriving or going.

#include "link/device_identities.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <utility>

namespace vn340 {
namespace {

constexpr const char* kHub = "/devices/pci0000:00/0000:00:14.0/usb1/";

// A USB device event; `said` is what the device reports of itself (only while it is there),
// `kept` what udev keeps of it (vendor, kernel product, model), also at its removal.
UdevFacts usb(const char* action, const char* port, std::pair<const char*, const char*> said,
              std::array<const char*, 3> kept = {"", "", ""}) {
    return {action,     "usb",      port,      std::string(kHub) + port, said.first, said.second,
            kept.at(0), kept.at(1), kept.at(2)};
}
UdevFacts tty(const char* action, const char* name) {
    return {action, "tty", name, std::string(kHub) + "1-3/1-3:1.0/" + name, {}, {}, {}, {}, {}};
}

constexpr std::pair<const char*, const char*> kVexaPlug{"0403", "Vexa-Plug"};
constexpr std::pair<const char*, const char*> kOtherFtdi{"0403", "FT232R USB UART"};
constexpr std::pair<const char*, const char*> kNothing{"", ""};

TEST(DeviceIdentities, OnlyTheVexaPlugsOwnArrivalsAndRemovalsConcernIt) {
    struct Step {
        const char* what;
        UdevFacts facts;
        // None: no event at all.
        std::optional<DeviceEvent::Action> action;
        bool vexaPlug;
    };
    using A = DeviceEvent::Action;
    const Step script[] = {
        {"another FTDI device removed while the Vexa-Plug stays",
         usb("remove", "1-2", kNothing, {"", "403/6001/600", "FT232R_USB_UART"}), A::Removed,
         false},
        {"an FTDI device never seen, removed",
         usb("remove", "1-4", kNothing, {"", "403/6015/1000", ""}), A::Removed, false},
        {"its serial port removed", tty("remove", "ttyUSB1"), A::Removed, false},
        {"the Vexa-Plug changes", usb("change", "1-1", kVexaPlug), std::nullopt, false},
        {"the Vexa-Plug removed, saying nothing", usb("remove", "1-1", kNothing), A::Removed, true},
        {"the Vexa-Plug plugged in again", usb("add", "1-1", kVexaPlug), A::Added, true},
        {"and removed again", usb("remove", "1-1", kNothing), A::Removed, true},
        {"a late echo of its removal", usb("remove", "1-1", kNothing), A::Removed, false},
        {"a Vexa-Plug known so far only by what udev keeps",
         usb("add", "1-5", kNothing, {"0403", "", "Vexa-Plug"}), A::Added, true},
        {"another FTDI device arriving", usb("add", "1-2", kOtherFtdi), A::Added, false},
    };
    DeviceIdentities identities;
    // Plugged in before the watch began.
    identities.present(usb("", "1-1", kVexaPlug));
    identities.present(usb("", "1-2", kOtherFtdi));
    for (const Step& step : script) {
        SCOPED_TRACE(step.what);
        const std::optional<DeviceEvent> event = identities.event(step.facts);
        ASSERT_EQ(event.has_value(), step.action.has_value());
        if (!event) {
            continue;
        }
        EXPECT_EQ(event->action, *step.action);
        EXPECT_EQ(event->name, step.facts.sysname);
        EXPECT_EQ(event->kind, step.facts.subsystem == "tty" ? DeviceEvent::Kind::SerialPort
                                                             : DeviceEvent::Kind::UsbDevice);
        EXPECT_EQ(concernsUsbAdapter(*event, "0403", "Vexa-Plug"), step.vexaPlug);
    }
}

}  // namespace
}  // namespace vn340
