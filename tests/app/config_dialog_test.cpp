// The main window: start-up, layout, and the events that are not field checks or files.

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSlider>

#include "app/drop_down_list.h"
#include "config_dialog_fixture.h"
#include "link/adapter_link.h"

namespace vn340::testing {
namespace {

TEST_F(ConfigDialogTest, FirstStartWritesPreferencesAndShowsDefaults) {
    ASSERT_FALSE(QFile::exists(preferencesPath()));
    start();
    const QByteArray expected = "[Settings]\r\nLAST DIRECTORY=" + programFolder().toUtf8() +
                                "\r\nCOM PORT=\r\nDATE=0\r\nWARNING=0\r\n";
    EXPECT_EQ(preferencesBytes(), expected);

    struct Shown {
        int id;
        const char* text;
    };
    const Shown edits[] = {{1033, "100"}, {1034, "100"}, {1045, "0"},   {1039, "5"},
                           {1041, "-50"}, {1040, "-50"}, {1037, "100"}, {1038, "100"},
                           {1048, "100"}, {1046, ""},    {1055, ""},    {1050, ""}};
    for (const Shown& edit : edits)
        EXPECT_EQ(text(edit.id), edit.text) << edit.id;
    EXPECT_EQ(choice(1044), "Generic");
    EXPECT_EQ(choice(1051), "1520usec/333Hz");
    EXPECT_EQ(choice(1052), "0.05");
    EXPECT_TRUE(isDown(1027));
    EXPECT_FALSE(isDown(1026));
    EXPECT_EQ(control<QSlider>(1042)->value(), 15);
    EXPECT_EQ(control<QSlider>(1043)->value(), 15);
    EXPECT_EQ(control<QPlainTextEdit>(1069)->toPlainText(),
              "Use this area to make notes related to this configuration or your model.");
    EXPECT_EQ(control<QComboBox>(1001)->currentIndex(), -1);
    EXPECT_FALSE(control(1031)->isEnabled());
    EXPECT_FALSE(control(1032)->isEnabled());
    EXPECT_TRUE(control(1064)->isEnabled());
    EXPECT_EQ(model().memoryMapVersion, 3);
    EXPECT_EQ(driver().messages().size(), 0u);
}

TEST_F(ConfigDialogTest, ExistingPreferencesAreReadNotRewritten) {
    writePreferences("[Settings]\r\nCOM PORT=ttyUSB0\r\nLAST DIRECTORY=/x\r\nWARNING=yes\r\n");
    start();
    const Preferences& preferences = access().controller().preferences();
    EXPECT_EQ(preferences.lastDirectory, "/x");
    EXPECT_TRUE(preferences.skipSafetyWarning);
    // The saved port is not present, so it is forgotten in memory only.
    EXPECT_EQ(preferences.savedPort, "");
    EXPECT_TRUE(preferencesBytes().contains("COM PORT=ttyUSB0"));
}

TEST_F(ConfigDialogTest, TitleAndFixedSize) {
    start();
    EXPECT_EQ(dialog().windowTitle(), "Tarvel RC vn340 Gyro Configuration Version Ver 1.11");
    // The designed 637 x 458, with the menu bar above it and the status area below it.
    EXPECT_EQ(dialog().size(), QSize(637, dialog().findChild<QMenuBar*>()->height() + 481));
    EXPECT_EQ(dialog().minimumSize(), dialog().maximumSize());
    EXPECT_EQ(dialog().font().family(), "MS Sans Serif");
    EXPECT_EQ(dialog().font().pointSize(), 8);
}

TEST_F(ConfigDialogTest, ControlsSitWhereDesignedWithNames) {
    start();
    struct Placed {
        int id;
        QRect pixels;  // x*3/2, y*13/8 of the design, below the menu bar
        const char* accessibleName;
    };
    const Placed placed[] = {
        {1033, {130, 117, 43, 19}, "High endpoint"},
        {1045, {130, 159, 43, 19}, "Midpoint trim"},
        {1027, {400, 21, 57, 17}, "Normal"},
        {1026, {463, 21, 52, 17}, "Reverse"},
        {1042, {454, 151, 130, 32}, "Acceleration profile"},
        {1069, {285, 351, 334, 87}, "User Comments"},
        {1060, {183, 286, 70, 17}, "Detect"},
        {1067, {148, 367, 105, 19}, "Help"},
        {1046, {199, 21, 43, 19}, "Firmware version"},
        {1077, {9, 461, 411, 14}, "Status"},
        {1094, {9, 102, 256, 152}, "Servo"},
        {1054, {192, 227, 63, 13}, "sec/60 deg"},
    };
    const int top = dialog().findChild<QMenuBar*>()->height();
    for (const Placed& p : placed) {
        QWidget* widget = control(p.id);
        ASSERT_NE(widget, nullptr) << p.id;
        EXPECT_EQ(widget->geometry(), p.pixels.translated(0, top)) << p.id;
        EXPECT_EQ(widget->accessibleName(), p.accessibleName) << p.id;
    }
    // That no caption is cut short is checked with every other dialog's texts.
    // Drop-down lists keep their place and width; the height is that of the closed list.
    EXPECT_EQ(control(1044)->geometry().topLeft(), QPoint(130, 180 + top));
    EXPECT_EQ(control(1044)->width(), 120);
}

TEST_F(ConfigDialogTest, HiddenControlsAndReadOnlyBoxes) {
    start();
    for (int id : {1073, 1086, 1087, 1088, 1089})
        EXPECT_TRUE(control(id)->isHidden()) << id;
    EXPECT_EQ(control<QCheckBox>(1088)->text(), "Bit11");
    EXPECT_TRUE(control<QListWidget>(1073)->isSortingEnabled());
    for (int id : {1046, 1055, 1050, 1077})
        EXPECT_FALSE(control(id)->isEnabled()) << id;
    EXPECT_TRUE(control<QComboBox>(1001)->isVisible());
}

TEST_F(ConfigDialogTest, EnterNeitherClosesNorPresses) {
    startWithGyro();
    QSignalSpy reads(&access().controller(), &ConfigController::readCompleted);
    for (int id : {1033, 1067, 1031}) {
        control(id)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(control(id), Qt::Key_Return);
        QTest::keyClick(control(id), Qt::Key_Enter);
    }
    QTest::qWait(50);
    EXPECT_TRUE(dialog().isVisible());
    EXPECT_TRUE(access().controller().engine().idle());
    EXPECT_EQ(reads.count(), 0);
    EXPECT_EQ(driver().messages().size(), 0u);
    EXPECT_EQ(driver().unexpected(), 0);
}

TEST_F(ConfigDialogTest, EnterInTheCommentBoxStartsANewLine) {
    start();
    auto* box = control<QPlainTextEdit>(1069);
    box->setFocus(Qt::MouseFocusReason);
    box->clear();
    QTest::keyClicks(box, "a");
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClicks(box, "b");
    EXPECT_EQ(box->toPlainText(), "a\nb");
    EXPECT_TRUE(dialog().isVisible());
}

TEST_F(ConfigDialogTest, EscapeAndTheCloseBoxRunTheClosingSteps) {
    for (bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "Escape" : "close box");
        startWithGyro();
        if (escape)
            QTest::keyClick(control(1033), Qt::Key_Escape);
        else
            dialog().close();
        EXPECT_FALSE(dialog().isVisible());
        EXPECT_EQ(dialog().result(), QDialog::Rejected);
        EXPECT_FALSE(access().controller().link().transports().usbDeviceOpen());
        EXPECT_EQ(access().controller().link().transport(), Transport::None);
    }
}

TEST_F(ConfigDialogTest, DirectionButtonsAreNeverBothDownOrBothUp) {
    start();
    struct Step {
        int clicked;
        bool normalAfter;
    };
    // From Normal down: clicking the one that is down releases it and presses the other.
    const Step steps[] = {{1027, false}, {1027, true},  {1026, false},
                          {1026, true},  {1026, false}, {1027, true}};
    for (const Step& step : steps) {
        click(step.clicked);
        EXPECT_EQ(isDown(1027), step.normalAfter) << step.clicked;
        EXPECT_EQ(isDown(1026), !step.normalAfter) << step.clicked;
    }
}

TEST_F(ConfigDialogTest, ServoChoiceSetsTypeAndSpeed) {
    start();
    struct Row {
        int position;
        const char* servo;
        const char* type;
        const char* speed;
    };
    const Row rows[] = {{9, "Futaba BLS251", "760usec/560Hz", "0.06"},
                        {23, "JR 810G", "1520usec/250Hz", "0.10"},
                        {32, "LogicTech 6100G", "960usec/333Hz", "0.05"},
                        {33, "MKS DS9670", "1520usec/333Hz", "0.09"}};
    for (const Row& row : rows) {
        pick(1044, row.position);
        EXPECT_EQ(choice(1044), row.servo);
        EXPECT_EQ(choice(1051), row.type) << row.servo;
        EXPECT_EQ(choice(1052), row.speed) << row.servo;
        EXPECT_EQ(control<QComboBox>(1044)->currentData().toInt(),
                  servoTable()[static_cast<std::size_t>(row.position)].servoCode);
    }
}

TEST_F(ConfigDialogTest, TypeChangeFallsBackToGenericButSpeedStays) {
    start();
    pick(1044, 23);  // JR 810G: 1520usec/250Hz, 0.10
    pick(1052, 12);  // a speed of the pilot's own keeps the servo
    EXPECT_EQ(choice(1044), "JR 810G");
    EXPECT_EQ(choice(1052), "0.13");
    control<QComboBox>(1051)->setFocus();
    control<QComboBox>(1051)->setCurrentIndex(1);
    QTest::keyClick(control(1051), Qt::Key_Up);  // to "1520usec/333Hz"
    EXPECT_EQ(choice(1051), "1520usec/333Hz");
    EXPECT_EQ(choice(1044), "Generic");
    EXPECT_EQ(choice(1052), "0.13");
    // Back to the type the servo implied: "Generic" stays.
    pick(1051, 2);
    EXPECT_EQ(choice(1044), "Generic");
}

TEST_F(ConfigDialogTest, ClosingTheServoListAppliesTheServoAgain) {
    start();
    pick(1044, 23);  // JR 810G
    pick(1052, 12);  // "0.13", the pilot's own
    auto* servo = qobject_cast<DropDownList*>(control(1044));
    servo->showPopup();
    servo->hidePopup();
    EXPECT_EQ(choice(1044), "JR 810G");
    EXPECT_EQ(choice(1052), "0.10");
}

TEST_F(ConfigDialogTest, SwitchingTheControlsOffTouchesNoChoice) {
    start();
    int portListsClosed = 0;
    QObject::connect(qobject_cast<DropDownList*>(control(1001)), &DropDownList::listClosed,
                     [&portListsClosed] { ++portListsClosed; });
    pick(1044, 23);
    pick(1052, 12);
    access().screen().enableControls(false);
    access().screen().enableControls(true);
    EXPECT_EQ(choice(1052), "0.13");
    EXPECT_EQ(portListsClosed, 0);
}

TEST_F(ConfigDialogTest, SelectorsListTheTablesWithItemData) {
    start();
    auto* servo = control<QComboBox>(1044);
    auto* type = control<QComboBox>(1051);
    auto* speed = control<QComboBox>(1052);
    ASSERT_EQ(servo->count(), 39);
    ASSERT_EQ(type->count(), 4);
    ASSERT_EQ(speed->count(), 15);
    EXPECT_EQ(servo->itemText(38), "Sky HDS-877");
    EXPECT_EQ(servo->itemData(38).toInt(), 23);
    EXPECT_EQ(type->itemText(3), "960usec/333Hz");
    EXPECT_EQ(type->itemData(3).toInt(), 3);
    EXPECT_EQ(speed->itemText(10), "0.11");
    EXPECT_EQ(speed->itemData(10).toInt(), 11);
}

TEST_F(ConfigDialogTest, SlidersRunFromSlowToFast) {
    start();
    for (int id : {1042, 1043}) {
        auto* slider = control<QSlider>(id);
        EXPECT_EQ(slider->minimum(), 0);
        EXPECT_EQ(slider->maximum(), 15);
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Home);
        EXPECT_EQ(slider->value(), 0);
    }
    EXPECT_EQ(model().accelProfile, 0);
    EXPECT_EQ(model().decelProfile, 0);
}

