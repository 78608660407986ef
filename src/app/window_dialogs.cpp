#include "app/window_dialogs.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QWidget>

#include "app/prompt_dialogs.h"
#include "app/qt_text.h"
#include "app/statistics_dialog.h"
#include "web/status_log.h"

namespace vn340 {
WindowDialogs::WindowDialogs(QWidget& window, QLineEdit& statusLine)
    : window_(window),
      statusLine_(statusLine),
      messageDialog_(window),
      continueAbortPrompt_(window),
      overwritePrompt_(window),
      safetyWarningDialog_(window),
      statisticsDialog_(window),
      hiddenStatusList_(new StatusLog(&window)) {}

const OverwritePrompt& WindowDialogs::overwritePrompt() const {
    return *overwritePrompt_;
}

void WindowDialogs::showStatus(std::string_view text) {
    if (statusHeld_) {
        return;
    }
    const QString shown = fromStd(text);
    if (statusLine_.text() != shown) {
        statusLine_.setText(shown);
    }
}

void WindowDialogs::holdStatus(std::string_view text) {
    statusHeld_ = false;
    showStatus(text);
    statusHeld_ = true;
}

void WindowDialogs::showMessage(const QString& text) {
    messageDialog_->run(text);
}

void WindowDialogs::showMessage(std::string_view text) {
    showMessage(fromStd(text));
}

void WindowDialogs::showSystemMessage(std::string_view text) {
    QMessageBox box(QMessageBox::NoIcon, window_.windowTitle(), fromStd(text), QMessageBox::Ok,
                    &window_);
    box.exec();
}

PromptAnswer WindowDialogs::askContinueAbort(std::string_view text) {
    continueAbortPrompt_->setPrompt(fromStd(text));
    if (continueAbortPrompt_->exec() != QDialog::Accepted) {
        return PromptAnswer::Escape;
    }
    return continueAbortPrompt_->choice() == ContinueAbortPrompt::Abort ? PromptAnswer::Abort
                                                                        : PromptAnswer::Continue;
}

bool WindowDialogs::askOverwrite(std::string_view question) {
    overwritePrompt_->setQuestion(fromStd(question));
    overwritePrompt_->exec();
    return overwritePrompt_->choice() == OverwritePrompt::Overwrite;
}

std::optional<std::string> WindowDialogs::askSavePath(const FileDialogRequest& request) {
    return askPath(request, true);
}

std::optional<std::string> WindowDialogs::askLoadPath(const FileDialogRequest& request) {
    return askPath(request, false);
}

std::optional<std::string> WindowDialogs::askPath(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(&window_);
    dialog.setObjectName(save ? QStringLiteral("saveSettingsDialog")
                              : QStringLiteral("loadSettingsDialog"));
    // Qt's own dialog, so it looks the same everywhere and tests can drive it.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The overwrite question is the program's own, asked only for settings files.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromStdString(request.filter));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    if (!request.initialFolder.empty()) {
        dialog.setDirectory(QString::fromStdString(request.initialFolder));
    }
    if (!request.proposedName.empty()) {
        dialog.selectFile(QString::fromStdString(request.proposedName));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst().toStdString();
}

std::optional<bool> WindowDialogs::askSafetyAgreement() {
    if (safetyWarningDialog_->exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return safetyWarningDialog_->dontShowAgain();
}

PilotChoice WindowDialogs::askStatistics() {
    return vn340::askStatistics(*statisticsDialog_);
}

Submission WindowDialogs::uploadStatistics(const std::string& line) {
    return vn340::uploadStatistics(window_, *hiddenStatusList_, line);
}

}  // namespace vn340
