#include "app/prompt_dialogs.h"

#include <algorithm>

#include <QCheckBox>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextOption>

#include <vector>

#include "app/qt_text.h"
#include "config/profile_store.h"
#include "session/safety_warning.h"

namespace vn340 {

QFont dialogFont() {
    static const bool substituted = [] {
        QFont::insertSubstitutions(
            QStringLiteral("MS Sans Serif"),
            {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("Arial")});
        return true;
    }();
    (void)substituted;
    return QFont(QStringLiteral("MS Sans Serif"), 8);
}

namespace {

constexpr int px(int x) {
    return dialogUnitsToPixelsX(x);
}
constexpr int py(int y) {
    return dialogUnitsToPixelsY(y);
}

void place(QWidget* widget, int id, int x, int y, int width, int height) {
    if (id != 0) {
        widget->setObjectName(QStringLiteral("idc%1").arg(id));
    }
    widget->setGeometry(px(x), py(y), px(width), py(height));
}

// Fixed size, the dialog font and a caption; `closeBox` decides whether the title bar offers
// a close button (the prompts leave the pilot only their own buttons).
void frame(QDialog& dialog, const QString& caption, int width, int height, bool closeBox) {
    dialog.setFont(dialogFont());
    dialog.setWindowTitle(caption);
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (closeBox) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    dialog.setWindowFlags(flags);
    dialog.setModal(true);
    dialog.setFixedSize(px(width), py(height));
}

// Every opening starts like a fresh dialog: focus on the default button, so that Enter means
// the default answer even when the last run was closed with another button.
void focusDefault(QDialog& dialog, QPushButton* defaultButton) {
    for (QPushButton* other : dialog.findChildren<QPushButton*>()) {
        other->setDefault(other == defaultButton);
    }
    defaultButton->setFocus();
}

QLabel* centredLabel(QDialog* dialog, const QString& text, int id, int x, int y, int width,
                     int height) {
    auto* label = new QLabel(text, dialog);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    place(label, id, x, y, width, height);
    return label;
}

// The design's boxes fit their paragraphs in the font they were drawn with; the stand-in font
// may wrap a paragraph onto one more line. Such a label grows, and the labels under it move
// down by as much, keeping the gaps between them.
void growIntoGapsBelow(const std::vector<QLabel*>& column) {
    int shift = 0;
    for (QLabel* label : column) {
        QRect box = label->geometry().translated(0, shift);
        const int needed = label->heightForWidth(box.width());
        if (needed > box.height()) {
            shift += needed - box.height();
            box.setHeight(needed);
        }
        label->setGeometry(box);
    }
}

// A screen reader announces a dialog's description as it opens, like the text of a message box.
void describe(QDialog& dialog, const QString& text) {
    dialog.setAccessibleDescription(text);
}

QPushButton* button(QDialog* dialog, const QString& text, int id, int x, int y, int width,
                    int height) {
    auto* result = new QPushButton(text, dialog);
    result->setAccessibleName(text);
    place(result, id, x, y, width, height);
    return result;
}

}  // namespace

MessageDialog::MessageDialog(QWidget* parent) : QDialog(parent) {
    frame(*this, QStringLiteral("Tarvel RC"), 186, 109, false);
    // The label's accessible name is its text, as Qt gives it: a fixed name would replace the
    // message for a screen reader.
    label_ = centredLabel(this, {}, 1003, 7, 7, 172, 81);
    okButton_ = button(this, QStringLiteral("OK"), 1, 71, 88, 50, 14);
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
}

void MessageDialog::showEvent(QShowEvent* event) {
    focusDefault(*this, okButton_);
    QDialog::showEvent(event);
}

void MessageDialog::setMessage(const QString& text) {
    message_ = text;
    label_->setText(text);
    describe(*this, text);
    // The design's sizes are the least; the label and the dialog grow by what the text needs.
    const int designLabelHeight = py(81);
    const int extra = std::max(0, label_->heightForWidth(label_->width()) - designLabelHeight);
    label_->resize(label_->width(), designLabelHeight + extra);
    okButton_->move(okButton_->x(), py(88) + extra);
    setFixedSize(px(186), py(109) + extra);
}

void MessageDialog::run(const QString& text) {
    if (running_) {
        waiting_.push_back(text);
        return;
    }
    running_ = true;
    waiting_.push_back(text);
    while (!waiting_.empty()) {
        setMessage(waiting_.front());
        waiting_.pop_front();
        exec();
    }
    running_ = false;
}

ContinueAbortPrompt::ContinueAbortPrompt(QWidget* parent) : QDialog(parent) {
    frame(*this, QStringLiteral("Tarvel RC"), 186, 95, false);
    label_ = centredLabel(this, {}, 1063, 7, 7, 172, 60);
    continueButton_ = button(this, QStringLiteral("Continue"), 1061, 31, 74, 50, 14);
    QPushButton* abortButton = button(this, QStringLiteral("Abort"), 1062, 111, 74, 50, 14);
    continueButton_->setDefault(true);
    connect(continueButton_, &QPushButton::clicked, this, [this] {
        choice_ = Continue;
        accept();
    });
    connect(abortButton, &QPushButton::clicked, this, [this] {
        choice_ = Abort;
        accept();
    });
}

void ContinueAbortPrompt::showEvent(QShowEvent* event) {
    focusDefault(*this, continueButton_);
    QDialog::showEvent(event);
}

void ContinueAbortPrompt::setPrompt(const QString& text) {
    prompt_ = text;
    label_->setText(text);
    describe(*this, text);
}

OverwritePrompt::OverwritePrompt(QWidget* parent) : QDialog(parent) {
    frame(*this, QStringLiteral("Tarvel RC"), 186, 95, false);
    edit_ = new QTextEdit(this);
    place(edit_, 1067, 7, 7, 172, 57);
    edit_->setReadOnly(true);
    edit_->setFrameShape(QFrame::NoFrame);
    edit_->setAccessibleName(QStringLiteral("Question"));
    edit_->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
    // The question is only read: without focus the edit cannot swallow Enter or Escape, which
    // belong to the buttons.
    edit_->setFocusPolicy(Qt::NoFocus);
    edit_->viewport()->setAutoFillBackground(false);
    edit_->setAutoFillBackground(false);
    overwriteButton_ = button(this, QStringLiteral("Overwrite"), 1, 41, 74, 50, 14);
    QPushButton* cancelButton = button(this, QStringLiteral("Cancel"), 2, 105, 74, 50, 14);
    overwriteButton_->setDefault(true);
    connect(overwriteButton_, &QPushButton::clicked, this, [this] {
        choice_ = Overwrite;
        accept();
    });
    connect(cancelButton, &QPushButton::clicked, this, &OverwritePrompt::reject);
}

void OverwritePrompt::showEvent(QShowEvent* event) {
    focusDefault(*this, overwriteButton_);
    QDialog::showEvent(event);
}

void OverwritePrompt::setQuestion(const QString& text) {
    question_ = text;
    edit_->setPlainText(text);
    describe(*this, text);
}

void OverwritePrompt::reject() {
    choice_ = Cancel;
    QDialog::reject();
}

SafetyWarningDialog::SafetyWarningDialog(QWidget* parent) : QDialog(parent) {
    namespace text = safety_warning;
    frame(*this, fromStd(text::kTitle), 191, 157, true);
    QLabel* danger = centredLabel(this, fromStd(text::kDanger), 0, 7, 7, 177, 20);
    QLabel* landed = centredLabel(this, fromStd(text::kLanded), 0, 7, 30, 177, 27);
    QLabel* agreement = centredLabel(this, fromStd(text::kAgreement), 0, 7, 63, 177, 45);
    growIntoGapsBelow({danger, landed, agreement});
    checkBox_ = new QCheckBox(fromStd(text::kDontShowAgain), this);
    checkBox_->setAccessibleName(checkBox_->text());
    place(checkBox_, 1084, 36, 119, 114, 11);
    agreeButton_ = button(this, fromStd(text::kAgree), 1, 28, 136, 50, 14);
    QPushButton* cancelButton = button(this, fromStd(text::kCancel), 1085, 102, 135, 58, 15);
    agreeButton_->setDefault(true);
    connect(agreeButton_, &QPushButton::clicked, this, [this] {
        dontShowAgain_ = checkBox_->isChecked();
        accept();
    });
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void SafetyWarningDialog::showEvent(QShowEvent* event) {
    // A box ticked and then cancelled must not come back ticked: show what was last agreed.
    checkBox_->setChecked(dontShowAgain_);
    focusDefault(*this, agreeButton_);
    checkBox_->setFocus();
    QDialog::showEvent(event);
}

}  // namespace vn340
