// The statistics offer as the window makes it: the offer dialog, which keeps what was typed from
// one offer to the next, and the upload with its progress window, to a server of the test's
// own. When the offer comes and what its answers do to the gyro's word is the controller's,
// tested without a window.

#include <QCheckBox>
#include <QLabel>

#include "app/config_dialog_fixture.h"
#include "loopback_http_server.h"
#include "x_click.h"

namespace vn340::testing {
namespace {

QLineEdit* box(QDialog& dialog, const char* accessibleName) {
    for (QLineEdit* edit : dialog.findChildren<QLineEdit*>()) {
        if (edit->accessibleName() == QLatin1String(accessibleName)) {
            return edit;
        }
    }
    ADD_FAILURE() << "no box " << accessibleName;
    return nullptr;
}

class StatisticsWindowTest : public ConfigDialogTest {
  protected:
    void SetUp() override {
        ConfigDialogTest::SetUp();
        qputenv("VN340_STATISTICS_URL", server_.base().toUtf8());
        start();
    }
    void TearDown() override {
        ConfigDialogTest::TearDown();
        qunsetenv("VN340_STATISTICS_URL");
    }
    FrontEnd& frontEnd() { return access().frontEnd(); }

    LoopbackHttpServer server_;
};

TEST_F(StatisticsWindowTest, TheOfferKeepsWhatWasTypedAndTheUploadReachesTheService) {
    driver().then([](QDialog& offer) {
        EXPECT_EQ(offer.windowTitle(), "Tarvel RC - Send statistical in-flight gyro data ");
        QTest::keyClicks(box(offer, "Helicopter make and model"), "Trex 450+");
        ModalDriver::pressButton(offer, "Send");
    });
    const PilotChoice first = frontEnd().askStatistics();
    EXPECT_TRUE(first.send);
    EXPECT_EQ(first.answers.helicopter, "Trex 450+");
    EXPECT_FALSE(first.doNotAskAgain);
    server_.setAnswer({"200 OK", "ok"});
    EXPECT_EQ(frontEnd().uploadStatistics("ST=0005,HELI=Trex 450+").result,
              SubmitResult::InvalidAnswer);

    driver().then([](QDialog& offer) {
        EXPECT_EQ(box(offer, "Helicopter make and model")->text(), "Trex 450+") << "kept";
        QTest::keyClicks(box(offer, "Email Address"), "pilot@example.org");
        ModalDriver::pressButton(offer, "Send");
    });
    const PilotChoice second = frontEnd().askStatistics();
    EXPECT_EQ(second.answers.email, "pilot@example.org");
    server_.setAnswer({"200 OK", "OK"});
    EXPECT_EQ(frontEnd().uploadStatistics("ST=0005,EMAIL=pilot@example.org").result,
              SubmitResult::Accepted);

    EXPECT_TRUE(driver().done());
    EXPECT_EQ(driver().unexpected(), 0);
    ASSERT_EQ(server_.targets().size(), 2);
    EXPECT_EQ(server_.targets().first(), "/log/log.php?msg=ST%3D0005%2CHELI%3DTrex+450%2B");
    EXPECT_EQ(server_.targets().last(), "/log/log.php?msg=ST%3D0005%2CEMAIL%3Dpilot%40example.org");
}

TEST_F(StatisticsWindowTest, SkipWithDoNotAskIsThePilotsAnswer) {
    driver().then([](QDialog& offer) {
        QTest::mouseClick(offer.findChild<QCheckBox*>(), Qt::LeftButton);
        ModalDriver::pressButton(offer, "Skip");
    });
    const PilotChoice choice = frontEnd().askStatistics();
    EXPECT_FALSE(choice.send);
    EXPECT_TRUE(choice.doNotAskAgain);
    EXPECT_TRUE(driver().done());
}

// The service never answers; the pilot, watching the request's steps, cancels.
TEST_F(StatisticsWindowTest, CancelDuringTheUploadEndsItAsCancelled) {
    server_.setAnswer({"200 OK", "OK", true});
    driver().duringUpload([this](QDialog& progress) {
        EXPECT_EQ(progress.windowModality(), Qt::WindowModal);
        EXPECT_EQ(progress.parentWidget(), &dialog());
        auto* status = progress.findChild<QLabel*>();
        ASSERT_NE(status, nullptr);
        EXPECT_TRUE(eventually([&] { return status->text() == "Request sent"; }))
            << status->text().toStdString();
        EXPECT_EQ(status->accessibleName(), "Request sent");
        QPushButton* cancel = progress.findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        EXPECT_EQ(cancel->accessibleName(), "Cancel");
        // Last: the click must reach the window while the upload waits, not in a wait of ours.
        xClick(*cancel);
    });
    EXPECT_EQ(frontEnd().uploadStatistics("ST=0005").result, SubmitResult::Cancelled);
    EXPECT_TRUE(driver().done());
    EXPECT_EQ(driver().unexpected(), 0);
    EXPECT_TRUE(driver().messages().empty());
    EXPECT_EQ(server_.targets().size(), 1);
}

}  // namespace
}  // namespace vn340::testing
