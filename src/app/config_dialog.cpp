#include "app/config_dialog.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTimer>

#include <utility>

#include "app/adapter_state.h"
#include "app/drop_down_list.h"
#include "app/live_signals_command.h"
#include "app/qt_text.h"
#include "app/safety_net.h"
#include "app/typing_undo.h"
#include "app/window_dialogs.h"
#include "app/window_help.h"
#include "app/window_menu.h"
#include "base/paths.h"
#include "config/history_store.h"
#include "config/preferences.h"
#include "link/adapter_link.h"
#include "session/config_controller.h"

namespace vn340 {
QString configDialogTitle() {
    return QStringLiteral("Tarvel RC vn340 Gyro Configuration Version %1")
        .arg(fromStd(kProgramVersion));
}

QString configDialogTitle(const std::optional<std::string>& filePath, bool differs) {
    if (!filePath) {
        return configDialogTitle();
    }
    const QString name = fromStd(fileNameOf(*filePath));
    return (differs ? QStringLiteral("*") : QString()) + name + QStringLiteral(" \u2014 ") +
           configDialogTitle();
}

QString loadedFileStatus(const std::string& path) {
    return QStringLiteral("Loaded %1").arg(fromStd(fileNameOf(path)));
}

QString helpAndAboutMessage() {
    // The program's long-standing help comes first, as it always has; the menu bar follows.
    return QStringLiteral(
               "Place the mouse cursor over text boxes, sliders or buttons to activate "
               "help.\n\n\n") +
           aboutMessage() +
           QStringLiteral(
               "\n\nEvery command is in the menu bar: File (Load from file, Save to file, "
               "History, Quit), Edit (Undo, Redo, Revert to gyro values, Load defaults, "
               "Compare), Gyro (Read from gyro, Store to gyro, Compare with gyro, Start or Stop "
               "diagnostics, Live signals, Detect) and Help (Help, About). A right click on the "
               "window opens "
               "the diagnostics and the history's commands.");
}

QString aboutMessage() {
    return QStringLiteral("About this program:\nTarvel vn340 Configuration Editor\n%1\n\n")
               .arg(fromStd(kProgramVersion)) +
           fromStd(kMakerWebAddress);
}

ConfigDialog::ConfigDialog(Platform& platform, ProgramPaths paths, QWidget* parent)
    : QDialog(parent), controls_(layOutMainWindow(*this)) {
    dialogs_ = std::make_unique<WindowDialogs>(*this, *controls_.statusLine);
    help_ = std::make_unique<WindowHelp>(*this, platform.loop());
    Screen& screen = *this;
    PortSelector& ports = *this;
    controller_ = std::make_unique<ConfigController>(screen, ports, *dialogs_, platform, paths);
    controllerScope_ = std::make_unique<QObject>();
    OutcomeView& outcomes = *this;
    controller_->showOutcomesOn(outcomes);
    safetyNet_ = std::make_unique<SafetyNet>(*controller_, *dialogs_, platform, *this,
                                             paths.historyFolder, [this] { finishEditing(); });
    typingUndo_ = std::make_unique<TypingUndo>(*safetyNet_);
    connectEvents();
    liveSignals_ = std::make_unique<LiveSignalsCommand>(*controller_, *dialogs_, platform, *this,
                                                        *diagnosticsAction_);
    menu_ = new WindowMenu(
        *this, controls_,
        WindowMenu::Shared{diagnosticsAction_, liveSignals_->action(), safetyNet_->commands()},
        [this] { safetyNet_->refreshCommands(); },
        [this] { dialogs_->showMessage(aboutMessage()); });
    connections_ += safetyNet_->history().origin().changed.connect([this] { updateTitle(); });
    connections_ +=
        controller_->outcomeShown.connect([this](const SequenceOutcome&) { lookAtWaitingWork(); });
}

ConfigDialog::~ConfigDialog() {
    // The controller goes first, while the window it shows on is still whole: its link's
    // threads end, and a list still open reports its closing to nobody as the controls go.
    liveSignals_.reset();
    typingUndo_.reset();
    safetyNet_.reset();
    controllerScope_.reset();
    controller_.reset();
}

void ConfigDialog::initDialog() {
    if (initialised_) {
        return;
    }
    initialised_ = true;
    // The "Start diagnostics" item (context menu and Ctrl+D) exists since construction; the
    // icon is the application's, set by ConfigApp.
    updateTitle();
    help_->registerTips([this](Control control) { return controls_.find(control); });
    help_->layoutPictures(controls_.content);
    controls_.accelSlider->setRange(kProfileMin, kProfileMax);
    controls_.decelSlider->setRange(kProfileMin, kProfileMax);
    fillSelectors();
    controller_->start();
    help_->armSlowServoTip();
    showAdapterState();
    if (const std::optional<std::string> note = safetyNet_->closedNote()) {
        dialogs_->showStatus(*note);
    }
}

void ConfigDialog::loadFile(const std::string& path) {
    initDialog();
    handedOverFile_ = path;
    doWaitingWork();
}

bool ConfigDialog::questionOpen() const {
    const QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr && modal != this;
}

bool ConfigDialog::event(QEvent* event) {
    // A question closing unblocks the window; what its answer starts (a store after the safety
    // agreement) has begun by the time the look is taken.
    if (event->type() == QEvent::WindowUnblocked) {
        lookAtWaitingWork();
    }
    return QDialog::event(event);
}

void ConfigDialog::lookAtWaitingWork() {
    if (std::exchange(lookScheduled_, true)) {
        return;
    }
    QTimer::singleShot(0, this, [this] {
        lookScheduled_ = false;
        doWaitingWork();
    });
}

void ConfigDialog::doWaitingWork() {
    if (closeWaiting_) {
        reject();
        return;
    }
    // Nothing on screen changes behind a sequence or a question, nor under a message telling
    // how one ended.
    if (handedOverFile_ && !controller_->busy() && !questionOpen()) {
        loadHandedOverFile();
    }
}

void ConfigDialog::loadHandedOverFile() {
    const std::string path = *std::exchange(handedOverFile_, std::nullopt);
    finishEditing();
    bool loaded = false;
    {
        const Connection told =
            controller_->fileLoaded.connect([&loaded](const std::string&) { loaded = true; });
        controller_->loadChosenFile(path);
    }
    // Whatever the status line said of the last sequence is not about this screen any more.
    if (loaded) {
        dialogs_->showStatus(loadedFileStatus(path).toStdString());
    }
}

void ConfigDialog::setTitleSuffix(const QString& suffix) {
    titleSuffix_ = suffix;
    updateTitle();
}

void ConfigDialog::updateTitle() {
    const ScreenOrigin& origin = safetyNet_->history().origin();
    setWindowTitle(configDialogTitle(origin.file(), origin.differsFromFile()) + titleSuffix_);
}

void ConfigDialog::adapterStateMayChange() {
    if (std::exchange(adapterStatePending_, true)) {
        return;
    }
    QTimer::singleShot(0, this, [this] {
        adapterStatePending_ = false;
        showAdapterState();
    });
}

void ConfigDialog::showAdapterState() {
    const QString text = adapterStateText(selectedEntry(), controller_->adapterOpen());
    if (controls_.adapterState->text() != text) {
        controls_.adapterState->setText(text);
    }
}

void ConfigDialog::fillSelectors() {
    for (const ServoEntry& row : servoTable()) {
        controls_.servoSelector->addItem(fromStd(row.name), row.servoCode);
    }
    for (const SpeedOption& option : speedOptions()) {
        controls_.speedSelector->addItem(fromStd(option.label), option.value);
    }
    for (const SignalTypeOption& option : signalTypeOptions()) {
        controls_.typeSelector->addItem(fromStd(option.label), option.value);
    }
}

void ConfigDialog::showEvent(QShowEvent* event) {
    initDialog();
    QDialog::showEvent(event);
}

void ConfigDialog::hideEvent(QHideEvent* event) {
    help_->windowHidden();
    QDialog::hideEvent(event);
}

void ConfigDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
        help_->windowDeactivated();
    }
    QDialog::changeEvent(event);
}

