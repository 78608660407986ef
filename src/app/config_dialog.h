#pragma once

// The program's one window: every parameter of the gyro at once, the adapter port, the action
// buttons, the status line and the pilot's notes. The model lives in `GyroConfig`; the window
// mirrors it both ways and hands the work to the core: settings files and field rules, the
// port selection and the sequence engine, which reach the transports, the timers and the pilot
// only through the hosts this window implements. The help tips come later, through the hooks
// below.

#include <QComboBox>
#include <QDialog>
#include <QString>

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/field_editor.h"
#include "config/field_rules.h"
#include "config/gyro_config.h"
#include "config/preferences.h"
#include "config/profile_store.h"
#include "config/settings_file.h"
#include "link/adapter_view.h"
#include "link/d2xx_library.h"
#include "link/tty_class.h"

class QCheckBox;
class QLabel;
class QAction;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QTimer;

namespace vn340 {

class MessageDialog;
class ContinueAbortPrompt;
class OverwritePrompt;
class SafetyWarningDialog;
class StatisticsDialog;
class StatusLog;
class AdapterLink;
class SequenceEngine;

inline constexpr std::string_view kProgramVersion = "Ver 1.11";
inline constexpr std::string_view kMakerWebAddress = "https://www.tarvel-rc.example/vn340";

// Window timers by number.
inline constexpr int kNoticeTimer = 112;
inline constexpr int kStatusClearTimer = 115;
inline constexpr int kNoticeMilliseconds = 13000;
inline constexpr int kStatusClearMilliseconds = 3000;

// The diagnostics item of the window's context menu (also Ctrl+D), by its command number.
inline constexpr int kDiagnosticsCommand = 32;
inline constexpr std::string_view kStartDiagnosticsText = "Start diagnostics";
inline constexpr std::string_view kStopDiagnosticsText = "Stop diagnostics";

// Where the window finds what lies outside it. The preferences file is looked for beside the
// program, or under the configuration home when the program's folder cannot be written. The
// serial ports are listed from the kernel's tty class and opened as deviceFolder + name; the
// USB adapter's library is what dlopen() is given.
struct ConfigDialogPaths {
    std::string programFolder;
    std::string configHome;
    std::string sysClassTty = kSysClassTty;
    std::string deviceFolder = "/dev/";
    std::string d2xxLibrary = std::string(kDefaultD2xxLibrary);

    // The running program's folders and the system's devices. VN340_D2XX_LIBRARY, when set,
    // names another D2XX library (the run script's simulated adapter).
    static ConfigDialogPaths ofRunningProgram();
};

// A drop-down list that reports when its list opens and closes; the port selector refreshes
// and opens the port there, the servo selector re-applies the servo's type and speed.
class DropDownList : public QComboBox {
    Q_OBJECT
  public:
    using QComboBox::QComboBox;
    void showPopup() override;
    void hidePopup() override;

  signals:
    void listOpened();
    void listClosed();

  private:
    bool listOpen_ = false;
};

// The edit box that shows a typed field.
int editBoxOf(NumericField field);

// "Please enter an integer." — shown when an edit holds no whole number.
inline constexpr std::string_view kEnterIntegerMessage = "Please enter an integer.";

QString configDialogTitle();
QString helpAndAboutMessage();

class ConfigDialog : public QDialog, private SettingsFileHost, private AdapterView {
    Q_OBJECT
  public:
    explicit ConfigDialog(ConfigDialogPaths paths = ConfigDialogPaths::ofRunningProgram(),
                          QWidget* parent = nullptr);
    ~ConfigDialog() override;

    // The start-up steps. Runs once, when the window is first shown at the latest, so that the
    // hooks of a derived window take part.
    void initDialog();
    // Appended to the window's title (" (demo)" for the demo).
    void setTitleSuffix(const QString& suffix);

