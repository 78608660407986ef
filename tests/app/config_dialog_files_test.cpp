// Settings files through Qt's own file dialog, and the safety agreement before a store.

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSlider>

#include "config/profile_store.h"
#include "config_dialog_fixture.h"

namespace vn340::testing {
namespace {

struct FileDialogSeen {
    QString directory;
    QString proposedName;
    QString defaultSuffix;
    QStringList filters;
    bool save = false;
};

// Answers a file dialog by typing `name` and pressing its accept button, or cancels it when
// `name` is empty; records what the dialog offered.
ModalDriver::Answer chooseFile(const QString& name, FileDialogSeen* seen) {
    return [name, seen](QDialog& dialog) {
        auto* files = qobject_cast<QFileDialog*>(&dialog);
        ASSERT_NE(files, nullptr);
        auto* nameEdit = files->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(nameEdit, nullptr);
        if (seen != nullptr) {
            seen->directory = files->directory().absolutePath();
            seen->proposedName = nameEdit->text();
            seen->defaultSuffix = files->defaultSuffix();
            seen->filters = files->nameFilters();
            seen->save = files->acceptMode() == QFileDialog::AcceptSave;
        }
        if (name.isEmpty()) {
            ModalDriver::pressButton(dialog, "Cancel");
            return;
        }
        nameEdit->setText(name);
        auto* buttons = files->findChild<QDialogButtonBox*>("buttonBox");
        ASSERT_NE(buttons, nullptr);
        QPushButton* accept = nullptr;
        for (QAbstractButton* button : buttons->buttons()) {
            if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole)
                accept = qobject_cast<QPushButton*>(button);
        }
        ASSERT_NE(accept, nullptr);
        QTest::mouseClick(accept, Qt::LeftButton);
    };
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(ConfigDialogTest, SaveAndLoadThroughTheFileDialog) {
    start();
    typeAndTab(1033, "120");
    pick(1044, 23);  // JR 810G
    click(1026);
    control<QSlider>(1043)->setValue(4);
    control<QPlainTextEdit>(1069)->setPlainText("Trex 450\nnew tail servo");

    FileDialogSeen saveSeen;
    driver().then(chooseFile("mine", &saveSeen));
    click(1065);
    EXPECT_TRUE(driver().done());
    EXPECT_TRUE(saveSeen.save);
    EXPECT_EQ(saveSeen.directory, programFolder());
    EXPECT_EQ(saveSeen.proposedName, "vn340.tsf");
    EXPECT_EQ(saveSeen.defaultSuffix, "tsf");
    EXPECT_EQ(saveSeen.filters, QStringList{"Tarvel RC Settings File (*.tsf)"});

    const QString path = programDir_.filePath("mine.tsf");
    const QByteArray saved = fileBytes(path);
    EXPECT_TRUE(saved.startsWith("[Gyro]\r\nProduct=vn340\r\nApplication version=111\r\n"));
    EXPECT_TRUE(saved.contains("High endpoint=120\r\n"));
    EXPECT_TRUE(saved.contains("User comments=Trex 450_CRLF_new tail servo"));
    EXPECT_TRUE(preferencesBytes().contains("LAST DIRECTORY=" + programFolder().toUtf8()));

    click(1064);
    ASSERT_EQ(text(1033), "100");
    QSignalSpy changes(&access().controller(), &ConfigController::pilotChanged);
    FileDialogSeen loadSeen;
    driver().then(chooseFile(path, &loadSeen));
    click(1066);
    EXPECT_TRUE(driver().done());
    ASSERT_EQ(changes.count(), 1);
    const auto load = changes.at(0).at(0).value<PilotChange>();
    EXPECT_EQ(load.step, "Load from file");
    EXPECT_EQ(load.before.highEndpoint, 100);
    EXPECT_EQ(load.after.highEndpoint, 120);
    EXPECT_FALSE(loadSeen.save);
    EXPECT_EQ(loadSeen.proposedName, "");
    EXPECT_EQ(text(1033), "120");
    EXPECT_EQ(choice(1044), "JR 810G");
    EXPECT_EQ(choice(1052), "0.10");
    EXPECT_TRUE(isDown(1026));
    EXPECT_FALSE(isDown(1027));
    EXPECT_EQ(control<QSlider>(1043)->value(), 4);
    EXPECT_EQ(control<QPlainTextEdit>(1069)->toPlainText(), "Trex 450\nnew tail servo\n");
    EXPECT_EQ(driver().messages().size(), 0u);
}

TEST_F(ConfigDialogTest, SavingOverASettingsFileAsksFirst) {
    start();
    const QString path = programDir_.filePath("kept.tsf");
    driver().then(chooseFile(path, nullptr));
    click(1065);
    typeAndTab(1034, "90");

    driver().then(chooseFile(path, nullptr));
    driver().thenPress("Cancel");
    click(1065);
    EXPECT_TRUE(driver().done());
    EXPECT_TRUE(fileBytes(path).contains("Low endpoint=100\r\n"));
    EXPECT_EQ(access().dialogs().overwritePrompt().question(),
              "The file kept.tsf already exists.  Overwrite or Cancel?");

    driver().then(chooseFile(path, nullptr));
    driver().thenPress("Overwrite");
    click(1065);
    EXPECT_TRUE(driver().done());
    EXPECT_TRUE(fileBytes(path).contains("Low endpoint=90\r\n"));
}

TEST_F(ConfigDialogTest, CancelledFileDialogsChangeNothing) {
    start();
    driver().then(chooseFile("", nullptr));
    click(1065);
    driver().then(chooseFile("", nullptr));
    click(1066);
    EXPECT_TRUE(driver().done());
    EXPECT_EQ(driver().messages().size(), 0u);
    EXPECT_EQ(QDir(programFolder()).entryList({"*.tsf"}).size(), 0);
}

TEST_F(ConfigDialogTest, SaveAfterTextThatIsNoNumberTakesTheRestoredValue) {
    start();
    // The click takes the focus from the box first; its check refuses the text and puts the
    // last valid value back, which the save then takes.
    control<QLineEdit>(1048)->setText("lots");
    driver().thenPress("OK");
    driver().then(chooseFile("", nullptr));
    click(1065);
    EXPECT_TRUE(driver().done());
    ASSERT_EQ(driver().messages().size(), 1u);
    EXPECT_EQ(driver().messages()[0], "Please enter an integer.");
    EXPECT_EQ(text(1048), "100");
    EXPECT_EQ(driver().unexpected(), 0);
}

TEST_F(ConfigDialogTest, ABadFileReportsEachValueInReadingOrder) {
    start();
    const QString path = programDir_.filePath("bad.tsf");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "[Gyro]\r\nProduct=vn340\r\nApplication version=110\r\nMemory Map version=2\r\n"
        "User comments= one _CRLF__CRLF_two\r\n"
        "[Servo]\r\nHigh endpoint=abc\r\nLow endpoint=140\r\nMidpoint trim=-100\r\nServo=24\r\n"
        "Speed=200\r\nType=1\r\n"
        "[Common]\r\nDirection=1\r\nRudder stick deadband=7\r\n"
        "[Mode 1 (Rate Mode)]\r\nRudder exponential=-20\r\n"
        "[Mode 2 (AVCS Mode)]\r\nAcceleration profile=3\r\nDeceleration profile=2\r\n"
        "Clockwise stop gain=150\r\nCounter clockwise stop gain=60\r\n"
        "Rudder sensitivity=300\r\nRudder exponential=10\r\n");
    file.close();

