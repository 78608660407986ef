// What the pilot's actions start. Only the pilot's own actions are connected (activated,
// clicked, slider actions): setting a control from code must not run the rules again.

#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>

#include "app/config_dialog.h"
#include "app/prompt_dialogs.h"

namespace vn340 {
namespace {

constexpr int kNumericEdits[] = {1033, 1034, 1045, 1039, 1041, 1040, 1037, 1038, 1048};

}  // namespace

void ConfigDialog::connectEvents() {
    auto button = [this](int id) { return static_cast<QPushButton*>(controls_.at(id)); };
    connect(button(1031), &QPushButton::clicked, this, [this] { startReadSequence(); });
    connect(button(1032), &QPushButton::clicked, this, &ConfigDialog::onStoreToGyro);
    connect(button(1060), &QPushButton::clicked, this, [this] { detectAdapterPort(); });
    connect(button(1066), &QPushButton::clicked, this, &ConfigDialog::onLoadFromFile);
    connect(button(1065), &QPushButton::clicked, this, &ConfigDialog::onSaveToFile);
    connect(button(1064), &QPushButton::clicked, this, &ConfigDialog::onLoadDefaults);
    connect(button(1067), &QPushButton::clicked, this, &ConfigDialog::onHelp);
    connect(normalButton_, &QPushButton::clicked, this, [this] { onDirectionClicked(true); });
    connect(reverseButton_, &QPushButton::clicked, this, [this] { onDirectionClicked(false); });

    connect(portSelector_, &DropDownList::listOpened, this, [this] { refreshPortList(); });
    // The list closes before it applies the pilot's choice; the port is opened once it has.
    connect(
        portSelector_, &DropDownList::listClosed, this, [this] { openSelectedPort(); },
        Qt::QueuedConnection);
    connect(servoSelector_, &QComboBox::activated, this, &ConfigDialog::onServoSelected);
    connect(servoSelector_, &DropDownList::listClosed, this, &ConfigDialog::onServoSelected);
    connect(typeSelector_, &QComboBox::activated, this, &ConfigDialog::onTypeSelected);
    // The speed only moves the slow-servo mark, which the painted pictures draw.
    connect(speedSelector_, &QComboBox::activated, this, [this] { update(); });

    for (int id : kNumericEdits)
        controls_.at(id)->installEventFilter(this);
    setMouseTracking(true);
}

void ConfigDialog::onDirectionClicked(bool normalClicked) {
    // Qt has already flipped the clicked button; its partner takes the opposite state.
    if (normalClicked)
        reverseButton_->setChecked(!normalButton_->isChecked());
    else
        normalButton_->setChecked(!reverseButton_->isChecked());
}

void ConfigDialog::onServoSelected() {
    takeChoices();
    applyServoSelection(model_);
    showChoices();
    update();
}

void ConfigDialog::onTypeSelected(int position) {
    takeChoices();
    onServoTypeChangedByPilot(model_, position);
    showChoices();
}

void ConfigDialog::onLoadDefaults() {
    loadDefaults(model_);
    showChoices();
    exchangeToControls();
    update();
}

void ConfigDialog::onHelp() {
    showMessage(helpAndAboutMessage());
}

void ConfigDialog::onStoreToGyro() {
    const bool warningShown = !prefs_.skipSafetyWarning;
    if (!confirmSafetyWarning(*safetyWarningDialog_, prefsStore_, prefs_.skipSafetyWarning))
        return;
    // The agreement holds for this run either way, but the pilot must know when "Don't show
    // this message again" could not be kept for the next one.
    if (warningShown && !prefsStore_.lastError().ok())
        showMessage(QString::fromStdString(prefsStore_.lastError().message));
    startWriteSequence();
}

void ConfigDialog::mouseMoveEvent(QMouseEvent* event) {
    // Labels and frames are part of the surface; moves over working controls are theirs.
    const QPoint position = event->position().toPoint();
    if (isSurface(childAt(position)))
        onSurfaceMouseMove(position);
    QDialog::mouseMoveEvent(event);
}

bool ConfigDialog::isSurface(const QWidget* under) const {
    return under == nullptr || qobject_cast<const QLabel*>(under) != nullptr ||
           qobject_cast<const QGroupBox*>(under) != nullptr;
}

void ConfigDialog::onSurfaceMouseMove(const QPoint& /*position*/) {
    hideFieldNotice();
}

bool ConfigDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Another window or a menu taking the focus for a moment is no end of an edit; checking
        // then would also run again while our own message is on screen.
        const bool leftTheBox =
            reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
        const auto field = fieldOfEdit(watched);
        if (leftTheBox && field && isVisible())
            runFieldCheck(*field);
    }
    return QDialog::eventFilter(watched, event);
}

std::optional<NumericField> ConfigDialog::fieldOfEdit(const QObject* object) const {
    for (int i = 0; i < kNumericFieldCount; ++i) {
        const auto field = static_cast<NumericField>(i);
        if (controls_.at(editBoxOf(field)) == object)
            return field;
    }
    return std::nullopt;
}

void ConfigDialog::runFieldCheck(NumericField field) {
    if (checksSuspended_)
        return;
    checksSuspended_ = true;
    const bool taken = exchangeFromControls();
    int& value = fieldValue(model_, field);
    const FieldCheckResult result = checkFieldValue(field, value);
    value = result.value;
    if (result.notice)
        showFieldNotice(field, *result.notice);
    if (taken) {
        exchangeToControls();
    } else {
        // Only the two boxes concerned get their values back: the exchange stopped before
        // the comment box, whose new text a full exchange would throw away.
        showText(edit(editBoxOf(field)), QString::number(value));
        if (const auto failed = fieldOfEdit(failedEdit_))
            showText(failedEdit_, QString::number(fieldValue(model_, *failed)));
        failedEdit_->selectAll();
        failedEdit_ = nullptr;
    }
    checksSuspended_ = false;
}

}  // namespace vn340
