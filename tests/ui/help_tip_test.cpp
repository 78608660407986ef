// The help tip in a real window on the X server: the pointer is moved with QCursor::setPos,
// so the server itself reports the moves, and the tip's pixels are read back from the screen.
// The tip's delays run on a virtual clock the test advances.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include "support/virtual_clock.h"
#include "ui/help_tip.h"
#include "ui/qt_geometry.h"

namespace vn340 {
namespace {

using namespace std::chrono_literals;
using testing::kMs;
using testing::VirtualClock;

constexpr auto kShowDelay = 500ms;     // the tip's own
constexpr auto kHideDelay = 100000ms;  // the owner's, as the main window sets it

constexpr const char* kReadText =
    "Read the configuration parameters from your vn340 and display them on the screen.";
constexpr const char* kLoadText =
    "Loads the factory default configuration which will appear on the screen.";

// What the owner window does: every event of the application passes through the tip.
class Relay : public QObject {
  public:
    explicit Relay(HelpTip& tip) : tip_(tip) {}
    std::optional<QPoint> lastMove;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseMove) {
            lastMove = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        }
        tip_.RelayEvent(watched, event);
        return false;
    }

  private:
    HelpTip& tip_;
};

class HelpTipWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        window_.setGeometry(100, 100, 420, 320);
        QPalette palette = window_.palette();
        palette.setColor(QPalette::Window, kGround);
        window_.setPalette(palette);
        window_.setAutoFillBackground(true);
        read_ = button("Read from gyro", 20);
        store_ = button("Store to gyro", 70);
        store_->setEnabled(false);
        help_ = button("Help", 120);
        load_ = button("Load defaults", 170);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
        ASSERT_TRUE(tip_.Create(&window_, true));
        tip_.SetDelayTime(tipdelay::kHide, kHideDelay);
        tip_.AddTool(read_, kReadText);
        tip_.AddTool(store_, "Program your vn340 with the on screen configuration.");
        tip_.AddTool(load_, kLoadText);
        qApp->installEventFilter(&relay_);
    }
    void TearDown() override {
        qApp->removeEventFilter(&relay_);
        tip_.Destroy();
    }

    QPushButton* button(const char* text, int y) {
        auto* b = new QPushButton(QString::fromLatin1(text), &window_);
        b->setGeometry(20, y, 150, 30);
        return b;
    }
    void runFor(std::chrono::milliseconds span) {
        clock_.runUntil(clock_.now() + span.count() * kMs);
    }
    // Runs the clock until the tip is in `wanted`, for a second at most; whether it is.
    bool runUntilState(HelpTip::State wanted) {
        clock_.runWhile([&] { return state() != wanted; }, 1000 * kMs);
        return state() == wanted;
    }
    HelpTip::State state() const { return tip_.DisplayState(); }
    QString shownText() const { return tip_.Window()->accessibleDescription(); }

    // Moves the pointer and waits until the tip has been told.
    void moveTo(QWidget* widget, QPoint local) {
        const QPoint global = widget->mapToGlobal(local);
        if (QCursor::pos() == global) {
            moveTo(widget, local + QPoint(1, 1));  // the server reports only real moves
        }
        QCursor::setPos(global);
        ASSERT_TRUE(QTest::qWaitFor([&] { return relay_.lastMove == global; }, 5000))
            << "the pointer move never arrived";
    }
    void restOn(QWidget* widget, QPoint local = QPoint(40, 15)) {
        moveTo(widget, local);
        runFor(kShowDelay);
        ASSERT_EQ(state(), HelpTip::State::shown);
    }
    QPoint emptyArea() const { return QPoint(300, 260); }

    static constexpr QColor kGround = QColor(200, 160, 120);
    QWidget window_;
    QPushButton* read_ = nullptr;
    QPushButton* store_ = nullptr;
    QPushButton* help_ = nullptr;
    QPushButton* load_ = nullptr;
    VirtualClock clock_;
    HelpTip tip_{clock_};
    Relay relay_{tip_};
};

