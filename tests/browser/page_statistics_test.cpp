// The statistics offer as the page makes it: after the pilot's read, on the page's answer, with
// the page's fetch, and the word cleared on the module's simulated gyro by the read after an
// accepted upload.

#include "browser/page_statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "browser/page_session.h"
#include "protocol/frames.h"
#include "statistics/statistics_offer.h"
#include "support/virtual_platform.h"
#include "virtual_page_platform.h"

namespace vn340 {
namespace {

struct Offer {
    StatisticsAnswers answers;
    bool doNotAskAgain = false;
};

// The messages and offers the session tells the page, in order.
class OfferEvents final : public PageEvents {
  public:
    std::vector<std::string> told;  // "offer", or the message's text
    std::vector<Offer> offers;

    void viewChanged() override {}
    void status(std::string_view) override {}
    void message(std::string_view text, bool) override { told.emplace_back(text); }
    void notice(NumericField, std::string_view) override {}
    void focusBox(NumericField) override {}
    void filesWritten() override {}
    void compared(const GyroConfig&) override {}
    void statisticsOffered(const StatisticsAnswers& answers, bool doNotAskAgain) override {
        told.emplace_back("offer");
        offers.push_back({answers, doNotAskAgain});
    }
    void liveSignals(const LiveSample&) override {}
    void write(std::string_view, std::string_view) override {}
};

FetchedAnswer answered(int status, std::string body) {
    FetchedAnswer answer;
    answer.fetched = true;
    answer.status = status;
    answer.body = std::move(body);
    return answer;
}

FetchedAnswer notFetched(std::string errorText) {
    FetchedAnswer answer;
    answer.errorText = std::move(errorText);
    return answer;
}

FetchedAnswer cancelled() {
    FetchedAnswer answer;
    answer.cancelled = true;
    return answer;
}

const PilotChoice kSend{true, {"Trex 450", "BLS 251", "pilot@example.org"}, false};
const std::string kSubmitted(statistics_text::kSubmitted);

class PageStatisticsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ProgramPaths paths;
        paths.programFolder = "/home/web";
        paths.configHome = "/home/web/.config";
        paths.homeFolder = "/home/web";
        paths.historyFolder = "/home/web/history";
        session = std::make_unique<PageSession>(
            events,
            [this](PagePorts& ports) {
                return std::make_unique<testing::VirtualPagePlatform>(base, ports);
            },
            paths, "/tmp/settings-files");
        session->start();
        session->trySimulatedGyro();
        gyro().setWord(kAddrStatistics, 0x002A);
    }

    GyroSimulator& gyro() { return *session->simulatedGyro(); }
    void read() {
        session->read();
        settle();
    }
    void settle() {
        base.clock.runWhile([this] { return session->controller().busy(); });
    }
    int storedDate() {
        ProfileStore prefs(base.files());
        prefs.setPath(session->controller().preferencesFile());
        return prefs.getInt("Settings", "DATE", -1);
    }
    bool clearFrameSent() {
        const std::vector<std::string>& frames = gyro().framesReceived();
        return std::find(frames.begin(), frames.end(), kClearStatisticsFrame) != frames.end();
    }
    // The offer made by a read, answered with "Send": the request the page is to fetch.
    StatisticsRequest readAndSend(const PilotChoice& choice = kSend) {
        read();
        EXPECT_EQ(events.told, std::vector<std::string>{"offer"});
        std::optional<StatisticsRequest> request = session->answerStatistics(choice);
        EXPECT_TRUE(request.has_value());
        events.told.clear();
        return request.value_or(StatisticsRequest{});
    }

    testing::VirtualPlatform base;
    OfferEvents events;
    std::unique_ptr<PageSession> session;
};

