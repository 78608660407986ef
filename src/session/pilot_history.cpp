#include "session/pilot_history.h"

#include <algorithm>
#include <utility>

#include "base/front_end.h"
#include "config/config_comparison.h"
#include "config/settings_codec.h"
#include "config/settings_file.h"
#include "protocol/compare_read.h"
#include "session/config_controller.h"
#include "session/platform.h"

namespace vn340 {
namespace {

// A serial number this sequence could not read is the one the field kept from before, perhaps
// another gyro's: the snapshot must not go into that gyro's folder.
GyroConfig ofThisGyro(GyroConfig config, const SequenceOutcome& outcome) {
    const auto& unread = outcome.unreadIdentification;
    if (std::find(unread.begin(), unread.end(), IdentificationField::SerialNumber) !=
        unread.end()) {
        config.serialNumber.clear();
    }
    return config;
}

constexpr std::string_view kNothingKnownText =
    "The last store did not finish, so what the gyro holds now is not known.\n\nRead from the "
    "gyro first.";

}  // namespace

std::string unknownSettingsText(const std::vector<Setting>& unknown) {
    std::string text =
        "The gyro's answer for these settings could not be read after the last store, so they "
        "stay as the screen shows them:\n\n";
    for (const Setting setting : unknown) {
        text += std::string(describe(setting).label) + "\n";
    }
    return text + "\nRead from the gyro to see what it holds.";
}

PilotHistory::PilotHistory(ConfigController& controller, FrontEnd& frontEnd, Platform& platform,
                           const std::optional<std::string>& folder)
    : controller_(controller), frontEnd_(frontEnd), platform_(platform), origin_(controller) {
    if (folder) {
        store_ = std::make_unique<HistoryStore>(*folder, platform_.files(),
                                                [this] { return platform_.localNow(); });
    }
    compareRead_ = controller_.makeCompareRead();
    connections_ += controller_.pilotChanged.connect(
        [this](const PilotChange& change) { pilotChanged(change); });
    // Told once the pilot has read how the sequence ended: keeping it may have a message too.
    connections_ += controller_.outcomeShown.connect(
        [this](const SequenceOutcome& outcome) { sequenceEnded(outcome); });
}

PilotHistory::~PilotHistory() {
    // A read of the gyro's own still running must not be handed replies once it is gone.
    controller_.runBeside(nullptr);
}

bool PilotHistory::busy() const {
    return controller_.busy();
}

void PilotHistory::undo() {
    if (!busy()) {
        put(steps_.undo());
    }
}

void PilotHistory::redo() {
    if (!busy()) {
        put(steps_.redo());
    }
}

void PilotHistory::put(const std::optional<GyroConfig>& config) {
    if (!config) {
        return;
    }
    controller_.applyConfiguration(*config);
    stepsChanged();
}

void PilotHistory::pilotChanged(const PilotChange& change) {
    if (steps_.record(change.step, change.before, change.after)) {
        stepsChanged();
    }
}

void PilotHistory::sequenceEnded(const SequenceOutcome& outcome) {
    const bool done = outcome.result == SequenceResult::Done;
    switch (outcome.kind) {
        case SequenceKind::Read:
            if (done) {
                know(outcome.gyro, false);
                keep(ofThisGyro(outcome.gyro.config, outcome), SnapshotKind::Read);
            }
            break;
        case SequenceKind::Store:
            storeEnded(outcome);
            break;
        case SequenceKind::CompareRead:
            if (done) {
                gyroCompared(outcome.gyro.config);
            }
            break;
        case SequenceKind::Diagnostics:
            break;
    }
}

void PilotHistory::storeEnded(const SequenceOutcome& outcome) {
    if (outcome.result == SequenceResult::Done) {
        know(outcome.gyro, true);
        keep(ofThisGyro(outcome.gyro.config, outcome), SnapshotKind::Stored);
    } else if (outcome.result == SequenceResult::NotVerified) {
        // What the gyro answered is known only word by word; the snapshot is what was stored.
        know(outcome.gyro, true);
        keep(ofThisGyro(controller_.model(), outcome), SnapshotKind::Unverified);
    } else if (outcome.wordsSent) {
        // The gyro may hold some new and some old settings: none of them is known any more.
        if (gyroKnown_) {
            gyroKnown_->confirmed.fill(false);
            lastReadChanged(true);
        }
        keep(ofThisGyro(controller_.model(), outcome), SnapshotKind::Unfinished);
    }
}

void PilotHistory::know(const GyroKnowledge& gyro, bool afterStore) {
    gyroKnown_ = gyro;
    lastReadChanged(afterStore);
}

RecordResult PilotHistory::keep(const GyroConfig& config, SnapshotKind kind) {
    lastSnapshotPath_.clear();
    if (store_ == nullptr) {
        return {};
    }
    const RecordResult kept = store_->record(config, kind);
    if (kept.tellPilot) {
        frontEnd_.showMessage(historyFailureMessage(kept.result));
    }
    lastSnapshotPath_ = kept.path;
    snapshotKept(config.serialNumber);
    return kept;
}

void PilotHistory::keepAtClose() {
    // A read or a store cut off by the closing leaves a screen that is neither the pilot's
    // nor the gyro's; a store cut short keeps its own snapshot.
    if (store_ == nullptr || busy() || !origin_.changedSinceSettled()) {
        return;
    }
    const RecordResult kept = keep(controller_.model(), SnapshotKind::Closed);
    if (kept.result && !kept.path.empty()) {
        store_->noteClosed(kept.path);
    }
}

std::optional<std::string> PilotHistory::closedNote() {
    if (store_ == nullptr) {
        return std::nullopt;
    }
    const std::optional<std::string> where = store_->takeClosedNote();
    if (!where) {
        return std::nullopt;
    }
    return closedNoteText(*where);
}

void PilotHistory::revertToGyro() {
    if (!gyroKnown_ || busy()) {
        return;
    }
    if (!gyroKnown_->anyConfirmed()) {
        frontEnd_.showMessage(kNothingKnownText);
        return;
    }
    const GyroConfig& screen = controller_.model();
    GyroConfig reverted = gyroKnown_->config;
    reverted.userComments = screen.userComments;
    const std::vector<Setting> unknown = gyroKnown_->unknownSettings();
    for (const Setting setting : unknown) {
        vn340::useValue(reverted, screen, setting);
    }
    controller_.applyAsStep(pilot_step::kRevertToGyro, reverted);
    if (!unknown.empty()) {
        frontEnd_.showMessage(unknownSettingsText(unknown));
    }
}

void PilotHistory::loadSnapshot(const Snapshot& snapshot) {
    if (!busy()) {
        controller_.loadFromFileAt(snapshot.path);
    }
}

void PilotHistory::compareWithGyro() {
    if (busy()) {
        return;
    }
    controller_.runBeside(compareRead_.get());
    compareRead_->start(controller_.model());
}

void PilotHistory::useValue(const GyroConfig& other, Setting setting) {
    if (busy()) {
        return;
    }
    GyroConfig changed = controller_.model();
    vn340::useValue(changed, other, setting);
    controller_.applyAsStep(pilot_step::kUseValue, changed);
}

std::optional<ChosenFile> PilotHistory::chooseFileToCompare() {
    const std::optional<std::string> chosen = frontEnd_.askLoadPath(
        FileDialogRequest{controller_.preferences().lastDirectory, std::string(),
                          std::string(kSettingsFileFilter), std::string(kSettingsFileSuffix)});
    if (!chosen) {
        return std::nullopt;
    }
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
