// The whole window over the real serial path once: vn340-sim on a pseudo-terminal, paced like a
// 9600-baud line, found among the system's serial ports. The pilot's actions are clicks and
// keys on the real widgets; the dialogs are answered with their buttons.

#include <QAbstractItemView>

#include <map>

#include "app/drop_down_list.h"
#include "config_dialog_fixture.h"
#include "link/adapter_link.h"
#include "support/serial_ports_on_disk.h"

namespace vn340::testing {
namespace {

constexpr const char* kPortName = "ttyVN0";

class ConfigDialogLinkTest : public ConfigDialogTest {
  protected:
    void SetUp() override {
        ConfigDialogTest::SetUp();
        ASSERT_TRUE(linkDir_.isValid());
    }

    // The simulator's terminal appears as a serial port with a driver, under a name of ours.
    void plugIn(const SimulatorProcess& sim) {
        ASSERT_FALSE(sim.path().empty());
        ports_.add(kPortName, sim.path());
    }

    // The serial ports of linkDir_, and no USB adapter.
    ConfigDialog& startLinked() {
        ProgramPaths made = paths();
        ports_.useIn(made);
        made.d2xxLibrary = linkDir_.filePath("no-libftd2xx.so").toStdString();
        return start(made);
    }

    const AdapterLink& link() { return access().controller().link(); }

    void agreeAndStore() {
        driver().thenPress(QStringLiteral("I agree"));
        click(Control::StoreToGyro);
    }

    QTemporaryDir linkDir_;
    SerialPortsOnDisk ports_{linkDir_.path().toStdString()};
};

TEST_F(ConfigDialogLinkTest, PortListIsSortedByNameWhateverTheCaseWithNothingChosen) {
    for (const char* name : {"ttyUSB2", "ttyUSB10", "ttyS0", "ttyACM0"}) {
        ports_.add(name);
    }
    startLinked();
    EXPECT_EQ(entriesOf(Control::PortSelector),
              (QStringList{"ttyACM0", "ttyS0", "ttyUSB10", "ttyUSB2", "USB"}));
    EXPECT_EQ(control<QComboBox>(Control::PortSelector)->currentIndex(), -1)
        << "a first start chooses no port";
}

// The pilot chooses the port in the list and reads; types a value out of its range and stores
// at once: the click checks the box before the store takes it, and the gyro's memory then holds
// the screen.
TEST_F(ConfigDialogLinkTest, AReadAndAStoreOverTheSerialLine) {
    SimulatorProcess sim({"--baud-pace", "--set", "0x0104=77"});
    plugIn(sim);
    startLinked();
    auto* list = qobject_cast<DropDownList*>(control(Control::PortSelector));
    list->setFocus(Qt::MouseFocusReason);
    list->showPopup();
    QAbstractItemView* view = list->view();
    ASSERT_TRUE(eventually([view] { return view->isVisible(); }));
    view->setCurrentIndex(view->model()->index(list->findText(kPortName), 0));
    QTest::keyClick(view, Qt::Key_Return);
    ASSERT_TRUE(eventually([&] { return control(Control::ReadFromGyro)->isEnabled(); }));
    EXPECT_EQ(link().transport(), Transport::Serial);

    click(Control::ReadFromGyro);
    EXPECT_TRUE(statusBecomes("Read complete"));
    EXPECT_EQ(text(Control::CwStopGain), "77");
    ASSERT_TRUE(sequenceEnds());

    typeAndTab(Control::AvcsSensitivity, "66");
    click(Control::ReverseButton);
    QTest::keyClick(control(Control::AccelProfile), Qt::Key_Home);  // the slider to 0
    typeInto(Control::CwStopGain, "300");
    agreeAndStore();
    EXPECT_EQ(text(Control::CwStopGain), "200");
    EXPECT_TRUE(statusBecomes("Write complete"));
    EXPECT_TRUE(control(Control::StoreToGyro)->isEnabled());
    const std::map<int, int> memory = sim.stopAndReadMemory();
    EXPECT_EQ(memory.at(0x0104), 200);
    EXPECT_EQ(memory.at(0x0116), 66);
    EXPECT_EQ(memory.at(0x010E), 15);  // the gyro counts the profile the other way
    EXPECT_EQ(memory.at(0x011E) & 0x0200, 0x0200);
    EXPECT_TRUE(driver().messages().empty());
    EXPECT_EQ(driver().unexpected(), 0);
}

}  // namespace
}  // namespace vn340::testing