    driver().then(chooseFile(path, nullptr));
    for (int i = 0; i < 4; ++i)
        driver().thenPress("OK");
    click(1066);
    EXPECT_TRUE(driver().done());
    const auto unexpected = [](const char* name) {
        return QStringLiteral(
                   "Unexpected value found in the configuration file for %1.\n\nThe "
                   "configuration file could be corrupt.\n\nDefault %1 will be used.\n\nPress "
                   "OK to continue.")
            .arg(name);
    };
    const std::vector<QString> expected = {
        unexpected("High endpoint"), unexpected("Servo speed"),
        "Check Servo selection has been correctly loaded.\n\nPress OK to continue.",
        unexpected("AVCS mode rudder sensitivity")};
    EXPECT_EQ(driver().messages(), expected);
    EXPECT_EQ(driver().unexpected(), 0);

    EXPECT_EQ(text(1033), "100");
    EXPECT_EQ(text(1034), "140");
    EXPECT_EQ(text(1045), "-100");
    EXPECT_EQ(text(1048), "100");
    EXPECT_EQ(choice(1044), "Futaba BLS251");
    EXPECT_EQ(choice(1052), "0.05");
    EXPECT_EQ(choice(1051), "760usec/560Hz");
    EXPECT_TRUE(isDown(1026));
    EXPECT_EQ(control<QSlider>(1042)->value(), 3);
    EXPECT_EQ(control<QPlainTextEdit>(1069)->toPlainText(), "one\ntwo\n");
    EXPECT_EQ(model().memoryMapVersion, 2);
}

TEST_F(ConfigDialogTest, ARefusedFileLeavesTheScreenAlone) {
    start();
    const QString path = programDir_.filePath("other.tsf");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Gyro]\r\nProduct=vn341\r\n[Servo]\r\nHigh endpoint=60\r\n");
    file.close();
    driver().then(chooseFile(path, nullptr));
    driver().thenPress("OK");
    click(1066);
    ASSERT_EQ(driver().messages().size(), 1u);
    EXPECT_TRUE(driver().messages()[0].startsWith("\nThe product description"));
    EXPECT_EQ(text(1033), "100");
}

