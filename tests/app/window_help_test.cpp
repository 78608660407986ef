// The help on the main window: tips on resting the pointer, none where there is nothing to
// explain, the painted pictures and the slow-servo tip, notices, and the help a screen reader
// reads. The pointer is the X server's own: moves reach the window as the pilot's do, labels
// and group boxes included.

#include <QCursor>
#include <QGroupBox>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>

#include <algorithm>
#include <vector>

#include "app/window_help.h"
#include "config_dialog_fixture.h"
#include "controls/help_texts.h"
#include "markup/markup_plain_text.h"
#include "ui/help_tip.h"
#include "ui/painted_pictures.h"

namespace vn340::testing {
namespace {

using C = Control;

// Where the pointer was last seen moving, by anything in the program.
class MoveWatcher : public QObject {
  public:
    MoveWatcher() { qApp->installEventFilter(this); }
    std::optional<QPoint> last;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseMove && watched->isWidgetType()) {
            last = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        }
        return false;
    }
};

// The window started without an adapter; a test that needs one starts it again.
class WindowHelpTest : public WindowTest {
  protected:
    bool tipWaiting() { return tip().ShowWaiting(); }

    // Moves the real pointer to `target` on the screen and waits until the program saw it.
    void pointAt(QPoint target) {
        if (QCursor::pos() == target) {
            target += QPoint(1, 0);  // the server reports real moves only
        }
        QCursor::setPos(target);
        ASSERT_TRUE(QTest::qWaitFor([&] { return moves_.last == target; }, 5000));
    }
    void restOn(QWidget* widget) { pointAt(widget->mapToGlobal(widget->rect().center())); }
    void pointTo(QPoint local) { pointAt(dialog().mapToGlobal(local)); }
    // Somewhere on the screen far from the window.
    static QPoint offTheWindow() { return QPoint(1275, 1019); }

    // The designed window, and with it the mark, lies below the menu bar.
    QRect markRect() {
        const int top = dialog().findChild<QMenuBar*>()->height();
        return speedWarningRect(QSize(637, 458) + kDesignFrame).translated(0, top);
    }

    // The mark's area as the screen shows it.
    QImage markArea() {
        const QRect area = markRect();
        return dialog()
            .screen()
            ->grabWindow(dialog().winId(), area.x(), area.y(), area.width(), area.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }

    MoveWatcher moves_;
};

TEST_F(WindowHelpTest, RestingOnAControlShowsItsTipUntilAClick) {
    startWithGyro();
    restOn(control(C::ReadFromGyro));
    ASSERT_TRUE(QTest::qWaitFor([this] { return tipShown(); }, 5000));
    EXPECT_EQ(tipText(),
              QString::fromStdString(markupPlainText(helpTextFor(Control::ReadFromGyro))));
    click(C::ReadFromGyro);
    EXPECT_FALSE(tipShown());
    ASSERT_TRUE(sequenceEnds());
}

TEST_F(WindowHelpTest, NothingToExplainWaitsForNoTip) {
    // No adapter: the gyro buttons are off.
    ASSERT_FALSE(control(C::ReadFromGyro)->isEnabled());
    const struct {
        Control id;
        const char* what;
    } rows[] = {{C::ReadFromGyro, "a disabled control"},
                {C::Help, "\"Help\""},
                {C::HighEndpointLabel, "a label"},
                {C::StatusLine, "the status line"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        // From a control with a tip, which starts the wait, onto one without.
        restOn(control(C::LoadDefaults));
        ASSERT_TRUE(tipWaiting() || tipShown());
        restOn(control(row.id));
        EXPECT_FALSE(tipWaiting());
        EXPECT_FALSE(tipShown());
    }
}

TEST_F(WindowHelpTest, TheSlowServoMarkShowsForSlowSpeedsOnly) {
    // "Generic", a fast servo: no mark.
    ASSERT_LT(control<QComboBox>(C::SpeedSelector)->currentIndex(), kSlowSpeedPosition - 1);
    const QImage without = markArea();
    pick(C::SpeedSelector, kSlowSpeedPosition);  // "0.11"
    EXPECT_TRUE(QTest::qWaitFor([&] { return markArea() != without; }, 5000));
    pick(C::SpeedSelector, kSlowSpeedPosition - 1);  // "0.10"
    EXPECT_TRUE(QTest::qWaitFor([&] { return markArea() == without; }, 5000));
}

TEST_F(WindowHelpTest, RestingOnTheMarkShowsTheSlowServoTipUntilThePointerLeaves) {
    pick(C::SpeedSelector, 12);  // "0.12"
    // The mark lies in the group box "Servo", which takes the pointer's moves.
    const QPoint mark = markRect().center();
    ASSERT_NE(qobject_cast<QGroupBox*>(dialog().childAt(mark)), nullptr);
    pointTo(mark - QPoint(40, 0));
    pointTo(mark);
    ASSERT_TRUE(QTest::qWaitFor([this] { return tipShown(); }, 5000));
    EXPECT_TRUE(tipText().startsWith("Tarvel RC recommends"));
    QCursor::setPos(offTheWindow());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !tipShown(); }, 5000));
}

TEST_F(WindowHelpTest, ANoticeFollowsItsBoxWhenTheWindowMoves) {
    QCursor::setPos(offTheWindow());
    typeAndTab(C::HighEndpoint, "20");
    ASSERT_TRUE(tipShown());
    QWidget* box = control(C::HighEndpoint);
    const QPoint corner = box->mapToGlobal(QPoint(box->width(), 0));
    dialog().move(dialog().pos() + QPoint(40, 30));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return box->mapToGlobal(QPoint(box->width(), 0)) == corner + QPoint(40, 30); },
        5000));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return tip().Window()->pos() + tip().LastPlacement().tail == corner + QPoint(40, 30);
        },
        5000));
    EXPECT_TRUE(tipShown());
}

// The window's own painting, drawn alone, is the pictures on the bare surface. None of it may
// lie under a control or the status line (group boxes only frame them).
TEST_F(WindowHelpTest, ThePaintedPicturesCoverNoControl) {
    pick(C::SpeedSelector, kSlowSpeedPosition);
    QImage own(dialog().size(), QImage::Format_RGB32);
    dialog().render(&own, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    const QRgb ground = own.pixel(0, 0);
    std::vector<QPoint> painted;
    for (int y = 0; y < own.height(); ++y) {
        for (int x = 0; x < own.width(); ++x) {
            if (own.pixel(x, y) != ground) {
                painted.emplace_back(x, y);
            }
        }
    }
    ASSERT_GT(painted.size(), 1000u);
    for (const QWidget* child : dialog().findChildren<QWidget*>()) {
        if (child->isWindow() || !child->isVisible() || qobject_cast<const QGroupBox*>(child)) {
            continue;
        }
        const QRect area(child->mapTo(&dialog(), QPoint()), child->size());
        const auto under = std::count_if(painted.begin(), painted.end(),
                                         [&](const QPoint& p) { return area.contains(p); });
        EXPECT_EQ(under, 0) << child->objectName().toStdString() << " "
                            << child->accessibleName().toStdString();
    }
}

TEST_F(WindowHelpTest, AScreenReaderReadsTheHelpOfAControl) {
    const struct {
        Control control;
        QString prefix;
    } rows[] = {{Control::ReadFromGyro, {}},
                {Control::UserComments, {}},
                {Control::RateExpo, "Mode 1 (Rate)\n"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.control));
        EXPECT_EQ(control(row.control)->accessibleDescription(),
                  row.prefix + QString::fromStdString(markupPlainText(helpTextFor(row.control))));
    }
}

}  // namespace
}  // namespace vn340::testing