TEST_F(PageStatisticsTest, AReadOffersAWordOtherThanZeroAndLeavesItOnTheGyro) {
    struct Row {
        const char* name;
        std::uint16_t word;
        bool offered;
    };
    const Row rows[] = {
        {"no statistics", 0x0000, false}, {"the least", 0x0001, true}, {"the most", 0xFFFF, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        events.told.clear();
        gyro().setWord(kAddrStatistics, row.word);
        read();

        EXPECT_EQ(events.told, std::vector<std::string>(row.offered ? 1 : 0, "offer"));
        EXPECT_EQ(gyro().word(kAddrStatistics), row.word);
        EXPECT_FALSE(clearFrameSent());
        // Whatever was offered is skipped, so the next row is asked again the same day.
        session->answerStatistics({});
    }
}

TEST_F(PageStatisticsTest, ASkipWritesWhenToAskAgain) {
    struct Row {
        const char* name;
        bool doNotAskAgain;
        int dateAfter;
        bool askedAgainToday;
    };
    const Row rows[] = {{"skipped", false, base.day, true},
                        {"skipped, not to be asked", true, base.day + kStatisticsQuietDays, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ProfileStore prefs(base.files());
        prefs.setPath(session->controller().preferencesFile());
        prefs.writeInt("Settings", "DATE", 0);
        events.told.clear();
        read();
        EXPECT_FALSE(session->answerStatistics({false, {}, row.doNotAskAgain}).has_value());

        EXPECT_EQ(storedDate(), row.dateAfter);
        read();
        EXPECT_EQ(events.told.size(), row.askedAgainToday ? 2U : 1U);
        EXPECT_EQ(gyro().word(kAddrStatistics), 0x002A);
        session->answerStatistics({});
    }
}

TEST_F(PageStatisticsTest, AnAcceptedUploadClearsTheWordAndShowsTheGyroAsAfterAnyRead) {
    const StatisticsRequest request = readAndSend();
    EXPECT_EQ(request.url.rfind("https://www.tarvel-rc.example/log/log.php?msg=SN%3D", 0), 0U);
    EXPECT_NE(request.url.find("%2CHELI%3DTrex+450%2CSERVO%3DBLS+251%2CEMAIL%3Dpilot%40example"),
              std::string::npos);
    // Answered once: a second answer, before the fetch has come back, asks for nothing.
    EXPECT_FALSE(session->answerStatistics(kSend).has_value());
    gyro().setWord(kAddrLoaderVersion, 0x0110);  // no part of the line

    session->statisticsFetched(answered(200, "OK\n"));
    settle();

    EXPECT_EQ(gyro().word(kAddrStatistics), 0);
    EXPECT_EQ(events.told, std::vector<std::string>{kSubmitted});
    EXPECT_EQ(session->screen().boxText(TextField::LoaderVersion), "1.16");
}

TEST_F(PageStatisticsTest, AFailedUploadIsToldAndOfferedAgainWithTheFieldsAsSent) {
    struct Row {
        const char* name;
        FetchedAnswer answer;
        std::vector<std::string> told;
    };
    const std::string tryAgain(statistics_text::kTryAgain);
    const Row rows[] = {
        {"no answer the page could read",
         notFetched("Error: Failed to fetch"),
         {statistics_text::requestFailed("Error: Failed to fetch"), "offer"}},
        {"refused", answered(200, "Not now"), {tryAgain, "offer"}},
        {"an error page", answered(500, "OK"), {tryAgain, "offer"}},
        {"stopped by the pilot", cancelled(), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        events.told.clear();
        events.offers.clear();
        readAndSend();
        session->statisticsFetched(row.answer);
        settle();

        EXPECT_EQ(events.told, row.told);
        EXPECT_EQ(gyro().word(kAddrStatistics), 0x002A);
        EXPECT_FALSE(clearFrameSent());
        if (!row.told.empty()) {
            ASSERT_EQ(events.offers.size(), 2U);
            EXPECT_EQ(events.offers[1].answers.helicopter, "Trex 450");
            EXPECT_EQ(events.offers[1].answers.email, "pilot@example.org");
            session->answerStatistics({});
        }
    }
}

TEST_F(PageStatisticsTest, AnotherGyroPluggedInBeforeTheAnswerKeepsItsWord) {
    readAndSend();
    gyro().setWord(0x0100, 1658);  // another high endpoint: another line

    session->statisticsFetched(answered(200, "OK"));
    settle();

    EXPECT_EQ(gyro().word(kAddrStatistics), 0x002A);
    EXPECT_FALSE(clearFrameSent());
    // The service has the first gyro's line all the same; this one is not offered again now.
    EXPECT_EQ(events.told, std::vector<std::string>{kSubmitted});
    EXPECT_EQ(session->screen().boxText(NumericField::HighEndpoint), "33");
}

TEST_F(PageStatisticsTest, AnswersAreCutAtTheDialogsLimitBetweenCharacters) {
    struct Row {
        const char* name;
        std::string typed;
        std::string sent;
    };
    const std::string e = "\xC3\xA9";  // é, two bytes
    std::string hundredE;
    for (int n = 0; n < 100; ++n) {
        hundredE += e;
    }
    std::string hundredEncoded;
    for (int n = 0; n < 100; ++n) {
        hundredEncoded += "%C3%A9";
    }
    const Row rows[] = {
        {"at the limit", std::string(100, 'x'), std::string(100, 'x')},
        {"one past it", std::string(101, 'x'), std::string(100, 'x')},
        {"two-byte characters past it", hundredE + e, hundredEncoded},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        events.told.clear();
        const StatisticsRequest request = readAndSend({true, {row.typed, "", ""}, false});
        EXPECT_NE(request.url.find("HELI%3D" + row.sent + "%2CSERVO"), std::string::npos);
        session->statisticsFetched(cancelled());
    }
}

TEST(StatisticsPreAnswer, SendsOnceAndAcceptsOnlyTheLineUploaded) {
    StatisticsPreAnswer preAnswer;
    EXPECT_FALSE(preAnswer.ask().send);

    preAnswer.arm({"Trex 450", "", ""}, "SN=1,HELI=Trex 450");
    EXPECT_TRUE(preAnswer.ask().send);
    EXPECT_EQ(preAnswer.upload("SN=2,HELI=Trex 450").result, SubmitResult::Cancelled);
    EXPECT_FALSE(preAnswer.cleared());
    EXPECT_FALSE(preAnswer.ask().send) << "a second offer in the same read ends it";

    preAnswer.arm({"Trex 450", "", ""}, "SN=1,HELI=Trex 450");
    EXPECT_EQ(preAnswer.upload("SN=1,HELI=Trex 450").result, SubmitResult::Accepted);
    EXPECT_TRUE(preAnswer.cleared());
    EXPECT_FALSE(preAnswer.ask().send);
}

}  // namespace
}  // namespace vn340
