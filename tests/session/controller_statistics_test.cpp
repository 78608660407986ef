// The statistics offer after a read that finds statistics waiting on the gyro: what is sent,
// what the pilot is told, when the word is cleared on the gyro and when the offer comes again.

#include "controller_fixture.h"
#include "protocol/frames.h"
#include "statistics/statistics_offer.h"

namespace vn340::testing {
namespace {

PilotChoice send(std::string helicopter, std::string email = {}) {
    return PilotChoice{true, {std::move(helicopter), {}, std::move(email)}, false};
}

class ControllerStatisticsTest : public ControllerTest {
  protected:
    void SetUp() override {
        platform.gyro.setWord(kAddrStatistics, 0x0005);
        platform.gyro.setWord(0x011E, 0x0B00);
        startWithGyro();
    }
    int offers() const {
        return static_cast<int>(std::count(pilot.events.begin(), pilot.events.end(), "offer"));
    }
    std::vector<std::string> uploads() const {
        std::vector<std::string> lines;
        for (const std::string& event : pilot.events) {
            if (event.starts_with("upload:")) {
                lines.push_back(event.substr(7));
            }
        }
        return lines;
    }
    int wordOnGyro() const { return platform.gyro.word(kAddrStatistics); }
};

TEST_F(ControllerStatisticsTest, SendRetriedAfterARefusalClearsTheWordOnTheGyro) {
    pilot.offers = {send("Trex 450+"), send("Trex 450+", "pilot@example.org")};
    pilot.uploads = {{SubmitResult::InvalidAnswer, std::string(kInvalidAnswerText)},
                     {SubmitResult::Accepted, {}}};
    read();
    EXPECT_EQ(model().statisticsWord, 5);
    EXPECT_EQ(pilot.status, "Read complete");
    const std::vector<std::string> lines = uploads();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].starts_with("SN=" + model().serialNumber + ",")) << lines[0];
    EXPECT_NE(lines[0].find(",ST=0005,"), std::string::npos) << lines[0];
    EXPECT_TRUE(lines[0].ends_with(",FG=0B00,HELI=Trex 450+,SERVO=,EMAIL="))
        << "the gyro's own flags; " << lines[0];
    EXPECT_TRUE(lines[1].ends_with(",EMAIL=pilot@example.org"));
    EXPECT_EQ(pilot.messages, (std::vector<std::string>{std::string(statistics_text::kTryAgain),
                                                        std::string(statistics_text::kSubmitted)}));
    EXPECT_EQ(wordOnGyro(), 0) << "the word was cleared on the gyro";

    read();
    EXPECT_EQ(model().statisticsWord, 0);
    EXPECT_EQ(offers(), 2) << "no offer for a word of 0";
    EXPECT_EQ(pilot.unexpected, 0);
}

TEST_F(ControllerStatisticsTest, SkipWithDoNotAskLeavesTheWordAndKeepsTheOfferAway) {
    pilot.offers = {PilotChoice{false, {}, true}};
    read();
    EXPECT_TRUE(uploads().empty()) << "nothing is sent on Skip";
    EXPECT_TRUE(preferencesHold("DATE=" + std::to_string(platform.day + 30)));
    EXPECT_EQ(wordOnGyro(), 5);

    platform.day += 29;
    read();
    EXPECT_EQ(model().statisticsWord, 5) << "the word stays on the gyro";
    EXPECT_EQ(offers(), 1) << "not asked again within 30 days";
    EXPECT_TRUE(pilot.messages.empty());
}

// The pilot cancels the upload before its answer came: nothing is said of a failure, the word
// stays on the gyro, and the next read asks again.
TEST_F(ControllerStatisticsTest, ACancelledUploadLeavesTheWordAndTheNextReadAsksAgain) {
    pilot.offers = {send("Trex 450+"), PilotChoice{}};
    pilot.uploads = {{SubmitResult::Cancelled, {}}};
    read();
    EXPECT_EQ(uploads().size(), 1u);
    EXPECT_TRUE(pilot.messages.empty());
    EXPECT_EQ(wordOnGyro(), 5);
    EXPECT_TRUE(preferencesHold("DATE=" + std::to_string(platform.day)));

    read();
    EXPECT_EQ(offers(), 2) << "asked again";
    EXPECT_EQ(wordOnGyro(), 5);
    EXPECT_EQ(pilot.unexpected, 0);
}

}  // namespace
}  // namespace vn340::testing
