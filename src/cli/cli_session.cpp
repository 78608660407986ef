#include "cli/cli_session.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "base/paths.h"
#include "cli/cli_output.h"
#include "cli/port_argument.h"
#include "config/config_comparison.h"
#include "config/settings_comments.h"
#include "config/settings_file.h"
#include "link/adapter_link.h"
#include "link/port_selection.h"
#include "live/live_recording.h"
#include "protocol/memory_map.h"

namespace vn340 {
namespace {

constexpr std::string_view kNoPortText =
    "No port is chosen for the Vexa-Plug: give one with --port, or choose one in the window.";
constexpr std::string_view kStoreNeedsAgreement =
    "Storing changes the gyro's settings: updating the parameters in flight can result in loss "
    "of tail control. Land, idle the engine and stop the rotor, then add --yes to agree; nothing "
    "was sent.";
constexpr std::string_view kFinishingTheStore = "Finishing the store first (about 2 s)\u2026";
constexpr std::string_view kInterrupted =
    "Interrupted: the read was abandoned; nothing was written to the gyro.";

}  // namespace

CliSession::CliSession(const CliOptions& options, Platform& platform, SystemEventLoop& loop,
                       const ProgramPaths& paths, std::ostream& out, std::ostream& errors,
                       bool progress)
    : options_(options),
      platform_(platform),
      loop_(loop),
      paths_(paths),
      out_(out),
      frontEnd_(errors, progress),
      screen_(errors),
      outcomeView_(frontEnd_) {}

CliSession::~CliSession() {
    history_.reset();
    // A read abandoned half-way ends here too: the adapter is closed as the window closes it.
    if (controller_ != nullptr) {
        controller_->closeAdapter();
    }
}

CliStatus CliSession::run() {
    switch (options_.command) {
        case CliCommand::Ports:
            return ports();
        case CliCommand::Read:
            return read();
        case CliCommand::Diff:
            return diff();
        case CliCommand::Store:
            return store();
        case CliCommand::Monitor:
            return monitor();
        case CliCommand::History:
            return history();
    }
    return CliStatus::Usage;
}

void CliSession::stop(StopRequest) {
    if (options_.command == CliCommand::Monitor) {
        endMonitor();
        return;
    }
    if (controller_ != nullptr && controller_->storing()) {
        if (!finishingTold_) {
            frontEnd_.tell(kFinishingTheStore);
        }
        finishingTold_ = true;
        return;
    }
    abandoned_ = true;
}

void CliSession::endMonitor() {
    if (controller_ != nullptr && !stopping_) {
        stopping_ = true;
        controller_->diagnosticsCommand(std::nullopt);
    }
}

bool CliSession::print(std::string_view text) {
    if (outputFailed_) {
        return false;
    }
    out_ << text << std::flush;
    if (out_) {
        return true;
    }
    outputFailed_ = true;
    frontEnd_.tell(kOutputFailedText);
    return false;
}

CliStatus CliSession::ports() {
    std::unique_ptr<Transports> transports = platform_.makeTransports(frontEnd_);
    std::vector<std::string> names = transports->enumerateSerialPorts();
    if (platform_.usbLibraryPresent()) {
        names.emplace_back(kUsbPortName);
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return portNameBefore(a, b); });
    std::string lines;
    for (const std::string& name : names) {
        lines += name + '\n';
    }
    return print(lines) ? CliStatus::Done : CliStatus::OutputFailed;
}

bool CliSession::portByName(std::optional<std::string>& port) {
    if (!port) {
        return true;
    }
    // Only a path is looked for among the ports listed.
    std::vector<std::string> listed;
    if (port->find('/') != std::string::npos) {
        listed = platform_.makeTransports(frontEnd_)->enumerateSerialPorts();
    }
    const std::optional<PortChoice> choice = choosePort(*port, paths_.deviceFolder, listed);
    if (!choice) {
        frontEnd_.tell("The port " + *port + " is not there.");
        return false;
    }
    if (!choice->listed) {
        portPlatform_ = std::make_unique<ExtraPortPlatform>(platform_, choice->name);
    }
    port = choice->name;
    return true;
}

bool CliSession::openAdapter() {
    std::optional<std::string> port = options_.port;
    if (!portByName(port)) {
        return false;
    }
    Platform& platform = portPlatform_ != nullptr ? *portPlatform_ : platform_;
    controller_ =
        std::make_unique<ConfigController>(screen_, portList_, frontEnd_, platform, paths_);
    controller_->showOutcomesOn(outcomeView_);
    history_ =
        std::make_unique<PilotHistory>(*controller_, frontEnd_, platform, paths_.historyFolder);
    connections_ += controller_->outcomeShown.connect(
        [this](const SequenceOutcome& outcome) { outcome_ = outcome; });
    controller_->start(port);
    if (controller_->adapterOpen()) {
        return true;
    }
    const std::string name = options_.port.value_or(controller_->preferences().savedPort);
    if (name.empty()) {
        frontEnd_.tell(kNoPortText);
    } else if (frontEnd_.told().empty()) {
        frontEnd_.tell("The port " + name + " is not there.");
    }
    return false;
}

