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
        return startLiveRecording(pilot, files, kFolder, [now] { return now; });
    }

    ScriptedPilot pilot;
    MemoryFileSystem files;
};

TEST(LiveCsvTest, ARowIsSecondsWithMillisecondsTheSignalsAndTheGainPercent) {
    struct Row {
        const char* name;
        long long ms;
        LiveSignals values;
        const char* line;
    };
    const Row rows[] = {
        {"a round timed before the start", -1, {512, 1600, 2020}, "0.000,512,1600,2020,100\n"},
        {"the start", 0, {512, 1600, 2020}, "0.000,512,1600,2020,100\n"},
        {"the last millisecond of a second", 999, {1520, 1520, 1523}, "0.999,1520,1520,1523,0\n"},
        {"a whole second", 1'000, {7, 1020, 1020}, "1.000,7,1020,1020,100\n"},
        {"past a minute", 61'005, {1520, 1520, 1600}, "61.005,1520,1520,1600,16\n"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(liveCsvRow(Ms(row.ms), row.values), row.line) << row.name;
    }
}

TEST_F(LiveRecordingTest, ARecordingCutShortHoldsTheHeaderAndWholeRowsUpToTheLastFlush) {
    pilot.savePath = kPath;
    const std::unique_ptr<LiveRecording> recording = start(Ms(5'000));
    ASSERT_NE(recording, nullptr);
    EXPECT_EQ(files[kPath], kLiveCsvHeader) << "the header is there before the first round";

    for (long long ms : {5'090, 5'180, 5'270}) {
        recording->add({Ms(ms), {512, 1600, 2020}});
    }
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
        if (row.exists) {
            files.files[kPath] = "old";
        }
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

// The disk fills up part-way through a write: the file keeps the header and whole rows only,
// the count of rows is the count in the file, and nothing more is written after the failure,
// even once there is room again.
TEST_F(LiveRecordingTest, AFullDiskLeavesWholeRowsOnlyAndEndsTheRecording) {
    const std::string header(kLiveCsvHeader);
    const std::string line = "0.090,512,1600,2020,100\n";
    const struct {
        const char* name;
        std::size_t room;
        std::size_t rowsKept;  // of the four rows, two flushed at a time
    } rows[] = {
        {"the header fits exactly", header.size(), 0},
        {"the first rows cut short", header.size() + 2 * line.size() - 1, 0},
        {"the first rows fit exactly", header.size() + 2 * line.size(), 2},
        {"the next rows cut short", header.size() + 2 * line.size() + 5, 2},
    };
    const std::string noRoom = cannotWrite(kPath, ENOSPC).message;
    pilot.savePath = kPath;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        files.files.clear();
        files.appendRoom = {{kPath, row.room}};
        const std::unique_ptr<LiveRecording> recording = start(Ms(5'000));
        ASSERT_NE(recording, nullptr);
        std::string failures;
        for (int flush = 0; flush < 2; ++flush) {
            recording->add({Ms(5'090), {512, 1600, 2020}});
            recording->add({Ms(5'090), {512, 1600, 2020}});
            failures += recording->flush().message;
        }
        EXPECT_EQ(failures, noRoom) << "told once";
        files.appendRoom.clear();
        recording->add({Ms(5'090), {512, 1600, 2020}});
        EXPECT_TRUE(recording->flush()) << "a recording that has ended says nothing more";
        std::string kept = header;
        for (std::size_t i = 0; i < row.rowsKept; ++i) {
            kept += line;
        }
        EXPECT_EQ(files[kPath], kept);
        EXPECT_EQ(recording->rows(), row.rowsKept);
    }
    // A header cut short: no recording, and why.
    files.files.clear();
    files.appendRoom = {{kPath, header.size() - 1}};
    EXPECT_EQ(start(), nullptr);
    EXPECT_EQ(files[kPath], "");
    EXPECT_EQ(pilot.messages, std::vector<std::string>{recordingNotStartedMessage(noRoom)});
}

}  // namespace
}  // namespace vn340::testing
