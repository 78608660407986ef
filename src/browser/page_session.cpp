#include "browser/page_session.h"

#include <utility>

#include "base/paths.h"
#include "config/settings_file.h"
#include "link/port_selection.h"

namespace vn340 {
namespace {

bool within(int position, int count) {
    return position >= 0 && position < count;
}

}  // namespace

PageSession::PageSession(PageEvents& events, const MakePlatform& makePlatform,
                         const ProgramPaths& paths, std::string fileFolder)
    : events_(events),
      fileFolder_(std::move(fileFolder)),
      ports_([this](std::string_view port, std::string_view bytes) {
          if (simulated_ && port == SimulatedGyroPort::kName) {
              simulated_->write(bytes);
          } else {
              events_.write(port, bytes);
          }
      }),
      platform_(makePlatform(ports_)),
      screen_(events),
      frontEnd_(events, fileFolder_),
      controller_(
          std::make_unique<ConfigController>(screen_, portList_, frontEnd_, *platform_, paths)) {
    history_ =
        std::make_unique<PilotHistory>(*controller_, frontEnd_, *platform_, paths.historyFolder);
    statistics_ = std::make_unique<PageStatistics>(*controller_, *platform_, events_, frontEnd_,
                                                   frontEnd_.statisticsAnswer());
    connections_ += controller_->outcomeShown.connect([this](const SequenceOutcome&) { told(); });
    connections_ += controller_->liveSignalsArrived.connect(
        [this](const LiveSignals& signals) { liveRound(signals); });
    connections_ += history_->stepsChanged.connect([this] { events_.viewChanged(); });
    connections_ += history_->lastReadChanged.connect([this](bool) { events_.viewChanged(); });
    connections_ += history_->gyroCompared.connect([this](const GyroConfig& gyro) {
        events_.compared(gyro);
        told();
    });
}

PageSession::~PageSession() {
    // The history listens to the controller; the controller hangs up its port before the
    // simulated gyro behind it goes.
    connections_ = {};
    statistics_.reset();
    history_.reset();
    controller_.reset();
}

void PageSession::start() {
    controller_->start();
    if (const std::optional<std::string> note = history_->closedNote()) {
        frontEnd_.showStatus(*note);
    }
    told();
}

void PageSession::setBox(BoxField field, std::string text) {
    if (idle()) {
        screen_.setBoxText(field, std::move(text));
    }
}

void PageSession::boxLeft(NumericField field) {
    if (idle()) {
        controller_->boxLeft(field);
    }
}

void PageSession::commentsLeft(const std::string& comments) {
    if (idle()) {
        screen_.setBoxText(TextField::UserComments, comments);
        controller_->commentsLeft(comments);
    }
}

void PageSession::chooseServo(int position) {
    if (idle() && within(position, kServoRowCount)) {
        screen_.choices().servoModel = position;
        controller_->servoChosen();
    }
}

void PageSession::chooseType(int position) {
    if (idle() && within(position, kSignalTypeCount)) {
        screen_.choices().servoType = position;
        controller_->typeChosen(position);
    }
}

void PageSession::chooseSpeed(int position) {
    if (idle() && within(position, kSpeedOptionCount)) {
        screen_.choices().servoSpeed = position;
        controller_->speedChosen();
    }
}

void PageSession::chooseDirection(Direction direction) {
    if (idle()) {
        screen_.choices().direction = direction;
        controller_->directionChosen();
    }
}

void PageSession::moveProfile(Setting profile, int position) {
    if (!idle() || position < kProfileMin || position > kProfileMax) {
        return;
    }
    if (profile == Setting::AccelProfile) {
        screen_.choices().accelProfile = position;
    } else if (profile == Setting::DecelProfile) {
        screen_.choices().decelProfile = position;
    } else {
        return;
    }
    controller_->profileMoved(profile);
}

void PageSession::selectPort(const std::string& name) {
    if (!idle()) {
        return;
    }
    controller_->portListOpened();
    portList_.selectEntry(name);
    controller_->portListClosed();
    told();
}

void PageSession::read() {
    if (idle() && controller_->adapterOpen()) {
        statistics_->readStarting();
        controller_->readFromGyro(StatisticsWord::LeaveOnGyro);
        told();
    }
}

void PageSession::store(bool dontShowAgain) {
    if (idle() && controller_->adapterOpen()) {
        frontEnd_.agreeToStore(dontShowAgain);
        controller_->storeToGyro();
        frontEnd_.withdrawAgreement();
        told();
    }
}

void PageSession::loadDefaults() {
    if (idle()) {
        controller_->loadDefaults();
    }
}

void PageSession::loadFile(std::string_view name, std::string_view bytes) {
    if (!idle()) {
        return;
    }
    FileSystem& files = platform_->files();
    const std::string path = fileFolder_ + "/" + fileNameOf(name);
    SysResult written = files.createFolders(fileFolder_);
    if (written) {
        written = files.replace(path, bytes);
    }
    if (!written) {
        frontEnd_.showMessage(written.message);
        return;
    }
    controller_->loadChosenFile(path);
    told();
}

std::optional<SavedFile> PageSession::saveFile() {
    if (!idle()) {
        return std::nullopt;
    }
    // A file saved before in the page's folder is no file of the pilot's: the new one must not
    // keep what it held.
    FileSystem& files = platform_->files();
    const std::string path = fileFolder_ + "/" + std::string(kProposedSettingsFileName);
    SysResult cleared = files.createFolders(fileFolder_);
    if (cleared) {
        cleared = files.replace(path, "");
    }
    if (!cleared) {
        frontEnd_.showMessage(saveFailedMessage(cleared.message));
        return std::nullopt;
    }
    std::optional<std::string> savedPath;
    Connection saved =
        controller_->fileSaved.connect([&savedPath](const std::string& at) { savedPath = at; });
    controller_->saveToFile();
    told();
    SavedFile file;
    if (!savedPath || !files.read(*savedPath, file.bytes)) {
        return std::nullopt;
    }
    file.name = fileNameOf(*savedPath);
    return file;
}

void PageSession::trySimulatedGyro() {
    if (!simulated_) {
        // Paced as the adapter's 9600-baud line, so the page behaves as it will with a gyro.
        simulated_ = std::make_unique<SimulatedGyroPort>(platform_->loop(), ports_,
                                                         SimSettings{.pace = true});
    }
    portOpened(std::string(SimulatedGyroPort::kName));
}

void PageSession::portOpened(const std::string& name) {
    const bool wasListed = portList_.entries().contains(name);
    ports_.portOpened(name);
    // A port connected while none is in use is the one the pilot means; one the page opened
    // again after it went is taken back into use by the link itself.
    if (!wasListed && !controller_->adapterOpen() && idle()) {
        selectPort(name);
    }
    told();
}

void PageSession::bytesArrived(std::string_view name, std::string_view bytes) {
    ports_.bytesArrived(name, bytes);
}

void PageSession::portGone(std::string_view name) {
    ports_.portGone(name);
    told();
}

void PageSession::diagnostics() {
    if (controller_->adapterOpen() || screen_.diagnosticsRunning()) {
        controller_->diagnosticsCommand(std::nullopt);
        told();
    }
}

bool PageSession::startRecording() {
    if (recording_) {
        return true;
    }
    FileSystem& files = platform_->files();
    if (const SysResult folder = files.createFolders(fileFolder_); !folder) {
        frontEnd_.showMessage(folder.message);
        return false;
    }
    recording_ = startLiveRecording(frontEnd_, files, fileFolder_,
                                    [this] { return platform_->steadyNow(); });
    events_.viewChanged();
    return recording_ != nullptr;
}

std::optional<SavedFile> PageSession::stopRecording() {
    if (!recording_) {
        return std::nullopt;
    }
    const std::string path = recording_->path();
    recording_.reset();
    events_.viewChanged();
    SavedFile file;
    if (!platform_->files().read(path, file.bytes)) {
        return std::nullopt;
    }
    file.name = fileNameOf(path);
    return file;
}

void PageSession::liveRound(const LiveSignals& signals) {
    const LiveSample sample{platform_->steadyNow(), signals};
    events_.liveSignals(sample);
    if (!recording_) {
        return;
    }
    recording_->add(sample);
    // The module's files live in memory: a round costs nothing to hand over at once, and what
    // was recorded is whole whenever the pilot stops.
    if (const SysResult flushed = recording_->flush(); !flushed) {
        frontEnd_.showMessage(recordingStoppedMessage(flushed.message));
        recording_.reset();
        events_.viewChanged();
    }
}

void PageSession::undo() {
    history_->undo();
}

void PageSession::redo() {
    history_->redo();
}

void PageSession::revertToGyro() {
    history_->revertToGyro();
}

void PageSession::compareWithGyro() {
    if (controller_->adapterOpen()) {
        history_->compareWithGyro();
        told();
    }
}

void PageSession::loadSnapshot(const std::string& path) {
    for (const Snapshot& snapshot : snapshots()) {
        if (snapshot.path == path) {
            history_->loadSnapshot(snapshot);
            told();
            return;
        }
    }
}

std::vector<Snapshot> PageSession::snapshots() const {
    return history_->store() != nullptr ? history_->store()->listAll() : std::vector<Snapshot>{};
}

void PageSession::close() {
    history_->keepAtClose();
    events_.filesWritten();
}

std::vector<std::string> PageSession::offeredPorts() const {
    std::vector<std::string> offered;
    for (const std::string& name : portList_.entries()) {
        if (name != kUsbPortName) {
            offered.push_back(name);
        }
    }
    return offered;
}

void PageSession::told() {
    events_.viewChanged();
    events_.filesWritten();
}

}  // namespace vn340
