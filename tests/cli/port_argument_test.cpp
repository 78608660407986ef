// --port by a port's name or by the path of its device: the name the transports open.

#include "cli/port_argument.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_folder.h"

namespace vn340 {
namespace {

namespace fs = std::filesystem;

TEST(PortArgument, APathBecomesTheListedPortItLeadsToOrElseTheDeviceItself) {
    const testing::TempFolder root;
    ASSERT_TRUE(root.made());
    for (const char* folder : {"dev", "by-id", "elsewhere"})
        fs::create_directories(root.path() / folder);
    for (const char* device : {"dev/ttyVN0", "dev/ttyVN1", "elsewhere/pty"})
        std::ofstream(root.path() / device) << "";
    fs::create_symlink("../dev/ttyVN1", root.at("by-id/usb-FTDI_Vexa-Plug-if00-port0"));
    fs::create_symlink("../elsewhere/pty", root.at("by-id/pty"));
    struct Row {
        const char* what;
        std::string port;
        std::string name;
        bool listed;
    };
    const Row rows[] = {
        {"a name, as the window lists it", "ttyUSB0", "ttyUSB0", true},
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
