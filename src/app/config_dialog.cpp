#include "app/config_dialog.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSlider>
#include <QTimer>

#include <array>
#include <utility>

#include "app/prompt_dialogs.h"
#include "app/statistics_dialog.h"
#include "link/adapter_link.h"
#include "protocol/sequence_engine.h"
#include "web/status_log.h"

namespace vn340 {
namespace {

// The controls a running sequence switches off, in the order they are switched.
constexpr std::array<int, 25> kSequenceControls = {
    1033, 1034, 1037, 1038, 1039, 1041, 1040, 1048, 1042, 1043, 1045, 1001, 1066,
    1065, 1032, 1031, 1064, 1060, 1052, 1044, 1051, 1027, 1026, 1069, 1067};

QString fromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

ConfigDialogPaths ConfigDialogPaths::ofRunningProgram() {
    ConfigDialogPaths paths;
    paths.programFolder = vn340::programFolder();
    paths.configHome = vn340::configHome();
    const QByteArray library = qgetenv("VN340_D2XX_LIBRARY");
    if (!library.isEmpty())
        paths.d2xxLibrary = library.toStdString();
    return paths;
}

void DropDownList::showPopup() {
    emit listOpened();
    listOpen_ = true;
    QComboBox::showPopup();
}

void DropDownList::hidePopup() {
    QComboBox::hidePopup();
    // Qt also calls this when the list is disabled, without any list on screen; a sequence
    // switching the controls off must not re-apply the servo or reopen the port.
    if (std::exchange(listOpen_, false))
        emit listClosed();
}

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

ConfigDialog::ConfigDialog(ConfigDialogPaths paths, QWidget* parent)
    : QDialog(parent), paths_(std::move(paths)) {
    buildLayout();
    messageDialog_ = new MessageDialog(this);
    continueAbortPrompt_ = new ContinueAbortPrompt(this);
    overwritePrompt_ = new OverwritePrompt(this);
    safetyWarningDialog_ = new SafetyWarningDialog(this);
    statisticsDialog_ = new StatisticsDialog(this);
    hiddenStatusList_ = new StatusLog(this);
    createEngine();
    createLink();
    connectEvents();
}

ConfigDialog::~ConfigDialog() {
    // A list still open closes as its window goes; by then the link is gone.
    disconnect(portSelector_, nullptr, this, nullptr);
    disconnect(servoSelector_, nullptr, this, nullptr);
    // Both transports wake this window from their threads; they end before it is gone. The
    // adapter is normally closed already, with the window; a window destroyed without being
    // closed must not leave its thread behind either.
    link_->close();
}

void ConfigDialog::initDialog() {
    if (initialised_)
        return;
    initialised_ = true;
    // The "Start diagnostics" item (context menu and Ctrl+D) exists since construction; the
    // icon is the application's, set by ConfigApp.
    prepareTransports();
    setWindowTitle(configDialogTitle() + titleSuffix_);

    SysResult writeFailure;
    prefs_ = startPreferences(prefsStore_, paths_.programFolder, paths_.configHome, &writeFailure);
    if (!writeFailure.ok())
        showMessage(fromStd(writeFailure.message));

    fillPortSelectorAtStartup();
    loadBitmaps();
    createHelpTips();
    computePaintedLayout();
    accelSlider_->setRange(kProfileMin, kProfileMax);
    decelSlider_->setRange(kProfileMin, kProfileMax);
    fillSelectors();

    // The engine starts idle, with its counters clear and diagnostics off.
    model_.memoryMapVersion = 3;
    armSlowServoTip();

    onLoadDefaults();
    applyServoSelection(model_);
    showChoices();
    exchangeToControls();
}

void ConfigDialog::setTitleSuffix(const QString& suffix) {
    titleSuffix_ = suffix;
    setWindowTitle(configDialogTitle() + titleSuffix_);
}

void ConfigDialog::fillSelectors() {
    for (const ServoEntry& row : servoTable())
        servoSelector_->addItem(fromStd(row.name), row.servoCode);
    for (const SpeedOption& option : speedOptions())
        speedSelector_->addItem(fromStd(option.label), option.value);
    for (const SignalTypeOption& option : signalTypeOptions())
        typeSelector_->addItem(fromStd(option.label), option.value);
}

void ConfigDialog::showEvent(QShowEvent* event) {
    initDialog();
    QDialog::showEvent(event);
}

void ConfigDialog::showMessage(const QString& text) {
    messageDialog_->setMessage(text);
    messageDialog_->exec();
}

void ConfigDialog::showMessage(const std::string& text) {
    showMessage(fromStd(text));
}

void ConfigDialog::enableControls(bool on) {
    for (int id : kSequenceControls)
        controls_.at(id)->setEnabled(on);
}

void ConfigDialog::setGyroButtonsEnabled(bool on) {
    controls_.at(1032)->setEnabled(on);
    controls_.at(1031)->setEnabled(on);
}

void ConfigDialog::setStatus(const QString& text) {
    statusText_ = text;
}

void ConfigDialog::armStatusClear() {
    armTimer(kStatusClearTimer, kStatusClearMilliseconds);
}

QWidget* ConfigDialog::control(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

QLineEdit* ConfigDialog::edit(int id) const {
    return static_cast<QLineEdit*>(controls_.at(id));
}

QTimer* ConfigDialog::windowTimer(int number) {
    QTimer*& timer = timers_[number];
    if (timer == nullptr) {
        timer = new QTimer(this);
        timer->setSingleShot(true);
        // Coarse timers may round a restart back to the old deadline; a restarted notice
        // must get its whole 13 seconds again.
        timer->setTimerType(Qt::PreciseTimer);
        timer->setObjectName(QStringLiteral("timer%1").arg(number));
        connect(timer, &QTimer::timeout, this, [this, number] { onTimerFired(number); });
    }
    return timer;
}

void ConfigDialog::armTimer(int number, int milliseconds) {
    windowTimer(number)->start(milliseconds);
}

void ConfigDialog::cancelTimer(int number) {
    windowTimer(number)->stop();
}

void ConfigDialog::onTimerFired(int number) {
    switch (number) {
        case kNoticeTimer:
            hideFieldNotice();
            break;
        default:
            onEngineTimer(number);
            break;
    }
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
    closeAdapter();
    hideFieldNotice();
    QDialog::reject();
}

}  // namespace vn340