TEST_F(ConfigDialogTest, LoadDefaultsPutsTheFactoryConfigurationBack) {
    start();
    typeAndTab(1033, "120");
    pick(1044, 9);
    click(1026);
    control<QSlider>(1042)->setValue(3);
    access().model().firmwareVersion = "1.09";
    access().screen().showBoxes(model());
    click(1064);
    EXPECT_EQ(text(1033), "100");
    EXPECT_EQ(choice(1044), "Generic");
    EXPECT_EQ(choice(1052), "0.05");
    EXPECT_TRUE(isDown(1027));
    EXPECT_FALSE(isDown(1026));
    EXPECT_EQ(control<QSlider>(1042)->value(), 15);
    EXPECT_EQ(text(1046), "1.09");  // identification is not the pilot's to reset
}

TEST_F(ConfigDialogTest, HelpShowsHowToUseTheTips) {
    start();
    driver().thenPress("OK");
    click(1067);
    ASSERT_EQ(driver().messages().size(), 1u);
    const QString& message = driver().messages()[0];
    EXPECT_TRUE(
        message.startsWith("Place the mouse cursor over text boxes, sliders or buttons to "
                           "activate help.\n\n\nAbout this program:\nTarvel vn340 "
                           "Configuration Editor\nVer 1.11\n\n"));
    EXPECT_GT(message.size(), 120);
}

