#include "app/statistics_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include "app/prompt_dialogs.h"
#include "app/qt_text.h"
#include "app/upload_progress_dialog.h"
#include "config/gyro_config.h"
#include "config/profile_store.h"
#include "statistics/statistics_dialog_texts.h"
#include "statistics/statistics_offer.h"
#include "web/cancel_switch.h"
#include "web/statistics_submission.h"
#include "web/status_log.h"

namespace vn340 {
namespace {

namespace texts = statistics_dialog;

// Dialog units to pixels; `id` names the control as the window's controls are named.
void place(QWidget* widget, int id, int x, int y, int width, int height) {
    if (id != 0) {
        widget->setObjectName(QStringLiteral("idc%1").arg(id));
    }
    widget->setGeometry(dialogUnitsToPixelsX(x), dialogUnitsToPixelsY(y),
                        dialogUnitsToPixelsX(width), dialogUnitsToPixelsY(height));
}

QLabel* centredText(QDialog* dialog, int id, int x, int y, int width, int height) {
    auto* label = new QLabel(dialog);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    place(label, id, x, y, width, height);
    return label;
}

// An edit box with its label on the left, the label's text being the box's accessible name.
QLineEdit* labelledEdit(QDialog* dialog, const QString& caption, int id, int y) {
    auto* label = new QLabel(caption, dialog);
    place(label, 0, 7, y + 2, 96, 8);
    auto* edit = new QLineEdit(dialog);
    edit->setAccessibleName(caption);
    edit->setMaxLength(texts::kAnswerLimit);
    label->setBuddy(edit);
    place(edit, id, 106, y, 117, 12);
    return edit;
}

QPushButton* button(QDialog* dialog, const QString& text, int id, int x) {
    auto* result = new QPushButton(text, dialog);
    result->setAccessibleName(text);
    place(result, id, x, 150, 50, 14);
    return result;
}

}  // namespace

StatisticsDialog::StatisticsDialog(QWidget* parent) : QDialog(parent) {
    setFont(dialogFont());
    setWindowTitle(fromStd(texts::kTitle));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setFixedSize(dialogUnitsToPixelsX(230), dialogUnitsToPixelsY(174));

    intro_ = centredText(this, 1081, 7, 7, 216, 40);
    helicopterEdit_ = labelledEdit(this, fromStd(texts::kHelicopterLabel), 1078, 52);
    servoEdit_ = labelledEdit(this, fromStd(texts::kServoLabel), 1079, 70);
    emailEdit_ = labelledEdit(this, fromStd(texts::kEmailLabel), 1080, 88);
    emailNote_ = centredText(this, 1082, 7, 104, 216, 17);
    serialNote_ = centredText(this, 0, 7, 122, 216, 9);
    serialNote_->setObjectName(QStringLiteral("serialNote"));
    serialNote_->setText(fromStd(texts::kSerialNote));
    doNotAskBox_ = new QCheckBox(fromStd(texts::kDoNotAsk), this);
    doNotAskBox_->setAccessibleName(doNotAskBox_->text());
    place(doNotAskBox_, 1083, 7, 134, 100, 10);
    QPushButton* sendButton = button(this, fromStd(texts::kSend), 1, 59);
    skipButton_ = button(this, fromStd(texts::kSkip), 2, 121);
    // Nothing leaves the computer by a stray Enter in a box: Enter sends only from Send itself.
    skipButton_->setDefault(true);

    connect(doNotAskBox_, &QCheckBox::clicked, this, &StatisticsDialog::takeFields);
    connect(sendButton, &QPushButton::clicked, this, [this] {
        takeFields();
        accept();
    });
    connect(skipButton_, &QPushButton::clicked, this, &QDialog::reject);
}

StatisticsAnswers StatisticsDialog::answers() const {
    return {helicopter_.toStdString(), servo_.toStdString(), email_.toStdString()};
}

void StatisticsDialog::showEvent(QShowEvent* event) {
    // The window system shows the dialog again when it is restored from the task bar: what the
    // pilot typed meanwhile stays.
    if (event->spontaneous()) {
        QDialog::showEvent(event);
        return;
    }
    const QString intro = fromStd(texts::kIntro);
    intro_->setText(intro);
    // Announced by a screen reader as the dialog opens, like the text of a message.
    setAccessibleDescription(intro);
    emailNote_->setText(fromStd(texts::kEmailNote));
    helicopterEdit_->setText(helicopter_);
    servoEdit_->setText(servo_);
    emailEdit_->setText(email_);
    doNotAskBox_->setChecked(doNotAsk_);
    skipButton_->setDefault(true);
    helicopterEdit_->setFocus();
    QDialog::showEvent(event);
}

void StatisticsDialog::takeFields() {
    helicopter_ = helicopterEdit_->text();
    servo_ = servoEdit_->text();
    email_ = emailEdit_->text();
    doNotAsk_ = doNotAskBox_->isChecked();
}

PilotChoice askStatistics(StatisticsDialog& dialog) {
    const bool send = dialog.exec() == QDialog::Accepted;
    return {send, dialog.answers(), dialog.doNotAskAgain()};
}

Submission uploadStatistics(QWidget& window, StatusLog& hiddenList, const std::string& line) {
    CancelSwitch cancel;
    UploadProgressDialog progress(&window);
    QObject::connect(&progress, &QDialog::rejected, &progress, [&cancel] { cancel.cancel(); });
    QObject::connect(&hiddenList, &StatusLog::changed, &progress,
                     &UploadProgressDialog::showStatus);
    progress.open();
    return submitStatistics(line, hiddenList, StatisticsService::fromEnvironment(), {}, &cancel);
}

}  // namespace vn340
