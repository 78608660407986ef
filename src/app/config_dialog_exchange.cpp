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
#include "config/integer_text.h"

namespace vn340 {
namespace {

enum class Binding { Number, Text, Comments, Status, HiddenBits };

struct ExchangeStep {
    Binding binding;
    int id;
    NumericField field;  // for numbers
};

// The order of the exchange: a failure stops it, so the order decides what is taken.
constexpr ExchangeStep kExchange[] = {
    {Binding::Number, 1033, NumericField::HighEndpoint},
    {Binding::Number, 1037, NumericField::CwStopGain},
    {Binding::Number, 1038, NumericField::CcwStopGain},
    {Binding::Number, 1039, NumericField::StickDeadband},
    {Binding::Number, 1041, NumericField::RateExpo},
    {Binding::Number, 1040, NumericField::AvcsExpo},
    {Binding::Number, 1034, NumericField::LowEndpoint},
    {Binding::Number, 1048, NumericField::AvcsSensitivity},
    {Binding::Text, 1046, {}},
    {Binding::Text, 1055, {}},
    {Binding::Text, 1050, {}},
    {Binding::Number, 1045, NumericField::MidpointTrim},
    {Binding::Comments, 1069, {}},
    {Binding::Status, 1077, {}},
    {Binding::HiddenBits, 0, {}},
};

constexpr std::pair<NumericField, int> kNumberBoxes[] = {
    {NumericField::HighEndpoint, 1033},  {NumericField::LowEndpoint, 1034},
    {NumericField::CwStopGain, 1037},    {NumericField::CcwStopGain, 1038},
    {NumericField::StickDeadband, 1039}, {NumericField::AvcsExpo, 1040},
    {NumericField::RateExpo, 1041},      {NumericField::AvcsSensitivity, 1048},
    {NumericField::MidpointTrim, 1045},
};

std::string* textMember(GyroConfig& model, int id) {
    switch (id) {
        case 1046:
            return &model.firmwareVersion;
        case 1055:
            return &model.loaderVersion;
        default:
            return &model.serialNumber;
    }
}

}  // namespace

int editBoxOf(NumericField field) {
    for (const auto& [number, id] : kNumberBoxes) {
        if (number == field)
            return id;
    }
    return 0;
}

std::optional<int> parseEditInteger(std::string_view text) {
    return parseInteger(text, {.wholeText = true});
}

void ConfigDialog::exchangeToControls() {
    for (const ExchangeStep& step : kExchange) {
        switch (step.binding) {
            case Binding::Number:
                showText(edit(step.id), QString::number(fieldValue(model_, step.field)));
                break;
            case Binding::Text:
                showText(edit(step.id), QString::fromStdString(*textMember(model_, step.id)));
                break;
            case Binding::Comments: {
                // Rewriting an unchanged text would move the pilot's cursor to the start.
                const QString comments = QString::fromStdString(model_.userComments);
                if (commentBox_->toPlainText() != comments)
                    commentBox_->setPlainText(comments);
                break;
            }
            case Binding::Status:
                showText(statusLine_, statusText_);
                break;
            case Binding::HiddenBits:
                // Bound as "Bit8", "Bit12", "Bit11", "Bit10".
                for (std::size_t i : {0u, 3u, 2u, 1u})
                    hiddenBoxes_[i]->setChecked(hiddenBits_[i]);
                break;
        }
    }
}

void ConfigDialog::showText(QLineEdit* box, const QString& text) {
    if (box->text() != text)
        box->setText(text);
}

bool ConfigDialog::exchangeFromControls() {
    failedEdit_ = nullptr;
    for (const ExchangeStep& step : kExchange) {
        switch (step.binding) {
            case Binding::Number: {
                QLineEdit* box = edit(step.id);
                const auto value = parseEditInteger(box->text().toStdString());
                if (!value) {
                    showMessage(
                        QString::fromUtf8(kEnterIntegerMessage.data(),
                                          static_cast<qsizetype>(kEnterIntegerMessage.size())));
                    focusFailedEdit(box);
                    return false;
                }
                fieldValue(model_, step.field) = *value;
                break;
            }
            case Binding::Text:
                *textMember(model_, step.id) = edit(step.id)->text().toStdString();
                break;
            case Binding::Comments:
                model_.userComments = commentBox_->toPlainText().toStdString();
                break;
            case Binding::Status:
                // Output only: taking it back would lose a status set but not yet shown.
                break;
            case Binding::HiddenBits:
                for (std::size_t i : {0u, 3u, 2u, 1u})
                    hiddenBits_[i] = hiddenBoxes_[i]->isChecked();
                break;
        }
    }
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
