// The window mirrors the model: the data exchange of the edits and texts, and the direct
// setting and reading of the selectors, sliders and direction buttons.

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <utility>

#include "app/config_dialog.h"

namespace vn340 {
namespace {

constexpr std::pair<NumericField, int> kNumberBoxes[] = {
    {NumericField::HighEndpoint, 1033},  {NumericField::LowEndpoint, 1034},
    {NumericField::CwStopGain, 1037},    {NumericField::CcwStopGain, 1038},
    {NumericField::StickDeadband, 1039}, {NumericField::AvcsExpo, 1040},
    {NumericField::RateExpo, 1041},      {NumericField::AvcsSensitivity, 1048},
    {NumericField::MidpointTrim, 1045},
};

constexpr int kCommentBox = 1069;

int textBoxOf(TextField field) {
    switch (field) {
        case TextField::FirmwareVersion:
            return 1046;
        case TextField::LoaderVersion:
            return 1055;
        case TextField::SerialNumber:
            return 1050;
        case TextField::UserComments:
            break;
    }
    return kCommentBox;
}

int boxOf(BoxField field) {
    if (const auto* number = std::get_if<NumericField>(&field))
        return editBoxOf(*number);
    return textBoxOf(std::get<TextField>(field));
}

}  // namespace

int editBoxOf(NumericField field) {
    for (const auto& [number, id] : kNumberBoxes) {
        if (number == field)
            return id;
    }
    return 0;
}

QString ConfigDialog::boxFieldText(BoxField field) const {
    const int id = boxOf(field);
    return id == kCommentBox ? commentBox_->toPlainText() : edit(id)->text();
}

void ConfigDialog::showBoxFieldText(BoxField field, const QString& text) {
    const int id = boxOf(field);
    if (id != kCommentBox) {
        showText(edit(id), text);
        return;
    }
    // Rewriting an unchanged text would move the pilot's cursor to the start.
    if (commentBox_->toPlainText() != text)
        commentBox_->setPlainText(text);
}

void ConfigDialog::exchangeToControls() {
    for (const BoxField& field : exchangeOrder())
        showBoxFieldText(field, QString::fromStdString(boxText(model_, field)));
    showText(statusLine_, statusText_);
    // Bound as "Bit8", "Bit12", "Bit11", "Bit10".
    for (std::size_t i : {0u, 3u, 2u, 1u})
        hiddenBoxes_[i]->setChecked(hiddenBits_[i]);
}

void ConfigDialog::showText(QLineEdit* box, const QString& text) {
    if (box->text() != text)
        box->setText(text);
}

bool ConfigDialog::exchangeFromControls() {
    failedEdit_ = nullptr;
    const std::optional<NumericField> failed =
        takeBoxTexts(model_, [this](BoxField field) { return boxFieldText(field).toStdString(); });
    if (failed) {
        showMessage(QString::fromUtf8(kEnterIntegerMessage.data(),
                                      static_cast<qsizetype>(kEnterIntegerMessage.size())));
        focusFailedEdit(edit(editBoxOf(*failed)));
        return false;
    }
    // The status line is output only: taking it back would lose a status set but not yet shown.
    for (std::size_t i : {0u, 3u, 2u, 1u})
        hiddenBits_[i] = hiddenBoxes_[i]->isChecked();
    return true;
}

void ConfigDialog::focusFailedEdit(QLineEdit* box) {
    failedEdit_ = box;
    // The box the focus leaves now must not run its own check: it would find the same bad
    // text and tell the pilot a second time.
    const bool wasChecking = std::exchange(checksSuspended_, true);
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
    checksSuspended_ = wasChecking;
    // When this runs while the focus is on its way elsewhere (the box was left with Tab or a
    // click), that move ends after us and would take the focus and the selection away; so the
    // box takes them again once the move is over.
    QTimer::singleShot(0, box, [this, box] {
        const bool checking = std::exchange(checksSuspended_, true);
        box->setFocus(Qt::OtherFocusReason);
        box->selectAll();
        checksSuspended_ = checking;
    });
}

void ConfigDialog::setServoFlagBoxes(int servoFlags) {
    const int bits[] = {8, 10, 11, 12};
    for (std::size_t i = 0; i < hiddenBits_.size(); ++i)
        hiddenBits_[i] = (servoFlags >> bits[i] & 1) != 0;
}

void ConfigDialog::showChoices() {
    // Positions outside a list leave it without a selection.
    servoSelector_->setCurrentIndex(model_.servoModel);
    typeSelector_->setCurrentIndex(model_.servoType);
    speedSelector_->setCurrentIndex(model_.servoSpeed);
    accelSlider_->setValue(model_.accelProfile);
    decelSlider_->setValue(model_.decelProfile);
    const bool normal = model_.direction == Direction::Normal;
    normalButton_->setChecked(normal);
    reverseButton_->setChecked(!normal);
}

void ConfigDialog::takeChoices() {
    model_.servoModel = servoSelector_->currentIndex();
    model_.servoType = typeSelector_->currentIndex();
    model_.servoSpeed = speedSelector_->currentIndex();
    model_.accelProfile = accelSlider_->value();
    model_.decelProfile = decelSlider_->value();
    model_.direction = normalButton_->isChecked() ? Direction::Normal : Direction::Reverse;
}

}  // namespace vn340