std::optional<SequenceOutcome> CliSession::waitForTheOutcome() {
    while (!outcome_ && !abandoned_ && controller_->busy()) {
        loop_.runOnce();
    }
    // A read that ended just as it was abandoned is taken as it ended.
    if (!outcome_ && abandoned_) {
        return std::nullopt;
    }
    // A sequence that never started has nothing to tell: it did not run to its end.
    SequenceOutcome notStarted;
    notStarted.result = SequenceResult::Failed;
    return std::exchange(outcome_, std::nullopt).value_or(notStarted);
}

std::optional<SequenceOutcome> CliSession::readGyro() {
    outcome_.reset();
    controller_->readFromGyro(StatisticsWord::LeaveOnGyro);
    return waitForTheOutcome();
}

CliStatus CliSession::readStatus(const SequenceOutcome& outcome) {
    if (!outcome.ranToItsEnd()) {
        return CliStatus::GyroSilent;
    }
    // The settings were read, but not everything the gyro was asked for.
    return outcome.complete() ? CliStatus::Done : CliStatus::Differences;
}

CliStatus CliSession::interrupted() {
    frontEnd_.tell(kInterrupted);
    return CliStatus::Interrupted;
}

JsonError CliSession::jsonError(CliStatus status) const {
    std::string said;
    for (const std::string& line : frontEnd_.told()) {
        said += (said.empty() ? "" : " ") + line;
    }
    return {said, static_cast<int>(status)};
}

CliStatus CliSession::failed(CliStatus status) {
    if (options_.json) {
        print(errorJson(jsonError(status)));
    }
    return status;
}

bool CliSession::fileThere(const std::string& path) {
    std::vector<FolderEntry> entries;
    const std::string folder = folderOf(path);
    platform_.files().listFolder(folder.empty() ? "." : folder, entries);
    return std::any_of(entries.begin(), entries.end(),
                       [&](const FolderEntry& entry) { return entry.name == fileNameOf(path); });
}

std::optional<DecodedSettings> CliSession::settingsFile(const std::string& path) {
    // A missing file would read as an empty one, and be refused as another product's.
    if (!fileThere(path)) {
        frontEnd_.tell("The file " + path + " is not there.");
        return std::nullopt;
    }
    std::string bytes;
    if (const SysResult read = platform_.files().read(path, bytes); !read) {
        frontEnd_.showMessage(read.message);
        return std::nullopt;
    }
    GyroConfig factory;
    loadDefaults(factory);
    DecodedSettings decoded = decodeSettingsFile(bytes, factory);
    if (decoded.refusal) {
        frontEnd_.showMessage(*decoded.refusal);
        return std::nullopt;
    }
    return decoded;
}

// The window puts a default in place of a value it cannot take and says so; the pilot then
// sees the default on screen before storing. A script sees nothing, so a store from the command
// line takes the file as it is or not at all. The field checks' limits are the file's own
// ranges (one field table), so a value they would change is one the codec has replaced already.
bool CliSession::storable(const DecodedSettings& decoded) {
    std::vector<std::string_view> replaced;
    for (const LoadProblem& problem : decoded.problems) {
        if (problem.kind == LoadProblem::Kind::UnexpectedValue) {
            replaced.push_back(problem.name);
        }
    }
    if (replaced.empty()) {
        return true;
    }
    frontEnd_.tell("The file " + options_.file +
                   " cannot be stored as it is, so nothing was sent to the gyro: the default "
                   "would take the place of each of these values.");
    for (const std::string_view name : replaced) {
        frontEnd_.tell(std::string(name) + ": missing, not a whole number, or outside its limits");
    }
    return false;
}

CliStatus CliSession::read() {
    const bool toFile = options_.output && *options_.output != kStandardOutput;
    if (toFile && !options_.force && fileThere(*options_.output)) {
        frontEnd_.tell("The file " + *options_.output +
                       " is there already: add --force to write over it. Nothing was read.");
        return CliStatus::BadFile;
    }
    if (!openAdapter()) {
        return failed(CliStatus::AdapterUnavailable);
    }
    const std::optional<SequenceOutcome> outcome = readGyro();
    if (!outcome) {
        return failed(interrupted());
    }
    const CliStatus status = readStatus(*outcome);
    if (!outcome->ranToItsEnd()) {
        return failed(status);
    }
    if (toFile) {
        return saveRead(status);
    }
    const GyroConfig& gyro = controller_->model();
    std::string text;
    if (options_.output) {
        // The bytes "Save to file" writes into a new file.
        text = encodeSettingsFile("", gyro, splitAtLineBreaks(gyro.userComments));
    } else if (options_.json) {
        std::optional<JsonError> error;
        if (status != CliStatus::Done) {
            error = jsonError(status);
        }
        text = configurationJson(gyro, error);
    } else {
        text = configurationLines(gyro);
    }
    return print(text) ? status : CliStatus::OutputFailed;
}

