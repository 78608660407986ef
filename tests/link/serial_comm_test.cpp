// The serial ports of the registry's list, offered by port discovery as the kernel's ttys are:
// from a scripted list here, from the registry itself in serial_comm_registry_test.cpp.

#include "link/serial_comm.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "link/port_discovery.h"

namespace vn340 {
namespace {

class ScriptedSerialComm final : public SerialCommSource {
  public:
    ScriptedSerialComm(std::vector<SerialCommEntry> entries, SysResult result)
        : entries_(std::move(entries)), result_(std::move(result)) {}
    SysResult entries(std::vector<SerialCommEntry>& entries) override {
        entries = entries_;
        return result_;
    }

  private:
    std::vector<SerialCommEntry> entries_;
    SysResult result_;
};

SysResult listed(std::vector<SerialCommEntry> entries, std::vector<std::string>& names,
                 SysResult result = {}) {
    const auto ttys = serialCommTtyClass(
        std::make_unique<ScriptedSerialComm>(std::move(entries), std::move(result)));
    names.clear();
    return enumerateSerialPorts(
        [&](const PortInfo& port) {
            names.push_back(port.portName);
            return true;
        },
        *ttys);
}

// In plain text order, as the selector has always shown them: "COM10" before "COM2".
TEST(SerialCommListing, EveryListedPortOnceInPlainTextOrder) {
    std::vector<std::string> names;
    EXPECT_TRUE(listed({{"\\Device\\VCP0", "COM5"},
                        {"\\Device\\Serial0", "COM1"},
                        {"\\Device\\USBSER000", "COM10"},
                        {"\\Device\\Serial1", ""},
                        {"\\Device\\VCP1", "COM2"},
                        {"\\Device\\VCP2", "COM5"}},
                       names));
    EXPECT_EQ(names, (std::vector<std::string>{"COM1", "COM10", "COM2", "COM5"}));
}

TEST(SerialCommListing, AListingThatBrokeOffOffersWhatItFoundAndSaysSo) {
    std::vector<std::string> names;
    const SysResult result =
        listed({{"\\Device\\VCP0", "COM3"}}, names, SysResult::failure(EIO, "broke off"));
    EXPECT_EQ(result.error, EIO);
    EXPECT_EQ(names, std::vector<std::string>{"COM3"});
    EXPECT_TRUE(listed({}, names));
    EXPECT_TRUE(names.empty());
}

}  // namespace
}  // namespace vn340
