#include "browser/page_ports.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "link/adapter_link.h"
#include "support/scripted_pilot.h"

namespace vn340 {
namespace {

// The page's ports behind the program's own adapter link, its selector and messages the
// scripted pilot's.
class PagePortsTest : public ::testing::Test {
  protected:
    PagePorts ports{[this](std::string_view port, std::string_view bytes) {
        written.emplace_back(std::string(port), std::string(bytes));
    }};
    std::unique_ptr<Transports> transports = ports.makeTransports();
    std::unique_ptr<DeviceEvents> events = ports.makeDeviceEvents();
    testing::ScriptedPilot pilot;
    AdapterLink link{pilot, pilot, *transports, events.get()};
    std::vector<std::pair<std::string, std::string>> written;
    std::string received;

    void SetUp() override {
        link.onTextReceived([this](std::string_view text) { received += text; });
        link.fillPortSelectorAtStartup("");
    }
    // The pilot picks `name` in the list and closes it.
    void choose(const std::string& name) {
        pilot.selectEntry(name);
        link.openSelectedPort();
    }
};

TEST_F(PagePortsTest, APortThePageOpensJoinsTheListAndTakesTheFramesOnceChosen) {
    link.sendFrame("lost");
    ports.portOpened("Vexa-Plug");
    ports.portOpened("Vexa-Plug");
    EXPECT_EQ(ports.names(), std::vector<std::string>{"Vexa-Plug"});
    EXPECT_EQ(pilot.portEntries.count("Vexa-Plug"), 1U);
    EXPECT_EQ(link.transport(), Transport::None);

    choose("Vexa-Plug");
    link.sendFrame("R0000\r");
    EXPECT_EQ(link.transport(), Transport::Serial);
    EXPECT_EQ(link.savedPort(), "Vexa-Plug");
    EXPECT_EQ(written,
              (std::vector<std::pair<std::string, std::string>>{{"Vexa-Plug", "R0000\r"}}));
}

TEST_F(PagePortsTest, OnlyThePortInUseIsHeard) {
    ports.portOpened("Vexa-Plug");
    ports.portOpened("Other cable");
    choose("Vexa-Plug");
    ports.bytesArrived("Other cable", "noise");
    ports.bytesArrived("Vexa-Plug", "A01");
    ports.bytesArrived("Vexa-Plug", "23\r");
    EXPECT_EQ(received, "A0123\r");
}

TEST_F(PagePortsTest, APortTheBrowserNeverOpenedCannotBeTakenIntoUse) {
    ports.portOpened("Vexa-Plug");
    ports.portGone("Vexa-Plug");
    const SysResult opened = transports->openSerial("Vexa-Plug");
    EXPECT_FALSE(opened);
    EXPECT_FALSE(transports->openUsb(true));
    EXPECT_EQ(transports->inUse(), Transport::None);
}

TEST_F(PagePortsTest, APortGoneInUseIsLostAndReopenedWhenThePageHasItAgain) {
    ports.portOpened("Vexa-Plug");
    choose("Vexa-Plug");
    pilot.messages.clear();

    ports.portGone("Vexa-Plug");
    ports.bytesArrived("Vexa-Plug", "late");
    link.sendFrame("R0000\r");
    EXPECT_EQ(link.transport(), Transport::None);
    EXPECT_TRUE(received.empty());
    EXPECT_TRUE(written.empty());
    ASSERT_EQ(pilot.messages.size(), 1U);
    EXPECT_NE(pilot.messages[0].find("Vexa-Plug"), std::string::npos) << pilot.messages[0];
    // The entry stays, selected, while the adapter is away.
    EXPECT_EQ(pilot.portEntries.count("Vexa-Plug"), 1U);

    ports.portOpened("Vexa-Plug");
    EXPECT_EQ(link.transport(), Transport::Serial);
    ASSERT_FALSE(pilot.statuses.empty());
    EXPECT_NE(pilot.statuses.back().find("Vexa-Plug"), std::string::npos);
}

TEST_F(PagePortsTest, APortGoneThatWasNotInUseOnlyLeavesTheList) {
    ports.portOpened("Vexa-Plug");
    ports.portOpened("Other cable");
    choose("Vexa-Plug");
    pilot.messages.clear();
    ports.portGone("Other cable");
    ports.portGone("never opened");
    EXPECT_EQ(pilot.portEntries.count("Other cable"), 0U);
    EXPECT_EQ(link.transport(), Transport::Serial);
    EXPECT_TRUE(pilot.messages.empty());
}

}  // namespace
}  // namespace vn340
