#include "cli/cli_session.h"

#include <QCoreApplication>

#include <algorithm>
#include <utility>
#include <vector>

#include "base/paths.h"
#include "cli/cli_output.h"
#include "config/config_comparison.h"
#include "config/settings_codec.h"
#include "config/settings_file.h"
#include "link/adapter_link.h"
#include "link/port_selection.h"
#include "protocol/memory_map.h"

namespace vn340 {
namespace {

constexpr std::string_view kNoPortText =
    "No port is chosen for the Vexa-Plug: give one with --port, or choose one in the window.";
constexpr std::string_view kStoreNeedsAgreement =
    "Storing changes the gyro's settings: updating the parameters in flight can result in loss "
    "of tail control. Land, idle the engine and stop the rotor, then add --yes to agree; nothing "
    "was sent.";

}  // namespace

CliSession::CliSession(const CliOptions& options, Platform& platform, const ProgramPaths& paths,
                       std::ostream& out, std::ostream& errors, bool progress)
    : options_(options),
      platform_(platform),
      paths_(paths),
      out_(out),
      errors_(errors),
      frontEnd_(errors, progress),
      screen_(errors) {}

CliSession::~CliSession() {
    history_.reset();
    if (controller_ != nullptr)
        controller_->closeAdapter();
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

void CliSession::interrupt() {
    if (options_.command == CliCommand::Monitor && controller_ != nullptr && !stopping_) {
        stopping_ = true;
        controller_->diagnosticsCommand(std::nullopt);
    }
}

CliStatus CliSession::ports() {
    std::unique_ptr<Transports> transports = platform_.makeTransports(frontEnd_, this);
    std::vector<std::string> names = transports->enumerateSerialPorts();
    if (platform_.usbLibraryPresent())
        names.emplace_back(kUsbPortName);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return portNameBefore(a, b); });
    for (const std::string& name : names)
        out_ << name << '\n';
    return CliStatus::Done;
}

bool CliSession::openAdapter() {
    controller_ =
        std::make_unique<ConfigController>(screen_, portList_, frontEnd_, platform_, paths_, this);
    history_ = std::make_unique<PilotHistory>(*controller_, frontEnd_, platform_,
                                              paths_.historyFolder, this);
    connect(controller_.get(), &ConfigController::outcomeShown, this,
            [this](const SequenceOutcome& outcome) { outcome_ = outcome; });
    controller_->start(options_.port);
    if (controller_->adapterOpen())
        return true;
    const std::string port = options_.port.value_or(controller_->preferences().savedPort);
    if (port.empty())
        frontEnd_.showMessage(kNoPortText);
    else if (frontEnd_.messages().empty())
        frontEnd_.showMessage("The port " + port + " is not there.");
    return false;
}

