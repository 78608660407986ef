// Around the designed window: the menu bar and its commands, the title naming the file, the
// status area, the screen kept at closing, and a read that repaints only what changed.

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>

#include <cmath>

#include "app/adapter_state.h"
#include "app/history_window.h"
#include "config_dialog_fixture.h"
#include "protocol/memory_map.h"

namespace vn340::testing {
namespace {

using C = Control;

// The relative luminance contrast of two colours, as the accessibility guidelines define it.
double contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class WindowFrameTest : public ConfigDialogTest {
  protected:
    // No statistics offer either.
    ConfigDialog& startWithHistory() {
        return ConfigDialogTest::startWithHistory("DATE=99999999\r\n");
    }

    QMenu* menu(const QString& title) const {
        for (QAction* entry : dialog_->findChild<QMenuBar*>()->actions()) {
            if (entry->text().remove(QLatin1Char('&')) == title) {
                return entry->menu();
            }
        }
        return nullptr;
    }
    QAction* item(const QString& menuTitle, const QString& text) const {
        QMenu* found = menu(menuTitle);
        for (QAction* entry : found ? found->actions() : QList<QAction*>()) {
            if (entry->text().remove(QLatin1Char('&')) == text) {
                return entry;
            }
        }
        return nullptr;
    }
    // What the right-click menu on the bare window holds.
    QList<QAction*> rightClickMenu() {
        const QPoint surface(3, dialog_->height() - 40);
        QContextMenuEvent click(QContextMenuEvent::Mouse, surface, dialog_->mapToGlobal(surface));
        QApplication::sendEvent(dialog_.get(), &click);
        QMenu* popup = nullptr;
        EXPECT_TRUE(eventually([&] {
            popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return popup != nullptr;
        }));
        if (popup == nullptr) {
            return {};
        }
        const QList<QAction*> actions = popup->actions();
        popup->close();
        return actions;
    }
    QLabel* adapterState() const { return dialog_->findChild<QLabel*>("adapterState"); }
};

TEST_F(WindowFrameTest, EveryMenuItemReachesItsCommand) {
    startWithHistory();
    const QList<QAction*> rightClick = rightClickMenu();
    ASSERT_FALSE(rightClick.isEmpty());
    // A button's item clicks the button; every other item is the right-click menu's own.
    const struct {
        const char* menu;
        const char* item;
        std::optional<Control> button;  // none: an item of the right-click menu
    } rows[] = {
        {"File", "Load from file\u2026", C::LoadFromFile},
        {"File", "Save to file\u2026", C::SaveToFile},
        {"File", "History\u2026", {}},
        {"Edit", "Undo", {}},
        {"Edit", "Redo", {}},
        {"Edit", "Revert to gyro values", {}},
        {"Edit", "Load defaults", C::LoadDefaults},
        {"Edit", "Compare\u2026", {}},
        {"Gyro", "Read from gyro", C::ReadFromGyro},
        {"Gyro", "Store to gyro", C::StoreToGyro},
        {"Gyro", "Compare with gyro", {}},
        {"Gyro", "Start diagnostics", {}},
        {"Gyro", "Live signals\u2026", {}},
        {"Gyro", "Detect\u2026", C::Detect},
        {"Help", "Help", C::Help},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.item);
        QAction* entry = item(QString::fromUtf8(row.menu), QString::fromUtf8(row.item));
        ASSERT_NE(entry, nullptr);
        if (!row.button) {
            EXPECT_TRUE(rightClick.contains(entry));
            continue;
        }
        QSignalSpy clicks(control<QPushButton>(*row.button), &QPushButton::clicked);
        entry->trigger();  // a dialog it opens is turned down by the driver
        EXPECT_TRUE(sequenceEnds());
        EXPECT_EQ(clicks.count(), 1);
    }

    QAction* about = item(QStringLiteral("Help"), QStringLiteral("About"));
    ASSERT_NE(about, nullptr);
    about->trigger();
    ASSERT_FALSE(driver().messages().empty());
    EXPECT_TRUE(driver().messages().back().startsWith("About this program:"));