void ConfigDialog::paintEvent(QPaintEvent* event) {
    help_->paint(*event);
    QDialog::paintEvent(event);
}

void ConfigDialog::keyPressEvent(QKeyEvent* event) {
    // Enter must not close the window, nor press a button that merely has the focus.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ConfigDialog::reject() {
    // A store cut off would leave the gyro with some new and some old settings, and the pilot
    // must read how it ended; a question open (the system may ask the program to end at any
    // time) is answered first too. A read or diagnostics are abandoned: nothing was written.
    if (controller_->storing() || questionOpen()) {
        waitToClose();
        return;
    }
    closeWaiting_ = false;
    // Comments typed and not yet left are the pilot's too.
    takeComments();
    safetyNet_->keepAtClose();
    controller_->closeAdapter();
    QDialog::reject();
}

void ConfigDialog::waitToClose() {
    closeWaiting_ = true;
    // The store's own steps would say what they write; the pilot who asked to close needs to
    // know why the window stays.
    if (controller_->engine().running() == SequenceEngine::Sequence::Write) {
        dialogs_->holdStatus(kClosingAfterStoreText);
    }
}

void ConfigDialog::showOutcome(const SequenceOutcome& outcome) {
    // How the store ended replaces the note about closing: the pilot reads it before the
    // window goes.
    dialogs_->releaseStatus();
    FrontEndOutcomeView(*dialogs_).showOutcome(outcome);
}

}  // namespace vn340
