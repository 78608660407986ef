#pragma once

// The pilot's safety net around the configuration on the screen: every successful read and
// store kept in the history, every change the pilot makes one step of undo and redo, and the
// history and compare windows with "Compare with gyro". It only listens to the controller and
// asks it for changes; none of this alters what the window itself does.

#include <QKeySequence>
#include <QObject>
#include <QUndoStack>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "config/field_table.h"
#include "config/gyro_config.h"
#include "config/history_store.h"

class QAction;
class QMenu;
class QWidget;

namespace vn340 {

class CompareWindow;
class ConfigController;
class GyroCompareRead;
class HistoryWindow;
class WindowDialogs;
struct CompareSide;
struct PilotChange;

// The context menu's texts, also the actions' object names' source.
namespace safety_net_text {
inline constexpr char kRevert[] = "Revert to gyro values";
inline constexpr char kHistory[] = "History\u2026";
inline constexpr char kCompare[] = "Compare\u2026";
inline constexpr char kCompareWithGyro[] = "Compare with gyro";
inline constexpr char kUseValueStep[] = "Use value";
}  // namespace safety_net_text

class SafetyNet : public QObject {
    Q_OBJECT
  public:
    // `historyFolder` is where snapshots are kept; none keeps no history (the demo). The
    // shortcuts are added to `window`, the windows it opens are its children. It must go
    // before the controller. `finishEditing` gives the box being edited its check, as leaving
    // it would, and takes the comments typed: a menu, a shortcut or a window beside this one
    // does not take the focus from a box, and every command here works on the configuration
    // the screen shows.
    SafetyNet(ConfigController& controller, WindowDialogs& dialogs, QWidget& window,
              const std::optional<std::string>& historyFolder, std::function<void()> finishEditing);
    ~SafetyNet() override;

    // The commands, after what the window's context menu already holds.
    void addToMenu(QMenu& menu);
    // A sequence runs while the window's controls are off: nothing may change the screen then.
    void controlsEnabled(bool on);
    // The gyro can be talked to while "Read from gyro" and "Store to gyro" are on.
    void gyroButtonsEnabled(bool on);

    // "Undo" and "Redo" of the window's steps, as the commands and their keys give them.
    void undo();
    void redo();
    const QAction& undoAction() const { return *undo_; }
    const QAction& redoAction() const { return *redo_; }

    const QUndoStack& steps() const { return steps_; }
    const std::optional<GyroConfig>& lastRead() const { return lastRead_; }
    CompareWindow* compareWindow() const { return compareWindow_; }
    HistoryWindow* historyWindow() const { return historyWindow_; }

  private:
    QAction* addAction(const QString& text, const QString& name, const QKeySequence& key = {});
    void updateActions();
    void pilotChanged(const PilotChange& change);
    void readCompleted();
    void storeCompleted(const GyroConfig& gyroHolds);
    void keep(GyroConfig config, SnapshotKind kind);
    void screenChanged();

    void revertToGyro();
    void showHistory();
    void loadSnapshot(const Snapshot& snapshot);
    void compare();
    std::optional<GyroConfig> askForFile(QString& path);
    void compareWithGyro();
    void showComparison(const GyroConfig& other, const CompareSide& side);
    void useValue(Setting setting);
    CompareWindow& compareWindowMade();

    ConfigController& controller_;
    WindowDialogs& dialogs_;
    QWidget& window_;
    std::function<void()> finishEditing_;
    std::unique_ptr<HistoryStore> store_;
    std::unique_ptr<GyroCompareRead> gyroRead_;
    QUndoStack steps_;
    std::optional<GyroConfig> lastRead_;
    bool sequenceRunning_ = false;
    // As "Read from gyro" is: on from the start, with the controls, and off without a port.
    bool gyroReachable_ = true;

    QAction* undo_;
    QAction* redo_;
    QAction* revert_;
    QAction* history_;
    QAction* compare_;
    QAction* compareWithGyro_;
    CompareWindow* compareWindow_ = nullptr;
    HistoryWindow* historyWindow_ = nullptr;
};

}  // namespace vn340
