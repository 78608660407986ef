#include "app/config_dialog.h"

#include <QAction>
#include <QKeyEvent>
#include <QSlider>

#include "app/drop_down_list.h"
#include "app/qt_text.h"
#include "app/safety_net.h"
#include "app/typing_undo.h"
#include "app/window_dialogs.h"
#include "app/window_help.h"
#include "config/history_store.h"
#include "config/preferences.h"
#include "session/config_controller.h"

namespace vn340 {
QString configDialogTitle() {
    return QStringLiteral("Tarvel RC vn340 Gyro Configuration Version %1")
        .arg(fromStd(kProgramVersion));
}

QString helpAndAboutMessage() {
    return QStringLiteral(
               "Place the mouse cursor over text boxes, sliders or buttons to activate "
               "help.\n\n\nAbout this program:\nTarvel vn340 Configuration Editor\n%1\n\n")
               .arg(fromStd(kProgramVersion)) +
           fromStd(kMakerWebAddress);
}

ConfigDialog::ConfigDialog(Platform& platform, ProgramPaths paths, QWidget* parent)
    : QDialog(parent), controls_(layOutMainWindow(*this)) {
    dialogs_ = std::make_unique<WindowDialogs>(*this, *controls_.statusLine);
    help_ = std::make_unique<WindowHelp>(*this);
    Screen& screen = *this;
    PortSelector& ports = *this;
    controller_ =
        std::make_unique<ConfigController>(screen, ports, *dialogs_, platform, paths, this);
    safetyNet_ = std::make_unique<SafetyNet>(*controller_, *dialogs_, platform, *this,
                                             paths.historyFolder, [this] { finishEditing(); });
    typingUndo_ = std::make_unique<TypingUndo>(*safetyNet_);
    connectEvents();
}

ConfigDialog::~ConfigDialog() {
    // The controller goes first, while the window it shows on is still whole: its link's
    // threads end, and a list still open reports its closing to nobody as the controls go.
    typingUndo_.reset();
    safetyNet_.reset();
    controller_.reset();
}

void ConfigDialog::initDialog() {
    if (initialised_)
        return;
    initialised_ = true;
    // The "Start diagnostics" item (context menu and Ctrl+D) exists since construction; the
    // icon is the application's, set by ConfigApp.
    controller_->prepareTransports();
    setWindowTitle(configDialogTitle() + titleSuffix_);
    controller_->startPreferences();
    controller_->fillPortSelectorAtStartup();
    help_->registerTips([this](Control control) { return controls_.find(control); });
    help_->layoutPictures(size());
    controls_.accelSlider->setRange(kProfileMin, kProfileMax);
    controls_.decelSlider->setRange(kProfileMin, kProfileMax);
    fillSelectors();
    help_->armSlowServoTip();
    controller_->startWithDefaults();
}

void ConfigDialog::loadFile(const std::string& path) {
    initDialog();
    if (!controls_.find(Control::LoadFromFile)->isEnabled())
        return;
    finishEditing();
    controller_->loadChosenFile(path);
}

void ConfigDialog::setTitleSuffix(const QString& suffix) {
    titleSuffix_ = suffix;
    setWindowTitle(configDialogTitle() + titleSuffix_);
}

void ConfigDialog::fillSelectors() {
    for (const ServoEntry& row : servoTable())
        controls_.servoSelector->addItem(fromStd(row.name), row.servoCode);
    for (const SpeedOption& option : speedOptions())
        controls_.speedSelector->addItem(fromStd(option.label), option.value);
    for (const SignalTypeOption& option : signalTypeOptions())
        controls_.typeSelector->addItem(fromStd(option.label), option.value);
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
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        help_->windowDeactivated();
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
    controller_->closeAdapter();
    QDialog::reject();
}

}  // namespace vn340
