// The window as the program's logic sees it: the switching of the controls, the copying between
// the model and the controls, the field notices and the port selector.

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

#include <utility>

#include "app/config_dialog.h"
#include "app/drop_down_list.h"
#include "app/qt_text.h"
#include "app/safety_net.h"
#include "app/window_dialogs.h"
#include "app/window_help.h"
#include "config/field_editor.h"
#include "link/port_selection.h"

namespace vn340 {
namespace {

using C = Control;

// The controls a running sequence switches off, in the order they are switched.
constexpr std::array<Control, 25> kSequenceControls = {
    C::HighEndpoint, C::LowEndpoint,  C::CwStopGain,      C::CcwStopGain,   C::StickDeadband,
    C::RateExpo,     C::AvcsExpo,     C::AvcsSensitivity, C::AccelProfile,  C::DecelProfile,
    C::MidpointTrim, C::PortSelector, C::LoadFromFile,    C::SaveToFile,    C::StoreToGyro,
    C::ReadFromGyro, C::LoadDefaults, C::Detect,          C::SpeedSelector, C::ServoSelector,
    C::TypeSelector, C::NormalButton, C::ReverseButton,   C::UserComments,  C::Help};

constexpr std::pair<NumericField, Control> kNumberBoxes[] = {
    {NumericField::HighEndpoint, C::HighEndpoint},
    {NumericField::LowEndpoint, C::LowEndpoint},
    {NumericField::CwStopGain, C::CwStopGain},
    {NumericField::CcwStopGain, C::CcwStopGain},
    {NumericField::StickDeadband, C::StickDeadband},
    {NumericField::AvcsExpo, C::AvcsExpo},
    {NumericField::RateExpo, C::RateExpo},
    {NumericField::AvcsSensitivity, C::AvcsSensitivity},
    {NumericField::MidpointTrim, C::MidpointTrim},
};

// The hidden bit boxes are bound as "Bit8", "Bit12", "Bit11", "Bit10".
constexpr std::size_t kHiddenBitOrder[] = {0, 3, 2, 1};

Control numberBoxOf(NumericField field) {
    for (const auto& [number, id] : kNumberBoxes) {
        if (number == field) {
            return id;
        }
    }
    return C::HighEndpoint;
}

Control textBoxOf(TextField field) {
    switch (field) {
        case TextField::FirmwareVersion:
            return C::FirmwareVersion;
        case TextField::LoaderVersion:
            return C::LoaderVersion;
        case TextField::SerialNumber:
            return C::SerialNumber;
        case TextField::UserComments:
            break;
    }
    return C::UserComments;
}

Control boxOf(BoxField field) {
    if (const auto* number = std::get_if<NumericField>(&field)) {
        return numberBoxOf(*number);
    }
    return textBoxOf(std::get<TextField>(field));
}

void showText(QLineEdit* box, const QString& text) {
    if (box->text() != text) {
        box->setText(text);
    }
}

}  // namespace

QLineEdit* ConfigDialog::box(NumericField field) const {
    return controls_.as<QLineEdit>(numberBoxOf(field));
}

std::optional<NumericField> ConfigDialog::fieldOfBox(const QObject* object) const {
    for (const auto& [field, id] : kNumberBoxes) {
        if (controls_.byId.at(id) == object) {
            return field;
        }
    }
    return std::nullopt;
}

void ConfigDialog::enableControls(bool on) {
    for (Control id : kSequenceControls) {
        controls_.byId.at(id)->setEnabled(on);
    }
    if (safetyNet_ != nullptr) {
        safetyNet_->controlsEnabled(on);
    }
    controlsOn_ = on;
    updateDiagnosticsCommand();
}

void ConfigDialog::enableGyroButtons(bool on) {
    controls_.byId.at(C::StoreToGyro)->setEnabled(on);
    controls_.byId.at(C::ReadFromGyro)->setEnabled(on);
    if (safetyNet_ != nullptr) {
        safetyNet_->gyroButtonsEnabled(on);
    }
    adapterStateMayChange();
}

void ConfigDialog::showDiagnosticsRunning(bool running) {
    diagnosticsAction_->setText(
        QString::fromLatin1(running ? kStopDiagnosticsText : kStartDiagnosticsText));
    diagnosticsShown_ = running;
    updateDiagnosticsCommand();
}

void ConfigDialog::updateDiagnosticsCommand() {
    // While a read or a store runs the controls are off and diagnostics are not running: the
    // command must not reach the gyro then. Running diagnostics can always be stopped.
    diagnosticsAction_->setEnabled(controlsOn_ || diagnosticsShown_);
}

std::optional<NumericField> ConfigDialog::takeBoxes(GyroConfig& config) {
    const std::optional<NumericField> refused = takeBoxTexts(config, [this](BoxField field) {
        const Control id = boxOf(field);
        return (id == C::UserComments ? controls_.commentBox->toPlainText()
                                      : controls_.as<QLineEdit>(id)->text())
            .toStdString();
    });
    if (refused) {
        dialogs_->showMessage(kEnterIntegerText);
        focusRefusedBox(box(*refused));
        return refused;
    }
    for (std::size_t i : kHiddenBitOrder) {
        hiddenBits_[i] = controls_.hiddenBoxes[i]->isChecked();
    }
    return std::nullopt;
}

void ConfigDialog::focusRefusedBox(QLineEdit* refused) {
    // The box the focus leaves now must not run its own check: it would find the same bad
    // text and tell the pilot a second time.
    const bool wasMoving = std::exchange(movingFocus_, true);
    refused->setFocus(Qt::OtherFocusReason);
    refused->selectAll();
    movingFocus_ = wasMoving;
    // When this runs while the focus is on its way elsewhere (the box was left with Tab or a
    // click), that move ends after us and would take the focus and the selection away; so the
    // box takes them again once the move is over.
    QTimer::singleShot(0, refused, [this, refused] {
        const bool moving = std::exchange(movingFocus_, true);
        refused->setFocus(Qt::OtherFocusReason);
        refused->selectAll();
        movingFocus_ = moving;
    });
}

void ConfigDialog::showBoxes(const GyroConfig& config) {
    for (const BoxField& field : exchangeOrder()) {
        const QString text = QString::fromStdString(boxText(config, field));
        const Control id = boxOf(field);
        if (id != C::UserComments) {
            showText(controls_.as<QLineEdit>(id), text);
        }
        // Rewriting an unchanged text would move the pilot's cursor to the start.
        else if (controls_.commentBox->toPlainText() != text) {
            controls_.commentBox->setPlainText(text);
        }
    }
    for (std::size_t i : kHiddenBitOrder) {
        controls_.hiddenBoxes[i]->setChecked(hiddenBits_[i]);
    }
}

void ConfigDialog::showBox(NumericField field, const GyroConfig& config) {
    showText(box(field), QString::fromStdString(boxText(config, field)));
}

void ConfigDialog::selectBox(NumericField field) {
    box(field)->selectAll();
}

void ConfigDialog::takeChoices(GyroConfig& config) {
    config.servoModel = controls_.servoSelector->currentIndex();
    config.servoType = controls_.typeSelector->currentIndex();
    config.servoSpeed = controls_.speedSelector->currentIndex();
    // The position, not the value: a slider reports the pilot's move before its value follows.
    config.accelProfile = controls_.accelSlider->sliderPosition();
    config.decelProfile = controls_.decelSlider->sliderPosition();
    config.direction = controls_.normalButton->isChecked() ? Direction::Normal : Direction::Reverse;
}

void ConfigDialog::showChoices(const GyroConfig& config) {
    // Positions outside a list leave it without a selection.
    controls_.servoSelector->setCurrentIndex(config.servoModel);
    controls_.typeSelector->setCurrentIndex(config.servoType);
    controls_.speedSelector->setCurrentIndex(config.servoSpeed);
    controls_.accelSlider->setValue(config.accelProfile);
    controls_.decelSlider->setValue(config.decelProfile);
    const bool normal = config.direction == Direction::Normal;
    controls_.normalButton->setChecked(normal);
    controls_.reverseButton->setChecked(!normal);
}

void ConfigDialog::setServoFlagBoxes(int servoFlags) {
    const int bits[] = {8, 10, 11, 12};
    for (std::size_t i = 0; i < hiddenBits_.size(); ++i) {
        hiddenBits_[i] = (servoFlags >> bits[i] & 1) != 0;
    }
}

void ConfigDialog::repaintPictures() {
    // Only the slow-servo mark follows the model; the controls repaint themselves when what
    // they show changes. A read shows the model after every block.
    help_->followSpeed();
}

void ConfigDialog::showFieldNotice(NumericField field, std::string_view notice) {
    help_->showFieldNotice(*box(field), fromStd(notice));
}

std::optional<std::vector<std::string>> ConfigDialog::commentDisplayLines(
    const std::string& comments) {
    QPlainTextEdit* commentBox = controls_.commentBox;
    if (commentBox->toPlainText().toStdString() != comments) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    QAbstractTextDocumentLayout* layout = commentBox->document()->documentLayout();
    for (QTextBlock block = commentBox->document()->begin(); block.isValid();
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

void ConfigDialog::clearSelector() {
    controls_.portSelector->clear();
    adapterStateMayChange();
}

void ConfigDialog::addSelectorEntry(std::string_view name) {
    DropDownList* selector = controls_.portSelector;
    int at = 0;
    while (at < selector->count() && !portNameBefore(name, selector->itemText(at).toStdString())) {
        ++at;
    }
    // A list without a selection keeps none: the first entry added would otherwise be taken as
    // the pilot's choice.
    const bool noneSelected = selector->currentIndex() < 0;
    selector->insertItem(at, fromStd(name));
    if (noneSelected) {
        selector->setCurrentIndex(-1);
    }
}

void ConfigDialog::removeSelectorEntry(std::string_view name) {
    DropDownList* selector = controls_.portSelector;
    const int at = selector->findText(fromStd(name), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at < 0) {
        return;
    }
    // The neighbour would otherwise look chosen.
    if (at == selector->currentIndex()) {
        selector->setCurrentIndex(-1);
    }
    selector->removeItem(at);
    adapterStateMayChange();
}

void ConfigDialog::selectEntry(std::string_view name) {
    DropDownList* selector = controls_.portSelector;
    selector->setCurrentIndex(
        selector->findText(fromStd(name), Qt::MatchExactly | Qt::MatchCaseSensitive));
    adapterStateMayChange();
}

std::optional<std::string> ConfigDialog::selectedEntry() const {
    if (controls_.portSelector->currentIndex() < 0) {
        return std::nullopt;
    }
    return controls_.portSelector->currentText().toStdString();
}

}  // namespace vn340