constexpr int kSequenceControls[] = {1033, 1034, 1037, 1038, 1039, 1041, 1040, 1048, 1042,
                                     1043, 1045, 1001, 1066, 1065, 1032, 1031, 1064, 1060,
                                     1052, 1044, 1051, 1027, 1026, 1069, 1067};

TEST_F(ConfigDialogTest, ARunningSequenceSwitchesOffAllItsControls) {
    startWithGyro();
    click(1031);
    ASSERT_FALSE(access().controller().engine().idle());
    for (int id : kSequenceControls)
        EXPECT_FALSE(control(id)->isEnabled()) << id;
    // Others stay as they were.
    for (int id : {1073, 1086, 1087, 1088, 1089})
        EXPECT_TRUE(control(id)->isHidden()) << id;
    EXPECT_FALSE(control(1046)->isEnabled());
    ASSERT_TRUE(sequenceEnds());
    EXPECT_EQ(status(), "Read complete");
    for (int id : kSequenceControls)
        EXPECT_TRUE(control(id)->isEnabled()) << id;
    EXPECT_FALSE(control(1077)->isEnabled());
}

TEST_F(ConfigDialogTest, GyroButtonsSwitchTogether) {
    startWithGyro();
    access().screen().enableGyroButtons(false);
    EXPECT_FALSE(control(1031)->isEnabled());
    EXPECT_FALSE(control(1032)->isEnabled());
    EXPECT_TRUE(control(1065)->isEnabled());
    access().screen().enableGyroButtons(true);
    EXPECT_TRUE(control(1031)->isEnabled());
    EXPECT_TRUE(control(1032)->isEnabled());
}

