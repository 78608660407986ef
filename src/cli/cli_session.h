#pragma once

// One run of vn340-cli: the controller the window uses, on the system's platform, with the
// command line's front end, carrying out one command and answering its exit status.

#include <QObject>

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/cli_front_end.h"
#include "cli/cli_options.h"
#include "session/config_controller.h"
#include "session/pilot_history.h"
#include "session/platform.h"

namespace vn340 {

class CliSession : public QObject {
  public:
    // `progress`: standard error is a terminal, so the status line may be shown there.
    CliSession(const CliOptions& options, Platform& platform, const ProgramPaths& paths,
               std::ostream& out, std::ostream& errors, bool progress);
    ~CliSession() override;

    CliStatus run();
    // Ctrl+C: the live signals end after the round in progress.
    void interrupt();

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
    // A read of the gyro, leaving the statistics word on it, and how it ended.
    SequenceOutcome readGyro();
    // Whether `path` can be read and holds settings; the pilot is told when not.
    bool settingsFileReadable(const std::string& path);
    // Runs the event loop until the sequence started has ended and its outcome is shown.
    SequenceOutcome waitForTheOutcome();
    // The exit status of a read that did not leave the gyro's whole configuration on screen.
    static CliStatus readStatus(const SequenceOutcome& outcome);

    const CliOptions options_;
    Platform& platform_;
    ProgramPaths paths_;
    std::ostream& out_;
    std::ostream& errors_;
    CliFrontEnd frontEnd_;
    CliScreen screen_;
    MemoryPortSelector portList_;
    std::unique_ptr<ConfigController> controller_;
    // Goes before the controller it listens to.
    std::unique_ptr<PilotHistory> history_;
    std::optional<SequenceOutcome> outcome_;
    int rounds_ = 0;
    bool stopping_ = false;
};

}  // namespace vn340