TEST_F(HelpTipWindow, RestingOnAControlShowsItsTipAfterTheShowDelay) {
    moveTo(read_, QPoint(40, 15));
    runFor(kShowDelay - 1ms);
    EXPECT_EQ(state(), HelpTip::State::hidden);
    runFor(1ms);
    ASSERT_EQ(state(), HelpTip::State::shown);
    EXPECT_TRUE(tip_.Window()->isVisible());
    EXPECT_EQ(shownText(), QString::fromLatin1(kReadText));
    // The tail points at the pointer, and the tip stays for the owner's hide delay.
    EXPECT_EQ(tip_.Window()->pos() + tip_.LastPlacement().tail, QCursor::pos());
    runFor(kHideDelay - 1ms);
    EXPECT_EQ(state(), HelpTip::State::shown);
    runFor(1ms);
    EXPECT_EQ(state(), HelpTip::State::hidden);
}

TEST_F(HelpTipWindow, AMoveAClickAKeyOrTheWheelHidesTheTip) {
    struct Row {
        const char* name;
        std::function<void()> act;
    };
    const Row rows[] = {
        {"move within the control", [&] { moveTo(read_, QPoint(60, 18)); }},
        {"click", [&] { QTest::mouseClick(read_, Qt::LeftButton); }},
        {"right click elsewhere", [&] { QTest::mouseClick(help_, Qt::RightButton); }},
        {"key", [&] { QTest::keyClick(&window_, Qt::Key_A); }},
        {"wheel",
         [&] {
             QWheelEvent wheel(QPointF(5, 5), read_->mapToGlobal(QPointF(5, 5)), QPoint(),
                               QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                               false);
             QApplication::sendEvent(read_, &wheel);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        moveTo(&window_, emptyArea());
        restOn(read_);
        row.act();
        EXPECT_EQ(state(), HelpTip::State::hidden);
        EXPECT_FALSE(tip_.Window()->isVisible());
        // Over the same control the tip does not come back until the pointer has left it.
        moveTo(read_, QPoint(70, 20));
        runFor(kShowDelay);
        EXPECT_EQ(state(), HelpTip::State::hidden);
    }
}

TEST_F(HelpTipWindow, APointerThatKeepsMovingShowsNothingUntilItStops) {
    QSignalSpy changes(&tip_, &HelpTip::stateChanged);
    for (int i = 0; i < 8; ++i) {
        moveTo(read_, QPoint(10 + 15 * i, 15));
        runFor(150ms);  // the pointer's pace, well inside the show delay
    }
    EXPECT_EQ(changes.count(), 0);
    runFor(kShowDelay);
    ASSERT_EQ(state(), HelpTip::State::shown);
}

TEST_F(HelpTipWindow, DisabledAndUntippedPlacesShowNothingAndHideTheTip) {
    struct Row {
        const char* name;
        QWidget* widget;
        QPoint at;
    };
    const Row rows[] = {
        {"disabled control", store_, {40, 15}},
        {"control without a tool", help_, {40, 15}},
        {"the window's own surface", &window_, emptyArea()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        restOn(read_);
        moveTo(row.widget, row.at);
        EXPECT_EQ(state(), HelpTip::State::hidden);
        runFor(kShowDelay);
        EXPECT_EQ(state(), HelpTip::State::hidden);
    }
}

TEST_F(HelpTipWindow, TheInnerPartsOfAControlShowItsTip) {
    auto* ports = new QComboBox(&window_);
    ports->setEditable(true);
    ports->setGeometry(200, 140, 150, 30);
    auto* comments = new QPlainTextEdit(&window_);
    comments->setGeometry(200, 20, 200, 100);
    ports->show();
    comments->show();
    struct Row {
        const char* text;
        QWidget* control;
        QWidget* part;
    };
    const Row rows[] = {
        {"the editable combo box", ports, ports->lineEdit()},
        {"the text box", comments, comments->viewport()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        tip_.AddTool(row.control, row.text);
        moveTo(&window_, emptyArea());
        restOn(row.part, QPoint(10, 10));
        EXPECT_EQ(shownText(), QString::fromLatin1(row.text));
    }
}

TEST_F(HelpTipWindow, MovingToAnotherControlShowsItsTipInstead) {
    restOn(read_);
    moveTo(load_, QPoint(40, 15));
    EXPECT_EQ(state(), HelpTip::State::hidden);
    runFor(kShowDelay);
    ASSERT_EQ(state(), HelpTip::State::shown);
    EXPECT_EQ(shownText(), QString::fromLatin1(kLoadText));
}

TEST_F(HelpTipWindow, ATipShownAtAPointIgnoresThePointerAndStaysUntilHidden) {
    struct Row {
        const char* name;
        std::function<void()> dismiss;
    };
    const Row rows[] = {
        {"Hide", [&] { tip_.Hide(); }},
        {"click", [&] { QTest::mouseClick(help_, Qt::LeftButton); }},
        {"key", [&] { QTest::keyClick(&window_, Qt::Key_Escape); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        tip_.ShowAt(window_.mapToGlobal(QPoint(300, 200)), "Values above 145 are lowered.");
        EXPECT_EQ(state(), HelpTip::State::shown);
        moveTo(read_, QPoint(40, 15));
        moveTo(&window_, emptyArea());
        EXPECT_EQ(state(), HelpTip::State::shown);
        // Neither the hide delay nor a tip of the control passed over takes its place.
        runFor(kHideDelay);
        EXPECT_EQ(state(), HelpTip::State::shown);
        EXPECT_EQ(shownText(), "Values above 145 are lowered.");
        row.dismiss();
        EXPECT_EQ(state(), HelpTip::State::hidden);
    }
}

TEST_F(HelpTipWindow, FadingPassesThroughAppearingAndDisappearing) {
    using S = HelpTip::State;
    tip_.SetDelayTime(tipdelay::kFadeIn, 10ms);
    tip_.SetDelayTime(tipdelay::kFadeOut, 10ms);
    QSignalSpy changes(&tip_, &HelpTip::stateChanged);
    auto states = [&] {
        std::vector<S> out;
        for (const QList<QVariant>& c : changes) {
            out.push_back(c.at(0).value<S>());
        }
        changes.clear();
        return out;
    };
    const QPoint at = window_.mapToGlobal(QPoint(300, 200));
    tip_.ShowAt(at, "first");
    ASSERT_TRUE(runUntilState(S::shown));
    EXPECT_EQ(states(), (std::vector<S>{S::appearing, S::shown}));
    // A second tip waits until the first has faded out.
    tip_.ShowAt(at, "second");
    clock_.runWhile([&] { return shownText() != "second"; }, 1000 * kMs);
    ASSERT_EQ(shownText(), "second");
    ASSERT_TRUE(runUntilState(S::shown));
    EXPECT_EQ(states(), (std::vector<S>{S::disappearing, S::hidden, S::appearing, S::shown}));
    tip_.Hide();
    ASSERT_TRUE(runUntilState(S::hidden));
    EXPECT_EQ(states(), (std::vector<S>{S::disappearing, S::hidden}));
    EXPECT_FALSE(tip_.Window()->isVisible());
}

TEST_F(HelpTipWindow, ALinkClickedInTheTipOpensAndHidesIt) {
    std::vector<std::string> opened;
    tip_.Renderer().SetUrlOpener([&](const std::string& target) {
        opened.push_back(target);
        return true;
    });
    tip_.ShowAt(window_.mapToGlobal(QPoint(300, 200)),
                "See <a href=\"https://example.org/faq\">the questions</a>.");
    QSignalSpy painted(&tip_, &HelpTip::painted);
    ASSERT_TRUE(painted.count() > 0 || painted.wait(5000));
    ASSERT_EQ(tip_.Renderer().LinkAreas().size(), 1u);
    QTest::mouseClick(tip_.Window(), Qt::LeftButton, {},
                      toQRect(tip_.Renderer().LinkAreas()[0].rect).center());
    EXPECT_EQ(opened, std::vector<std::string>{"https://example.org/faq"});
    EXPECT_EQ(state(), HelpTip::State::hidden);
}

TEST_F(HelpTipWindow, LeavingTheWindowHidesTheTip) {
    restOn(read_);
    QCursor::setPos(window_.geometry().bottomRight() + QPoint(60, 60));
    EXPECT_TRUE(QTest::qWaitFor([&] { return state() == HelpTip::State::hidden; }, 5000));
    // Its hide delay went with it.
    QSignalSpy changes(&tip_, &HelpTip::stateChanged);
    runFor(kHideDelay);
    EXPECT_EQ(changes.count(), 0);
}

// Rendered into an image of twice the pixels, as a screen at 2x paints it. A picture made at
// one pixel per pixel and stretched would be uniform in every aligned 2 x 2 block.
TEST_F(HelpTipWindow, TheTipIsPaintedAtTheDevicePixelRatio) {
    tip_.ShowAt(window_.mapToGlobal(QPoint(300, 200)), "Crisp letters at twice the pixels");
    QWidget* w = tip_.Window();
    QImage twice(w->size() * 2, QImage::Format_ARGB32);
    twice.setDevicePixelRatio(2);
    twice.fill(Qt::white);
    w->render(&twice);
    const QRect text = tip_.LastPlacement().body.adjusted(12, 12, -12, -12);
    int mixed = 0;
    for (int y = text.top(); y <= text.bottom(); ++y) {
        for (int x = text.left(); x <= text.right(); ++x) {
            const QRgb p = twice.pixel(2 * x, 2 * y);
            mixed += twice.pixel(2 * x + 1, 2 * y) != p || twice.pixel(2 * x, 2 * y + 1) != p ||
                     twice.pixel(2 * x + 1, 2 * y + 1) != p;
        }
    }
    EXPECT_GT(mixed, 20);
}

TEST_F(HelpTipWindow, TheShadowDarkensTheCapturedBackgroundByItsLevel) {
    struct Row {
        int darkness;
        int transparency;
        QColor shaded;  // the ground (200, 160, 120), each channel * level / 255, truncated
    };
    // Levels 128, 51 and 178.
    const Row rows[] = {
        {50, 0, QColor(100, 80, 60)}, {80, 0, QColor(40, 32, 24)}, {50, 40, QColor(139, 111, 83)}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.darkness * 1000 + row.transparency);
        tip_.SetWindowShadow(6, 6, row.darkness, false, 7, 7);
        tip_.SetTransparency(row.transparency);
        QSignalSpy painted(&tip_, &HelpTip::painted);
        tip_.ShowAt(window_.mapToGlobal(QPoint(300, 200)), "Shadow");
        ASSERT_TRUE(painted.wait(5000));
        const QRect geometry = tip_.Window()->geometry();
        const QRect body = tip_.LastPlacement().body;
        // Beside the body, inside its shadow; and a corner outside both tip and shadow.
        const QPoint shaded(body.right() + 3, body.center().y());
        const QPoint outside(geometry.width() - 1, 0);
        QImage screen;
        // The server shows the painted window a moment after the paint.
        const bool arrived = QTest::qWaitFor(
            [&] {
                screen = QGuiApplication::primaryScreen()
                             ->grabWindow(0, geometry.x(), geometry.y(), geometry.width(),
                                          geometry.height())
                             .toImage();
                return screen.pixelColor(shaded) == row.shaded;
            },
            3000);
        EXPECT_TRUE(arrived) << screen.pixelColor(shaded).name().toStdString() << " for "
                             << row.shaded.name().toStdString();
        EXPECT_EQ(screen.pixelColor(outside), kGround);
        tip_.HideNow();
    }
}

}  // namespace
}  // namespace vn340