TEST_F(ConfigDialogTest, StatusShowsAtOnceAndClearsAfterThreeSeconds) {
    start();
    access().frontEnd().showStatus("Read complete");
    EXPECT_EQ(status(), "Read complete");
    // What the pilot types meanwhile survives the clearing.
    typeInto(1034, "77");
    access().sequenceHost().armTimer(SequenceTimer::StatusClear, kStatusClearDelay);
    auto* timer = dialog().findChild<QTimer*>("timer115");
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_TRUE(timer->isSingleShot());
    EXPECT_EQ(timer->interval(), 3000);
    // The end of the 3 seconds clears the line; run them short here.
    timer->start(10);
    EXPECT_TRUE(eventually([this] { return status().isEmpty(); })) << status().toStdString();
    EXPECT_EQ(text(1034), "77");
    access().screen().showBoxes(model());
    EXPECT_EQ(status(), "") << "cleared for the next exchange too";
}

TEST_F(ConfigDialogTest, HiddenBitBoxesMirrorTheServoFlags) {
    start();
    access().screen().setServoFlagBoxes(0x1100 | 0x0200);  // bits 8, 9 and 12
    access().screen().showBoxes(model());
    EXPECT_TRUE(control<QCheckBox>(1086)->isChecked());
    EXPECT_FALSE(control<QCheckBox>(1087)->isChecked());
    EXPECT_FALSE(control<QCheckBox>(1088)->isChecked());
    EXPECT_TRUE(control<QCheckBox>(1089)->isChecked());
}

