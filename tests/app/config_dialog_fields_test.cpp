// Numeric boxes: the check when a box loses the focus, its notice, and the data exchange.

#include <QMenuBar>

#include "config_dialog_fixture.h"

namespace vn340::testing {
namespace {

struct TypedCase {
    Control id;
    const char* typed;
    const char* shown;
    const char* notice;  // nullptr: none
};

// Where the check's value and its notice show; what a box's text means and the limits are the
// core's, tested without a window.
const TypedCase kTyped[] = {
    {Control::HighEndpoint, "20", "30",
     "Endpoint must be greater or equal to 30%\nValue has been changed to 30% automatically"},
    {Control::CcwStopGain, "200", "200", nullptr},
    {Control::MidpointTrim, "-150", "-100",
     "Midpoint trim must be greater or equal to -100\nValue has been changed to -100 "
     "automatically"},
};

TEST_F(WindowTest, LeavingABoxShowsItsCheckedValueAndTheNoticeBesideIt) {
    for (const TypedCase& c : kTyped) {
        SCOPED_TRACE(std::to_string(controlId(c.id)) + " <- " + c.typed);
        // The pointer crossing the window's surface (below the menu bar) ends any notice
        // still shown.
        movePointer(QPoint(4, dialog().findChild<QMenuBar*>()->height() + 4));
        ASSERT_FALSE(tipShown());
        typeAndTab(c.id, c.typed);
        EXPECT_EQ(text(c.id), c.shown);
        if (c.notice == nullptr) {
            EXPECT_FALSE(tipShown());
            continue;
        }
        ASSERT_TRUE(tipShown());
        EXPECT_EQ(tipText(), c.notice);
        // The tail points at the box's top-right corner.
        QWidget* box = control(c.id);
        const Placement& placed = tip().LastPlacement();
        EXPECT_EQ(placed.window.topLeft() + placed.tail, box->mapToGlobal(QPoint(box->width(), 0)));
    }
    EXPECT_EQ(driver().messages().size(), 0u);
}

TEST_F(ConfigDialogTest, ASecondNoticeReplacesTheFirstAndRestartsItsTime) {
    using namespace std::chrono_literals;
    startOnVirtualClock();
    typeAndTab(Control::HighEndpoint, "20");
    ASSERT_TRUE(tipShown());
    runFor(300ms);
    typeAndTab(Control::CwStopGain, "300");
    EXPECT_TRUE(tipText().startsWith("Gain must be less"));
    // The whole 13 seconds again from the second notice, which their end hides.
    runFor(13000ms - 1ms);
    EXPECT_TRUE(tipShown());
    runFor(1ms);
    EXPECT_FALSE(tipShown());
}

TEST_F(WindowTest, TheNoticeEndsWhenThePointerCrossesTheWindowSurface) {
    typeAndTab(Control::HighEndpoint, "20");
    ASSERT_TRUE(tipShown());
    // Over a working control the notice stays; over a label or bare surface it goes.
    movePointer(control(Control::LowEndpoint)->geometry().center());
    EXPECT_TRUE(tipShown());
    movePointer(
        control(Control::HighEndpointLabel)->geometry().center());  // the label "High endpoint"
    EXPECT_FALSE(tipShown());
    typeAndTab(Control::HighEndpoint, "20");
    movePointer(QPoint(dialog().width() - 5, dialog().height() - 5));
    EXPECT_FALSE(tipShown());
    EXPECT_FALSE(access().help().noticeShowing());
}

TEST_F(WindowTest, TextThatIsNoNumberIsRefusedAndSelected) {
    driver().thenPress("OK");
    typeAndTab(Control::LowEndpoint, "abc");
    ASSERT_EQ(driver().messages().size(), 1u);
    EXPECT_EQ(driver().messages()[0], "Please enter an integer.");
    EXPECT_EQ(text(Control::LowEndpoint), "100");
    EXPECT_TRUE(eventually(
        [this] { return control<QLineEdit>(Control::LowEndpoint)->selectedText() == "100"; }));
    EXPECT_EQ(dialog().focusWidget(), control(Control::LowEndpoint));
    EXPECT_EQ(model().lowEndpoint, 100);
    EXPECT_FALSE(tipShown());
}

TEST_F(WindowTest, AFieldCheckAndTheExchangeLeaveTheStatusLineAlone) {
    access().frontEnd().showStatus("Reading firmware");
    typeAndTab(Control::HighEndpoint, "50");
    EXPECT_EQ(status(), "Reading firmware");
    access().screen().showBoxes(model());
    EXPECT_EQ(status(), "Reading firmware");
}

}  // namespace
}  // namespace vn340::testing