TEST_F(ConfigDialogTest, TheSaveTakesTheCommentLinesAsDisplayed) {
    start();
    auto* box = control<QPlainTextEdit>(1069);
    QString longLine;
    for (int i = 0; i < 30; ++i)
        longLine += QStringLiteral("word%1 ").arg(i);
    box->setPlainText(longLine + "\n\nlast");
    GyroConfig taken = model();
    ASSERT_FALSE(access().screen().takeBoxes(taken));
    const std::optional<std::vector<std::string>> displayed =
        access().screen().commentDisplayLines(taken.userComments);
    ASSERT_TRUE(displayed);
    const std::vector<std::string>& lines = *displayed;
    ASSERT_GT(lines.size(), 3u);
    std::string joined;
    for (std::size_t i = 0; i + 2 < lines.size(); ++i)
        joined += lines[i];
    EXPECT_EQ(joined, longLine.toStdString());
    EXPECT_EQ(lines[lines.size() - 2], "");
    EXPECT_EQ(lines.back(), "last");
}

// --- the safety agreement before "Store to gyro" ---

enum class Close { AgreeTicked, AgreeClear, Cancel, Escape, CloseBox };

struct SafetyCase {
    Close close;
    bool tickFirst;
    int writesStarted;
    const char* warningInFile;
    bool warnedAgain;
};

void answerSafety(ModalDriver& driver, const SafetyCase& c) {
    driver.then([c](QDialog& dialog) {
        if (c.tickFirst)
            QTest::mouseClick(dialog.findChild<QCheckBox*>("idc1084"), Qt::LeftButton);
        switch (c.close) {
            case Close::AgreeTicked:
            case Close::AgreeClear:
                ModalDriver::pressButton(dialog, "I agree");
                break;
            case Close::Cancel:
                ModalDriver::pressButton(dialog, "Cancel");
                break;
            case Close::Escape:
                QTest::keyClick(&dialog, Qt::Key_Escape);
                break;
            case Close::CloseBox:
                dialog.close();
                break;
        }
    });
}

TEST_F(ConfigDialogTest, TheSafetyAgreementDecidesTheStore) {
    const SafetyCase cases[] = {
        {Close::AgreeTicked, true, 1, "WARNING=1", false},
        {Close::AgreeClear, false, 1, "WARNING=0", true},
        {Close::Cancel, true, 0, "WARNING=0", true},
        {Close::Escape, true, 0, "WARNING=0", true},
        {Close::CloseBox, true, 0, "WARNING=0", true},
    };
    for (const SafetyCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.close));
        QFile::remove(preferencesPath());
        startWithGyro();
        answerSafety(driver(), c);
        EXPECT_EQ(storesAfterClicking(), c.writesStarted);
        EXPECT_TRUE(driver().done());
        EXPECT_TRUE(preferencesBytes().contains(QByteArray(c.warningInFile) + "\r\n"));
        // The next store shows the warning again unless the pilot asked not to.
        if (c.warnedAgain)
            driver().thenPress("Cancel");
        EXPECT_EQ(storesAfterClicking(), c.warnedAgain ? 0 : 1);
        EXPECT_TRUE(driver().done());
        EXPECT_EQ(driver().unexpected(), 0);
        closeWindow();
    }
}

TEST_F(ConfigDialogTest, AStoredAgreementHoldsInTheNextRun) {
    startWithGyro("1");
    EXPECT_EQ(storesAfterClicking(), 1);
    EXPECT_EQ(driver().unexpected(), 0);
}

TEST_F(ConfigDialogTest, AnAgreementThatCannotBeKeptIsReported) {
    startWithGyro();
    // A folder where the preferences file was makes every write of it fail.
    ASSERT_TRUE(QFile::remove(preferencesPath()));
    ASSERT_TRUE(QDir(programFolder()).mkdir("TarvelRCGyro.ini"));
    driver().then([](QDialog& dialog) {
        QTest::mouseClick(dialog.findChild<QCheckBox*>("idc1084"), Qt::LeftButton);
        ModalDriver::pressButton(dialog, "I agree");
    });
    driver().thenPress("OK");
    EXPECT_EQ(storesAfterClicking(), 1);
    EXPECT_TRUE(driver().done());
    ASSERT_EQ(driver().messages().size(), 1u);
    EXPECT_TRUE(driver().messages()[0].contains("TarvelRCGyro.ini"));
}

}  // namespace
}  // namespace vn340::testing
