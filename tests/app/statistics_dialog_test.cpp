// The statistics offer's dialog as the pilot handles it: typing, Enter, minimising.

#include "app/statistics_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace vn340 {
namespace {

const char* const kBoxes[] = {"Helicopter make and model", "Tail servo make and model",
                              "Email Address"};

class StatisticsDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dialog.open();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }

    QLineEdit* box(const char* accessibleName) {
        for (QLineEdit* edit : dialog.findChildren<QLineEdit*>()) {
            if (edit->accessibleName() == QLatin1String(accessibleName)) {
                return edit;
            }
        }
        ADD_FAILURE() << "no box " << accessibleName;
        return nullptr;
    }

    StatisticsDialog dialog;
};

TEST_F(StatisticsDialogTest, EnterInABoxSkipsAndSendsNothing) {
    QTest::keyClicks(box("Helicopter make and model"), "Trex 450");
    QTest::keyClick(box("Helicopter make and model"), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.answers().helicopter, "") << "a skip takes nothing";
}

TEST_F(StatisticsDialogTest, WhatWasTypedOutlastsMinimisingAndRestoring) {
    for (const char* name : kBoxes) {
        QTest::keyClicks(box(name), name);
    }
    dialog.setWindowState(Qt::WindowMinimized);
    dialog.setWindowState(Qt::WindowNoState);
    for (const char* name : kBoxes) {
        EXPECT_EQ(box(name)->text(), name);
    }
}

TEST_F(StatisticsDialogTest, EachBoxTakesAtMost100Characters) {
    const QString typed = QString(100, QLatin1Char('x')) + QLatin1Char('y');
    for (const char* name : kBoxes) {
        QTest::keyClicks(box(name), typed);
        EXPECT_EQ(box(name)->text(), typed.left(100)) << name;
    }
}

// The email note's "anonymously" would hide it otherwise.
TEST_F(StatisticsDialogTest, ItSaysTheSerialNumberAlwaysGoesWithTheData) {
    QLabel* note = nullptr;
    QLabel* emailNote = nullptr;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text() == "The gyro's serial number is always sent with the data.") {
            note = label;
        }
        if (label->text().startsWith("Leave the email box empty")) {
            emailNote = label;
        }
    }
    ASSERT_NE(note, nullptr);
    ASSERT_NE(emailNote, nullptr);
    EXPECT_TRUE(note->isVisible());
    EXPECT_GE(note->y(), emailNote->geometry().bottom()) << "below the email note";
}

}  // namespace
}  // namespace vn340