    // --- operations offered to the rest of the program ---
    void showMessage(const QString& text);
    // The 25 controls the sequences switch off while they run, in their fixed order.
    void enableControls(bool on);
    // "Store to gyro" and "Read from gyro" together; off while no adapter port is open.
    void setGyroButtonsEnabled(bool on);
    // Shown at the next exchange towards the controls.
    void setStatus(const QString& text);
    const QString& status() const { return statusText_; }
    void armStatusClear();

    // The data exchange of the edits, texts and hidden boxes. From the controls it stops at the
    // first edit without a whole number, tells the pilot, puts the focus back into that box and
    // returns false; that field and the later ones keep their values.
    void exchangeToControls();
    bool exchangeFromControls();
    // Selectors, sliders and the direction buttons are read and set directly.
    void showChoices();
    void takeChoices();
    // The hidden "Bit8", "Bit10", "Bit11" and "Bit12" boxes mirror these bits of the servo flags
    // word after a read (shown at the next exchange); nothing reads them.
    void setServoFlagBoxes(int servoFlags);

    GyroConfig& model() { return model_; }
    const GyroConfig& model() const { return model_; }
    const Preferences& preferences() const { return prefs_; }
    Preferences& preferences() { return prefs_; }
    ProfileStore& prefsStore() { return prefsStore_; }

    void runFieldCheck(NumericField field);
    void showFieldNotice(NumericField field, const std::string& notice) override;
    void hideFieldNotice();
    // The notice window while it shows (for the help-tip window that takes over later).
    QLabel* fieldNotice() const { return notice_; }

    // One single-shot timer per window timer number, created on first use.
    QTimer* windowTimer(int number);
    void armTimer(int number, int milliseconds);
    void cancelTimer(int number);

    // Button actions, callable as the pilot would trigger them.
    void onLoadDefaults();
    void onHelp();
    void onStoreToGyro();
    void onSaveToFile();
    void onLoadFromFile();

    QWidget* control(int id) const;
    // The comment box's text as it displays it, one entry per displayed line.
    std::vector<std::string> commentDisplayLines(const std::string& comments) override;

    // The adapter link and the sequences, for whoever needs to look.
    const SequenceEngine& sequenceEngine() const { return *engine_; }
    const AdapterLink& adapterLink() const;
    const std::string& savedPort() const { return prefs_.savedPort; }
    // "Start diagnostics" / "Stop diagnostics", in the context menu and on Ctrl+D.
    QAction* diagnosticsAction() const { return diagnosticsAction_; }
    void onDiagnosticsCommand();

    MessageDialog& messageDialog() { return *messageDialog_; }
    ContinueAbortPrompt& continueAbortPrompt() { return *continueAbortPrompt_; }
    OverwritePrompt& overwritePrompt() { return *overwritePrompt_; }
    SafetyWarningDialog& safetyWarningDialog() { return *safetyWarningDialog_; }
    StatisticsDialog& statisticsDialog() { return *statisticsDialog_; }

  protected:
    // --- steps a test window may watch or replace ---
    // Port discovery: list the ports plus "USB", select savedPort and open it; when none
    // matches or the open fails the gyro buttons stay off and savedPort is forgotten in memory.
    virtual void fillPortSelectorAtStartup();
    virtual void loadBitmaps() {}           // the painted pictures beside the servo speed
    virtual void createHelpTips() {}        // the help-tip window and a text per control
    virtual void computePaintedLayout() {}  // scale and place of the painted pictures
    virtual void armSlowServoTip() {}
    // The sequence engine, behind "Read from gyro" and (after the safety agreement) "Store to
    // gyro": switches the controls off, sets its state and starts.
    virtual void startReadSequence();
    virtual void startWriteSequence();
    // First closing step: stop the USB adapter's thread and close it.
    virtual void closeAdapter();
    // The pointer moved over the window's own surface, not over a control. The slow-servo
    // tip takes this over; until then it only ends a field notice.
    virtual void onSurfaceMouseMove(const QPoint& position);

    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  public:
    void reject() override;

  private:
    class EngineHost;
    // The host is complete only in its own file.
    struct HostDeleter {
        void operator()(EngineHost* host) const;
    };

