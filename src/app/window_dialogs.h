#pragma once

// The pilot's dialogs of the main window: one instance of each prompt and of the statistics
// offer, made with the window and kept for its whole life (so each keeps what it held last
// time), and how each is run. Every message of the program goes through showMessage.

#include <QString>

#include <optional>
#include <string>
#include <string_view>

#include "config/settings_file.h"
#include "link/adapter_view.h"
#include "protocol/sequence_engine.h"

class QWidget;

namespace vn340 {

class MessageDialog;
class ContinueAbortPrompt;
class OverwritePrompt;
class SafetyWarningDialog;
class StatisticsDialog;
class StatusLog;
class ProfileStore;
struct GyroConfig;

class WindowDialogs {
  public:
    // The dialogs open centred over `window`, which owns them.
    explicit WindowDialogs(QWidget& window);

    WindowDialogs(const WindowDialogs&) = delete;
    WindowDialogs& operator=(const WindowDialogs&) = delete;

    // Modal: each returns when the pilot has answered.
    void showMessage(const QString& text);
    void showMessage(std::string_view text);
    // The plain system message box, under the window's title.
    void showSystemMessage(std::string_view text);
    PromptAnswer askContinueAbort(std::string_view text);
    // True for "Overwrite".
    bool askOverwrite(std::string_view question);
    // Qt's own file dialog; none when the pilot cancelled.
    std::optional<std::string> askSavePath(const FileDialogRequest& request);
    std::optional<std::string> askLoadPath(const FileDialogRequest& request);
    // The safety warning before a store, unless skipSafetyWarning is set; an agreement takes
    // the check box into it and writes "WARNING" to `prefs`. True when the store may go on.
    bool agreeToStore(ProfileStore& prefs, bool& skipSafetyWarning);
    // The offer of the statistics a read found, with its upload.
    StatisticsAnswer offerStatistics(const GyroConfig& config, ProfileStore& prefs);

    const OverwritePrompt& overwritePrompt() const { return *overwritePrompt_; }

  private:
    std::optional<std::string> askPath(const FileDialogRequest& request, bool save);

    QWidget& window_;
    MessageDialog* messageDialog_;
    ContinueAbortPrompt* continueAbortPrompt_;
    OverwritePrompt* overwritePrompt_;
    SafetyWarningDialog* safetyWarningDialog_;
    StatisticsDialog* statisticsDialog_;
    // Receives the upload's status lines; never shown.
    StatusLog* hiddenStatusList_;
};

}  // namespace vn340
