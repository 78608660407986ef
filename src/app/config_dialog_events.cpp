// What the pilot's actions start. Only the pilot's own actions are connected (activated,
// clicked, slider actions): setting a control from code must not run the rules again.

#include <QAction>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>

#include "app/config_dialog.h"
#include "app/drop_down_list.h"
#include "app/live_signals_command.h"
#include "app/safety_net.h"
#include "app/typing_undo.h"
#include "app/window_dialogs.h"
#include "app/window_help.h"
#include "config/field_editor.h"
#include "session/config_controller.h"

namespace vn340 {

void ConfigDialog::connectEvents() {
    using C = Control;
    ConfigController* pilot = controller_.get();
    QObject* scope = controllerScope_.get();
    const auto button = [this](Control id) { return controls_.as<QPushButton>(id); };
    connect(button(C::ReadFromGyro), &QPushButton::clicked, scope,
            [pilot] { pilot->readFromGyro(); });
    connect(button(C::StoreToGyro), &QPushButton::clicked, scope,
            [pilot] { pilot->storeToGyro(); });
    connect(button(C::Detect), &QPushButton::clicked, scope,
            [pilot] { pilot->detectAdapterPort(); });
    connect(button(C::LoadFromFile), &QPushButton::clicked, scope,
            [pilot] { pilot->loadFromFile(); });
    connect(button(C::SaveToFile), &QPushButton::clicked, scope, [pilot] { pilot->saveToFile(); });
    connect(button(C::LoadDefaults), &QPushButton::clicked, scope,
            [pilot] { pilot->loadDefaults(); });
    connect(button(C::Help), &QPushButton::clicked, this,
            [this] { dialogs_->showMessage(helpAndAboutMessage()); });
    connectChoices();

    diagnosticsAction_ = new QAction(QString::fromLatin1(kStartDiagnosticsText), this);
    diagnosticsAction_->setObjectName(QStringLiteral("command%1").arg(kDiagnosticsCommand));
    diagnosticsAction_->setData(kDiagnosticsCommand);
    diagnosticsAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    diagnosticsAction_->setShortcutContext(Qt::WindowShortcut);
    connect(diagnosticsAction_, &QAction::triggered, this, &ConfigDialog::onDiagnosticsCommand);
    addAction(diagnosticsAction_);

    for (int i = 0; i < kNumericFieldCount; ++i) {
        box(static_cast<NumericField>(i))->installEventFilter(this);
        typingUndo_->watch(*box(static_cast<NumericField>(i)));
    }
    controls_.commentBox->installEventFilter(this);
    typingUndo_->watch(*controls_.commentBox);
    setMouseTracking(true);
}

void ConfigDialog::connectChoices() {
    ConfigController* pilot = controller_.get();
    QObject* scope = controllerScope_.get();
    // The partner button follows first; then the model takes both.
    connect(controls_.normalButton, &QPushButton::clicked, this,
            [this] { onDirectionClicked(true); });
    connect(controls_.reverseButton, &QPushButton::clicked, this,
            [this] { onDirectionClicked(false); });
    connect(controls_.normalButton, &QPushButton::clicked, scope,
            [pilot] { pilot->directionChosen(); });
    connect(controls_.reverseButton, &QPushButton::clicked, scope,
            [pilot] { pilot->directionChosen(); });

    DropDownList* ports = controls_.portSelector;
    connect(ports, &DropDownList::listOpened, scope, [pilot] { pilot->portListOpened(); });
    // The list closes before it applies the pilot's choice; the port is opened once it has.
    connect(
        ports, &DropDownList::listClosed, scope, [pilot] { pilot->portListClosed(); },
        Qt::QueuedConnection);
    connect(controls_.servoSelector, &QComboBox::activated, scope,
            [pilot] { pilot->servoChosen(); });
    connect(controls_.servoSelector, &DropDownList::listClosed, scope,
            [pilot] { pilot->servoChosen(); });
    connect(controls_.typeSelector, &QComboBox::activated, this,
            [pilot](int position) { pilot->typeChosen(position); });
    connect(controls_.speedSelector, &QComboBox::activated, scope,
            [pilot] { pilot->speedChosen(); });
    // Every way a slider moves (keys, clicks, the wheel, dragging) is an action.
    connect(controls_.accelSlider, &QAbstractSlider::actionTriggered, scope,
            [pilot] { pilot->profileMoved(Setting::AccelProfile); });
    connect(controls_.decelSlider, &QAbstractSlider::actionTriggered, scope,
            [pilot] { pilot->profileMoved(Setting::DecelProfile); });
}

void ConfigDialog::onDirectionClicked(bool normalClicked) {
    // Qt has already flipped the clicked button; its partner takes the opposite state.
    if (normalClicked) {
        controls_.reverseButton->setChecked(!controls_.normalButton->isChecked());
    } else {
        controls_.normalButton->setChecked(!controls_.reverseButton->isChecked());
    }
}

void ConfigDialog::onDiagnosticsCommand() {
    controller_->diagnosticsCommand(fieldOfBox(focusWidget()));
}

void ConfigDialog::finishEditing() {
    takeComments();
    if (const std::optional<NumericField> field = fieldOfBox(focusWidget())) {
        leaveBox(*field);
    }
}

void ConfigDialog::takeComments() {
    controller_->commentsLeft(controls_.commentBox->toPlainText().toStdString());
    TypingUndo::forget(*controls_.commentBox);
}

void ConfigDialog::leaveBox(NumericField field) {
    controller_->boxLeft(field);
    // A box that was refused keeps its typing, which the pilot may still want to undo.
    QLineEdit* left = box(field);
    if (left->text().toStdString() == boxText(controller_->model(), field)) {
        TypingUndo::forget(*left);
    }
}

void ConfigDialog::contextMenuEvent(QContextMenuEvent* event) {
    if (!isSurface(childAt(event->pos()))) {
        QDialog::contextMenuEvent(event);
        return;
    }
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(diagnosticsAction_);
    menu->addAction(liveSignals_->action());
    safetyNet_->addToMenu(*menu);
    menu->popup(event->globalPos());
    event->accept();
}

bool ConfigDialog::isSurface(const QWidget* under) const {
    return isWindowSurface(under);
}

bool ConfigDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !movingFocus_ && controller_ != nullptr) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Another window or a menu taking the focus for a moment is no end of an edit; checking
        // then would also run again while our own message is on screen.
        const bool leftTheBox =
            reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
        const auto field = fieldOfBox(watched);
        if (leftTheBox && field && isVisible()) {
            leaveBox(*field);
        }
        if (leftTheBox && watched == controls_.commentBox && isVisible()) {
            takeComments();
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace vn340
