// The whole window against a simulated gyro: over a real pseudo-terminal to vn340-sim, paced
// like a 9600-baud line, and through the simulated D2XX library as the USB adapter. The pilot's
// actions are clicks and keys on the real widgets; the dialogs are answered with their buttons.

#include <QAbstractItemView>
#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSignalSpy>

#include <filesystem>
#include <fstream>
#include <map>

#include "config_dialog_fixture.h"
#include "link/adapter_link.h"
#include "protocol/sequence_engine.h"

namespace vn340::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kSequenceWaitMs = 20000;
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

    TestDialog& startLinked(const char* d2xxLibrary = nullptr) {
        ConfigDialogPaths made = paths();
        const fs::path root = linkDir_.path().toStdString();
        made.sysClassTty = (root / "class" / "tty").string();
        made.deviceFolder = (root / "dev").string() + "/";
        if (d2xxLibrary != nullptr)
            made.d2xxLibrary = d2xxLibrary;
        dialog_ = std::make_unique<TestLinkedDialog>(made);
        driver_ = std::make_unique<ModalDriver>(dialog_.get());
        dialog_->show();
        dialog_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
        return *dialog_;
    }

    QString status() const { return text(1077); }

    // The pilot opens the port list and clicks an entry.
    void choosePort(const QString& name) {
        auto* list = qobject_cast<DropDownList*>(control(1001));
        list->setFocus(Qt::MouseFocusReason);
        list->showPopup();
        QAbstractItemView* view = list->view();
        QTRY_VERIFY(view->isVisible());
        const int row = list->findText(name);
        ASSERT_GE(row, 0) << name.toStdString();
        view->setCurrentIndex(view->model()->index(row, 0));
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_VERIFY(!view->isVisible());
    }

    void agreeAndStore() {
        driver().thenPress(QStringLiteral("I agree"));
        click(1032);
    }

    // A window whose sequences and adapter are the real ones.
    class TestLinkedDialog : public TestDialog {
      public:
        explicit TestLinkedDialog(ConfigDialogPaths made) : TestDialog(std::move(made), false) {}

      protected:
        void fillPortSelectorAtStartup() override { ConfigDialog::fillPortSelectorAtStartup(); }
        void startReadSequence() override { ConfigDialog::startReadSequence(); }
        void startWriteSequence() override { ConfigDialog::startWriteSequence(); }
        void closeAdapter() override { ConfigDialog::closeAdapter(); }
    };

    QTemporaryDir linkDir_;
};

TEST_F(ConfigDialogLinkTest, PortListIsSortedInPlainTextOrderWithNothingChosen) {
    for (const char* name : {"ttyUSB2", "ttyUSB10", "ttyS0", "ttyACM0"})
        addPort(name);
    startLinked();
    auto* list = qobject_cast<DropDownList*>(control(1001));
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemText(i);
    EXPECT_EQ(entries, (QStringList{"USB", "ttyACM0", "ttyS0", "ttyUSB10", "ttyUSB2"}));
    EXPECT_EQ(list->currentIndex(), -1) << "a first start chooses no port";
}