    void buildLayout();
    void buildGroupsAndLabels();
    void buildValueControls();
    void buildHiddenControls();
    void connectEvents();
    void fillSelectors();

    void onDirectionClicked(bool normalClicked);
    void onServoSelected();
    void onTypeSelected(int position);
    void onTimerFired(int number);
    bool isSurface(const QWidget* under) const;

    // The adapter link and the sequence engine (config_dialog_link.cpp,
    // config_dialog_sequences.cpp).
    void createLink();
    void createEngine();
    void onEngineTimer(int number);
    void prepareTransports();
    void refreshPortList();
    void openSelectedPort();
    void detectAdapterPort();
    void dispatchReply(std::string_view text);
    void refreshControls();
    void focusFailedEdit(QLineEdit* edit);

    QLineEdit* edit(int id) const;
    static void showText(QLineEdit* box, const QString& text);
    // The text of the box that shows the field, and setting it.
    QString boxFieldText(BoxField field) const;
    void showBoxFieldText(BoxField field, const QString& text);
    std::optional<NumericField> fieldOfEdit(const QObject* object) const;

    // SettingsFileHost
    std::optional<std::string> askSavePath(const FileDialogRequest& request) override;
    std::optional<std::string> askLoadPath(const FileDialogRequest& request) override;
    std::optional<std::string> askPath(const FileDialogRequest& request, bool save);
    bool askOverwrite(const std::string& question) override;
    void showMessage(const std::string& text) override;
    void showModel(const GyroConfig& config) override;

    // AdapterView (config_dialog_link.cpp)
    void clearSelector() override;
    void addSelectorEntry(std::string_view name) override;
    void selectEntry(std::string_view name) override;
    std::optional<std::string> selectedEntry() const override;
    void enableGyroButtons(bool enable) override;
    void showMessage(std::string_view text) override;
    void showSystemMessage(std::string_view text) override;
    PromptAnswer askContinueAbort(std::string_view text) override;
    void takeControlsIntoFields() override;
    void showFieldsInControls() override;
    void storeComPort(std::string_view name) override;

    ConfigDialogPaths paths_;
    QString titleSuffix_;
    bool initialised_ = false;
    bool checksSuspended_ = false;
    GyroConfig model_;
    Preferences prefs_;
    ProfileStore prefsStore_;
    ProfileStore settingsStore_;
    QString statusText_;
    std::array<bool, 4> hiddenBits_{};  // "Bit8", "Bit10", "Bit11", "Bit12"

    std::map<int, QWidget*> controls_;
    std::map<int, QTimer*> timers_;
    DropDownList* portSelector_ = nullptr;
    DropDownList* servoSelector_ = nullptr;
    QComboBox* typeSelector_ = nullptr;
    QComboBox* speedSelector_ = nullptr;
    QSlider* accelSlider_ = nullptr;
    QSlider* decelSlider_ = nullptr;
    QPushButton* normalButton_ = nullptr;
    QPushButton* reverseButton_ = nullptr;
    QPlainTextEdit* commentBox_ = nullptr;
    QLineEdit* statusLine_ = nullptr;
    std::array<QCheckBox*, 4> hiddenBoxes_{};
    QLabel* notice_ = nullptr;
    QLineEdit* failedEdit_ = nullptr;

    MessageDialog* messageDialog_ = nullptr;
    ContinueAbortPrompt* continueAbortPrompt_ = nullptr;
    OverwritePrompt* overwritePrompt_ = nullptr;
    SafetyWarningDialog* safetyWarningDialog_ = nullptr;
    StatisticsDialog* statisticsDialog_ = nullptr;
    // Receives the upload's status lines; never shown.
    StatusLog* hiddenStatusList_ = nullptr;
    QAction* diagnosticsAction_ = nullptr;

    // The engine and the link, in the order they are built; the engine works on model_
    // directly.
    std::unique_ptr<EngineHost, HostDeleter> engineHost_;
    std::unique_ptr<SequenceEngine> engine_;
    std::unique_ptr<AdapterLink> link_;
};

}  // namespace vn340
