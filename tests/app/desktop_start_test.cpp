// The window started from the desktop: a settings file named on the command line (or handed
// over by a second start), and the demo, which shows the simulated adapter alone.

#include <QDir>

#include <filesystem>
#include <fstream>

#include "app/demo_session.h"
#include "config/gyro_config.h"
#include "config/settings_codec.h"
#include "config_dialog_fixture.h"

namespace vn340::testing {
namespace {

namespace fs = std::filesystem;
using C = Control;

// A settings file with the given high endpoint in a folder of its own, as a file manager names
// it.
QString settingsFileWithHighEndpoint(const QString& folder, int highEndpoint = 120) {
    GyroConfig config;
    config.memoryMapVersion = 3;
    loadDefaults(config);
    config.highEndpoint = highEndpoint;
    QDir().mkpath(folder);
    const QString path = folder + QString("/Trex %1.tsf").arg(highEndpoint);
    std::ofstream(path.toStdString(), std::ios::binary) << encodeSettingsFile("", config, {});
    return path;
}

TEST_F(ConfigDialogTest, AFileGivenAtStartUpLoadsAsLoadFromFileDoes) {
    const QString path = settingsFileWithHighEndpoint(configDir_.filePath("models"));
    ConfigDialog& window = start();
    window.loadFile(path.toStdString());
    EXPECT_EQ(text(C::HighEndpoint), "120");
    EXPECT_TRUE(driver().messages().empty());
}

// While a read has the controls, the button takes no click: a file handed over then waits for
// the read's end, so that neither is lost. Of two handed over meanwhile, the later one counts.
TEST_F(ConfigDialogTest, AFileArrivingDuringAReadIsLoadedWhenTheReadEnds) {
    const QString first = settingsFileWithHighEndpoint(configDir_.filePath("models"), 120);
    const QString later = settingsFileWithHighEndpoint(configDir_.filePath("models"), 130);
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

// The demo shows its simulated adapter only, though the machine has a serial adapter plugged
// in: the pilot could not tell which one the demo uses.
TEST_F(ConfigDialogTest, TheDemoListsOnlyItsSimulatedAdapter) {
    const fs::path root = programDir_.path().toStdString();
    const fs::path tty = root / "class" / "tty" / "ttyUSB0";
    fs::create_directories(tty / "device");
    fs::create_directories(root / "drivers" / "ftdi_sio");
    fs::create_directory_symlink(root / "drivers" / "ftdi_sio", tty / "device" / "driver");
    ProgramPaths machine = paths();
    machine.sysClassTty = (root / "class" / "tty").string();
    auto entries = [this] {
        QStringList listed;
        auto* list = control<QComboBox>(C::PortSelector);
        for (int row = 0; row < list->count(); ++row)
            listed << list->itemText(row);
        return listed;
    };
    start(machine);
    ASSERT_TRUE(entries().contains("ttyUSB0")) << "the machine's port is no port";

    QString problem;
    const std::unique_ptr<DemoSession> demo =
        DemoSession::start(QCoreApplication::applicationDirPath().toStdString(), &problem);
    ASSERT_NE(demo, nullptr) << problem.toStdString();
    start(demo->paths(machine));
    EXPECT_EQ(entries(), QStringList{"USB"});
    closeWindow();
}

}  // namespace
}  // namespace vn340::testing