TEST_F(ConfigDialogLinkTest, ReadOverTheSerialLineShowsTheGyrosValues) {
    Simulator sim({"--baud-pace", "--set", "0x0104=77", "--set", "0x0108=9", "--set", "0x0116=88",
                   "--set", "0x011E=0x0200"});
    plugIn(sim);
    writePreferences("[Settings]\r\nCOM PORT=ttyVN0\r\nWARNING=0\r\n");
    startLinked();
    ASSERT_TRUE(dialog().adapterLink().transport() == Transport::Serial);
    ASSERT_TRUE(control(1031)->isEnabled());

    click(1031);
    EXPECT_FALSE(control(1069)->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Read complete"), kSequenceWaitMs);
    EXPECT_EQ(text(1037), "77");
    EXPECT_EQ(text(1039), "9");
    EXPECT_EQ(text(1048), "88");
    EXPECT_EQ(text(1046), "1.11");
    EXPECT_EQ(text(1055), "1.09");
    EXPECT_TRUE(isDown(1026));
    EXPECT_FALSE(isDown(1027));
    EXPECT_TRUE(control(1069)->isEnabled());
    EXPECT_TRUE(control(1031)->isEnabled());
    EXPECT_TRUE(dialog().sequenceEngine().idle());
    EXPECT_TRUE(driver().messages().empty());
    // Only the status line is cleared afterwards; the values stay.
    QTRY_COMPARE_WITH_TIMEOUT(status(), QString(), 5000);
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
    QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Write complete"), kSequenceWaitMs);
    EXPECT_TRUE(control(1032)->isEnabled());
    const std::map<int, int> memory = sim.stopAndReadMemory();
    EXPECT_EQ(memory.at(0x0104), 55);
    EXPECT_EQ(memory.at(0x0116), 66);
    EXPECT_EQ(memory.at(0x010E), 15);  // the gyro counts the profile the other way
    EXPECT_EQ(memory.at(0x011E) & 0x0200, 0x0200);
    EXPECT_TRUE(driver().messages().empty());
}

TEST_F(ConfigDialogLinkTest, AdapterPulledOutMidReadEndsInTheCommunicationMessage) {
    Simulator sim({"--baud-pace"});
    plugIn(sim);
    writePreferences("[Settings]\r\nCOM PORT=ttyVN0\r\nWARNING=0\r\n");
    startLinked();
    click(1031);
    QTRY_VERIFY_WITH_TIMEOUT(dialog().sequenceEngine().sequenceState() >= 14, kSequenceWaitMs);
    driver().thenPress(QStringLiteral("OK"));
    sim.unplug();
    QTRY_VERIFY_WITH_TIMEOUT(driver().done(), 10000);
    ASSERT_EQ(driver().messages().size(), 1u);
    EXPECT_EQ(driver().messages()[0].toStdString(), sequence_text::kCommunicationFailure);
    QTRY_VERIFY(control(1031)->isEnabled());
    EXPECT_TRUE(dialog().sequenceEngine().idle());
    EXPECT_TRUE(control(1069)->isEnabled());
    EXPECT_EQ(driver().unexpected(), 0);
}

TEST_F(ConfigDialogLinkTest, DiagnosticsFromTheContextMenuShowTheLiveSignalsUntilStopped) {
    Simulator sim({"--baud-pace", "--live", "512,1600,2020"});
    plugIn(sim);
    writePreferences("[Settings]\r\nCOM PORT=ttyVN0\r\nWARNING=0\r\n");
    startLinked();

    // A right click on the window's own surface, away from every control.
    const QPoint surface(4, 4);
    ASSERT_EQ(dialog().childAt(surface), nullptr);
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, surface, dialog().mapToGlobal(surface));
    QApplication::sendEvent(&dialog(), &rightClick);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QAction* item = dialog().diagnosticsAction();
    EXPECT_EQ(item->text(), "Start diagnostics");
    EXPECT_EQ(item->data().toInt(), 32);
    QTRY_VERIFY(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());

    QTRY_COMPARE_WITH_TIMEOUT(status(),
                              QStringLiteral("Gyro = 0512, Rudder = 1600, Gain = 2020 (100%)"),
                              kSequenceWaitMs);
    EXPECT_EQ(item->text(), "Stop diagnostics");
    EXPECT_FALSE(control(1031)->isEnabled());

    QTest::keyClick(&dialog(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(item->text(), "Start diagnostics");
    QTRY_VERIFY_WITH_TIMEOUT(dialog().sequenceEngine().idle(), kSequenceWaitMs);
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
    QTRY_VERIFY_WITH_TIMEOUT(status().startsWith("Gyro = "), kSequenceWaitMs);
    EXPECT_EQ(text(1037), "150");
    QTest::keyClick(&dialog(), Qt::Key_D, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(dialog().sequenceEngine().idle(), kSequenceWaitMs);
    EXPECT_EQ(dialog().model().cwStopGain, 150);
}

#ifdef VN340_SIM_D2XX
TEST_F(ConfigDialogLinkTest, UsbChosenInTheListReadsAndStoresThroughTheAdapter) {
    qputenv("VN340_SIM_OPTIONS", "--set 0x0104=77");
    startLinked(VN340_SIM_D2XX);
    EXPECT_FALSE(control(1031)->isEnabled());
    choosePort(QStringLiteral("USB"));
    EXPECT_EQ(choice(1001), "USB");
    QTRY_VERIFY(dialog().adapterLink().transport() == Transport::Usb);
    EXPECT_TRUE(control(1031)->isEnabled());
    EXPECT_EQ(dialog().savedPort(), "USB");
    EXPECT_TRUE(preferencesBytes().contains("COM PORT=USB"));

    click(1031);
    QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Read complete"), kSequenceWaitMs);
    EXPECT_EQ(text(1037), "77");

    typeAndTab(1037, "55");
    agreeAndStore();
    QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Write complete"), kSequenceWaitMs);
    click(1064);  // the defaults on screen, so the next read must bring the 55 back
    EXPECT_NE(text(1037), "55");
    click(1031);
    QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Read complete"), kSequenceWaitMs);
    EXPECT_EQ(text(1037), "55");
    EXPECT_TRUE(driver().messages().empty());

    // Closing the window closes the adapter.
    dialog().reject();
    EXPECT_FALSE(dialog().adapterLink().transport() == Transport::Usb);
    EXPECT_FALSE(dialog().adapterLink().usbAdapter().isOpen());
    qunsetenv("VN340_SIM_OPTIONS");
}
#endif

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
    QTRY_VERIFY(driver().done());
    ASSERT_EQ(driver().messages().size(), 1u);
    EXPECT_TRUE(driver().messages()[0].startsWith("Found Vexa-Plug interface on ttyVN0. "));
    EXPECT_EQ(control<QComboBox>(1001)->count(), 1);
    EXPECT_EQ(choice(1001), kPortName);
    EXPECT_TRUE(dialog().adapterLink().transport() == Transport::Serial);
    EXPECT_TRUE(control(1031)->isEnabled());
    EXPECT_TRUE(preferencesBytes().contains("COM PORT=ttyVN0"));
    EXPECT_EQ(driver().unexpected(), 0);

    // The port found is the gyro's.
    click(1031);
    QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Read complete"), kSequenceWaitMs);
}

}  // namespace
}  // namespace vn340::testing
