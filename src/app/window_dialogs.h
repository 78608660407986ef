#pragma once

// The window's front end: the status line at the foot of the window, and one instance of each
// prompt and of the statistics offer, made when first needed (the window's first paint waits
// for none of them) and kept for the window's whole life (so each keeps what it held last
// time). Every message of the program goes through showMessage.

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

// A dialog over `parent`, which owns it, made at its first use.
template <typename Dialog>
class OnDemand {
  public:
    explicit OnDemand(QWidget& parent) : parent_(parent) {}
    Dialog& operator*() const {
        if (dialog_ == nullptr) {
            dialog_ = new Dialog(&parent_);
        }
        return *dialog_;
    }
    Dialog* operator->() const { return &**this; }

  private:
    QWidget& parent_;
    mutable Dialog* dialog_ = nullptr;
};

class WindowDialogs : public FrontEnd {
  public:
    // The dialogs open centred over `window`, which owns them; `statusLine` is its status line.
    WindowDialogs(QWidget& window, QLineEdit& statusLine);

    WindowDialogs(const WindowDialogs&) = delete;
    WindowDialogs& operator=(const WindowDialogs&) = delete;

    void showStatus(std::string_view text) override;
    // The status line says `text` until released, whatever asks for another text meanwhile.
    void holdStatus(std::string_view text);
    void releaseStatus() { statusHeld_ = false; }
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

    const OverwritePrompt& overwritePrompt() const;

  private:
    std::optional<std::string> askPath(const FileDialogRequest& request, bool save);

    QWidget& window_;
    QLineEdit& statusLine_;
    bool statusHeld_ = false;
    OnDemand<MessageDialog> messageDialog_;
    OnDemand<ContinueAbortPrompt> continueAbortPrompt_;
    OnDemand<OverwritePrompt> overwritePrompt_;
    OnDemand<SafetyWarningDialog> safetyWarningDialog_;
    OnDemand<StatisticsDialog> statisticsDialog_;
    // Receives the upload's status lines; never shown.
    StatusLog* hiddenStatusList_;
};

}  // namespace vn340
