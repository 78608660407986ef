// The recording against the running system's files, with what only POSIX has: named pipes.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "live/live_recording.h"
#include "support/scripted_pilot.h"
#include "support/temp_folder.h"

namespace vn340::testing {
namespace {

// A pipe opened for writing would hold the window until some program read from it: the choice
// is refused with its reason, before the pilot is asked whether to replace it.
TEST(LiveRecordingPosixTest, ANamedPipeIsRefusedWithoutWaitingForAReader) {
    TempFolder temp;
    ASSERT_TRUE(temp.made());
    const std::string pipe = temp.at("flight.csv");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    ScriptedPilot pilot;
    pilot.savePath = pipe;
    EXPECT_EQ(startLiveRecording(pilot, systemFileSystem(), temp.path().string(),
                                 [] { return LiveMillis(0); }),
              nullptr);
    const std::string message =
        recordingNotStartedMessage("\"" + pipe + "\" is not a regular file.");
    EXPECT_EQ(pilot.events, std::vector<std::string>{"message:" + message});
}

}  // namespace
}  // namespace vn340::testing
