// Port discovery over a made-up /sys/class/tty tree.

#include <gtest/gtest.h>

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/port_discovery.h"
#include "support/temp_folder.h"

namespace vn340 {
namespace {

namespace fs = std::filesystem;

class FakeTtyTree {
  public:
    FakeTtyTree() : root_(folder_.path()) {
        fs::create_directories(root_ / "devices" / "drivers" / "ftdi_sio");
        fs::create_directories(root_ / "bus" / "usb-serial");
        fs::create_directories(root_ / "class" / "tty");
    }

    std::string classTty() const { return (root_ / "class" / "tty").string(); }

    // A tty with a device bound to a driver; the driver is a link, as the kernel makes it.
    fs::path port(const std::string& name, const std::string& bus = "") {
        const fs::path tty = root_ / "class" / "tty" / name;
        fs::create_directories(tty / "device");
        fs::create_directory_symlink(root_ / "devices" / "drivers" / "ftdi_sio",
                                     tty / "device" / "driver");
        if (!bus.empty()) {
            fs::create_directories(root_ / "bus" / bus);
            fs::create_directory_symlink(root_ / "bus" / bus, tty / "device" / "subsystem");
        }
        return tty;
    }
    // A tty without a device (a virtual console, a pseudo-terminal).
    void bare(const std::string& name) { fs::create_directories(root_ / "class" / "tty" / name); }

    static void write(const fs::path& file, const std::string& text) {
        std::ofstream(file) << text;
    }

  private:
    testing::TempFolder folder_;
    fs::path root_;
};

std::vector<std::string> names(const std::string& root) {
    return serialPortNames(*sysfsTtyClass(root));
}

SysResult enumerate(const PortCallback& callback, const std::string& root) {
    return enumerateSerialPorts(callback, *sysfsTtyClass(root));
}

// Every port the enumeration offers under `root`, into `found`.
SysResult enumerateAll(const std::string& root, std::vector<PortInfo>& found) {
    return enumerate(
        [&](const PortInfo& port) {
            found.push_back(port);
            return true;
        },
        root);
}

TEST(PortDiscoveryTest, OffersDevicesWithADriverAndRealUartsInSelectorOrder) {
    FakeTtyTree tree;
    tree.port("ttyUSB0", "usb-serial");
    tree.port("ttyUSB10");
    tree.port("ttyUSB2");
    tree.port("ttyACM0", "usb");
    FakeTtyTree::write(tree.port("ttyS0", "platform") / "type", "4\n");  // a 16550A
    FakeTtyTree::write(tree.port("ttyS1") / "type", "0\n");              // registered, no UART
    FakeTtyTree::write(tree.port("ttyS2", "pnp") / "device" / "resources", "io 0x3e8-0x3ef\n");
    tree.port("ttyS3");  // neither a type nor resources
    tree.bare("tty0");
    tree.bare("console");
    tree.bare("ptmx");

    EXPECT_EQ(names(tree.classTty()), (std::vector<std::string>{"ttyACM0", "ttyS0", "ttyS2",
                                                                "ttyUSB0", "ttyUSB10", "ttyUSB2"}));
}

TEST(PortDiscoveryTest, ReportsTheBusAsEnumeratorAndTheNameAsFriendlyName) {
    FakeTtyTree tree;
    tree.port("ttyUSB0", "usb-serial");
    tree.port("ttyACM0");
    std::vector<PortInfo> found;
    EXPECT_TRUE(enumerateAll(tree.classTty(), found));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].portName, "ttyACM0");
    EXPECT_EQ(found[0].friendlyName, "ttyACM0");
    EXPECT_EQ(found[0].enumeratorName, "");
    EXPECT_EQ(found[1].portName, "ttyUSB0");
    EXPECT_EQ(found[1].enumeratorName, "usb-serial");
}

TEST(PortDiscoveryTest, DanglingDriverLinkIsNoDriver) {
    FakeTtyTree tree;
    const fs::path tty = tree.port("ttyUSB0");
    fs::remove(tty / "device" / "driver");
    fs::create_directory_symlink(tty / "nowhere", tty / "device" / "driver");
    EXPECT_TRUE(names(tree.classTty()).empty());
}

TEST(PortDiscoveryTest, StopsWhenTheCallbackSaysSo) {
    FakeTtyTree tree;
    for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyUSB2"}) {
        tree.port(name);
    }
    std::vector<std::string> seen;
    EXPECT_TRUE(enumerate(
        [&](const PortInfo& port) {
            seen.push_back(port.portName);
            return seen.size() < 2;
        },
        tree.classTty()));
    EXPECT_EQ(seen, (std::vector<std::string>{"ttyUSB0", "ttyUSB1"}));
}

TEST(PortDiscoveryTest, NoCallbackFailsWithInvalidArgument) {
    EXPECT_EQ(enumerate(PortCallback{}, "/nonexistent").error, EINVAL);
}

TEST(PortDiscoveryTest, UnlistableTtyClassFailsWithTheSystemsError) {
    FakeTtyTree tree;
    const std::string notAFolder = tree.classTty() + "/../not-a-folder";
    FakeTtyTree::write(notAFolder, "");
    std::vector<PortInfo> found;
    EXPECT_EQ(enumerateAll(notAFolder, found).error, ENOTDIR);
    EXPECT_EQ(found.size(), 0u);
}

TEST(PortDiscoveryTest, MissingTtyClassMeansNoPorts) {
    std::vector<PortInfo> found;
    EXPECT_TRUE(enumerateAll("/nonexistent/vn340/class/tty", found));
    EXPECT_EQ(found.size(), 0u);
}

}  // namespace
}  // namespace vn340
