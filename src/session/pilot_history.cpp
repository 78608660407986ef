#include "session/pilot_history.h"

#include <utility>

#include "base/front_end.h"
#include "config/config_comparison.h"
#include "config/settings_codec.h"
#include "config/settings_file.h"
#include "protocol/compare_read.h"
#include "session/config_controller.h"
#include "session/platform.h"

namespace vn340 {

PilotHistory::PilotHistory(ConfigController& controller, FrontEnd& frontEnd, Platform& platform,
                           const std::optional<std::string>& folder, QObject* parent)
    : QObject(parent),
      controller_(controller),
      frontEnd_(frontEnd),
      platform_(platform),
      origin_(controller) {
    if (folder) {
        store_ = std::make_unique<HistoryStore>(*folder, platform_.files(),
                                                [this] { return platform_.localNow(); });
    }
    compareRead_ =
        controller_.makeCompareRead([this](const GyroConfig& gyro) { emit gyroCompared(gyro); });

    connect(&controller_, &ConfigController::pilotChanged, this, &PilotHistory::pilotChanged);
    connect(&controller_, &ConfigController::readCompleted, this,
            [this] { gyroRead(controller_.model(), false); });
    connect(&controller_, &ConfigController::storeCompleted, this,
            [this](const GyroConfig& gyroHolds) { gyroRead(gyroHolds, true); });
    // The engine hands a store cut short on once the pilot has read why it ended.
    connect(&controller_, &ConfigController::storeUnfinished, this,
            [this] { keep(controller_.model(), SnapshotKind::Unfinished); });
}

PilotHistory::~PilotHistory() {
    // A read of the gyro's own still running must not be handed replies once it is gone.
    controller_.runBeside(nullptr);
}

bool PilotHistory::busy() const {
    return !controller_.engine().idle() || compareRead_->running();
}

void PilotHistory::undo() {
    if (!busy())
        put(steps_.undo());
}

void PilotHistory::redo() {
    if (!busy())
        put(steps_.redo());
}

void PilotHistory::put(const std::optional<GyroConfig>& config) {
    if (!config)
        return;
    controller_.applyConfiguration(*config);
    emit stepsChanged();
}

void PilotHistory::pilotChanged(const PilotChange& change) {
    if (steps_.record(change.step, change.before, change.after))
        emit stepsChanged();
}

void PilotHistory::gyroRead(const GyroConfig& gyro, bool afterStore) {
    // After a store, what the gyro answered when its words were read back is what it holds.
    lastRead_ = gyro;
    emit lastReadChanged(afterStore);
    keep(gyro, afterStore ? SnapshotKind::Stored : SnapshotKind::Read);
}

RecordResult PilotHistory::keep(const GyroConfig& config, SnapshotKind kind) {
    if (store_ == nullptr)
        return {};
    const RecordResult kept = store_->record(config, kind);
    if (kept.tellPilot)
        frontEnd_.showMessage(historyFailureMessage(kept.result));
    emit snapshotKept(config.serialNumber);
    return kept;
}

void PilotHistory::keepAtClose() {
    // A read or a store cut off by the closing leaves a screen that is neither the pilot's
    // nor the gyro's; a store cut short keeps its own snapshot.
    if (store_ == nullptr || busy() || !origin_.changedSinceSettled())
        return;
    const RecordResult kept = keep(controller_.model(), SnapshotKind::Closed);
    if (kept.result && !kept.path.empty())
        store_->noteClosed(kept.path);
}

std::optional<std::string> PilotHistory::closedNote() {
    if (store_ == nullptr)
        return std::nullopt;
    const std::optional<std::string> where = store_->takeClosedNote();
    if (!where)
        return std::nullopt;
    return closedNoteText(*where);
}

void PilotHistory::revertToGyro() {
    if (!lastRead_ || busy())
        return;
    GyroConfig gyro = *lastRead_;
    gyro.userComments = controller_.model().userComments;
    controller_.applyAsStep(pilot_step::kRevertToGyro, gyro);
}

void PilotHistory::loadSnapshot(const Snapshot& snapshot) {
    if (!busy())
        controller_.loadFromFileAt(snapshot.path);
}

void PilotHistory::compareWithGyro() {
    if (busy())
        return;
    controller_.runBeside(compareRead_.get());
    compareRead_->start(controller_.model());
}

void PilotHistory::useValue(const GyroConfig& other, Setting setting) {
    if (busy())
        return;
    GyroConfig changed = controller_.model();
    vn340::useValue(changed, other, setting);
    controller_.applyAsStep(pilot_step::kUseValue, changed);
}

std::optional<ChosenFile> PilotHistory::chooseFileToCompare() {
    const std::optional<std::string> chosen = frontEnd_.askLoadPath(
        FileDialogRequest{controller_.preferences().lastDirectory, std::string(),
                          std::string(kSettingsFileFilter), std::string(kSettingsFileSuffix)});
    if (!chosen)
        return std::nullopt;
    std::string bytes;
    platform_.files().read(*chosen, bytes);
    DecodedSettings decoded = decodeSettingsFile(bytes, controller_.model());
    if (decoded.refusal) {
        frontEnd_.showMessage(*decoded.refusal);
        return std::nullopt;
    }
    return ChosenFile{*chosen, std::move(decoded.config)};
}

}  // namespace vn340