SequenceOutcome CliSession::waitForTheOutcome() {
    while (!outcome_ && controller_->busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // A sequence that never started has nothing to tell: it did not run to its end.
    SequenceOutcome notStarted;
    notStarted.result = SequenceResult::Failed;
    return std::exchange(outcome_, std::nullopt).value_or(notStarted);
}

SequenceOutcome CliSession::readGyro() {
    outcome_.reset();
    controller_->readFromGyro(StatisticsWord::LeaveOnGyro);
    return waitForTheOutcome();
}

CliStatus CliSession::readStatus(const SequenceOutcome& outcome) {
    if (!outcome.ranToItsEnd())
        return CliStatus::GyroSilent;
    // The settings were read, but not everything the gyro was asked for.
    return outcome.complete() ? CliStatus::Done : CliStatus::Differences;
}

bool CliSession::settingsFileReadable(const std::string& path) {
    // A missing file would read as an empty one, and be refused as another product's.
    std::vector<FolderEntry> entries;
    const std::string folder = folderOf(path);
    platform_.files().listFolder(folder.empty() ? "." : folder, entries);
    const bool there = std::any_of(entries.begin(), entries.end(), [&](const FolderEntry& entry) {
        return entry.name == fileNameOf(path);
    });
    if (!there) {
        frontEnd_.showMessage("The file " + path + " is not there.");
        return false;
    }
    std::string bytes;
    if (const SysResult read = platform_.files().read(path, bytes); !read) {
        frontEnd_.showMessage(read.message);
        return false;
    }
    GyroConfig factory;
    loadDefaults(factory);
    if (const DecodedSettings decoded = decodeSettingsFile(bytes, factory); decoded.refusal) {
        frontEnd_.showMessage(*decoded.refusal);
        return false;
    }
    return true;
}

CliStatus CliSession::read() {
    if (!openAdapter())
        return CliStatus::AdapterUnavailable;
    const SequenceOutcome outcome = readGyro();
    if (!outcome.ranToItsEnd())
        return readStatus(outcome);
    if (options_.output) {
        // Saved exactly as "Save to file" saves it after a read.
        frontEnd_.savePath = *options_.output;
        const std::size_t before = frontEnd_.messages().size();
        controller_->saveToFile();
        if (frontEnd_.messages().size() != before)
            return CliStatus::BadFile;
    } else {
        out_ << (options_.json ? configurationJson(controller_->model())
                               : configurationLines(controller_->model()));
    }
    return readStatus(outcome);
}

CliStatus CliSession::diff() {
    if (!settingsFileReadable(options_.file))
        return CliStatus::BadFile;
    GyroConfig file;
    loadDefaults(file);
    loadSettingsFileAt(file, platform_.files(), frontEnd_, screen_, options_.file);
    if (!openAdapter())
        return CliStatus::AdapterUnavailable;
    if (const SequenceOutcome outcome = readGyro(); !outcome.ranToItsEnd())
        return readStatus(outcome);
    const std::vector<SettingComparison> differences =
        differingSettings(file, controller_->model());
    out_ << differenceLines(differences, "file", "gyro");
    return differences.empty() ? CliStatus::Done : CliStatus::Differences;
}

CliStatus CliSession::store() {
    if (!options_.yes) {
        frontEnd_.showMessage(kStoreNeedsAgreement);
        return CliStatus::Usage;
    }
    if (!settingsFileReadable(options_.file))
        return CliStatus::BadFile;
    if (!openAdapter())
        return CliStatus::AdapterUnavailable;
    // The gyro's own settings first, so the pilot sees what the store changes.
    if (const SequenceOutcome outcome = readGyro(); !outcome.ranToItsEnd())
        return readStatus(outcome);
    const GyroConfig gyro = controller_->model();
    controller_->loadFromFileAt(options_.file);
    out_ << differenceLines(differingSettings(gyro, controller_->model()), "gyro", "file")
         << std::flush;
    frontEnd_.agreed = true;
    outcome_.reset();
    controller_->storeToGyro();
    const SequenceOutcome stored = waitForTheOutcome();
    switch (stored.result) {
        case SequenceResult::Done:
            return CliStatus::Done;
        case SequenceResult::NotVerified:
            return CliStatus::Differences;
        case SequenceResult::CutShort:
        case SequenceResult::Failed:
            break;
    }
    if (stored.storeCutShort() && !history_->lastSnapshotPath().empty())
        errors_ << "What was being stored is kept in " << history_->lastSnapshotPath() << '\n';
    return CliStatus::GyroSilent;
}

CliStatus CliSession::monitor() {
    if (!openAdapter())
        return CliStatus::AdapterUnavailable;
    if (options_.csv)
        out_ << liveSignalsCsvHeader();
    connect(controller_.get(), &ConfigController::liveSignalsArrived, this,
            [this](const LiveSignals& round) {
                out_ << (options_.csv ? liveSignalsCsvRow(round) : liveSignalsLine(round))
                     << std::flush;
                ++rounds_;
                if (options_.rounds && rounds_ == *options_.rounds)
                    interrupt();
            });
    outcome_.reset();
    controller_->diagnosticsCommand(std::nullopt);
    const SequenceOutcome outcome = waitForTheOutcome();
    return outcome.result == SequenceResult::Done ? CliStatus::Done : CliStatus::GyroSilent;
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
    out_ << snapshotLines(snapshots);
    return CliStatus::Done;
}

}  // namespace vn340
