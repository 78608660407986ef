// The history and compare windows on a real display, driven as the pilot drives them.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <optional>
#include <set>

#include "app/compare_window.h"
#include "app/history_window.h"
#include "app/qt_text.h"
#include "base/memory_file_system.h"
#include "config/config_comparison.h"

namespace vn340 {
namespace {

GyroConfig defaults() {
    GyroConfig config;
    loadDefaults(config);
    return config;
}

template <typename T>
T* child(QWidget& window, const QString& name) {
    T* widget = window.findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name.toStdString();
    return widget;
}

TEST(CompareWindowTest, MarksExactlyTheDifferingRowsAndUsesTheChosenOne) {
    GyroConfig screen = defaults();
    GyroConfig file = defaults();
    screen.servoModel = 33;  // "MKS DS9670", stored as the code of "JR 3500G"
    file.servoModel = 26;
    file.highEndpoint = 120;
    file.direction = Direction::Reverse;
    file.avcsExpo = 0;
    const std::set<Setting> differing{Setting::HighEndpoint, Setting::Direction, Setting::AvcsExpo};

    CompareWindow window;
    std::vector<Setting> used;
    QObject::connect(&window, &CompareWindow::useValueRequested,
                     [&](Setting setting) { used.push_back(setting); });
    window.compare(screen, file, CompareSide::file(QStringLiteral("/models/trex.tsf")));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(child<QLabel>(window, QStringLiteral("header"))
                    ->text()
                    .contains(QStringLiteral("/models/trex.tsf")));

    for (const FieldDescription& field : fieldDescriptions()) {
        SCOPED_TRACE(field.label.data());
        const QString id = QString::number(static_cast<int>(field.setting));
        const bool differs = differing.count(field.setting) != 0;
        QLabel* mark = child<QLabel>(window, QStringLiteral("mark") + id);
        QLabel* other = child<QLabel>(window, QStringLiteral("other") + id);
        ASSERT_TRUE(mark && other);
        EXPECT_EQ(mark->text(), differs ? QString(QChar(kDifferenceMark)) : QString());
        EXPECT_EQ(mark->accessibleName(), differs ? QStringLiteral("differs") : QString());
        EXPECT_EQ(other->font().bold(), differs);
        EXPECT_EQ(window.useButton(field.setting)->isEnabled(), differs);
    }

    QTest::mouseClick(window.useButton(Setting::HighEndpoint), Qt::LeftButton);
    window.useButton(Setting::Direction)->setFocus();
    QTest::keyClick(window.useButton(Setting::Direction), Qt::Key_Space);
    EXPECT_EQ(used, (std::vector<Setting>{Setting::HighEndpoint, Setting::Direction}));

    // The screen takes the value; its row is no longer marked.
    useValue(screen, file, Setting::HighEndpoint);
    window.setScreen(screen);
    EXPECT_FALSE(window.useButton(Setting::HighEndpoint)->isEnabled());
    EXPECT_EQ(child<QLabel>(window, QStringLiteral("screen0"))->text(), QStringLiteral("120"));
}

// After a store whose answer for a word was damaged, the gyro's value of its settings is not
// known: they show none, whatever the screen holds, and are neither counted, marked nor offered;
// the summary says how many there are.
TEST(CompareWindowTest, SettingsNotKnownOnTheGyroShowNoValueAndNoDifference) {
    GyroConfig screen = defaults();
    const GyroConfig gyro = defaults();
    screen.highEndpoint = 120;  // not known on the gyro
    screen.lowEndpoint = 90;    // known there
    GyroKnowledge known = GyroKnowledge::allRead(gyro);
    known.confirmed[0] = false;  // the word of the high endpoint
    known.confirmed[2] = false;  // the clockwise stop gain's, the same on both sides

    CompareWindow window;
    window.compare(screen, gyro, CompareSide::lastRead(known));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    for (const auto& [setting, other, differs] :
         {std::tuple{Setting::HighEndpoint, "not known", false},
          {Setting::CwStopGain, "not known", false},
          {Setting::LowEndpoint, "100", true}}) {
        SCOPED_TRACE(other);
        const QString id = QString::number(static_cast<int>(setting));
        EXPECT_EQ(child<QLabel>(window, "other" + id)->text(), other);
        EXPECT_EQ(child<QLabel>(window, "mark" + id)->text().isEmpty(), !differs);
        EXPECT_EQ(window.useButton(setting)->isEnabled(), differs);
    }
    QLabel* summary = child<QLabel>(window, QStringLiteral("summary"));
    EXPECT_EQ(summary->text(), "1 setting differs. The gyro's values of 2 settings are not known.");
    known.confirmed[2] = true;
    window.compare(screen, gyro, CompareSide::lastRead(known));
    EXPECT_EQ(summary->text(), "1 setting differs. The gyro's value of 1 setting is not known.");
    window.compare(screen, gyro, CompareSide::lastRead(GyroKnowledge::allRead(gyro)));
    EXPECT_EQ(summary->text(), "2 settings differ.");
}

class HistoryWindowTest : public ::testing::Test {
  protected:
    HistoryWindowTest() {
        for (const auto& [minute, serial, high] : {std::tuple{10, "135732", 100},
                                                   {20, "135732", 120},
                                                   {40, "20001", 100},
                                                   {30, "135732", 100}}) {
            now.minute = minute;
            GyroConfig config = defaults();
            config.serialNumber = serial;
            config.highEndpoint = high;
            // The model's name, as the pilot writes it first.
            config.userComments = minute == 20 ? "Trex 450\r\nsoft tail" : "";
            store.record(config, minute == 20 ? SnapshotKind::Stored : SnapshotKind::Read);
        }
        QObject::connect(&window, &HistoryWindow::loadRequested,
                         [this](const Snapshot& s) { loaded = s.path; });
        QObject::connect(&window, &HistoryWindow::compareRequested,
                         [this](const Snapshot& s) { compared = s.path; });
    }

