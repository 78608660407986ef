#pragma once

// What keeps the pilot's work safe, without a window: every successful read, every store (one
// that did not verify, and one cut short, named so), kept as a snapshot in the history; every
// change the pilot makes one step of undo and redo; what the gyro is known to hold, to go back
// to; and "Compare with gyro", a read of the gyro's own that leaves the screen alone. It listens to
// the controller and asks it for changes; the window (or the command line) shows the rest.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/signal.h"
#include "config/field_table.h"
#include "config/gyro_config.h"
#include "config/history_store.h"
#include "protocol/sequence_outcome.h"
#include "session/screen_origin.h"
#include "session/step_stack.h"

namespace vn340 {

class ConfigController;
class FrontEnd;
class GyroCompareRead;
class Platform;
struct PilotChange;

// Names of the steps made here.
namespace pilot_step {
inline constexpr std::string_view kRevertToGyro = "Revert to gyro values";
inline constexpr std::string_view kUseValue = "Use value";
}  // namespace pilot_step

// What the pilot is told of settings whose value on the gyro is not known, one per line.
std::string unknownSettingsText(const std::vector<Setting>& unknown);

// A settings file the pilot chose to set beside the screen.
struct ChosenFile {
    std::string path;
    GyroConfig config;
};

class PilotHistory {
  public:
    // `folder` is where snapshots are kept; none keeps no history. Snapshots are written
    // through the platform's files and named by its clock. It must go before the controller.
    PilotHistory(ConfigController& controller, FrontEnd& frontEnd, Platform& platform,
                 const std::optional<std::string>& folder);
    ~PilotHistory();

    // While a sequence runs (a read, a store, diagnostics, "Compare with gyro") or its outcome
    // is shown, nothing may change the screen and no other read may start: every command below
    // then does nothing.
    bool busy() const;

    void undo();
    void redo();
    // The settings known to be on the gyro, as one step; the comments stay as the pilot wrote
    // them, since the gyro holds none, and a setting whose value on the gyro is not known stays
    // as it is, which the pilot is told. Nothing before the first read.
    void revertToGyro();
    // A snapshot put on the screen as "Load from file" puts a file there.
    void loadSnapshot(const Snapshot& snapshot);
    // Reads the gyro beside the screen; gyroCompared() tells what it holds.
    void compareWithGyro();
    // The value of `setting` that `other` holds, on the screen as one step.
    void useValue(const GyroConfig& other, Setting setting);
    // A settings file to set beside the screen, chosen by the pilot and read without changing
    // anything; none when the pilot cancelled or the file was refused (and the pilot told why).
    std::optional<ChosenFile> chooseFileToCompare();

    // As the window closes: a screen changed since it was last read, stored, loaded or saved
    // is kept in the history without a question, and noted for the next start.
    void keepAtClose();
    // What the status line tells once at the start when the last closing kept a screen.
    std::optional<std::string> closedNote();

    const StepStack& steps() const { return steps_; }
    // What the gyro held at the end of the last read, or what the last store read back; after
    // a store cut short, nothing of it is confirmed any more. None before the first read.
    const std::optional<GyroKnowledge>& gyroKnown() const { return gyroKnown_; }
    // The snapshot kept last; empty when it could not be kept or none was.
    const std::string& lastSnapshotPath() const { return lastSnapshotPath_; }
    // None when no history is kept.
    const HistoryStore* store() const { return store_.get(); }
    const ScreenOrigin& origin() const { return origin_; }

    // --- what it tells ---
    // A step was made, undone or redone.
    Signal<> stepsChanged;
    // gyroKnown() has changed, by a read or by a store (true).
    Signal<bool> lastReadChanged;
    // A snapshot of the gyro with the serial number was kept, or failed to be.
    Signal<std::string> snapshotKept;
    // "Compare with gyro" has read what the gyro holds.
    Signal<GyroConfig> gyroCompared;

  private:
    void pilotChanged(const PilotChange& change);
    void sequenceEnded(const SequenceOutcome& outcome);
    void storeEnded(const SequenceOutcome& outcome);
    void know(const GyroKnowledge& gyro, bool afterStore);
    RecordResult keep(const GyroConfig& config, SnapshotKind kind);
    void put(const std::optional<GyroConfig>& config);

    ConfigController& controller_;
    FrontEnd& frontEnd_;
    Platform& platform_;
    std::unique_ptr<HistoryStore> store_;
    std::unique_ptr<GyroCompareRead> compareRead_;
    ScreenOrigin origin_;
    StepStack steps_;
    std::optional<GyroKnowledge> gyroKnown_;
    Connections connections_;
    std::string lastSnapshotPath_;
};

}  // namespace vn340
