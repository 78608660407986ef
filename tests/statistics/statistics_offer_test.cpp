// The statistics offer as plain logic: the line it sends, when it asks (the "DATE" spacing,
// with "today" given), and what follows each end of the upload.

#include "statistics/statistics_offer.h"
#include "support/scripted_pilot.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vn340 {
namespace {

namespace fs = std::filesystem;

TEST(StatisticsLine, CarriesTheGyroAndThePilotsAnswersInItsFormat) {
    // Firmware 1.10; a serial number beyond 31 bits, which the program shows unsigned.
    const GyroConfig config{.highEndpoint = 95,
                            .lowEndpoint = 88,
                            .midpointTrim = -7,
                            .stickDeadband = 5,
                            .rateExpo = -50,
                            .avcsExpo = -20,
                            .cwStopGain = 100,
                            .ccwStopGain = 120,
                            .avcsSensitivity = 80,
                            .accelProfile = 15,
                            .decelProfile = 3,
                            .firmwareVersion = "1.10",
                            .firmwareNumber = 110,
                            .loaderVersion = {},
                            .serialNumber = "3000000000",
                            .userComments = {},
                            .servoFlags = 0x0B00,
                            .statisticsWord = 0x2A};
    EXPECT_EQ(statisticsLine(config, {"Trex 450", "BLS 251", "pilot@example.org"}),
              "SN=3000000000,FW=010A,ST=002A,HE=95,LE=88,MT=-7,RD=5,1E=-50,2A=15,2D=3,2C=100,"
              "2CC=120,2E=-20,2S=80,FG=0B00,HELI=Trex 450,SERVO=BLS 251,EMAIL=pilot@example.org");
}

// What the request shows of it is tested on the wire; these marks Qt sends as themselves.
TEST(StatisticsLine, EncodingLeavesOnlyAsciiLettersAndDigitsAsThey) {
    EXPECT_EQ(urlEncode("a.b-c_d~e"), "a%2Eb%2Dc%5Fd%7Ee");
    EXPECT_EQ(urlEncode("\xFF \t\r\n\v\fZ9"), "%FF++++++Z9");
}

TEST(JudgeSubmission, OnlyASuccessStatusWithOkInItsTextIsAnAcceptance) {
    struct Row {
        bool fetched;
        int status;
        const char* answer;
        SubmitResult result;
    };
    const Row rows[] = {
        {true, 200, "OK", SubmitResult::Accepted},
        {true, 299, "xOKx", SubmitResult::Accepted},
        {true, 199, "OK", SubmitResult::InvalidAnswer},
        {true, 300, "OK", SubmitResult::InvalidAnswer},
        {true, 404, "TOKEN", SubmitResult::InvalidAnswer},
        {true, 0, "OK", SubmitResult::InvalidAnswer},
        {true, 200, "ok", SubmitResult::InvalidAnswer},
        {false, 200, "OK", SubmitResult::RequestFailed},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.status) + " " + row.answer);
        const Submission judged =
            judgeSubmission(row.fetched, row.status, "Error: Connection refused", row.answer);
        EXPECT_EQ(judged.result, row.result);
        const std::string_view errorText = row.result == SubmitResult::Accepted ? ""
                                           : row.fetched                        ? kInvalidAnswerText
                                                         : "Error: Connection refused";
        EXPECT_EQ(judged.errorText, errorText);
    }
}

class StatisticsOfferTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.made());
        prefs_.setPath(folder_.at("TarvelRCGyro.ini"));
    }

    testing::TempFolder folder_;
    ProfileStore prefs_;
    GyroConfig config_;
};

TEST_F(StatisticsOfferTest, DateSpacesTheOffers) {
    struct Row {
        const char* name;
        std::optional<int> storedDate;
        int today;
        bool doNotAsk;
        bool asked;
        int dateAfter;
    };
    const Row rows[] = {
        {"first offer, skipped", std::nullopt, 100, false, true, 100},
        {"skipped with do not ask", std::nullopt, 100, true, true, 130},
        {"a day short of 30 days later", 130, 129, false, false, 130},
        {"30 days later", 130, 130, false, true, 130},
        {"skipped earlier the same day", 100, 100, false, true, 100},
        {"skipped with do not ask today", 130, 100, false, false, 130},
        {"further ahead than do not ask puts it", 131, 100, false, true, 100},
        {"beyond 32 bits in the file", 2147483647, 100, false, true, 100},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        prefs_.deleteKey("Settings", "DATE");
        if (row.storedDate) {
            prefs_.writeInt("Settings", "DATE", *row.storedDate);
        }
        testing::ScriptedPilot pilot;
        pilot.offers = {{false, {}, row.doNotAsk}};
        EXPECT_EQ(offerStatistics(config_, prefs_, row.today, pilot), StatisticsAnswer::Finish);
        // And nothing is sent without Send.
        EXPECT_EQ(pilot.events, std::vector<std::string>(row.asked ? 1 : 0, "offer"));
        EXPECT_EQ(prefs_.getInt("Settings", "DATE", -1), row.dateAfter);
    }
}

TEST_F(StatisticsOfferTest, EachEndOfTheUploadIsToldAndDecidesTheNextStep) {
    struct Row {
        Submission submission;
        StatisticsAnswer answer;
        const char* message;
    };
    const Row rows[] = {
        {{SubmitResult::Accepted, ""},
         StatisticsAnswer::ClearWord,
         "\nInformation successfully submitted. \n\nThank you"},
        {{SubmitResult::RequestFailed, "Error: Host not found"},
         StatisticsAnswer::OfferAgain,
         "There was an error submitting your gyro data, check internet access and firewall "
         "settings and try again. \n\nError: Host not found."},
        {{SubmitResult::InvalidAnswer, std::string(kInvalidAnswerText)},
         StatisticsAnswer::OfferAgain,
         "There was an error submitting your gyro data, please try again.\n\nIf problems persist "
         "for more than a day, please inform Tarvel RC."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        testing::ScriptedPilot pilot;
        pilot.offers = {{true, {"Trex 450", "BLS 251", ""}, false}};
        pilot.uploads = {row.submission};
        EXPECT_EQ(offerStatistics(config_, prefs_, 200, pilot), row.answer);
        ASSERT_EQ(pilot.events.size(), 3u) << "the offer, the upload and the message";
        EXPECT_EQ(pilot.messages, std::vector<std::string>{row.message});
        EXPECT_EQ(prefs_.getInt("Settings", "DATE", -1), 200) << "offering again asks at once";
    }
}

// The line may or may not have reached the service: it counts as not sent, and the pilot, who
// chose to stop, is not told of a failure. The box, checked before Send, keeps nothing away.
TEST_F(StatisticsOfferTest, ACancelledUploadLeavesTheWordAndTheNextReadAsksAgain) {
    testing::ScriptedPilot pilot;
    pilot.offers = {{true, {"Trex 450", "BLS 251", ""}, true}, {}};
    pilot.uploads = {{SubmitResult::Cancelled, ""}};
    EXPECT_EQ(offerStatistics(config_, prefs_, 200, pilot), StatisticsAnswer::Finish);
    EXPECT_EQ(pilot.events.size(), 2u) << "the offer and the upload, and no message";
    EXPECT_EQ(prefs_.getInt("Settings", "DATE", -1), 200);

    EXPECT_EQ(offerStatistics(config_, prefs_, 200, pilot), StatisticsAnswer::Finish);
    EXPECT_EQ(std::count(pilot.events.begin(), pilot.events.end(), "offer"), 2);
}

}  // namespace
}  // namespace vn340
