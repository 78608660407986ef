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
    const fs::path& r = root.path();
    for (const char* folder : {"dev/pts", "by-id", "elsewhere"})
        fs::create_directories(r / folder);
    for (const char* device : {"dev/ttyVN0", "dev/ttyVN1", "dev/pts/3", "elsewhere/pty"})
        std::ofstream(r / device) << "";
    fs::create_symlink("../dev/ttyVN1", r / "by-id" / "usb-FTDI_Vexa-Plug-if00-port0");
    fs::create_symlink("../elsewhere/pty", r / "by-id" / "pty");
    const std::string deviceFolder = (r / "dev").string() + "/";
    const std::vector<std::string> listed = {"ttyVN0", "ttyVN1"};

    struct Row {
        const char* what;
        std::string port;
        bool there;
        bool listed;
        std::string name;  // when listed
    };
    const Row rows[] = {
        {"a name, as the window lists it", "ttyUSB0", true, true, "ttyUSB0"},
        {"the USB adapter", "USB", true, true, "USB"},
        {"a listed port by its path", root.at("dev/ttyVN0"), true, true, "ttyVN0"},
        {"a link to a listed port", root.at("by-id/usb-FTDI_Vexa-Plug-if00-port0"), true, true,
         "ttyVN1"},
        {"a device no list shows, in the device folder", root.at("dev/pts/3"), true, false, ""},
        {"a link to a device outside it", root.at("by-id/pty"), true, false, ""},
        {"a path that leads nowhere", root.at("by-id/usb-FTDI_gone"), false, false, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::optional<PortChoice> choice = choosePort(row.port, deviceFolder, listed);
        ASSERT_EQ(choice.has_value(), row.there);
        if (!choice)
            continue;
        EXPECT_EQ(choice->listed, row.listed);
        if (row.listed)
            EXPECT_EQ(choice->name, row.name);
        else
            EXPECT_TRUE(fs::equivalent(deviceFolder + choice->name, row.port)) << choice->name;
    }
}

}  // namespace
}  // namespace vn340