// --- the one place every change the pilot makes passes ---

int directionOf(const GyroConfig& config) {
    return config.direction == Direction::Normal ? 0 : 1;
}

TEST_F(ConfigDialogTest, EveryChangeThePilotMakesPassesByItsStep) {
    struct Row {
        const char* step;
        std::function<void()> act;
        std::function<int(const GyroConfig&)> value;
        int before;
        int after;
    };
    const auto member = [](int GyroConfig::*field) {
        return [field](const GyroConfig& config) { return config.*field; };
    };
    const Row rows[] = {
        {"High endpoint", [this] { typeAndTab(1033, "120"); }, member(&GyroConfig::highEndpoint),
         100, 120},
        // What the check made of the typed value is the change.
        {"Clockwise stop gain", [this] { typeAndTab(1037, "300"); },
         member(&GyroConfig::cwStopGain), 100, 200},
        {"Rudder exponential, Mode 1 (Rate)", [this] { typeAndTab(1041, "7"); },
         member(&GyroConfig::rateExpo), -50, 7},
        {"Servo", [this] { pick(1044, 23); }, member(&GyroConfig::servoModel), 0, 23},
        {"Speed", [this] { pick(1052, 12); }, member(&GyroConfig::servoSpeed), 4, 12},
        {"Type", [this] { pick(1051, 2); }, member(&GyroConfig::servoType), 0, 2},
        {"Acceleration profile",
         [this] {
             control(1042)->setFocus();
             QTest::keyClick(control(1042), Qt::Key_Home);
         },
         member(&GyroConfig::accelProfile), 15, 0},
        {"Deceleration profile",
         [this] {
             control(1043)->setFocus();
             QTest::keyClick(control(1043), Qt::Key_Left);
         },
         member(&GyroConfig::decelProfile), 15, 14},
        {"Direction", [this] { click(1026); }, directionOf, 0, 1},
        {"Load defaults",
         [this] {
             typeAndTab(1034, "90");
             click(1064);
         },
         member(&GyroConfig::lowEndpoint), 90, 100},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.step);
        start();
        QSignalSpy changes(&access().controller(), &ConfigController::pilotChanged);
        row.act();
        ASSERT_FALSE(changes.isEmpty());
        const auto change = changes.takeLast().at(0).value<PilotChange>();
        EXPECT_EQ(change.step, row.step);
        EXPECT_EQ(row.value(change.before), row.before);
        EXPECT_EQ(row.value(change.after), row.after);
        EXPECT_EQ(row.value(model()), row.after) << "the model is what the step made it";
    }
}

TEST_F(ConfigDialogTest, AReadThatCompletesIsAChangeAStoreIsNot) {
    startWithGyro("1");
    ConfigController& controller = access().controller();
    QSignalSpy changes(&controller, &ConfigController::pilotChanged);
    QSignalSpy reads(&controller, &ConfigController::readCompleted);
    QSignalSpy stores(&controller, &ConfigController::storeCompleted);

    click(1031);
    EXPECT_TRUE(changes.isEmpty()) << "a read is told only once it has completed";
    ASSERT_TRUE(sequenceEnds());
    EXPECT_EQ(reads.count(), 1);
    ASSERT_EQ(changes.count(), 1);
    const auto read = changes.takeFirst().at(0).value<PilotChange>();
    EXPECT_EQ(read.step, "Read from gyro");
    EXPECT_EQ(read.before.firmwareVersion, "");
    EXPECT_EQ(read.after.firmwareVersion, text(1046).toStdString());
    EXPECT_FALSE(read.after.firmwareVersion.empty());

    click(1032);
    ASSERT_TRUE(sequenceEnds());
    EXPECT_EQ(status(), "Write complete");
    EXPECT_EQ(stores.count(), 1);
    EXPECT_EQ(reads.count(), 1);
    EXPECT_TRUE(changes.isEmpty()) << "storing changes nothing on screen";
}

}  // namespace
}  // namespace vn340::testing
