#pragma once

// The window's front end: the status line at the foot of the window, and one instance of each
// prompt and of the statistics offer, made with the window and kept for its whole life (so each
// keeps what it held last time). Every message of the program goes through showMessage.

#include <QString>

#include <optional>
#include <string>
#include <string_view>

#include "base/front_end.h"

class QLineEdit;
class QWidget;

namespace vn340 {

class MessageDialog;
class ContinueAbortPrompt;
class OverwritePrompt;
class SafetyWarningDialog;
class StatisticsDialog;
class StatusLog;

class WindowDialogs : public FrontEnd {
  public:
    // The dialogs open centred over `window`, which owns them; `statusLine` is its status line.
    WindowDialogs(QWidget& window, QLineEdit& statusLine);

    WindowDialogs(const WindowDialogs&) = delete;
    WindowDialogs& operator=(const WindowDialogs&) = delete;

    void showStatus(std::string_view text) override;
    void showMessage(std::string_view text) override;
    void showMessage(const QString& text);
    void showSystemMessage(std::string_view text) override;
    PromptAnswer askContinueAbort(std::string_view text) override;
    bool askOverwrite(std::string_view question) override;
    // Qt's own file dialog.
    std::optional<std::string> askSavePath(const FileDialogRequest& request) override;
    std::optional<std::string> askLoadPath(const FileDialogRequest& request) override;
    std::optional<bool> askSafetyAgreement() override;
    PilotChoice askStatistics() override;
    // With a progress window over the main window, and Cancel.
    Submission uploadStatistics(const std::string& line) override;

    const OverwritePrompt& overwritePrompt() const { return *overwritePrompt_; }

  private:
    std::optional<std::string> askPath(const FileDialogRequest& request, bool save);

    QWidget& window_;
    QLineEdit& statusLine_;
    MessageDialog* messageDialog_;
    ContinueAbortPrompt* continueAbortPrompt_;
    OverwritePrompt* overwritePrompt_;
    SafetyWarningDialog* safetyWarningDialog_;
    StatisticsDialog* statisticsDialog_;
    // Receives the upload's status lines; never shown.
    StatusLog* hiddenStatusList_;
};

}  // namespace vn340
