#pragma once

// The program's one window: every parameter of the gyro at once, the adapter port, the action
// buttons, the status line and the pilot's notes. The window is a view: it lays its controls
// out, reports the pilot's actions to the controller, and copies the model to and from its
// controls when the controller asks. It owns the controller, its dialogs and its help for its
// whole life.

#include <QDialog>
#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <string_view>

#include "app/window_controls.h"
#include "base/signal.h"
#include "config/screen.h"
#include "controls/control.h"
#include "link/port_selector.h"
#include "protocol/sequence_outcome.h"
#include "session/program_paths.h"

class QAction;
class QLineEdit;

namespace vn340 {

class ConfigController;
class LiveSignalsCommand;
class Platform;
class SafetyNet;
class TypingUndo;
class WindowMenu;
class WindowDialogs;
class WindowHelp;

inline constexpr std::string_view kProgramVersion = "Ver 1.11";
inline constexpr std::string_view kMakerWebAddress = "https://www.tarvel-rc.example/vn340";

// The diagnostics item of the window's context menu (also Ctrl+D), by its command number.
inline constexpr int kDiagnosticsCommand = 32;
inline constexpr char kStartDiagnosticsText[] = "Start diagnostics";
inline constexpr char kStopDiagnosticsText[] = "Stop diagnostics";

// The status line while a close waits for a store to end.
inline constexpr std::string_view kClosingAfterStoreText =
    "Closing when the store has finished\u2026";
// The status line once a file handed over from outside the window is loaded: "Loaded trex.tsf".
QString loadedFileStatus(const std::string& path);

QString configDialogTitle();
// With the file last loaded or saved: its name first, marked "*" while the screen differs.
QString configDialogTitle(const std::optional<std::string>& filePath, bool differs);
QString helpAndAboutMessage();
QString aboutMessage();

class ConfigDialog : public QDialog, private Screen, private PortSelector, private OutcomeView {
    Q_OBJECT
  public:
    // The window on `platform`, which outlives it.
    ConfigDialog(Platform& platform, ProgramPaths paths, QWidget* parent = nullptr);
    ~ConfigDialog() override;

    // The start-up steps. Runs once, when the window is first shown at the latest.
    void initDialog();
    // "Load from file" of a file the pilot chose outside the window (the command line, a
    // second start). While a sequence runs, its outcome is shown or a question of the window
    // is open, the file waits, and is loaded once all of them are over; a later file replaces
    // one still waiting. The status line then names it.
    void loadFile(const std::string& path);
    // Appended to the window's title (" (demo)" for the demo).
    void setTitleSuffix(const QString& suffix);

    // Escape, the close box, Quit and the system's requests to end: the closing steps. While a
    // store runs or its outcome is shown, or a question of the window is open, the window
    // waits, and closes by itself once they are over.
    void reject() override;

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    friend class ConfigDialogTestAccess;

    void connectEvents();
    void connectChoices();
    void fillSelectors();
    void onDirectionClicked(bool normalClicked);
    void onDiagnosticsCommand();
    void updateDiagnosticsCommand();
    void updateTitle();
    // A question of the window's, or of a window over it, waits for the pilot's answer.
    bool questionOpen() const;
    void waitToClose();
    // What waits for the window to be free (a close, a file handed over) gets another look
    // once the event loop is back, after whoever else follows the change has been told.
    void lookAtWaitingWork();
    void doWaitingWork();
    void loadHandedOverFile();
    // The adapter's state follows once the port list and the gyro buttons have settled.
    void adapterStateMayChange();
    void showAdapterState();
    // The box being edited, if any, gets its check now, and the comments typed are taken.
    void finishEditing();
    void takeComments();
    // The field check of a box the pilot has left; typing it took is then no longer the box's
    // own to undo, but the window's step.
    void leaveBox(NumericField field);
    bool isSurface(const QWidget* under) const;
    QLineEdit* box(NumericField field) const;
    std::optional<NumericField> fieldOfBox(const QObject* object) const;
    void focusRefusedBox(QLineEdit* box);

    // Screen and PortSelector (config_dialog_view.cpp)
    void enableControls(bool on) override;
    void enableGyroButtons(bool on) override;
    void showDiagnosticsRunning(bool running) override;
    std::optional<NumericField> takeBoxes(GyroConfig& config) override;
    void showBoxes(const GyroConfig& config) override;
    void showBox(NumericField field, const GyroConfig& config) override;
    void selectBox(NumericField field) override;
    void takeChoices(GyroConfig& config) override;
    void showChoices(const GyroConfig& config) override;
    void setServoFlagBoxes(int servoFlags) override;
    void repaintPictures() override;
    void showFieldNotice(NumericField field, std::string_view notice) override;
    std::optional<std::vector<std::string>> commentDisplayLines(
        const std::string& comments) override;
    void clearSelector() override;
    void addSelectorEntry(std::string_view name) override;
    void removeSelectorEntry(std::string_view name) override;
    void selectEntry(std::string_view name) override;
    std::optional<std::string> selectedEntry() const override;

    // OutcomeView: the window's words for how a sequence ended.
    void showOutcome(const SequenceOutcome& outcome) override;

    QString titleSuffix_;
    bool initialised_ = false;
    // Set while the window moves the focus itself: the box it leaves then was not left by
    // the pilot.
    bool movingFocus_ = false;
    // The diagnostics command is on while the controls are, or while diagnostics run.
    bool controlsOn_ = true;
    bool diagnosticsShown_ = false;
    bool adapterStatePending_ = false;
    std::optional<std::string> handedOverFile_;
    bool closeWaiting_ = false;
    bool lookScheduled_ = false;
    std::array<bool, 4> hiddenBits_{};  // "Bit8", "Bit10", "Bit11", "Bit12"

    WindowControls controls_;
    // "Start diagnostics" / "Stop diagnostics", in the context menu and on Ctrl+D.
    QAction* diagnosticsAction_ = nullptr;
    std::unique_ptr<WindowDialogs> dialogs_;
    std::unique_ptr<WindowHelp> help_;
    std::unique_ptr<ConfigController> controller_;
    // Lives as long as the controller: what the controls ask of it ends with it, a call queued
    // for it included.
    std::unique_ptr<QObject> controllerScope_;
    Connections connections_;
    std::unique_ptr<SafetyNet> safetyNet_;
    std::unique_ptr<TypingUndo> typingUndo_;
    std::unique_ptr<LiveSignalsCommand> liveSignals_;
    WindowMenu* menu_ = nullptr;
};

}  // namespace vn340
