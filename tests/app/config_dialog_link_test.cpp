// The whole window against a simulated gyro: over a real pseudo-terminal to vn340-sim, paced
// like a 9600-baud line, and through the simulated D2XX library as the USB adapter. The pilot's
// actions are clicks and keys on the real widgets; the dialogs are answered with their buttons.

#include <QAbstractItemView>
#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSignalSpy>

#include <filesystem>
#include <fstream>
#include <map>

#include "app/drop_down_list.h"
#include "config_dialog_fixture.h"
#include "link/adapter_link.h"
#include "protocol/sequence_engine.h"

namespace vn340::testing {
namespace {

namespace fs = std::filesystem;

using namespace std::chrono_literals;
constexpr const char* kPortName = "ttyVN0";

// vn340-sim on a pseudo-terminal; its memory is read from what it prints when it ends.
class Simulator {
  public:
    explicit Simulator(QStringList options) {
        process_.start(QStringLiteral(VN340_SIM_PATH), options);
        if (process_.waitForStarted() && process_.waitForReadyRead(10000))
            path_ = QString::fromUtf8(process_.readLine()).trimmed();
    }
    ~Simulator() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }

    const QString& path() const { return path_; }

    // SIGTERM, then the "0xADDR=0xVALUE" lines.
    std::map<int, int> stopAndReadMemory() {
        process_.terminate();
        process_.waitForFinished(10000);
        std::map<int, int> memory;
        for (const QByteArray& line : process_.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> parts = line.trimmed().split('=');
            if (parts.size() == 2)
                memory[parts[0].toInt(nullptr, 16)] = parts[1].toInt(nullptr, 16);
        }
        return memory;
    }
    // The adapter pulled out: the terminal goes away at once.
    void unplug() {
        process_.kill();
        process_.waitForFinished();
    }

  private:
    QProcess process_;
    QString path_;
};

class ConfigDialogLinkTest : public ConfigDialogTest {
  protected:
    void SetUp() override {
        ConfigDialogTest::SetUp();
        ASSERT_TRUE(linkDir_.isValid());
        const fs::path root = linkDir_.path().toStdString();
        fs::create_directories(root / "drivers" / "ftdi_sio");
        fs::create_directories(root / "class" / "tty");
        fs::create_directories(root / "dev");
    }

    // The simulator's terminal appears as a serial port with a driver, under a name of ours.
    void plugIn(const Simulator& sim) {
        ASSERT_FALSE(sim.path().isEmpty());
        const fs::path root = linkDir_.path().toStdString();
        const fs::path tty = root / "class" / "tty" / kPortName;
        fs::create_directories(tty / "device");
        fs::create_directory_symlink(root / "drivers" / "ftdi_sio", tty / "device" / "driver");
        fs::create_symlink(sim.path().toStdString(), root / "dev" / kPortName);
    }

    // A serial port with a driver that nobody will open.
    void addPort(const std::string& name) {
        const fs::path root = linkDir_.path().toStdString();
        const fs::path tty = root / "class" / "tty" / name;
        fs::create_directories(tty / "device");
        fs::create_directory_symlink(root / "drivers" / "ftdi_sio", tty / "device" / "driver");
        std::ofstream(tty / "type") << "4\n";  // a real UART, for the ttyS* ports
    }

    // The serial ports of linkDir_; "USB" the given D2XX library, or none.
    ConfigDialog& startLinked(const char* d2xxLibrary = nullptr) {
        ProgramPaths made = paths();
        const fs::path root = linkDir_.path().toStdString();
        made.sysClassTty = (root / "class" / "tty").string();
        made.deviceFolder = (root / "dev").string() + "/";
        made.d2xxLibrary =
            d2xxLibrary != nullptr ? d2xxLibrary : (root / "no-libftd2xx.so").string();
        return start(made);
    }

    const AdapterLink& link() { return access().controller().link(); }
    const SequenceEngine& engine() { return access().controller().engine(); }

    // The pilot opens the port list and clicks an entry.
    void choosePort(const QString& name) {
        auto* list = qobject_cast<DropDownList*>(control(1001));
        list->setFocus(Qt::MouseFocusReason);
        list->showPopup();
        QAbstractItemView* view = list->view();
        ASSERT_TRUE(eventually([view] { return view->isVisible(); }));
        const int row = list->findText(name);
        ASSERT_GE(row, 0) << name.toStdString();
        view->setCurrentIndex(view->model()->index(row, 0));
        QTest::keyClick(view, Qt::Key_Return);
        ASSERT_TRUE(eventually([view] { return !view->isVisible(); }));
    }

    void agreeAndStore() {
        driver().thenPress(QStringLiteral("I agree"));
        click(1032);
    }

