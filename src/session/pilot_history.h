#pragma once

// What keeps the pilot's work safe, without a window: every successful read and store, and a
// store cut short, kept as a snapshot in the history; every change the pilot makes one step of
// undo and redo; the configuration last known to be on the gyro, to go back to; and "Compare
// with gyro", a read of the gyro's own that leaves the screen alone. It listens to the
// controller and asks it for changes; the window (or the command line) shows the rest.

#include <QObject>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "config/field_table.h"
#include "config/gyro_config.h"
#include "config/history_store.h"
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

// A settings file the pilot chose to set beside the screen.
struct ChosenFile {
    std::string path;
    GyroConfig config;
};

class PilotHistory : public QObject {
    Q_OBJECT
  public:
    // `folder` is where snapshots are kept; none keeps no history. Snapshots are written
    // through the platform's files and named by its clock. It must go before the controller.
    PilotHistory(ConfigController& controller, FrontEnd& frontEnd, Platform& platform,
                 const std::optional<std::string>& folder, QObject* parent = nullptr);
    ~PilotHistory() override;

    // While a sequence runs (a read, a store, diagnostics, "Compare with gyro"), nothing may
    // change the screen and no other read may start: every command below then does nothing.
    bool busy() const;

    void undo();
    void redo();
    // The last configuration known to be on the gyro, as one step; the comments stay as the
    // pilot wrote them, since the gyro holds none. Nothing before the first read.
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
    // What the gyro held at the end of the last read, or what the last store read back.
    const std::optional<GyroConfig>& lastRead() const { return lastRead_; }
    // None when no history is kept.
    const HistoryStore* store() const { return store_.get(); }
    const ScreenOrigin& origin() const { return origin_; }

  signals:
    // A step was made, undone or redone.
    void stepsChanged();
    // lastRead() has changed, by a read or by the read-back of a store.
    void lastReadChanged(bool afterStore);
    // A snapshot of the gyro with `serialNumber` was kept, or failed to be.
    void snapshotKept(const std::string& serialNumber);
    // "Compare with gyro" has read what the gyro holds.
    void gyroCompared(const vn340::GyroConfig& gyro);

  private:
    void pilotChanged(const PilotChange& change);
    void gyroRead(const GyroConfig& gyro, bool afterStore);
    RecordResult keep(const GyroConfig& config, SnapshotKind kind);
    void put(const std::optional<GyroConfig>& config);

    ConfigController& controller_;
    FrontEnd& frontEnd_;
    Platform& platform_;
    std::unique_ptr<HistoryStore> store_;
    std::unique_ptr<GyroCompareRead> compareRead_;
    ScreenOrigin origin_;
    StepStack steps_;
    std::optional<GyroConfig> lastRead_;
};

}  // namespace vn340
