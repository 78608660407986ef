// The slow-servo tip in a small window of the main window's size (no window manager under
// Xvfb, so the outer and inner geometry agree), its delay on a virtual clock.
#include <gtest/gtest.h>

#include <QCursor>
#include <QMouseEvent>
#include <QTest>

#include "support/virtual_clock.h"
#include "ui/help_tip.h"
#include "ui/painted_pictures.h"
#include "ui/slow_servo_tip.h"

namespace vn340 {
namespace {

using namespace std::chrono_literals;
using testing::kMs;
using testing::VirtualClock;

constexpr auto kDelay = 700ms;

// Feeds moves over its own surface to the slow-servo tip, as the main window does.
class Surface : public QWidget {
  public:
    std::function<bool(const QPoint&)> onMove;
    std::optional<QPoint> lastMove;

  protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        lastMove = event->position().toPoint();
        if (onMove && onMove(*lastMove)) {
            QWidget::mouseMoveEvent(event);
        }
    }
};

class SlowServoTipTest : public ::testing::Test {
  protected:
    void SetUp() override {
        surface_.setGeometry(50, 50, 644, 484);
        surface_.setMouseTracking(true);
        surface_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&surface_));
        ASSERT_TRUE(tip_.Create(&surface_, true));
        slow_.setArea(speedWarningRect(surface_.frameGeometry().size()));
        surface_.onMove = [this](const QPoint& p) { return slow_.onMouseMove(p); };
    }

    void moveTo(QPoint local) {
        if (QCursor::pos() == surface_.mapToGlobal(local)) {
            moveTo(local + QPoint(1, 1));  // the server reports only real moves
        }
        QCursor::setPos(surface_.mapToGlobal(local));
        ASSERT_TRUE(QTest::qWaitFor([&] { return surface_.lastMove == local; }, 5000));
    }
    void runFor(std::chrono::milliseconds span) {
        clock_.runUntil(clock_.now() + span.count() * kMs);
    }

    Surface surface_;
    VirtualClock clock_;
    HelpTip tip_{clock_};
    int speed_ = 10;  // "0.11", the fastest speed that shows the mark
    SlowServoTip slow_{&surface_, &tip_, [this] { return speed_; }, clock_};
};

// The area is (98, 218) to (130, 250) at this size.
TEST_F(SlowServoTipTest, RestingOnTheMarkWithASlowSpeedShowsTheTipBesideIt) {
    moveTo(QPoint(110, 230));
    runFor(kDelay - 1ms);
    EXPECT_FALSE(slow_.tipShown());
    EXPECT_EQ(tip_.DisplayState(), HelpTip::State::hidden);
    runFor(1ms);
    ASSERT_TRUE(slow_.tipShown());
    EXPECT_EQ(tip_.DisplayState(), HelpTip::State::shown);
    EXPECT_TRUE(tip_.Window()->accessibleDescription().startsWith("Tarvel RC recommends"));
    // Outer corner (50, 50) + ((98 + 130) / 2 + 6, (218 + 250) / 2 + 32 - 6).
    EXPECT_EQ(tip_.Window()->pos() + tip_.LastPlacement().tail, QPoint(170, 310));
    // Moves inside the area (beside the tip, which now covers most of it) change nothing; the
    // first one outside hides the tip.
    moveTo(QPoint(100, 248));
    EXPECT_EQ(tip_.DisplayState(), HelpTip::State::shown);
    moveTo(QPoint(300, 300));
    EXPECT_EQ(tip_.DisplayState(), HelpTip::State::hidden);
    EXPECT_FALSE(slow_.tipShown());
}

// At 966 x 787 the area is (147, 356) to (195, 408): taller than wide. The tip goes half the
// area's width below its middle.
TEST_F(SlowServoTipTest, AnAreaThatIsNotSquarePlacesTheTipByItsWidth) {
    surface_.setGeometry(50, 50, 966, 787);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return surface_.frameGeometry().size() == QSize(966, 787); }));
    slow_.setArea(speedWarningRect(surface_.frameGeometry().size()));
    moveTo(QPoint(10, 10));
    moveTo(QPoint(170, 380));
    runFor(kDelay);
    ASSERT_TRUE(slow_.tipShown());
    // (50, 50) + ((147 + 195) / 2 + 6, (356 + 408) / 2 + 48 - 6).
    EXPECT_EQ(tip_.Window()->pos() + tip_.LastPlacement().tail, QPoint(227, 474));
}

TEST_F(SlowServoTipTest, AFastSpeedOrLeavingEarlyShowsNothing) {
    struct Row {
        const char* name;
        int speed;
        bool leave;
    };
    for (const Row row : {Row{"speed 0.10", 9, false}, Row{"no speed", -1, false},
                          Row{"left within the delay", 12, true}}) {
        SCOPED_TRACE(row.name);
        speed_ = row.speed;
        moveTo(QPoint(10, 10));
        moveTo(QPoint(110, 230));
        if (row.leave) {
            moveTo(QPoint(140, 230));
        }
        runFor(kDelay);
        EXPECT_FALSE(slow_.tipShown());
        EXPECT_EQ(tip_.DisplayState(), HelpTip::State::hidden);
    }
}

}  // namespace
}  // namespace vn340
