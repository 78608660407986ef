#include "live/live_recording.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <utility>

#include "base/paths.h"
#include "config/settings_file.h"
#include "protocol/memory_map.h"

namespace vn340 {

std::string liveCsvRow(LiveMillis sinceStart, const LiveSignals& values) {
    const long long ms = std::max<long long>(sinceStart.count(), 0);
    char line[96];
    std::snprintf(line, sizeof line, "%lld.%03lld,%d,%d,%d,%d\n", ms / 1000, ms % 1000, values.gyro,
                  values.rudder, values.gain, gainPercent(values.gain));
    return line;
}

std::string recordingNotStartedMessage(std::string_view reason) {
    return "The recording could not be started.\n\n" + std::string(reason);
}

std::string recordingStoppedMessage(std::string_view reason) {
    return "The recording has stopped.\n\n" + std::string(reason) +
           "\n\nThe rounds recorded until then are in the file.";
}

LiveRecording::LiveRecording(std::unique_ptr<GrowingFile> file, std::string path, LiveMillis start)
    : file_(std::move(file)), path_(std::move(path)), start_(start), pending_(kLiveCsvHeader) {}

void LiveRecording::add(const LiveSample& sample) {
    if (ended_) {
        return;
    }
    pending_ += liveCsvRow(sample.time - start_, sample.values);
    ++pendingRows_;
}

SysResult LiveRecording::flush() {
    if (pending_.empty() || ended_) {
        return {};
    }
    const SysResult written = file_->append(pending_);
    if (written) {
        written_ += pending_.size();
        rows_ += pendingRows_;
    } else {
        // Whatever part of the piece the system took ends in the middle of a row. Should the
        // cut fail too, the write's reason is still the one the pilot needs to hear.
        file_->cutTo(written_);
        ended_ = true;
    }
    pending_.clear();
    pendingRows_ = 0;
    return written;
}

std::unique_ptr<LiveRecording> startLiveRecording(FrontEnd& frontEnd, FileSystem& files,
                                                  const std::string& lastDirectory,
                                                  const std::function<LiveMillis()>& now) {
    const std::optional<std::string> path = frontEnd.askSavePath(
        FileDialogRequest{lastDirectory, std::string(kProposedLiveCsvName),
                          std::string(kLiveCsvFilter), std::string(kLiveCsvSuffix)});
    if (!path) {
        return nullptr;
    }
    std::unique_ptr<GrowingFile> file;
    SysResult made = files.createGrowing(*path, false, file);
    if (made.error == EEXIST) {
        if (!frontEnd.askOverwrite(overwriteQuestion(fileNameOf(*path)))) {
            return nullptr;
        }
        made = files.createGrowing(*path, true, file);
    }
    if (!made) {
        frontEnd.showMessage(recordingNotStartedMessage(made.message));
        return nullptr;
    }
    auto recording = std::make_unique<LiveRecording>(std::move(file), *path, now());
    // The header is in the file from the start, even before the first round.
    if (const SysResult header = recording->flush(); !header) {
        frontEnd.showMessage(recordingNotStartedMessage(header.message));
        return nullptr;
    }
    return recording;
}

}  // namespace vn340