CliStatus CliSession::saveRead(CliStatus status) {
    // Saved exactly as "Save to file" saves it after a read.
    frontEnd_.savePath = *options_.output;
    frontEnd_.overwrite = options_.force;
    bool saved = false;
    const std::size_t toldBefore = frontEnd_.told().size();
    {
        const Connection watch =
            controller_->fileSaved.connect([&saved](const std::string&) { saved = true; });
        controller_->saveToFile();
    }
    if (saved) {
        return status;
    }
    // Made by someone else since it was looked for.
    if (frontEnd_.told().size() == toldBefore) {
        frontEnd_.tell("The file " + *options_.output +
                       " is there already: add --force to write over it.");
    }
    return CliStatus::BadFile;
}

CliStatus CliSession::diff() {
    if (!settingsFile(options_.file)) {
        return CliStatus::BadFile;
    }
    // With the messages and field checks of "Load from file".
    GyroConfig file;
    loadDefaults(file);
    loadSettingsFileAt(file, platform_.files(), frontEnd_, screen_, options_.file);
    if (!openAdapter()) {
        return CliStatus::AdapterUnavailable;
    }
    const std::optional<SequenceOutcome> read = readGyro();
    if (!read) {
        return interrupted();
    }
    if (!read->ranToItsEnd()) {
        return readStatus(*read);
    }
    const std::vector<SettingComparison> differences =
        differingSettings(file, controller_->model());
    if (!print(differenceLines(differences, "file", "gyro"))) {
        return CliStatus::OutputFailed;
    }
    return differences.empty() ? readStatus(*read) : CliStatus::Differences;
}

CliStatus CliSession::store() {
    if (!options_.yes) {
        frontEnd_.showMessage(kStoreNeedsAgreement);
        return CliStatus::Usage;
    }
    const std::optional<DecodedSettings> file = settingsFile(options_.file);
    if (!file || !storable(*file)) {
        return CliStatus::BadFile;
    }
    if (!openAdapter()) {
        return CliStatus::AdapterUnavailable;
    }
    // The gyro's own settings first, so the pilot sees what the store changes.
    const std::optional<SequenceOutcome> read = readGyro();
    if (!read) {
        return interrupted();
    }
    if (!read->ranToItsEnd()) {
        return readStatus(*read);
    }
    const GyroConfig gyro = controller_->model();
    controller_->loadFromFileAt(options_.file);
    // Nobody would see what the store changes: nothing is sent.
    if (!print(differenceLines(differingSettings(gyro, controller_->model()), "gyro", "file"))) {
        return CliStatus::OutputFailed;
    }
    // Asked to end as the read ended: nothing has been written, and nothing will be.
    if (abandoned_) {
        return interrupted();
    }
    frontEnd_.agreed = true;
    outcome_.reset();
    controller_->storeToGyro();
    // A store is never abandoned: stop() lets it finish.
    const std::optional<SequenceOutcome> stored = waitForTheOutcome();
    return stored ? storeStatus(*stored) : interrupted();
}

CliStatus CliSession::storeStatus(const SequenceOutcome& stored) {
    switch (stored.result) {
        case SequenceResult::Done:
            return CliStatus::Done;
        case SequenceResult::NotVerified:
            return CliStatus::Differences;
        case SequenceResult::CutShort:
        case SequenceResult::Failed:
            break;
    }
    if (stored.storeCutShort() && !history_->lastSnapshotPath().empty()) {
        frontEnd_.tell("What was being stored is kept in " + history_->lastSnapshotPath());
    }
    return CliStatus::GyroSilent;
}

CliStatus CliSession::monitor() {
    if (!openAdapter()) {
        return CliStatus::AdapterUnavailable;
    }
    if (options_.csv && !print(kLiveCsvHeader)) {
        return CliStatus::OutputFailed;
    }
    connections_ += controller_->liveSignalsArrived.connect([this](const LiveSignals& round) {
        // The rows of the window's own recording, timed from the start of the monitor.
        const std::string line = options_.csv
                                     ? liveCsvRow(platform_.steadyNow() - monitorStart_, round)
                                     : liveSignalsLine(round);
        ++rounds_;
        if (!print(line) || (options_.rounds && rounds_ == *options_.rounds)) {
            endMonitor();
        }
    });
    outcome_.reset();
    monitorStart_ = platform_.steadyNow();
    controller_->diagnosticsCommand(std::nullopt);
    const std::optional<SequenceOutcome> outcome = waitForTheOutcome();
    if (outputFailed_) {
        return CliStatus::OutputFailed;
    }
    return outcome && outcome->result == SequenceResult::Done ? CliStatus::Done
                                                              : CliStatus::GyroSilent;
}

CliStatus CliSession::history() {
    if (!paths_.historyFolder) {
        frontEnd_.showMessage(
            "There is no folder for the history: neither XDG_DATA_HOME nor HOME is set.");
        return CliStatus::BadFile;
    }
    const HistoryStore store(*paths_.historyFolder, platform_.files());
    const std::vector<Snapshot> snapshots =
        options_.serial ? store.list(*options_.serial) : store.listAll();
    return print(snapshotLines(snapshots)) ? CliStatus::Done : CliStatus::OutputFailed;
}

}  // namespace vn340