    QAction* quit = item(QStringLiteral("File"), QStringLiteral("Quit"));
    ASSERT_NE(quit, nullptr);
    quit->trigger();
    EXPECT_FALSE(dialog().isVisible());
}

TEST_F(WindowFrameTest, AButtonsItemIsOffWhileItsButtonIs) {
    start();  // no adapter: the gyro's buttons are off
    QAction* read = item(QStringLiteral("Gyro"), QStringLiteral("Read from gyro"));
    ASSERT_NE(read, nullptr);
    EXPECT_FALSE(control(C::ReadFromGyro)->isEnabled());
    EXPECT_FALSE(read->isEnabled());
    QSignalSpy clicks(control<QPushButton>(C::ReadFromGyro), &QPushButton::clicked);
    read->trigger();
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_TRUE(item(QStringLiteral("File"), QStringLiteral("Load from file\u2026"))->isEnabled());
}

TEST_F(WindowFrameTest, TheTitleNamesTheFileAndMarksAScreenThatDiffersFromIt) {
    start();
    const QString base = dialog().windowTitle();
    const QString path = settingsFile(programDir_.filePath("trex.tsf"), 110);
    access().controller().loadFromFileAt(path.toStdString());
    EXPECT_EQ(dialog().windowTitle(), QStringLiteral("trex.tsf \u2014 ") + base);
    typeAndTab(C::HighEndpoint, QStringLiteral("111"));
    EXPECT_EQ(dialog().windowTitle(), QStringLiteral("*trex.tsf \u2014 ") + base);
}

TEST_F(WindowFrameTest, TheScreenChangedAtClosingIsKeptAndTheNextStartSaysWhere) {
    startWithHistory();
    click(C::ReadFromGyro);
    ASSERT_TRUE(sequenceEnds());
    typeAndTab(C::HighEndpoint, QStringLiteral("111"));
    QTest::keyClick(&dialog(), Qt::Key_Escape);  // no question at close
    ASSERT_FALSE(dialog().isVisible());
    EXPECT_EQ(driver().unexpected(), 0);
    const std::vector<Snapshot> kept = HistoryStore(historyFolder()).listAll();
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(kept[0].kind, SnapshotKind::Closed);
    EXPECT_EQ(kept[0].config.highEndpoint, 111);

    const std::string where = kept[0].path.substr(historyFolder().size() + 1);
    startWithHistory();
    EXPECT_TRUE(statusBecomes(QString::fromStdString(closedNoteText(where))));
}

TEST(AdapterStateTextTest, NamesThePortAndWhetherItIsOpen) {
    const struct {
        std::optional<std::string> port;
        bool open;
        QString text;
    } rows[] = {
        {"USB", true, "USB \u2014 open"},
        {"ttyUSB0", false, "ttyUSB0 \u2014 not connected"},
        {std::nullopt, false, "No port \u2014 not connected"},
        {std::nullopt, true, "No port \u2014 not connected"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(adapterStateText(row.port, row.open), row.text);
    }
}

TEST_F(WindowFrameTest, TheStatusAreaIsReadableWideEnoughAndTellsTheAdapter) {
    startWithGyro();
    EXPECT_TRUE(eventually([this] { return adapterState()->text() == "USB \u2014 open"; }))
        << adapterState()->text().toStdString();
    EXPECT_TRUE(adapterState()->isVisible());

    auto* line = control<QLineEdit>(C::StatusLine);
    const QPalette::ColorGroup group = line->isEnabled() ? QPalette::Active : QPalette::Disabled;
    EXPECT_GE(contrast(line->palette().color(group, QPalette::Text),
                       line->palette().color(group, QPalette::Base)),
              4.5);
    // The widest live signals: four digits each, the gain at its full percentage.
    const QString widest = QString::fromStdString(diagnosticsStatusText(1999, 1999, 1999));
    EXPECT_LE(line->fontMetrics().horizontalAdvance(widest) + 8, line->width());
    EXPECT_FALSE(line->geometry().intersects(adapterState()->geometry()));
}

// The window's own painting that a change of the model asks for.
class PaintRecorder : public QObject {
  public:
    QRegion painted;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
};

TEST_F(WindowFrameTest, AModelShownAgainRepaintsOnlyTheControlsThatChanged) {
    start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog()));
    QTest::qWait(100);
    PaintRecorder recorder;
    dialog().installEventFilter(&recorder);
    GyroConfig changed = model();
    changed.highEndpoint += 1;
    access().screen().showModel(changed);
    access().screen().showModel(changed);  // as the next block of a read does
    QTest::qWait(50);
    dialog().removeEventFilter(&recorder);
    // Around the box, the window stays as it was painted.
    const QRect box = control(C::HighEndpoint)->geometry();
    EXPECT_TRUE((recorder.painted - QRegion(box.adjusted(-2, -2, 2, 2))).isEmpty())
        << "painted " << recorder.painted.boundingRect().width() << " x "
        << recorder.painted.boundingRect().height();
}

}  // namespace
}  // namespace vn340::testing
