// Settings files and field notices on screen: the window is the settings file's host, with
// Qt's own file dialog, the overwrite prompt and the message dialog.

#include <QAbstractTextDocumentLayout>
#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QToolTip>

#include "app/config_dialog.h"
#include "app/prompt_dialogs.h"

namespace vn340 {
namespace {

QString fromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void ConfigDialog::onSaveToFile() {
    // Saving the old value of a box that holds no number would store what the pilot no longer
    // sees; the pilot corrects the box first.
    if (!exchangeFromControls())
        return;
    takeChoices();
    saveSettingsFile(model_, prefsStore_, settingsStore_, *this, prefs_.lastDirectory);
}

void ConfigDialog::onLoadFromFile() {
    takeChoices();
    loadSettingsFile(model_, prefsStore_, settingsStore_, *this, prefs_.lastDirectory);
}

std::optional<std::string> ConfigDialog::askSavePath(const FileDialogRequest& request) {
    return askPath(request, true);
}

std::optional<std::string> ConfigDialog::askLoadPath(const FileDialogRequest& request) {
    return askPath(request, false);
}

std::optional<std::string> ConfigDialog::askPath(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(this);
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
    if (!request.initialFolder.empty())
        dialog.setDirectory(QString::fromStdString(request.initialFolder));
    if (!request.proposedName.empty())
        dialog.selectFile(QString::fromStdString(request.proposedName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst().toStdString();
}

bool ConfigDialog::askOverwrite(const std::string& question) {
    overwritePrompt_->setQuestion(fromStd(question));
    overwritePrompt_->exec();
    return overwritePrompt_->choice() == OverwritePrompt::Overwrite;
}

void ConfigDialog::showModel(const GyroConfig& config) {
    if (&config != &model_)
        model_ = config;
    showChoices();
    exchangeToControls();
    update();
}

std::vector<std::string> ConfigDialog::commentDisplayLines(const std::string& comments) {
    if (commentBox_->toPlainText().toStdString() != comments)
        return SettingsFileHost::commentDisplayLines(comments);
    std::vector<std::string> lines;
    QAbstractTextDocumentLayout* layout = commentBox_->document()->documentLayout();
    for (QTextBlock block = commentBox_->document()->begin(); block.isValid();
         block = block.next()) {
        // Asking for the block's size lays it out, also when it is scrolled out of sight.
        layout->blockBoundingRect(block);
        const QTextLayout* text = block.layout();
        if (text == nullptr || text->lineCount() == 0) {
            lines.push_back(block.text().toStdString());
            continue;
        }
        for (int i = 0; i < text->lineCount(); ++i) {
            const QTextLine line = text->lineAt(i);
            lines.push_back(block.text().mid(line.textStart(), line.textLength()).toStdString());
        }
    }
    return lines;
}

void ConfigDialog::showFieldNotice(NumericField field, const std::string& notice) {
    QWidget* box = control(editBoxOf(field));
    if (box == nullptr)
        return;
    // Until the help-tip window takes over, a tooltip-styled label; Qt's own tooltip would
    // vanish at the very focus change that caused the check.
    if (notice_ == nullptr) {
        notice_ = new QLabel(this, Qt::ToolTip | Qt::FramelessWindowHint);
        notice_->setObjectName(QStringLiteral("fieldNotice"));
        notice_->setPalette(QToolTip::palette());
        notice_->setFont(QToolTip::font());
        notice_->setAutoFillBackground(true);
        notice_->setFrameStyle(QFrame::Box | QFrame::Plain);
        notice_->setMargin(2);
        notice_->setAttribute(Qt::WA_ShowWithoutActivating);
        notice_->setTextFormat(Qt::PlainText);
    }
    notice_->setText(fromStd(notice));
    notice_->adjustSize();
    notice_->move(box->mapToGlobal(QPoint(box->width(), 0)));
    notice_->show();
    armTimer(kNoticeTimer, kNoticeMilliseconds);
}

void ConfigDialog::hideFieldNotice() {
    cancelTimer(kNoticeTimer);
    if (notice_ != nullptr)
        notice_->hide();
}

}  // namespace vn340
