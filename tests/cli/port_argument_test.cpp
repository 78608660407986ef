// --port by a port's name or by the path of its device: the name the transports open.

#include "cli/port_argument.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_folder.h"

namespace vn340 {
namespace {

namespace fs = std::filesystem;

TEST(PortArgument, ANameIsTakenAsItIsAndWindowsDeviceNamespaceIsDropped) {
    const struct {
        std::string port;
        std::string name;
    } rows[] = {
        {"ttyUSB0", "ttyUSB0"},  // as the window lists it
        {"COM5", "COM5"},
        {"\\\\.\\COM12", "COM12"},  // Windows' name of a port past COM9
        {"\\\\.\\", "\\\\.\\"},     // the device folder alone: no port in it to take
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.port);
        const std::optional<PortChoice> choice = choosePort(row.port, "/dev/", {"ttyS0"});
        ASSERT_TRUE(choice);
        EXPECT_EQ(choice->name, row.name);
        EXPECT_TRUE(choice->listed);
    }
}

TEST(PortArgument, APathBecomesTheListedPortItLeadsToOrElseTheDeviceItself) {
#ifdef _WIN32
    GTEST_SKIP() << "the adapter's links under /dev/serial are Linux's";
#endif
    const testing::TempFolder root;
    ASSERT_TRUE(root.made());
    for (const char* folder : {"dev", "by-id", "elsewhere"}) {
        fs::create_directories(root.path() / folder);
    }
    for (const char* device : {"dev/ttyVN0", "dev/ttyVN1", "elsewhere/pty"}) {
        std::ofstream(root.path() / device) << "";
    }
    fs::create_symlink("../dev/ttyVN1", root.at("by-id/usb-FTDI_Vexa-Plug-if00-port0"));
    fs::create_symlink("../elsewhere/pty", root.at("by-id/pty"));
    struct Row {
        const char* what;
        std::string port;
        std::string name;
        bool listed;
    };
    const Row rows[] = {
        {"a link to a listed port", root.at("by-id/usb-FTDI_Vexa-Plug-if00-port0"), "ttyVN1", true},
        // Named from the device folder, which the transports put before it.
        {"a link to a device no list shows", root.at("by-id/pty"), "../elsewhere/pty", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::optional<PortChoice> choice =
            choosePort(row.port, root.at("dev") + "/", {"ttyVN0", "ttyVN1"});
        ASSERT_TRUE(choice);
        EXPECT_EQ(choice->name, row.name);
        EXPECT_EQ(choice->listed, row.listed);
    }
}

}  // namespace
}  // namespace vn340
