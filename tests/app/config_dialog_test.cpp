// The main window itself: its layout, which controls are on, the keys it takes, what it shows
// of the model, and that each of the pilot's actions reaches the controller. What the actions
// then do is the controller's, tested without a window; the window's one read and store end to
// end run over the serial line (config_dialog_link_test).

#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSlider>

#include "app/drop_down_list.h"
#include "config_dialog_fixture.h"
#include "link/adapter_link.h"
#include "link/port_selection.h"
#include "support/gyro_config_print.h"
#include "support/signal_record.h"

namespace vn340::testing {
namespace {

using C = Control;

// Each setting goes to its own control and comes back from it: a configuration whose settings
// all differ from the factory's and from each other is shown, read off the controls by their
// names, and taken back whole.
TEST_F(WindowTest, EachSettingIsShownInItsOwnControlAndTakenBackFromIt) {
    GyroConfig shown = model();
    shown.highEndpoint = 101;
    shown.lowEndpoint = 102;
    shown.cwStopGain = 103;
    shown.ccwStopGain = 104;
    shown.stickDeadband = 6;
    shown.avcsExpo = -7;
    shown.rateExpo = 8;
    shown.avcsSensitivity = 109;
    shown.midpointTrim = -10;
    shown.servoModel = 23;
    shown.servoType = 3;
    shown.servoSpeed = 11;
    shown.accelProfile = 2;
    shown.decelProfile = 13;
    shown.direction = Direction::Reverse;
    shown.firmwareVersion = "1.09";
    shown.loaderVersion = "2.01";
    shown.serialNumber = "12345";
    shown.userComments = "Trex 450";
    access().screen().showModel(shown);
    struct Shown {
        Control id;
        const char* text;
    };
    const Shown boxes[] = {
        {C::HighEndpoint, "101"},     {C::LowEndpoint, "102"},     {C::CwStopGain, "103"},
        {C::CcwStopGain, "104"},      {C::StickDeadband, "6"},     {C::AvcsExpo, "-7"},
        {C::RateExpo, "8"},           {C::AvcsSensitivity, "109"}, {C::MidpointTrim, "-10"},
        {C::FirmwareVersion, "1.09"}, {C::LoaderVersion, "2.01"},  {C::SerialNumber, "12345"}};
    for (const Shown& box : boxes) {
        EXPECT_EQ(text(box.id), box.text) << controlId(box.id);
    }
    EXPECT_EQ(choice(C::ServoSelector), "JR 810G");
    EXPECT_EQ(choice(C::TypeSelector), "960usec/333Hz");
    EXPECT_EQ(choice(C::SpeedSelector), "0.12");
    EXPECT_EQ(control<QSlider>(C::AccelProfile)->value(), 2);
    EXPECT_EQ(control<QSlider>(C::DecelProfile)->value(), 13);
    EXPECT_TRUE(isDown(C::ReverseButton));
    EXPECT_FALSE(isDown(C::NormalButton));
    EXPECT_EQ(control<QPlainTextEdit>(C::UserComments)->toPlainText(), "Trex 450");

    GyroConfig taken = model();
    EXPECT_EQ(access().screen().takeAll(taken), std::nullopt);
    EXPECT_EQ(taken, shown);
}

TEST_F(WindowTest, TitleAndFixedSize) {
    EXPECT_EQ(dialog().windowTitle(), "Tarvel RC vn340 Gyro Configuration Version Ver 1.11");
    // The designed 637 x 458, with the menu bar above it and the status area below it.
    EXPECT_EQ(dialog().size(), QSize(637, dialog().findChild<QMenuBar*>()->height() + 481));
    EXPECT_EQ(dialog().minimumSize(), dialog().maximumSize());
    EXPECT_EQ(dialog().font().family(), "MS Sans Serif");
    EXPECT_EQ(dialog().font().pointSize(), 8);
}

TEST_F(WindowTest, ControlsSitWhereDesignedWithNames) {
    struct Placed {
        Control id;
        QRect pixels;  // x*3/2, y*13/8 of the design, below the menu bar
        const char* accessibleName;
    };
    const Placed placed[] = {
        {C::HighEndpoint, {130, 117, 43, 19}, "High endpoint"},
        {C::MidpointTrim, {130, 159, 43, 19}, "Midpoint trim"},
        {C::NormalButton, {400, 21, 57, 17}, "Normal"},
        {C::ReverseButton, {463, 21, 52, 17}, "Reverse"},
        {C::AccelProfile, {454, 151, 130, 32}, "Acceleration profile"},
        {C::UserComments, {285, 351, 334, 87}, "User Comments"},
        {C::Detect, {183, 286, 70, 17}, "Detect"},
        {C::Help, {148, 367, 105, 19}, "Help"},
        {C::FirmwareVersion, {199, 21, 43, 19}, "Firmware version"},
        {C::StatusLine, {9, 461, 411, 14}, "Status"},
        {C::ServoGroup, {9, 102, 256, 152}, "Servo"},
        {C::SpeedUnitLabel, {192, 227, 63, 13}, "sec/60 deg"},
    };
    const int top = dialog().findChild<QMenuBar*>()->height();
    for (const Placed& p : placed) {
        QWidget* widget = control(p.id);
        ASSERT_NE(widget, nullptr) << controlId(p.id);
        EXPECT_EQ(widget->geometry(), p.pixels.translated(0, top)) << controlId(p.id);
        EXPECT_EQ(widget->accessibleName(), p.accessibleName) << controlId(p.id);
    }
    // That no caption is cut short is checked with every other dialog's texts.
    // Drop-down lists keep their place and width; the height is that of the closed list.
    EXPECT_EQ(control(C::ServoSelector)->geometry().topLeft(), QPoint(130, 180 + top));
    EXPECT_EQ(control(C::ServoSelector)->width(), 120);
}

constexpr Control kHidden[] = {C::StatisticsList, C::Bit8, C::Bit10, C::Bit11, C::Bit12};

TEST_F(WindowTest, HiddenControlsAndReadOnlyBoxes) {
    for (Control id : kHidden) {
        EXPECT_TRUE(control(id)->isHidden()) << controlId(id);
    }
    EXPECT_EQ(control<QCheckBox>(C::Bit11)->text(), "Bit11");
    EXPECT_TRUE(control<QListWidget>(C::StatisticsList)->isSortingEnabled());
    for (Control id : {C::FirmwareVersion, C::LoaderVersion, C::SerialNumber, C::StatusLine}) {
        EXPECT_FALSE(control(id)->isEnabled()) << controlId(id);
    }
    EXPECT_TRUE(control<QComboBox>(C::PortSelector)->isVisible());
}

TEST_F(ConfigDialogTest, EnterNeitherClosesNorPresses) {
    startWithGyro();
    testing::SignalRecord outcomes(access().controller().outcomeShown);
    for (Control id : {C::HighEndpoint, C::Help, C::ReadFromGyro}) {
        control(id)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(control(id), Qt::Key_Return);
        QTest::keyClick(control(id), Qt::Key_Enter);
    }
    QTest::qWait(50);
    EXPECT_TRUE(dialog().isVisible());
    EXPECT_TRUE(access().controller().engine().idle());
    EXPECT_EQ(outcomes.count(), 0);
    EXPECT_EQ(driver().messages().size(), 0u);
    EXPECT_EQ(driver().unexpected(), 0);
}

TEST_F(WindowTest, EnterInTheCommentBoxStartsANewLine) {
    auto* box = control<QPlainTextEdit>(C::UserComments);
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
        if (escape) {
            QTest::keyClick(control(C::HighEndpoint), Qt::Key_Escape);
        } else {
            dialog().close();
        }
        EXPECT_FALSE(dialog().isVisible());
        EXPECT_EQ(dialog().result(), QDialog::Rejected);
        EXPECT_FALSE(access().controller().link().transports().usbDeviceOpen());
        EXPECT_EQ(access().controller().link().transport(), Transport::None);
    }
}

TEST_F(WindowTest, DirectionButtonsAreNeverBothDownOrBothUp) {
    struct Step {
        Control clicked;
        bool normalAfter;
    };
    // From Normal down: clicking the one that is down releases it and presses the other.
    const Step steps[] = {{C::NormalButton, false},  {C::NormalButton, true},
                          {C::ReverseButton, false}, {C::ReverseButton, true},
                          {C::ReverseButton, false}, {C::NormalButton, true}};
    for (const Step& step : steps) {
        click(step.clicked);
        EXPECT_EQ(isDown(C::NormalButton), step.normalAfter) << controlId(step.clicked);
        EXPECT_EQ(isDown(C::ReverseButton), !step.normalAfter) << controlId(step.clicked);
    }
}

// Each of the pilot's actions on a control reaches the controller as its step, and the
// controls show what the step made of the configuration.
TEST_F(WindowTest, EachControlPassesThePilotsActionOnAsItsStep) {
    testing::SignalRecord changes(access().controller().pilotChanged);
    struct Row {
        const char* step;
        std::function<void()> act;
        std::function<void()> check;
    };
    const Row rows[] = {
        {"High endpoint", [this] { typeAndTab(C::HighEndpoint, "120"); },
         [this] { EXPECT_EQ(model().highEndpoint, 120); }},
        {"Clockwise stop gain", [this] { typeAndTab(C::CwStopGain, "300"); },
         [this] { EXPECT_EQ(text(C::CwStopGain), "200"); }},
        {"Servo", [this] { pick(C::ServoSelector, 23); },
         [this] {
             EXPECT_EQ(model().servoModel, 23);
             EXPECT_EQ(choice(C::SpeedSelector), "0.10") << "what the servo brought, shown";
         }},
        {"Speed", [this] { pick(C::SpeedSelector, 12); },
         [this] { EXPECT_EQ(model().servoSpeed, 12); }},
        {"Type",
         [this] {
             auto* type = control<QComboBox>(C::TypeSelector);
             type->setFocus();
             type->setCurrentIndex(1);
             QTest::keyClick(type, Qt::Key_Up);  // to "1520usec/333Hz"
         },
         [this] { EXPECT_EQ(choice(C::ServoSelector), "Generic"); }},
        {"Acceleration profile",
         [this] {
             control(C::AccelProfile)->setFocus();
             QTest::keyClick(control(C::AccelProfile), Qt::Key_Home);
         },
         [this] { EXPECT_EQ(model().accelProfile, 0); }},
        {"Deceleration profile",
         [this] {
             control(C::DecelProfile)->setFocus();
             QTest::keyClick(control(C::DecelProfile), Qt::Key_Left);
         },
         [this] { EXPECT_EQ(model().decelProfile, 14); }},
        {"Direction", [this] { click(C::ReverseButton); },
         [this] { EXPECT_EQ(model().direction, Direction::Reverse); }},
        {"Load defaults", [this] { click(C::LoadDefaults); },
         [this] { EXPECT_EQ(text(C::HighEndpoint), "100"); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.step);
        changes.clear();
        row.act();
        ASSERT_EQ(changes.count(), 1);
        EXPECT_EQ(std::get<0>(changes.calls.at(0)).step, row.step);
        row.check();
    }
}

TEST_F(WindowTest, ClosingTheServoListAppliesTheServoAgain) {
    pick(C::ServoSelector, 23);  // JR 810G
    pick(C::SpeedSelector, 12);  // "0.13", the pilot's own
    auto* servo = qobject_cast<DropDownList*>(control(C::ServoSelector));
    servo->showPopup();
    servo->hidePopup();
    EXPECT_EQ(choice(C::ServoSelector), "JR 810G");
    EXPECT_EQ(choice(C::SpeedSelector), "0.10");
}

TEST_F(WindowTest, DetectAsksThePilotToUnplugTheAdapterFirst) {
    driver().then([](QDialog& prompt) {
        auto* question = qobject_cast<ContinueAbortPrompt*>(&prompt);
        ASSERT_NE(question, nullptr);
        EXPECT_EQ(question->prompt().toStdString(), port_text::kUnplug);
        ModalDriver::pressButton(prompt, "Abort");
    });
    click(C::Detect);
    EXPECT_TRUE(driver().done());
    EXPECT_EQ(driver().unexpected(), 0);
}

TEST_F(WindowTest, SwitchingTheControlsOffTouchesNoChoice) {
    int portListsClosed = 0;
    QObject::connect(qobject_cast<DropDownList*>(control(C::PortSelector)),
                     &DropDownList::listClosed, [&portListsClosed] { ++portListsClosed; });
    pick(C::ServoSelector, 23);
    pick(C::SpeedSelector, 12);
    access().screen().enableControls(false);
    access().screen().enableControls(true);
    EXPECT_EQ(choice(C::SpeedSelector), "0.13");
    EXPECT_EQ(portListsClosed, 0);
}

TEST_F(WindowTest, SelectorsListTheTablesWithItemData) {
    auto* servo = control<QComboBox>(C::ServoSelector);
    auto* type = control<QComboBox>(C::TypeSelector);
    auto* speed = control<QComboBox>(C::SpeedSelector);
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

TEST_F(WindowTest, SlidersRunFromSlowToFast) {
    for (Control id : {C::AccelProfile, C::DecelProfile}) {
        EXPECT_EQ(control<QSlider>(id)->minimum(), 0);
        EXPECT_EQ(control<QSlider>(id)->maximum(), 15);
    }
}

TEST_F(WindowTest, HelpShowsHowToUseTheTips) {
    driver().thenPress("OK");
    click(C::Help);
    ASSERT_EQ(driver().messages().size(), 1u);
    const QString& message = driver().messages()[0];
    EXPECT_TRUE(
        message.startsWith("Place the mouse cursor over text boxes, sliders or buttons to "
                           "activate help.\n\n\nAbout this program:\nTarvel vn340 "
                           "Configuration Editor\nVer 1.11\n\n"));
    EXPECT_GT(message.size(), 120);
}

constexpr Control kSequenceControls[] = {
    C::HighEndpoint, C::LowEndpoint,  C::CwStopGain,      C::CcwStopGain,   C::StickDeadband,
    C::RateExpo,     C::AvcsExpo,     C::AvcsSensitivity, C::AccelProfile,  C::DecelProfile,
    C::MidpointTrim, C::PortSelector, C::LoadFromFile,    C::SaveToFile,    C::StoreToGyro,
    C::ReadFromGyro, C::LoadDefaults, C::Detect,          C::SpeedSelector, C::ServoSelector,
    C::TypeSelector, C::NormalButton, C::ReverseButton,   C::UserComments,  C::Help};

// Diagnostics too are off while a read or a store runs: Ctrl+D used to cut a store short.
TEST_F(ConfigDialogTest, ARunningSequenceSwitchesOffAllItsControls) {
    startWithGyro();
    auto* diagnostics = dialog().findChild<QAction*>("command32");
    click(C::ReadFromGyro);
    ASSERT_FALSE(access().controller().engine().idle());
    for (Control id : kSequenceControls) {
        EXPECT_FALSE(control(id)->isEnabled()) << controlId(id);
    }
    EXPECT_FALSE(diagnostics->isEnabled());
    QTest::keyClick(&dialog(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(diagnostics->text(), "Start diagnostics");
    // Others stay as they were.
    for (Control id : kHidden) {
        EXPECT_TRUE(control(id)->isHidden()) << controlId(id);
    }
    EXPECT_FALSE(control(C::FirmwareVersion)->isEnabled());
    ASSERT_TRUE(sequenceEnds());
    EXPECT_EQ(status(), "Read complete");
    for (Control id : kSequenceControls) {
        EXPECT_TRUE(control(id)->isEnabled()) << controlId(id);
    }
    EXPECT_TRUE(diagnostics->isEnabled());
    EXPECT_FALSE(control(C::StatusLine)->isEnabled());
}

// A read or a store that ended early says so on the status line, under its message and once
// the message is answered: the window puts nothing of its own over it.
TEST_F(ConfigDialogTest, ASequenceEndedEarlySaysSoOnTheStatusLine) {
    // The gyro falls silent during the sequence.
    for (const auto& [simOptions, button, said] :
         {std::tuple{"--no-pace --silent-from 3", C::ReadFromGyro, "Read did not finish"},
          {"--no-pace --silent-from 12", C::StoreToGyro, "Store did not finish"}}) {
        SCOPED_TRACE(said);
        qputenv("VN340_SIM_OPTIONS", simOptions);
        startWithHistory();
        testing::SignalRecord ended(access().controller().outcomeShown);
        QString statusWhileAsked;
        driver().then([&](QDialog& message) {
            statusWhileAsked = status();
            ModalDriver::pressButton(message, "OK");
        });
        click(button);
        ASSERT_TRUE(eventually([&] { return ended.count() == 1; }, kSequenceWait));
        // What the window does once the outcome has been shown.
        QCoreApplication::processEvents();
        EXPECT_EQ(statusWhileAsked, said);
        EXPECT_EQ(status(), said);
        EXPECT_EQ(driver().unexpected(), 0);
    }
}

TEST_F(ConfigDialogTest, GyroButtonsSwitchTogether) {
    startWithGyro();
    access().screen().enableGyroButtons(false);
    EXPECT_FALSE(control(C::ReadFromGyro)->isEnabled());
    EXPECT_FALSE(control(C::StoreToGyro)->isEnabled());
    EXPECT_TRUE(control(C::SaveToFile)->isEnabled());
    access().screen().enableGyroButtons(true);
    EXPECT_TRUE(control(C::ReadFromGyro)->isEnabled());
    EXPECT_TRUE(control(C::StoreToGyro)->isEnabled());
}

TEST_F(WindowTest, StatusShowsAtOnceAndClearsAfterThreeSeconds) {
    access().frontEnd().showStatus("Read complete");
    EXPECT_EQ(status(), "Read complete");
    // What the pilot types meanwhile survives the clearing.
    typeInto(C::LowEndpoint, "77");
    access().sequenceHost().armTimer(SequenceTimer::StatusClear, kStatusClearDelay);
    auto* timer = access().sequenceTimers().findChild<QTimer*>("timer115");
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_TRUE(timer->isSingleShot());
    EXPECT_EQ(timer->interval(), 3000);
    // The end of the 3 seconds clears the line; run them short here.
    timer->start(10);
    EXPECT_TRUE(eventually([this] { return status().isEmpty(); })) << status().toStdString();
    EXPECT_EQ(text(C::LowEndpoint), "77");
    access().screen().showBoxes(model());
    EXPECT_EQ(status(), "") << "cleared for the next exchange too";
}

TEST_F(WindowTest, HiddenBitBoxesMirrorTheServoFlags) {
    access().screen().setServoFlagBoxes(0x1100 | 0x0200);  // bits 8, 9 and 12
    access().screen().showBoxes(model());
    EXPECT_TRUE(control<QCheckBox>(C::Bit8)->isChecked());
    EXPECT_FALSE(control<QCheckBox>(C::Bit10)->isChecked());
    EXPECT_FALSE(control<QCheckBox>(C::Bit11)->isChecked());
    EXPECT_TRUE(control<QCheckBox>(C::Bit12)->isChecked());
}

// The window's questions give back the answer as the pilot closed them.
TEST_F(WindowTest, TheWindowsQuestionsAnswerAsThePilotClosedThem) {
    FrontEnd& frontEnd = access().frontEnd();
    // The box keeps the state last agreed to; a click turns it.
    const auto safety = [&](bool clickTheBox, const QString& button) {
        driver().then([clickTheBox, button](QDialog& dialog) {
            if (clickTheBox) {
                QTest::mouseClick(dialog.findChild<QCheckBox*>("idc1084"), Qt::LeftButton);
            }
            ModalDriver::pressButton(dialog, button);
        });
        return frontEnd.askSafetyAgreement();
    };
    EXPECT_EQ(safety(true, "I agree"), std::optional<bool>(true));
    EXPECT_EQ(safety(true, "I agree"), std::optional<bool>(false));
    EXPECT_EQ(safety(false, "Cancel"), std::nullopt);

    const char* const question = "The file a.tsf already exists.  Overwrite or Cancel?";
    driver().thenPress("Overwrite");
    EXPECT_TRUE(frontEnd.askOverwrite(question));
    EXPECT_EQ(access().dialogs().overwritePrompt().question(), question);
    driver().thenPress("Cancel");
    EXPECT_FALSE(frontEnd.askOverwrite(question));

    driver().thenPress("Continue");
    EXPECT_EQ(frontEnd.askContinueAbort("?"), PromptAnswer::Continue);
    driver().thenPress("Abort");
    EXPECT_EQ(frontEnd.askContinueAbort("?"), PromptAnswer::Abort);
    driver().thenKey(Qt::Key_Escape);
    EXPECT_EQ(frontEnd.askContinueAbort("?"), PromptAnswer::Escape);
    EXPECT_TRUE(driver().done());
    EXPECT_EQ(driver().unexpected(), 0);
}

// --- diagnostics: the context menu and Ctrl+D ---

TEST_F(ConfigDialogTest, DiagnosticsFromTheContextMenuShowTheLiveSignalsUntilStopped) {
    qputenv("VN340_SIM_OPTIONS", "--no-pace --live 512,1600,2020");
    startWithGyro();
    // A right click on the window's own surface (below the menu bar), away from every control.
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
    EXPECT_FALSE(control(C::ReadFromGyro)->isEnabled());

    QTest::keyClick(&dialog(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(item->text(), "Start diagnostics");
    EXPECT_TRUE(sequenceEnds());
    EXPECT_TRUE(control(C::ReadFromGyro)->isEnabled());
    EXPECT_TRUE(driver().messages().empty());
}

// Ctrl+D does not take the focus from the box being typed in: the window names that box.
TEST_F(ConfigDialogTest, CtrlDKeepsTheNumberBeingTypedBeforeDiagnosticsRefreshTheBoxes) {
    startWithGyro();
    typeInto(C::CwStopGain, "150");
    QTest::keyClick(control(C::CwStopGain), Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(eventually([&] { return status().startsWith("Gyro = "); }, kSequenceWait));
    EXPECT_EQ(text(C::CwStopGain), "150");
    QTest::keyClick(&dialog(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(sequenceEnds());
    EXPECT_EQ(model().cwStopGain, 150);
}

}  // namespace
}  // namespace vn340::testing