    QTemporaryDir linkDir_;
};

TEST_F(ConfigDialogLinkTest, PortListIsSortedByNameWhateverTheCaseWithNothingChosen) {
    for (const char* name : {"ttyUSB2", "ttyUSB10", "ttyS0", "ttyACM0"})
        addPort(name);
    startLinked();
    auto* list = qobject_cast<DropDownList*>(control(1001));
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemText(i);
    EXPECT_EQ(entries, (QStringList{"ttyACM0", "ttyS0", "ttyUSB10", "ttyUSB2", "USB"}));
    EXPECT_EQ(list->currentIndex(), -1) << "a first start chooses no port";
}

TEST_F(ConfigDialogLinkTest, ReadOverTheSerialLineShowsTheGyrosValues) {
    Simulator sim({"--baud-pace", "--set", "0x0104=77", "--set", "0x0108=9", "--set", "0x0116=88",
                   "--set", "0x011E=0x0200"});
    plugIn(sim);
    writePreferences("[Settings]\r\nCOM PORT=ttyVN0\r\nWARNING=0\r\n");
    startLinked();
    ASSERT_TRUE(link().transport() == Transport::Serial);
    ASSERT_TRUE(control(1031)->isEnabled());

    click(1031);
    EXPECT_FALSE(control(1069)->isEnabled());
    EXPECT_TRUE(statusBecomes("Read complete"));
    EXPECT_EQ(text(1037), "77");
    EXPECT_EQ(text(1039), "9");
    EXPECT_EQ(text(1048), "88");
    EXPECT_EQ(text(1046), "1.11");
    EXPECT_EQ(text(1055), "1.09");
    EXPECT_TRUE(isDown(1026));
    EXPECT_FALSE(isDown(1027));
    EXPECT_TRUE(control(1069)->isEnabled());
    EXPECT_TRUE(control(1031)->isEnabled());
    EXPECT_TRUE(engine().idle());
    EXPECT_TRUE(driver().messages().empty());
    // Only the status line is cleared afterwards; the values stay.
    EXPECT_TRUE(statusBecomes("", 5000ms));
    EXPECT_EQ(text(1037), "77");
}

TEST_F(ConfigDialogLinkTest, StoreOverTheSerialLineReachesTheGyrosMemory) {
    Simulator sim({"--baud-pace"});
    plugIn(sim);
    writePreferences("[Settings]\r\nCOM PORT=ttyVN0\r\nWARNING=0\r\n");
    startLinked();
    typeAndTab(1037, "55");
    typeAndTab(1048, "66");
    click(1026);                                   // "Reverse"
    QTest::keyClick(control(1042), Qt::Key_Home);  // acceleration slider to 0

    agreeAndStore();
    EXPECT_TRUE(statusBecomes("Write complete"));
    EXPECT_TRUE(control(1032)->isEnabled());
    const std::map<int, int> memory = sim.stopAndReadMemory();
    EXPECT_EQ(memory.at(0x0104), 55);
    EXPECT_EQ(memory.at(0x0116), 66);
    EXPECT_EQ(memory.at(0x010E), 15);  // the gyro counts the profile the other way
    EXPECT_EQ(memory.at(0x011E) & 0x0200, 0x0200);
    EXPECT_TRUE(driver().messages().empty());
}

// The read ends with its own message, the only one, and the dead port is not left open: the
// gyro buttons stay off until the adapter is back, its entry still chosen.
TEST_F(ConfigDialogLinkTest, AdapterPulledOutMidReadEndsInTheCommunicationMessage) {
    Simulator sim({"--baud-pace"});
    plugIn(sim);
    writePreferences("[Settings]\r\nCOM PORT=ttyVN0\r\nWARNING=0\r\n");
    startLinked();
    click(1031);
    EXPECT_TRUE(
        eventually([&] { return engine().sequenceState() >= SequenceState::ReadSendParameter; },
                   kSequenceWait));
    driver().thenPress(QStringLiteral("OK"));
    sim.unplug();
    EXPECT_TRUE(eventually([&] { return driver().done(); }, 10000ms));
    ASSERT_EQ(driver().messages().size(), 1u);
    EXPECT_EQ(driver().messages()[0].toStdString(),
              std::string(sequence_text::kCommunicationFailure) + "\n\n" +
                  std::string(sequence_text::kReadUnfinished));
    EXPECT_TRUE(engine().idle());
    EXPECT_EQ(link().transport(), Transport::None);
    EXPECT_FALSE(control(1031)->isEnabled());
    EXPECT_FALSE(control(1032)->isEnabled());
    EXPECT_TRUE(control(1069)->isEnabled());
    EXPECT_EQ(control<QComboBox>(1001)->currentText(), "ttyVN0");
    EXPECT_EQ(driver().unexpected(), 0);
}

TEST_F(ConfigDialogLinkTest, DiagnosticsFromTheContextMenuShowTheLiveSignalsUntilStopped) {
    Simulator sim({"--baud-pace", "--live", "512,1600,2020"});
    plugIn(sim);
    writePreferences("[Settings]\r\nCOM PORT=ttyVN0\r\nWARNING=0\r\n");
    startLinked();

    // A right click on the window's own surface, away from every control.
    const QPoint surface(4, dialog().findChild<QMenuBar*>()->height() + 4);
    ASSERT_EQ(dialog().childAt(surface), nullptr);
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, surface, dialog().mapToGlobal(surface));
    QApplication::sendEvent(&dialog(), &rightClick);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    auto* item = dialog().findChild<QAction*>("command32");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), "Start diagnostics");
    EXPECT_EQ(item->data().toInt(), 32);
    EXPECT_TRUE(eventually([&] { return menu->isVisible(); }));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());

    EXPECT_TRUE(statusBecomes("Gyro = 0512, Rudder = 1600, Gain = 2020 (100%)"));
    EXPECT_EQ(item->text(), "Stop diagnostics");
    EXPECT_FALSE(control(1031)->isEnabled());

    QTest::keyClick(&dialog(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(item->text(), "Start diagnostics");
    EXPECT_TRUE(sequenceEnds());
    EXPECT_TRUE(control(1031)->isEnabled());
    EXPECT_TRUE(driver().messages().empty());
}

TEST_F(ConfigDialogLinkTest, CtrlDKeepsTheNumberBeingTypedBeforeDiagnosticsRefreshTheBoxes) {
    Simulator sim({"--baud-pace"});
    plugIn(sim);
    writePreferences("[Settings]\r\nCOM PORT=ttyVN0\r\nWARNING=0\r\n");
    startLinked();
    typeInto(1037, "150");
    QTest::keyClick(control(1037), Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(eventually([&] { return status().startsWith("Gyro = "); }, kSequenceWait));
    EXPECT_EQ(text(1037), "150");
    QTest::keyClick(&dialog(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(sequenceEnds());
    EXPECT_EQ(model().cwStopGain, 150);
}

TEST_F(ConfigDialogLinkTest, UsbChosenInTheListReadsAndStoresThroughTheAdapter) {
    qputenv("VN340_SIM_OPTIONS", "--set 0x0104=77");
    startLinked(VN340_SIM_D2XX);
    EXPECT_FALSE(control(1031)->isEnabled());
    choosePort(QStringLiteral("USB"));
    EXPECT_EQ(choice(1001), "USB");
    EXPECT_TRUE(eventually([&] { return link().transport() == Transport::Usb; }));
    EXPECT_TRUE(control(1031)->isEnabled());
    EXPECT_EQ(access().controller().preferences().savedPort, "USB");
    EXPECT_TRUE(preferencesBytes().contains("COM PORT=USB"));

    click(1031);
    EXPECT_TRUE(statusBecomes("Read complete"));
    EXPECT_EQ(text(1037), "77");

    typeAndTab(1037, "55");
    agreeAndStore();
    EXPECT_TRUE(statusBecomes("Write complete"));
    click(1064);  // the defaults on screen, so the next read must bring the 55 back
    EXPECT_NE(text(1037), "55");
    click(1031);
    EXPECT_TRUE(statusBecomes("Read complete"));
    EXPECT_EQ(text(1037), "55");
    EXPECT_TRUE(driver().messages().empty());

    // Closing the window closes the adapter.
    dialog().reject();
    EXPECT_FALSE(link().transport() == Transport::Usb);
    EXPECT_FALSE(link().transports().usbDeviceOpen());
}

TEST_F(ConfigDialogLinkTest, DetectWizardFindsTheNewPortAndOpensIt) {
    Simulator sim({"--baud-pace"});
    startLinked();
    EXPECT_FALSE(control(1031)->isEnabled());
    driver().thenPress(QStringLiteral("Continue"));
    // The pilot plugs the adapter in while the second question is on screen.
    driver().then([this, &sim](QDialog& prompt) {
        plugIn(sim);
        ModalDriver::pressButton(prompt, QStringLiteral("Continue"));
    });
    driver().thenPress(QStringLiteral("OK"));
    click(1060);
    EXPECT_TRUE(eventually([&] { return driver().done(); }));
    ASSERT_EQ(driver().messages().size(), 1u);
    EXPECT_TRUE(driver().messages()[0].startsWith("Found Vexa-Plug interface on ttyVN0. "));
    EXPECT_EQ(control<QComboBox>(1001)->count(), 1);
    EXPECT_EQ(choice(1001), kPortName);
    EXPECT_TRUE(link().transport() == Transport::Serial);
    EXPECT_TRUE(control(1031)->isEnabled());
    EXPECT_TRUE(preferencesBytes().contains("COM PORT=ttyVN0"));
    EXPECT_EQ(driver().unexpected(), 0);

    // The port found is the gyro's.
    click(1031);
    EXPECT_TRUE(statusBecomes("Read complete"));
}

}  // namespace
}  // namespace vn340::testing
