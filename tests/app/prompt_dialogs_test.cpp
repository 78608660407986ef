#include "app/prompt_dialogs.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace vn340 {
namespace {

enum class Action { ClickFirst, ClickSecond, Enter, Escape, CloseBox };

const char* actionName(Action action) {
    const char* const names[] = {"click first button", "click second button", "Enter", "Escape",
                                 "close box"};
    return names[static_cast<int>(action)];
}

template <typename T>
T* child(QDialog& dialog, const char* name) {
    T* widget = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

void pressKey(QDialog& dialog, Qt::Key key) {
    // The key goes where the pilot's keystroke would: the widget holding the focus.
    QWidget* target = dialog.focusWidget() ? dialog.focusWidget() : &dialog;
    QTest::keyClick(target, key);
}

// Runs the dialog modally; once it is on screen, `act` drives it as the pilot would. A guard
// ends a dialog that `act` failed to close with the result -1, so a broken test fails instead
// of hanging.
int runModal(QDialog& dialog, const std::function<void()>& act) {
    bool shownWhenActing = false;
    QTimer::singleShot(0, &dialog, [&] {
        shownWhenActing = dialog.isVisible() && QApplication::activeModalWidget() == &dialog;
        act();
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &dialog, [&] { dialog.done(-1); });
    guard.start(10000);
    const int result = dialog.exec();
    EXPECT_TRUE(shownWhenActing);
    return result;
}

void perform(QDialog& dialog, Action action, const char* first, const char* second) {
    switch (action) {
        case Action::ClickFirst:
            QTest::mouseClick(child<QPushButton>(dialog, first), Qt::LeftButton);
            break;
        case Action::ClickSecond:
            QTest::mouseClick(child<QPushButton>(dialog, second), Qt::LeftButton);
            break;
        case Action::Enter:
            pressKey(dialog, Qt::Key_Return);
            break;
        case Action::Escape:
            pressKey(dialog, Qt::Key_Escape);
            break;
        case Action::CloseBox:
            // What the window manager does when the close box is clicked.
            dialog.windowHandle()->close();
            break;
    }
}

QRect dialogRect(int x, int y, int width, int height) {
    return QRect(x * 3 / 2, y * 13 / 8, width * 3 / 2, height * 13 / 8);
}

struct Placement {
    const char* name;
    QRect rect;
    QString text;
};

// The dialog's caption, fixed size and font, and its controls where designed; Enter presses
// `defaultButton`.
void expectLayout(QDialog& dialog, const QString& caption, QSize size,
                  const std::vector<Placement>& controls, const char* defaultButton) {
    EXPECT_EQ(dialog.windowTitle(), caption);
    EXPECT_EQ(dialog.size(), size);
    EXPECT_EQ(dialog.minimumSize(), size);
    EXPECT_EQ(dialog.maximumSize(), size);
    EXPECT_EQ(dialog.font().family(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(dialog.font().pointSize(), 8);
    for (const Placement& control : controls) {
        QWidget* widget = child<QWidget>(dialog, control.name);
        if (!widget) {
            continue;
        }
        EXPECT_EQ(widget->geometry(), control.rect) << control.name;
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(button->text(), control.text) << control.name;
        }
    }
    EXPECT_TRUE(child<QPushButton>(dialog, defaultButton)->isDefault());
}

TEST(DialogUnits, ConvertWithTheBaseUnitsOfTheDialogFont) {
    EXPECT_EQ(dialogUnitsToPixelsX(186), 279);
    EXPECT_EQ(dialogUnitsToPixelsY(109), 177);
    EXPECT_EQ(dialogUnitsToPixelsX(7), 10);
    EXPECT_EQ(dialogUnitsToPixelsY(7), 11);
}

// ---------------------------------------------------------------------------------------------

TEST(MessageDialog, LayoutCaptionAndButton) {
    MessageDialog dialog;
    expectLayout(
        dialog, "Tarvel RC", QSize(279, 177),
        {{"idc1003", dialogRect(7, 7, 172, 81), {}}, {"idc1", dialogRect(71, 88, 50, 14), "OK"}},
        "idc1");
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
}

// A long message is never cut off: the label and the dialog grow by what the text needs, the
// button stays under the text, and the next short message has the design's size again.
TEST(MessageDialog, ShowsTheMessageWholeWrappingLongOnesInAGrownLabel) {
    MessageDialog dialog;
    auto* label = child<QLabel>(dialog, "idc1003");
    auto* ok = child<QPushButton>(dialog, "idc1");
    const QRect labelDesign = dialogRect(7, 7, 172, 81);
    const QRect okDesign = dialogRect(71, 88, 50, 14);
    const QString longText = QString("Unable to open the port. ").repeated(40);
    dialog.setMessage(longText);
    EXPECT_EQ(dialog.message(), longText);
    runModal(dialog, [&] {
        EXPECT_EQ(label->text(), longText);
        EXPECT_TRUE(label->wordWrap());
        EXPECT_TRUE(label->alignment() & Qt::AlignHCenter);
        EXPECT_EQ(label->geometry().topLeft(), labelDesign.topLeft());
        EXPECT_EQ(label->width(), labelDesign.width());
        EXPECT_GE(label->height(), label->heightForWidth(label->width()));
        EXPECT_GT(label->height(), labelDesign.height());
        EXPECT_EQ(ok->y() - label->geometry().bottom(), okDesign.y() - labelDesign.bottom());
        EXPECT_EQ(dialog.height() - ok->geometry().bottom(), 177 - okDesign.bottom());
        dialog.accept();
    });
    // A text that fills the design's label exactly, and a short one, keep the design's size.
    for (const QString& text : {QStringLiteral("Read complete"), QString()}) {
        dialog.setMessage(text.isEmpty() ? QStringLiteral("x") : text);
        EXPECT_EQ(label->geometry(), labelDesign);
        EXPECT_EQ(ok->geometry(), okDesign);
        EXPECT_EQ(dialog.size(), QSize(279, 177));
    }
    QString fits = QStringLiteral("x");
    while (label->heightForWidth(label->width()) < labelDesign.height()) {
        fits += QStringLiteral("\nx");
        dialog.setMessage(fits);
    }
    if (label->heightForWidth(label->width()) == labelDesign.height()) {
        EXPECT_EQ(dialog.size(), QSize(279, 177)) << "an exact fit needs no more room";
    } else {
        EXPECT_EQ(dialog.height(),
                  177 + label->heightForWidth(label->width()) - labelDesign.height());
    }
}

// A message that comes while another is open (a device event during a time-out message) waits
// for the pilot to answer the open one; it never replaces its text.
TEST(MessageDialog, AMessageThatComesWhileAnotherIsOpenWaitsItsTurn) {
    MessageDialog dialog;
    std::vector<QString> shown;
    bool secondReturned = false;
    QTimer pilot;
    QObject::connect(&pilot, &QTimer::timeout, &dialog, [&] {
        if (!dialog.isVisible() || QApplication::activeModalWidget() != &dialog) {
            return;
        }
        shown.push_back(child<QLabel>(dialog, "idc1003")->text());
        if (shown.size() == 1) {
            dialog.run(QStringLiteral("The Vexa-Plug was unplugged."));
            secondReturned = true;
            EXPECT_EQ(child<QLabel>(dialog, "idc1003")->text(), QStringLiteral("Time-out"));
        }
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
    });
    pilot.start(5);
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, &dialog, [&] { dialog.done(-1); });
    guard.start(10000);
    dialog.run(QStringLiteral("Time-out"));
    EXPECT_TRUE(secondReturned);
    EXPECT_EQ(shown, (std::vector<QString>{QStringLiteral("Time-out"),
                                           QStringLiteral("The Vexa-Plug was unplugged.")}));
    EXPECT_FALSE(dialog.isVisible());
}

TEST(MessageDialog, OkEnterAndEscapeCloseIt) {
    struct Case {
        Action action;
        int result;
    };
    for (const Case& c :
         {Case{Action::ClickFirst, QDialog::Accepted}, Case{Action::Enter, QDialog::Accepted},
          Case{Action::Escape, QDialog::Rejected}}) {
        SCOPED_TRACE(actionName(c.action));
        MessageDialog dialog;
        dialog.setMessage("Read complete");
        EXPECT_EQ(runModal(dialog, [&] { perform(dialog, c.action, "idc1", nullptr); }), c.result);
        EXPECT_FALSE(dialog.isVisible());
    }
}

// ---------------------------------------------------------------------------------------------

// A screen reader reads the text itself, and announces it as the dialog opens.
TEST(PromptDialogs, ScreenReadersReadTheMessageAndThePrompt) {
    MessageDialog message;
    message.setMessage(QStringLiteral("Read complete, twice."));
    ContinueAbortPrompt prompt;
    prompt.setPrompt(QStringLiteral("Unplug it.\n\nPress Continue"));
    const struct {
        QDialog* dialog;
        const char* label;
        QString text;
    } rows[] = {{&message, "idc1003", message.message()}, {&prompt, "idc1063", prompt.prompt()}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        QAccessibleInterface* label =
            QAccessible::queryAccessibleInterface(child<QLabel>(*row.dialog, row.label));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(QAccessible::Name), row.text);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(row.dialog)->text(QAccessible::Description),
                  row.text);
    }
}

TEST(ContinueAbortPrompt, LayoutCaptionAndButtons) {
    ContinueAbortPrompt dialog;
    expectLayout(dialog, "Tarvel RC", QSize(279, 154),
                 {{"idc1063", dialogRect(7, 7, 172, 60), {}},
                  {"idc1061", dialogRect(31, 74, 50, 14), "Continue"},
                  {"idc1062", dialogRect(111, 74, 50, 14), "Abort"}},
                 "idc1061");
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    dialog.setPrompt("Unplug the adapter, then press Continue.");
    EXPECT_EQ(child<QLabel>(dialog, "idc1063")->text(), dialog.prompt());
}

TEST(ContinueAbortPrompt, ButtonsAndKeysSetTheChoice) {
    constexpr int kContinue = ContinueAbortPrompt::Continue;
    constexpr int kAbort = ContinueAbortPrompt::Abort;
    struct Case {
        Action action;
        int choiceBefore;
        int result;
        int choice;
    };
    const Case cases[] = {
        {Action::ClickFirst, kAbort, QDialog::Accepted, kContinue},
        {Action::ClickSecond, kContinue, QDialog::Accepted, kAbort},
        {Action::Enter, kAbort, QDialog::Accepted, kContinue},
        // Escape leaves the choice of the last run.
        {Action::Escape, kAbort, QDialog::Rejected, kAbort},
        {Action::Escape, kContinue, QDialog::Rejected, kContinue},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(actionName(c.action));
        ContinueAbortPrompt dialog;
        dialog.setPrompt("Plug in the adapter.");
        if (c.choiceBefore == kAbort) {
            runModal(dialog, [&] { perform(dialog, Action::ClickSecond, "idc1061", "idc1062"); });
        }
        ASSERT_EQ(dialog.choice(), c.choiceBefore);
        EXPECT_EQ(runModal(dialog, [&] { perform(dialog, c.action, "idc1061", "idc1062"); }),
                  c.result);
        EXPECT_EQ(dialog.choice(), c.choice);
    }
}

// ---------------------------------------------------------------------------------------------

TEST(OverwritePrompt, LayoutCaptionAndButtons) {
    OverwritePrompt dialog;
    expectLayout(dialog, "Tarvel RC", QSize(279, 154),
                 {{"idc1067", dialogRect(7, 7, 172, 57), {}},
                  {"idc1", dialogRect(41, 74, 50, 14), "Overwrite"},
                  {"idc2", dialogRect(105, 74, 50, 14), "Cancel"}},
                 "idc1");
    dialog.setQuestion("vn340.tsf already exists.\nDo you want to replace it?");
    auto* edit = child<QTextEdit>(dialog, "idc1067");
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_EQ(edit->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(edit->toPlainText(), dialog.question());
}

TEST(OverwritePrompt, OverwriteOnlyByTheButtonOrEnter) {
    struct Case {
        Action action;
        int result;
        int choice;
    };
    const Case cases[] = {
        {Action::ClickFirst, QDialog::Accepted, OverwritePrompt::Overwrite},
        {Action::Enter, QDialog::Accepted, OverwritePrompt::Overwrite},
        {Action::ClickSecond, QDialog::Rejected, OverwritePrompt::Cancel},
        {Action::Escape, QDialog::Rejected, OverwritePrompt::Cancel},
        {Action::CloseBox, QDialog::Rejected, OverwritePrompt::Cancel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(actionName(c.action));
        OverwritePrompt dialog;
        dialog.setQuestion("Overwrite the file?");
        // Start from the opposite answer so that every case shows a change.
        if (c.choice == OverwritePrompt::Overwrite) {
            runModal(dialog, [&] { perform(dialog, Action::ClickSecond, "idc1", "idc2"); });
        }
        ASSERT_NE(dialog.choice(), c.choice);
        EXPECT_EQ(runModal(dialog, [&] { perform(dialog, c.action, "idc1", "idc2"); }), c.result);
        EXPECT_EQ(dialog.choice(), c.choice);
    }
}

// ---------------------------------------------------------------------------------------------

QStringList labelTexts(QDialog& dialog) {
    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        texts << label->text();
    }
    return texts;
}

TEST(SafetyWarningDialog, LayoutCaptionTextsAndButtons) {
    SafetyWarningDialog dialog;
    expectLayout(dialog, "Tarvel RC Safety Warning", QSize(286, 255),
                 {{"idc1084", dialogRect(36, 119, 114, 11), "Don't show this message again"},
                  {"idc1", dialogRect(28, 136, 50, 14), "I agree"},
                  {"idc1085", dialogRect(102, 135, 58, 15), "Cancel"}},
                 "idc1");
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(labelTexts(dialog),
              QStringList({"Updating the parameters in fight can result in loss of tail control "
                           "if incorrect parameters are loaded to your gyro.",
                           "If you are using a Orvo-Jack ensure the helicopter has landed, the "
                           "engine is idling and the rotor has stopped before making any "
                           "configuration changes to your gyro.",
                           "When changes are made always check that everything operates "
                           "correctly before taking off.\n\nYou must agree to follow the above "
                           "guidance before your gyro is updated."}));
    const std::vector<QRect> rects = {dialogRect(7, 7, 177, 20), dialogRect(7, 30, 177, 27),
                                      dialogRect(7, 63, 177, 45)};
    const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 3);
    // A paragraph the stand-in font wraps onto one more line takes the room below its box.
    for (int i = 0; i < 3; ++i) {
        const QRect& design = rects[static_cast<std::size_t>(i)];
        EXPECT_EQ(labels[i]->x(), design.x());
        EXPECT_EQ(labels[i]->width(), design.width());
        EXPECT_GE(labels[i]->y(), design.y());
        EXPECT_GE(labels[i]->height(), design.height());
    }
    EXPECT_EQ(labels[0]->y(), rects[0].y());
    EXPECT_FALSE(dialog.dontShowAgain());
}

TEST(SafetyWarningDialog, TheBoxIsTakenOnlyByIAgree) {
    struct Case {
        bool tick;
        Action action;
        int result;
        bool memberAfter;
    };
    const Case cases[] = {
        {true, Action::ClickFirst, QDialog::Accepted, true},
        {false, Action::ClickFirst, QDialog::Accepted, false},
        {true, Action::Enter, QDialog::Accepted, true},
        {true, Action::ClickSecond, QDialog::Rejected, false},
        {true, Action::Escape, QDialog::Rejected, false},
        {true, Action::CloseBox, QDialog::Rejected, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(actionName(c.action)) + (c.tick ? ", ticked" : ", clear"));
        SafetyWarningDialog dialog;
        auto* box = child<QCheckBox>(dialog, "idc1084");
        const int result = runModal(dialog, [&] {
            EXPECT_FALSE(box->isChecked());
            if (c.tick) {
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
            }
            EXPECT_EQ(box->isChecked(), c.tick);
            // Ticking alone takes nothing.
            EXPECT_FALSE(dialog.dontShowAgain());
            perform(dialog, c.action, "idc1", "idc1085");
        });
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(dialog.dontShowAgain(), c.memberAfter);
    }
}

TEST(SafetyWarningDialog, ReopensWithTheStateLastAgreedTo) {
    SafetyWarningDialog dialog;
    // Agree with the box ticked.
    runModal(dialog, [&] {
        child<QCheckBox>(dialog, "idc1084")->click();
        perform(dialog, Action::ClickFirst, "idc1", "idc1085");
    });
    ASSERT_TRUE(dialog.dontShowAgain());
    // Clear the box, then cancel: the clearing is forgotten.
    runModal(dialog, [&] {
        auto* box = child<QCheckBox>(dialog, "idc1084");
        EXPECT_TRUE(box->isChecked());
        box->click();
        perform(dialog, Action::Escape, "idc1", "idc1085");
    });
    EXPECT_TRUE(dialog.dontShowAgain());
    runModal(dialog, [&] {
        EXPECT_TRUE(child<QCheckBox>(dialog, "idc1084")->isChecked());
        perform(dialog, Action::ClickSecond, "idc1", "idc1085");
    });
}

TEST(PromptDialogs, OpenCentredOverTheMainWindow) {
    QWidget mainWindow;
    mainWindow.setGeometry(120, 90, 640, 480);
    mainWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
    MessageDialog message(&mainWindow);
    ContinueAbortPrompt prompt(&mainWindow);
    OverwritePrompt overwrite(&mainWindow);
    SafetyWarningDialog safety(&mainWindow);
    for (QDialog* dialog : std::vector<QDialog*>{&message, &prompt, &overwrite, &safety}) {
        SCOPED_TRACE(dialog->metaObject()->className());
        runModal(*dialog, [&] {
            // Without a window manager Qt reserves room for a title bar it cannot see (up to
            // 10 px across, 40 px down), so the centres may differ by that much.
            const QPoint offset =
                dialog->frameGeometry().center() - mainWindow.frameGeometry().center();
            EXPECT_LE(std::abs(offset.x()), 10) << offset.x();
            EXPECT_LE(std::abs(offset.y()), 40) << offset.y();
            dialog->reject();
        });
    }
}

}  // namespace
}  // namespace vn340
