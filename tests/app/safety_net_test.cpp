// The safety net in the running window, with the simulated gyro behind "USB": its commands,
// their keys and when they are on, the windows they open, and that each first takes what the
// pilot is typing. What the commands do is tested without a window, in tests/session.

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSlider>

#include "app/compare_window.h"
#include "app/history_window.h"
#include "config_dialog_fixture.h"
#include "support/signal_record.h"

namespace vn340::testing {
namespace {

using C = Control;

class SafetyNetTest : public ConfigDialogTest {
  protected:
    void SetUp() override {
        ConfigDialogTest::SetUp();
        // A gyro that holds something other than the factory configuration.
        qputenv("VN340_SIM_OPTIONS", "--no-pace --set 0x0104=77");
    }

    // Everything the pilot sees of the configuration, control by control.
    QStringList screen() const {
        QStringList seen;
        for (Control id :
             {C::HighEndpoint, C::LowEndpoint, C::CwStopGain, C::CcwStopGain, C::StickDeadband,
              C::AvcsExpo, C::RateExpo, C::MidpointTrim, C::AvcsSensitivity}) {
            seen << text(id);
        }
        for (Control id : {C::ServoSelector, C::TypeSelector, C::SpeedSelector}) {
            seen << choice(id);
        }
        for (Control id : {C::AccelProfile, C::DecelProfile}) {
            seen << QString::number(control<QSlider>(id)->value());
        }
        seen << QString::number(isDown(C::NormalButton));
        return seen;
    }
    QAction* action(const char* name) const { return dialog_->findChild<QAction*>(name); }
    QPlainTextEdit* comments() const { return control<QPlainTextEdit>(C::UserComments); }
    // Typed at the end of the comment box, which keeps the focus.
    void typeComments(const QString& text) {
        comments()->setFocus(Qt::MouseFocusReason);
        comments()->moveCursor(QTextCursor::End);
        QTest::keyClicks(comments(), text);
    }
    std::string commentsShown() const { return comments()->toPlainText().toStdString(); }
    std::string commentsKept() const { return model().userComments; }
    SafetyNet& net() const { return access().safetyNet(); }
    // The safety net's commands that are on, in the menu's order.
    QStringList commandsOn() const {
        QStringList on;
        for (const char* name :
             {"undo", "redo", "revertToGyro", "history", "compare", "compareWithGyro"}) {
            if (action(name)->isEnabled()) {
                on << QString::fromLatin1(name);
            }
        }
        return on;
    }
};

// Nothing is on while the gyro is read beside the screen, and Revert only once the screen
// has been read.
TEST_F(SafetyNetTest, CompareWithGyroTakesTheBoxBeingEditedAndOpensTheComparison) {
    startWithHistory();
    EXPECT_EQ(commandsOn(), (QStringList{"history", "compare", "compareWithGyro"}));
    // Still in the box: the command takes what the screen shows.
    typeInto(C::HighEndpoint, QStringLiteral("120"));
    action("compareWithGyro")->trigger();
    EXPECT_EQ(commandsOn(), QStringList());
    ASSERT_TRUE(eventually(
        [&] { return net().compareWindow() != nullptr && net().compareWindow()->isVisible(); }));
    EXPECT_EQ(commandsOn(), (QStringList{"undo", "history", "compare", "compareWithGyro"}));
    EXPECT_EQ(model().highEndpoint, 120);
    EXPECT_EQ(net().compareWindow()->other().cwStopGain, 77);
    EXPECT_EQ(driver().unexpected(), 0);
}

// A store whose answer for one word was damaged leaves that word's setting not known on the
// gyro: Compare shows no value of the gyro's for it, and Revert leaves it as the screen shows
// it, and says so. The compare window's and Revert's own tests show the rest.
TEST_F(SafetyNetTest, ASettingNotKnownAfterAStoreIsNeitherComparedNorReverted) {
    // The 25th reply: after six identification words, the flags and fifteen written words, the
    // clockwise stop gain's as it is read back.
    qputenv("VN340_SIM_OPTIONS", "--no-pace --set 0x0104=77 --corrupt 25");
    startWithHistory();
    typeAndTab(C::CwStopGain, QStringLiteral("150"));
    driver().thenPress("OK");
    click(C::StoreToGyro);
    ASSERT_TRUE(sequenceEnds());
    ASSERT_TRUE(eventually([&] { return driver().done(); }));
    ASSERT_EQ(status(), "Store not verified");
    typeAndTab(C::CwStopGain, QStringLiteral("160"));
    typeAndTab(C::HighEndpoint, QStringLiteral("120"));

    action("compare")->trigger();
    ASSERT_NE(net().compareWindow(), nullptr);
    for (const auto& [setting, shown] :
         {std::pair{Setting::CwStopGain, "not known"}, {Setting::HighEndpoint, "100"}}) {
        const QString name = QStringLiteral("other%1").arg(static_cast<int>(setting));
        EXPECT_EQ(net().compareWindow()->findChild<QLabel*>(name)->text(), shown);
    }
    driver().thenPress("OK");
    action("revertToGyro")->trigger();
    EXPECT_EQ(text(C::HighEndpoint), "100");
    EXPECT_EQ(text(C::CwStopGain), "160");
    EXPECT_EQ(driver().messages().size(), 2u);
    EXPECT_EQ(driver().unexpected(), 0);
}

// The keys and the texts of undo and redo, and the screen they bring back.
TEST_F(SafetyNetTest, UndoAndRedoKeysWalkThroughTheStepsTheirCommandsName) {
    start();
    EXPECT_EQ(commandsOn(), QStringList{"compare"}) << "no steps, no history, no port";
    std::vector<QStringList> screens{screen()};
    typeAndTab(C::HighEndpoint, QStringLiteral("120"));
    screens.push_back(screen());
    pick(C::ServoSelector, 3);  // a servo choice sets type and speed with it
    screens.push_back(screen());
    ASSERT_NE(screens[1], screens[0]);
    ASSERT_NE(screens[2], screens[1]);
    EXPECT_EQ(action("undo")->text(), QStringLiteral("Undo Servo"));
    EXPECT_EQ(action("redo")->text(), QStringLiteral("Redo"));
    EXPECT_EQ(commandsOn(), (QStringList{"undo", "compare"}));

    for (std::size_t i = screens.size() - 1; i > 0; --i) {
        QTest::keyClick(&dialog(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(screen(), screens[i - 1]) << "undo to screen " << i - 1;
    }
    EXPECT_EQ(action("undo")->text(), QStringLiteral("Undo"));
    EXPECT_EQ(action("redo")->text(), QStringLiteral("Redo High endpoint"));
    EXPECT_EQ(commandsOn(), (QStringList{"redo", "compare"}));
    QTest::keyClick(&dialog(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(screen(), screens[1]);
    QTest::keyClick(&dialog(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(screen(), screens[2]);
    EXPECT_EQ(driver().unexpected(), 0);
}

// Typing in the comment box and leaving it is one step, however many keys it took.
TEST_F(SafetyNetTest, CommentsTypedAndLeftAreOneStepThatUndoTakesBack) {
    start();
    const std::string factory = commentsShown();
    typeComments(QStringLiteral("new tail servo"));
    QTest::keyClick(comments(), Qt::Key_Return);
    QTest::keyClicks(comments(), QStringLiteral("fly gently"));
    control(C::Help)->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(commentsKept(), factory + "new tail servo\nfly gently");
    ASSERT_EQ(net().history().steps().count(), 1u);
    EXPECT_EQ(action("undo")->text(), QStringLiteral("Undo User comments"));

    QTest::keyClick(&dialog(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(commentsShown(), factory);
    EXPECT_EQ(commentsKept(), factory);
    EXPECT_EQ(driver().unexpected(), 0);
}

// Every command that puts a configuration on the screen first takes the comments typed, which
// the focus has not left: put back by Revert or "Use", they would be lost for good.
TEST_F(SafetyNetTest, CommandsTakeTheCommentsTypedFirstAndRevertLeavesThem) {
    startWithHistory();
    testing::SignalRecord reads(access().controller().outcomeShown);
    click(C::ReadFromGyro);
    ASSERT_TRUE(sequenceEnds());
    ASSERT_EQ(reads.count(), 1);
    const GyroConfig gyro = model();
    const std::string notes = commentsShown();
    typeAndTab(C::HighEndpoint, QStringLiteral("120"));

    typeComments(QStringLiteral("new tail"));
    action("revertToGyro")->trigger();
    EXPECT_EQ(model().highEndpoint, gyro.highEndpoint);
    EXPECT_EQ(commentsShown(), notes + "new tail");
    EXPECT_EQ(commentsKept(), notes + "new tail");

    // Undo takes back what was typed last; redo brings it again.
    typeComments(QStringLiteral(" servo"));
    action("undo")->trigger();
    EXPECT_EQ(commentsShown(), notes + "new tail");
    action("redo")->trigger();
    EXPECT_EQ(commentsShown(), notes + "new tail servo");
    // What is typed after an undo is a change of its own: there is nothing left to redo.
    action("undo")->trigger();
    typeComments(QStringLiteral(" bracket"));
    action("redo")->trigger();
    EXPECT_EQ(commentsShown(), notes + "new tail bracket");

    typeAndTab(C::HighEndpoint, QStringLiteral("130"));
    action("compare")->trigger();
    ASSERT_NE(net().compareWindow(), nullptr);
    typeComments(QStringLiteral(" loose"));
    QTest::mouseClick(net().compareWindow()->useButton(Setting::HighEndpoint), Qt::LeftButton);
    EXPECT_EQ(model().highEndpoint, gyro.highEndpoint);
    EXPECT_EQ(commentsShown(), notes + "new tail bracket loose");

    action("history")->trigger();
    ASSERT_NE(net().historyWindow(), nullptr);
    ASSERT_TRUE(eventually([&] { return !net().historyWindow()->snapshots().empty(); }));
    typeComments(QStringLiteral(" again"));
    QTest::mouseClick(net().historyWindow()->findChild<QPushButton*>("load"), Qt::LeftButton);
    EXPECT_EQ(commentsKept().rfind("Read from the vn340", 0), 0u);
    action("undo")->trigger();
    EXPECT_EQ(commentsShown(), notes + "new tail bracket loose again");
    EXPECT_EQ(commentsKept(), notes + "new tail bracket loose again");
    EXPECT_EQ(driver().unexpected(), 0);
}

// Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y where the pilot types: the box's own typing not yet taken
// goes first, then the window's steps; the box's menu offers one Undo that does the same.
TEST_F(SafetyNetTest, UndoKeysInABoxTakeBackItsTypingFirstThenTheWindowsSteps) {
    start();
    const QString factory = text(C::LowEndpoint);
    typeAndTab(C::LowEndpoint, QStringLiteral("90"));
    const QString defaultHigh = text(C::HighEndpoint);
    typeInto(C::HighEndpoint, QStringLiteral("120"));
    auto* high = control<QLineEdit>(C::HighEndpoint);
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;

    // However the box groups its typing, it is taken back before any step of the window's.
    for (int i = 0; i < 3 && high->text() != defaultHigh; ++i) {
        QTest::keyClick(high, Qt::Key_Z, ctrl);
        EXPECT_EQ(text(C::LowEndpoint), QStringLiteral("90")) << "press " << i;
    }
    EXPECT_EQ(high->text(), defaultHigh);
    EXPECT_EQ(net().history().steps().done(), 1u);
    QTest::keyClick(high, Qt::Key_Z, ctrl);
    EXPECT_EQ(text(C::LowEndpoint), factory);
    EXPECT_EQ(net().history().steps().done(), 0u);
    QTest::keyClick(high, Qt::Key_Z, ctrlShift);
    EXPECT_EQ(text(C::LowEndpoint), QStringLiteral("90"));
    QTest::keyClick(high, Qt::Key_Z, ctrl);
    QTest::keyClick(high, Qt::Key_Y, ctrl);
    EXPECT_EQ(text(C::LowEndpoint), QStringLiteral("90"));
    EXPECT_EQ(high->text(), defaultHigh) << "typing undone before a step is not brought back";

    // The box's menu: one Undo, which undoes the window's step now that the box has none.
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(2, 2),
                              high->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(high, &menuKey);
    QMenu* menu = nullptr;
    ASSERT_TRUE(eventually([&] {
        menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        return menu != nullptr;
    }));
    QList<QAction*> undos;
    for (QAction* entry : menu->actions()) {
        if (entry->text().remove(QLatin1Char('&')).startsWith(QStringLiteral("Undo"))) {
            undos << entry;
        }
    }
    ASSERT_EQ(undos.size(), 1);
    EXPECT_TRUE(undos[0]->isEnabled());
    undos[0]->trigger();
    menu->close();
    EXPECT_EQ(text(C::LowEndpoint), factory);

    // Typing not yet taken is the newest change: a redo key takes it, and nothing is redone
    // over it.
    typeInto(C::HighEndpoint, QStringLiteral("125"));
    QTest::keyClick(high, Qt::Key_Y, ctrl);
    EXPECT_EQ(high->text(), QStringLiteral("125"));
    EXPECT_EQ(model().highEndpoint, 125);
    EXPECT_EQ(text(C::LowEndpoint), factory);

    // The comment box alike.
    const QString notes = comments()->toPlainText();
    typeComments(QStringLiteral(" soft tail"));
    QTest::keyClick(comments(), Qt::Key_Z, ctrl);
    EXPECT_EQ(comments()->toPlainText(), notes);
    EXPECT_EQ(high->text(), QStringLiteral("125"));
    QTest::keyClick(comments(), Qt::Key_Z, ctrl);
    EXPECT_EQ(high->text(), defaultHigh);
    QTest::keyClick(comments(), Qt::Key_Y, ctrl);
    EXPECT_EQ(high->text(), QStringLiteral("125"));
    EXPECT_EQ(comments()->toPlainText(), notes);
    EXPECT_EQ(driver().unexpected(), 0);
}

}  // namespace
}  // namespace vn340::testing
