#pragma once

// The pilot's safety net in the window: the commands of undo and redo, "Revert to gyro
// values", the history and the comparisons, with their keys and in the window's context menu,
// and the history and compare windows they open. What they do is the pilot history's; this
// part only asks it, switches the commands with the window's controls and shows the windows.

#include <QKeySequence>
#include <QObject>

#include <functional>
#include <optional>
#include <string>

#include "base/signal.h"
#include "config/field_table.h"
#include "config/gyro_config.h"
#include "session/pilot_history.h"

class QAction;
class QMenu;
class QWidget;

namespace vn340 {

class CompareWindow;
class ConfigController;
class HistoryWindow;
class Platform;
struct CompareSide;

// The context menu's texts, also the actions' object names' source.
namespace safety_net_text {
inline constexpr char kRevert[] = "Revert to gyro values";
inline constexpr char kHistory[] = "History\u2026";
inline constexpr char kCompare[] = "Compare\u2026";
inline constexpr char kCompareWithGyro[] = "Compare with gyro";
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
    SafetyNet(ConfigController& controller, FrontEnd& frontEnd, Platform& platform, QWidget& window,
              const std::optional<std::string>& historyFolder, std::function<void()> finishEditing);
    ~SafetyNet() override;

    // The commands, after what the window's context menu already holds.
    void addToMenu(QMenu& menu);
    // The same commands, for the menu bar.
    struct Commands {
        QAction* undo;
        QAction* redo;
        QAction* revert;
        QAction* history;
        QAction* compare;
        QAction* compareWithGyro;
    };
    Commands commands() const {
        return {undo_, redo_, revert_, showHistory_, compare_, compareWithGyro_};
    }
    // Before a menu holding the commands opens.
    void refreshCommands() { updateActions(); }
    // A sequence runs while the window's controls are off: nothing may change the screen then.
    void controlsEnabled(bool on);
    // The gyro can be talked to while "Read from gyro" and "Store to gyro" are on.
    void gyroButtonsEnabled(bool on);

    // "Undo" and "Redo" of the window's steps, as the commands and their keys give them.
    void undo();
    void redo();
    const QAction& undoAction() const { return *undo_; }
    const QAction& redoAction() const { return *redo_; }

    const PilotHistory& history() const { return history_; }
    // The window's closing, and the note of what the last one kept (PilotHistory).
    void keepAtClose() { history_.keepAtClose(); }
    std::optional<std::string> closedNote() { return history_.closedNote(); }
    CompareWindow* compareWindow() const { return compareWindow_; }
    HistoryWindow* historyWindow() const { return historyWindow_; }

  private:
    QAction* addAction(const QString& text, const QString& name, const QKeySequence& key = {});
    void updateActions();
    void lastReadChanged(bool afterStore);
    void snapshotKept(const std::string& serialNumber);
    void screenChanged();

    void revertToGyro();
    void showHistory();
    void loadSnapshot(const Snapshot& snapshot);
    void compare();
    void compareWithGyro();
    void showComparison(const GyroConfig& other, const CompareSide& side);
    void useValue(Setting setting);
    CompareWindow& compareWindowMade();

    ConfigController& controller_;
    QWidget& window_;
    std::function<void()> finishEditing_;
    PilotHistory history_;
    Connections connections_;
    bool sequenceRunning_ = false;
    // As "Read from gyro" is: on from the start, with the controls, and off without a port.
    bool gyroReachable_ = true;

    QAction* undo_;
    QAction* redo_;
    QAction* revert_;
    QAction* showHistory_;
    QAction* compare_;
    QAction* compareWithGyro_;
    CompareWindow* compareWindow_ = nullptr;
    HistoryWindow* historyWindow_ = nullptr;
};

}  // namespace vn340
