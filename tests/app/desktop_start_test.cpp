// The window started from the desktop: a settings file named on the command line (or handed
// over by a second start), and the demo, which shows the simulated adapter alone.

#include "app/demo_session.h"
#include "config_dialog_fixture.h"
#include "support/serial_ports_on_disk.h"
#include "support/signal_record.h"

namespace vn340::testing {
namespace {

using C = Control;

TEST_F(ConfigDialogTest, AFileGivenAtStartUpLoadsAsLoadFromFileDoes) {
    const QString path = settingsFile(configDir_.filePath("models/Trex 120.tsf"), 120);
    ConfigDialog& window = start();
    window.loadFile(path.toStdString());
    EXPECT_EQ(text(C::HighEndpoint), "120");
    EXPECT_TRUE(driver().messages().empty());
}

// While a read has the controls, the button takes no click: a file handed over then waits for
// the read's end, so that neither is lost. Of two handed over meanwhile, the later one counts.
TEST_F(ConfigDialogTest, AFileArrivingDuringAReadIsLoadedWhenTheReadEnds) {
    const QString first = settingsFile(configDir_.filePath("models/Trex 120.tsf"), 120);
    const QString later = settingsFile(configDir_.filePath("models/Trex 130.tsf"), 130);
    ConfigDialog& window = startWithGyro();
    click(C::ReadFromGyro);
    ASSERT_FALSE(control(C::LoadFromFile)->isEnabled());
    window.loadFile(first.toStdString());
    window.loadFile(later.toStdString());
    EXPECT_NE(text(C::HighEndpoint), "130") << "not while the read runs";
    ASSERT_TRUE(sequenceEnds());
    EXPECT_TRUE(QTest::qWaitFor([this] { return text(C::HighEndpoint) == "130"; }, 5000));
    EXPECT_TRUE(preferencesBytes().contains("models"));
    EXPECT_TRUE(driver().messages().empty());
    // One load, not two in a row: one undo goes back to what the read brought.
    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_NE(text(C::HighEndpoint), "120");
    EXPECT_NE(text(C::HighEndpoint), "130");
}

class FileHandedOverTest : public ConfigDialogTest {
  protected:
    // Hands "trex.tsf" (high endpoint 130) to `window` while the sequence `button` starts runs,
    // or else while the dialog it opens is up; answers that dialog with `answer`, and sees the
    // file loaded and named once the window is free. The high endpoint shown under the dialog.
    QString handOver(ConfigDialog& window, Control button, const QString& answer, bool during) {
        const std::string path =
            settingsFile(configDir_.filePath("models/trex.tsf"), 130).toStdString();
        QString shownWhileAsked;
        driver().then([&](QDialog& asked) {
            if (!during) {
                window.loadFile(path);
            }
            shownWhileAsked = text(C::HighEndpoint);
            ModalDriver::pressButton(asked, answer);
        });
        click(button);
        if (during) {
            EXPECT_TRUE(access().controller().storing());
            window.loadFile(path);
        }
        EXPECT_TRUE(statusBecomes("Loaded trex.tsf"));
        EXPECT_EQ(text(C::HighEndpoint), "130");
        EXPECT_EQ(driver().unexpected(), 0);
        return shownWhileAsked;
    }
};

// A file handed over during a store waits for the store and for its message: nothing on the
// screen changes behind the message. Once it is answered the file is loaded, and the status
// line names it in place of how the store ended.
TEST_F(FileHandedOverTest, DuringAStoreWaitsForItsMessageAndIsNamedOnceLoaded) {
    qputenv("VN340_SIM_OPTIONS", "--no-pace --silent-from 12");
    EXPECT_EQ(handOver(startWithHistory(), C::StoreToGyro, "OK", true), "100");
}

// A file handed over while the window's message is open is loaded once it is answered.
TEST_F(FileHandedOverTest, WhileAMessageIsOpenIsLoadedOnceItIsAnswered) {
    EXPECT_EQ(handOver(start(), C::Help, "OK", false), "100");
}

// A file handed over while a question is open waits for the answer, and for what the answer
// starts: the store agreed to stores the screen the pilot agreed to store, then the file comes.
TEST_F(FileHandedOverTest, DuringTheSafetyWarningWaitsForTheStoreAgreedTo) {
    ConfigDialog& window = startWithGyro();
    int stored = 0;
    const Connection watch =
        access().controller().outcomeShown.connect([&](const SequenceOutcome& outcome) {
            if (outcome.kind == SequenceKind::Store) {
                stored = model().highEndpoint;
            }
        });
    EXPECT_EQ(handOver(window, C::StoreToGyro, "I agree", false), "100");
    EXPECT_EQ(stored, 100);
}

// The demo shows its simulated adapter only, though the machine has a serial adapter plugged
// in: the pilot could not tell which one the demo uses.
TEST_F(ConfigDialogTest, TheDemoListsOnlyItsSimulatedAdapter) {
    const SerialPortsOnDisk ports(programDir_.path().toStdString());
    ports.add("ttyUSB0");
    ProgramPaths machine = paths();
    ports.useIn(machine);
    start(machine);
    ASSERT_TRUE(entriesOf(C::PortSelector).contains("ttyUSB0")) << "the machine's port is no port";

    QString problem;
    const std::unique_ptr<DemoSession> demo =
        DemoSession::start(QCoreApplication::applicationDirPath().toStdString(), &problem);
    ASSERT_NE(demo, nullptr) << problem.toStdString();
    start(demo->paths(machine));
    EXPECT_EQ(entriesOf(C::PortSelector), QStringList{"USB"});
    closeWindow();
}

}  // namespace
}  // namespace vn340::testing