    // Each row as "date time kind differences serial comments".
    std::vector<std::string> rows() {
        std::vector<std::string> texts;
        QTreeWidget* list = child<QTreeWidget>(window, QStringLiteral("snapshots"));
        for (int i = 0; list && i < list->topLevelItemCount(); ++i) {
            QStringList cells;
            for (int column = 0; column < list->columnCount(); ++column) {
                if (!list->isColumnHidden(column)) {
                    cells << list->topLevelItem(i)->text(column);
                }
            }
            texts.push_back(cells.join(QLatin1Char(' ')).trimmed().toStdString());
        }
        return texts;
    }

    MemoryFileSystem files;
    LocalTime now{2026, 12, 8, 22, 0, 0};
    HistoryStore store{"/history", files, [this] { return now; }};
    HistoryWindow window;
    std::string loaded;
    std::string compared;
};

TEST_F(HistoryWindowTest, ListsTheGyrosSnapshotsNewestFirstAndHandsOnTheChosenOne) {
    window.present(store, "135732", defaults());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(rows(), (std::vector<std::string>{"2026-12-08 22:30:00 Read none",
                                                "2026-12-08 22:20:00 Stored 1 setting Trex 450",
                                                "2026-12-08 22:10:00 Read none"}));

    QTreeWidget* list = child<QTreeWidget>(window, QStringLiteral("snapshots"));
    QTest::keyClick(list, Qt::Key_Down);
    QTest::mouseClick(child<QPushButton>(window, QStringLiteral("load")), Qt::LeftButton);
    EXPECT_EQ(loaded, "/history/135732/2026-12-08_222000_stored.tsf");
    QTest::keyClick(list, Qt::Key_Down);
    QTest::mouseClick(child<QPushButton>(window, QStringLiteral("compare")), Qt::LeftButton);
    EXPECT_EQ(compared, "/history/135732/2026-12-08_221000_read.tsf");

    QCheckBox* all = child<QCheckBox>(window, QStringLiteral("allGyros"));
    QTest::keyClick(all, Qt::Key_Space);
    ASSERT_EQ(rows().size(), 4u);
    EXPECT_EQ(rows().front(), "2026-12-08 22:40:00 Read none 20001");

    // Before any read every gyro is shown; the counts follow the screen.
    GyroConfig screen = defaults();
    screen.highEndpoint = 120;
    window.present(store, "", defaults());
    window.setScreen(screen);
    EXPECT_TRUE(all->isChecked() && !all->isEnabled());
    EXPECT_EQ(rows()[2], "2026-12-08 22:20:00 Stored none 135732 Trex 450");
    EXPECT_EQ(rows()[3], "2026-12-08 22:10:00 Read 1 setting 135732");
}

// The text every new configuration starts with is nobody's note: the pilot's own stand out.
TEST_F(HistoryWindowTest, CommentsShowOnlyThePilotsOwnNotes) {
    const std::string untouched(kDefaultUserComments);
    const struct {
        const char* name;
        std::string comments;
        QString shown;
    } rows[] = {
        {"untouched", untouched, QString()},
        {"untouched, blanks after it", untouched + "  \r\n", QString()},
        {"the pilot's line after it", untouched + "\r\nTrex 500", QStringLiteral("Trex 500")},
        {"the pilot's line before it", "Trex 600\r\n" + untouched, QStringLiteral("Trex 600")},
        {"the text changed", untouched + " Trex 700", fromStd(untouched + " Trex 700")},
    };
    QTreeWidget* list = child<QTreeWidget>(window, QStringLiteral("snapshots"));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        GyroConfig config = defaults();
        config.serialNumber = "77" + std::to_string(&row - rows);
        config.userComments = row.comments;
        store.record(config, SnapshotKind::Read);
        window.present(store, config.serialNumber, defaults());
        ASSERT_EQ(list->topLevelItemCount(), 1);
        EXPECT_EQ(list->topLevelItem(0)->text(list->columnCount() - 1), row.shown);
    }
}

// Opened on every gyro, each column is seen whole with 40 characters of comment: no column
// has to be scrolled to. Once the pilot has sized the window, it keeps that size.
TEST_F(HistoryWindowTest, OpensWideEnoughAndKeepsThePilotsSize) {
    now.minute = 59;
    GyroConfig config = defaults();
    config.serialNumber = "135732";
    config.userComments = "Trex 450 Pro, soft tail, new MKS servo 8";
    ASSERT_EQ(config.userComments.size(), 40u);
    store.record(config, SnapshotKind::Unfinished);
    window.present(store, "", defaults());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTreeWidget* list = child<QTreeWidget>(window, QStringLiteral("snapshots"));
    // What the list's own view says a column needs (public only as a view's).
    const QAbstractItemView* view = list;
    int needed = 0;
    for (int column = 0; column < list->columnCount(); ++column) {
        EXPECT_FALSE(list->isColumnHidden(column)) << column;
        needed +=
            std::max(view->sizeHintForColumn(column), list->header()->sectionSizeHint(column));
    }
    EXPECT_LE(needed, list->viewport()->width());

    const QSize pilots = window.size() + QSize(90, 40);
    window.resize(pilots);
    window.close();
    window.present(store, "135732", defaults());
    EXPECT_EQ(window.size(), pilots);
}

// The box cannot be unticked before a gyro has been read (as the list's own test shows); a
// note says why.
TEST_F(HistoryWindowTest, SaysWhyEveryGyroIsListed) {
    QLabel* note = child<QLabel>(window, QStringLiteral("allGyrosNote"));
    ASSERT_NE(note, nullptr);
    for (const std::string serial : {"", "135732", ""}) {
        window.present(store, serial, defaults());
        EXPECT_EQ(note->isVisible(), serial.empty()) << serial;
    }
    EXPECT_FALSE(note->text().isEmpty());
}

}  // namespace
}  // namespace vn340
