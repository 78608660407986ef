// The statistics offer in the window, after a read of the simulated gyro (through the simulated
// D2XX library) that finds statistics waiting, with the upload going to a server of the test's
// own. Whether the word was cleared on the gyro shows in the next read.

#include <QCheckBox>
#include <QDate>
#include <QLabel>

#include "app/config_dialog_fixture.h"
#include "link/adapter_link.h"
#include "loopback_http_server.h"
#include "protocol/sequence_engine.h"
#include "x_click.h"

namespace vn340::testing {
namespace {

QLineEdit* box(QDialog& dialog, const char* accessibleName) {
    for (QLineEdit* edit : dialog.findChildren<QLineEdit*>()) {
        if (edit->accessibleName() == QLatin1String(accessibleName))
            return edit;
    }
    ADD_FAILURE() << "no box " << accessibleName;
    return nullptr;
}

class StatisticsWindowTest : public ConfigDialogTest {
  protected:
    void SetUp() override {
        ConfigDialogTest::SetUp();
        qputenv("VN340_STATISTICS_URL", server_.base().toUtf8());
        qputenv("VN340_SIM_OPTIONS", "--no-pace --stats 0x0005 --set 0x011E=0x0B00");
        startWithGyro();
        ASSERT_EQ(access().controller().link().transport(), Transport::Usb);
    }
    void TearDown() override {
        ConfigDialogTest::TearDown();
        qunsetenv("VN340_STATISTICS_URL");
    }

    // "Read from gyro", to its end; answers the word it found on the gyro.
    int read() {
        click(1031);
        EXPECT_TRUE(sequenceEnds());
        EXPECT_EQ(status(), "Read complete");
        return model().statisticsWord;
    }

    LoopbackHttpServer server_;
};

TEST_F(StatisticsWindowTest, SendRetriedAfterARefusalClearsTheWordOnTheGyro) {
    server_.setAnswer({"200 OK", "ok"});
    driver().then([](QDialog& offer) {
        EXPECT_EQ(offer.windowTitle(), "Tarvel RC - Send statistical in-flight gyro data ");
        QTest::keyClicks(box(offer, "Helicopter make and model"), "Trex 450+");
        ModalDriver::pressButton(offer, "Send");
    });
    driver().thenPress("OK");
    driver().then([this](QDialog& offer) {
        EXPECT_EQ(box(offer, "Helicopter make and model")->text(), "Trex 450+") << "kept";
        QTest::keyClicks(box(offer, "Email Address"), "pilot@example.org");
        server_.setAnswer({"200 OK", "OK"});
        ModalDriver::pressButton(offer, "Send");
    });
    driver().thenPress("OK");
    EXPECT_EQ(read(), 5);
    EXPECT_TRUE(driver().done());
    EXPECT_EQ(driver().messages().size(), 2u);
    ASSERT_EQ(server_.targets().size(), 2);
    const QByteArray first = server_.targets().first();
    EXPECT_TRUE(first.startsWith("/log/log.php?msg=SN%3D")) << first.toStdString();
    EXPECT_TRUE(first.contains("%2CST%3D0005%2C")) << first.toStdString();
    EXPECT_TRUE(first.endsWith("%2CFG%3D0B00%2CHELI%3DTrex+450%2B%2CSERVO%3D%2CEMAIL%3D"))
        << "the gyro's own flags; " << first.toStdString();
    EXPECT_TRUE(server_.targets().last().endsWith("%2CEMAIL%3Dpilot%40example.org"));

    EXPECT_EQ(read(), 0) << "the word was cleared on the gyro";
    EXPECT_EQ(driver().unexpected(), 0) << "no offer for a word of 0";
}

TEST_F(StatisticsWindowTest, SkipWithDoNotAskLeavesTheWordAndKeepsTheOfferAway) {
    driver().then([](QDialog& offer) {
        QTest::mouseClick(offer.findChild<QCheckBox*>(), Qt::LeftButton);
        ModalDriver::pressButton(offer, "Skip");
    });
    EXPECT_EQ(read(), 5);
    EXPECT_TRUE(driver().done());
    EXPECT_TRUE(server_.targets().isEmpty()) << "nothing is sent on Skip";
    const qint64 today = QDate(1970, 1, 1).daysTo(QDate::currentDate());
    EXPECT_TRUE(preferencesBytes().contains("DATE=" + QByteArray::number(today + 30)));

    EXPECT_EQ(read(), 5) << "the word stays on the gyro";
    EXPECT_EQ(driver().unexpected(), 0) << "not asked again within 30 days";
}

// The service never answers; the pilot, watching the request's steps, cancels. Nothing is
// said of a failure, the word stays on the gyro and the next read asks again.
TEST_F(StatisticsWindowTest, CancelDuringTheUploadLeavesTheWordAndTheNextReadAsksAgain) {
    server_.setAnswer({"200 OK", "OK", true});
    driver().thenPress("Send");
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
    EXPECT_EQ(read(), 5);
    EXPECT_TRUE(driver().done());
    EXPECT_EQ(driver().unexpected(), 0);
    EXPECT_TRUE(driver().messages().empty());
    EXPECT_EQ(server_.targets().size(), 1);
    const qint64 today = QDate(1970, 1, 1).daysTo(QDate::currentDate());
    EXPECT_TRUE(preferencesBytes().contains("DATE=" + QByteArray::number(today) + "\r\n"));

    driver().thenPress("Skip");
    EXPECT_EQ(read(), 5) << "the word stays on the gyro";
    EXPECT_TRUE(driver().done()) << "asked again";
}

}  // namespace
}  // namespace vn340::testing
