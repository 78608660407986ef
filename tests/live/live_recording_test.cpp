#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>
#include <string>
#include <vector>

#include "base/memory_file_system.h"
#include "live/live_recording.h"
#include "support/scripted_pilot.h"
#include "support/text_lines.h"

namespace vn340::testing {
namespace {

using Ms = LiveMillis;

constexpr char kFolder[] = "/home/pilot/setups";
constexpr char kPath[] = "/home/pilot/setups/flight.csv";

class LiveRecordingTest : public ::testing::Test {
  protected:
    std::unique_ptr<LiveRecording> start(Ms now = Ms(5'000)) {
        return startLiveRecording(pilot, files, kFolder, now);
    }

    ScriptedPilot pilot;
    MemoryFileSystem files;
};

TEST(LiveCsvTest, ARowIsSecondsWithMillisecondsTheSignalsAndTheGainPercent) {
    struct Row {
        long long ms;
        LiveSignals values;
        const char* line;
    };
    const Row rows[] = {
        {0, {512, 1600, 2020}, "0.000,512,1600,2020,100\n"},
        {999, {1520, 1520, 1523}, "0.999,1520,1520,1523,0\n"},
        {1'000, {7, 1020, 1020}, "1.000,7,1020,1020,100\n"},
        {61'005, {1520, 1520, 1600}, "61.005,1520,1520,1600,16\n"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(liveCsvRow(Ms(row.ms), row.values), row.line);
}

TEST_F(LiveRecordingTest, ARecordingCutShortHoldsTheHeaderAndWholeRowsUpToTheLastFlush) {
    pilot.savePath = kPath;
    const std::unique_ptr<LiveRecording> recording = start(Ms(5'000));
    ASSERT_NE(recording, nullptr);
    EXPECT_EQ(files[kPath], kLiveCsvHeader) << "the header is there before the first round";

    for (long long ms : {5'090, 5'180, 5'270})
        recording->add({Ms(ms), {512, 1600, 2020}});
    ASSERT_TRUE(recording->flush());
    recording->add({Ms(5'360), {512, 1600, 2020}});

    // What a kill now leaves behind: the rows of the last flush, every one of them whole.
    const std::vector<std::string> lines = linesOf(files[kPath]);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0] + "\n", kLiveCsvHeader);
    EXPECT_EQ(lines[1], "0.090,512,1600,2020,100");
    EXPECT_EQ(lines[3], "0.270,512,1600,2020,100");
    EXPECT_EQ(files[kPath].back(), '\n');

    ASSERT_TRUE(recording->flush());
    EXPECT_EQ(linesOf(files[kPath]).size(), 5u);
    EXPECT_EQ(recording->rows(), 4u);
}

TEST_F(LiveRecordingTest, TheFileIsChosenInTheSettingsFolderAndAnOldOneIsReplacedOnlyWhenAgreed) {
    struct Row {
        const char* name;
        bool exists;
        bool overwrite;
        bool recording;
        std::string bytesAfter;
    };
    const Row rows[] = {
        {"a new file", false, false, true, std::string(kLiveCsvHeader)},
        {"an old file kept", true, false, false, "old"},
        {"an old file replaced", true, true, true, std::string(kLiveCsvHeader)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        files.files.clear();
        if (row.exists)
            files.files[kPath] = "old";
        pilot.savePath = kPath;
        pilot.overwrite = row.overwrite;
        pilot.events.clear();
        EXPECT_EQ(start() != nullptr, row.recording);
        EXPECT_EQ(files[kPath], row.bytesAfter);
        EXPECT_EQ(pilot.events.size(), row.exists ? 1u : 0u) << "asked before replacing";
    }
    const FileDialogRequest& asked = pilot.requests.back();
    EXPECT_EQ(asked.initialFolder, kFolder);
    EXPECT_EQ(asked.defaultSuffix, "csv");
}

TEST_F(LiveRecordingTest, AFileThatCannotBeMadeOrWrittenIsSaidPlainly) {
    pilot.savePath = kPath;
    files.createFailures[kPath] = cannotWrite(kPath, EACCES);
    EXPECT_EQ(start(), nullptr);
    ASSERT_EQ(pilot.messages.size(), 1u);
    EXPECT_EQ(pilot.messages[0], recordingNotStartedMessage(cannotWrite(kPath, EACCES).message));

    files.createFailures.clear();
    const std::unique_ptr<LiveRecording> recording = start();
    ASSERT_NE(recording, nullptr);
    files.appendFailures[kPath] = cannotWrite(kPath, ENOSPC);
    recording->add({Ms(6'000), {}});
    EXPECT_EQ(recording->flush().error, ENOSPC);
    EXPECT_EQ(files[kPath], kLiveCsvHeader);
}

}  // namespace
}  // namespace vn340::testing
