#pragma once

// One run of vn340-cli: the controller the window uses, on the system's platform, with the
// command line's front end, carrying out one command and answering its exit status. The
// platform runs on the command line's own event loop, which the session turns while it waits
// for the gyro.

#include <chrono>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "base/stop_requests.h"
#include "base/system_event_loop.h"
#include "cli/cli_front_end.h"
#include "cli/cli_options.h"
#include "cli/cli_outcome_view.h"
#include "cli/cli_output.h"
#include "config/settings_codec.h"
#include "session/config_controller.h"
#include "session/pilot_history.h"
#include "session/platform.h"

namespace vn340 {

// Told when what a command prints cannot be written.
inline constexpr std::string_view kOutputFailedText =
    "The output could not be written: standard output is closed (or its disk is full).";

class CliSession {
  public:
    // `progress`: standard error is a terminal, so the status line may be shown there.
    // `platform` runs on `loop`.
    CliSession(const CliOptions& options, Platform& platform, SystemEventLoop& loop,
               const ProgramPaths& paths, std::ostream& out, std::ostream& errors, bool progress);
    ~CliSession();
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    CliStatus run();
    // The system asks the program to end; each request is taken as Ctrl+C. A store (with its
    // read-back) is finished first, since one cut short may leave the gyro with a mix of old
    // and new settings; a read or a diff is abandoned, nothing having been written; the live
    // signals end after the round in progress.
    void stop(StopRequest request);

  private:
    CliStatus ports();
    CliStatus read();
    CliStatus diff();
    CliStatus store();
    CliStatus monitor();
    CliStatus history();

    // The controller started as the window starts, on the port of the command line or the one
    // saved; false (the pilot has been told) when no adapter could be opened.
    bool openAdapter();
    // --port's path made into the name the transports open it by, listed by them when the
    // system does not list it; false (the pilot has been told) when the path leads nowhere.
    bool portByName(std::optional<std::string>& port);
    // A read of the gyro, leaving the statistics word on it, and how it ended; none when it was
    // abandoned.
    std::optional<SequenceOutcome> readGyro();
    // Runs the event loop until the sequence started has ended and its outcome is shown; none
    // when a read was abandoned first.
    std::optional<SequenceOutcome> waitForTheOutcome();
    // The exit status of a read that did not leave the gyro's whole configuration on screen.
    static CliStatus readStatus(const SequenceOutcome& outcome);
    CliStatus storeStatus(const SequenceOutcome& stored);
    // The read saved as "Save to file" saves it.
    CliStatus saveRead(CliStatus status);
    CliStatus interrupted();
    // What was told on standard error, for a script reading JSON.
    JsonError jsonError(CliStatus status) const;
    // With --json, the error as a JSON object on standard output too.
    CliStatus failed(CliStatus status);
    bool fileThere(const std::string& path);
    // The settings file at `path` as the codec reads it; none (the pilot has been told) when it
    // is not there, cannot be read or is refused.
    std::optional<DecodedSettings> settingsFile(const std::string& path);
    // Whether the file's values can be stored as they are; each one that cannot is told.
    bool storable(const DecodedSettings& decoded);
    // `text` on standard output; false (and told once) when it could not be written.
    bool print(std::string_view text);
    void endMonitor();

    const CliOptions options_;
    Platform& platform_;
    SystemEventLoop& loop_;
    ProgramPaths paths_;
    std::ostream& out_;
    CliFrontEnd frontEnd_;
    CliScreen screen_;
    CliOutcomeView outcomeView_;
    MemoryPortSelector portList_;
    // Goes after the controller that runs on it.
    std::unique_ptr<Platform> portPlatform_;
    std::unique_ptr<ConfigController> controller_;
    Connections connections_;
    // Goes before the controller it listens to.
    std::unique_ptr<PilotHistory> history_;
    std::optional<SequenceOutcome> outcome_;
    std::chrono::milliseconds monitorStart_{0};
    int rounds_ = 0;
    bool stopping_ = false;
    bool abandoned_ = false;
    bool finishingTold_ = false;
    bool outputFailed_ = false;
};

}  // namespace vn340
