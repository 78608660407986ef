#pragma once

// Every round of live signals written to a CSV file as it arrives ("Record…"). Rounds are
// gathered in memory and handed to the system as whole lines at each flush, so a recording cut
// short by the program being killed still reads as a header and complete rows. A flush the
// system takes only in part (a full disk) is cut back out of the file and ends the recording:
// the file keeps whole rows only, and the count of rows is the count in the file.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/file_system.h"
#include "base/front_end.h"
#include "live/live_trace.h"

namespace vn340 {

inline constexpr std::string_view kLiveCsvHeader = "time_s,gyro,rudder_us,gain_us,gain_percent\n";
inline constexpr std::string_view kLiveCsvFilter = "Comma-separated values (*.csv)";
inline constexpr std::string_view kLiveCsvSuffix = "csv";
inline constexpr std::string_view kProposedLiveCsvName = "vn340-live.csv";

// One round as a line: the seconds since the recording began, with milliseconds, whatever the
// locale ("12.345"), then the signals and the gain percent.
std::string liveCsvRow(LiveMillis sinceStart, const LiveSignals& values);

std::string recordingNotStartedMessage(std::string_view reason);
std::string recordingStoppedMessage(std::string_view reason);

class LiveRecording {
  public:
    // Writes the header at the first flush; `start` is the time the rows count from.
    LiveRecording(std::unique_ptr<GrowingFile> file, std::string path, LiveMillis start);

    void add(const LiveSample& sample);
    // The rows added since the last flush, handed to the system. After a failure the file holds
    // the rows of the flushes before, and the recording has ended: it takes no more rows.
    SysResult flush();

    const std::string& path() const { return path_; }
    // The rows in the file.
    std::size_t rows() const { return rows_; }

  private:
    std::unique_ptr<GrowingFile> file_;
    std::string path_;
    LiveMillis start_;
    std::string pending_;
    std::size_t pendingRows_ = 0;
    std::uint64_t written_ = 0;  // bytes in the file, a header and whole rows
    std::size_t rows_ = 0;
    bool ended_ = false;
};

// Asks the pilot for the file (in the folder of the settings files, as the preferences name it),
// asks before it replaces one, and makes it; the rows count from the time `now` tells once the
// file is there, however long the pilot took to choose it. None when the pilot cancelled, or
// when the file could not be made or its header not written (the pilot has been told why).
std::unique_ptr<LiveRecording> startLiveRecording(FrontEnd& frontEnd, FileSystem& files,
                                                  const std::string& lastDirectory,
                                                  const std::function<LiveMillis()>& now);

}  // namespace vn340
