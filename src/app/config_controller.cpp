#include "app/config_controller.h"

#include "app/config_view.h"
#include "app/engine_host.h"
#include "app/link_view.h"
#include "app/qt_text.h"
#include "app/settings_host.h"
#include "app/window_dialogs.h"
#include "config/field_rules.h"
#include "config/settings_file.h"
#include "link/adapter_link.h"

namespace vn340 {
namespace {

// The steps are named as the window names the settings, the two exponentials with their mode.
std::string_view stepName(Setting setting) {
    return describe(setting).label;
}

std::string_view stepName(NumericField field) {
    return describe(field).label;
}

// As the window's frame around the comment box is named.
constexpr std::string_view kCommentsStep = "User comments";

}  // namespace

ConfigController::ConfigController(ConfigView& view, WindowDialogs& dialogs,
                                   const ConfigDialogPaths& paths, QObject* parent)
    : QObject(parent), view_(view), dialogs_(dialogs), paths_(paths) {
    settingsHost_ = std::make_unique<SettingsHost>(view_, dialogs_);
    linkView_ = std::make_unique<LinkView>(view_, dialogs_, model_, prefsStore_);
    AdapterLinkPaths where;
    where.sysClassTty = paths_.sysClassTty;
    where.deviceFolder = paths_.deviceFolder;
    where.d2xxLibrary = paths_.d2xxLibrary;
    link_ = std::make_unique<AdapterLink>(*linkView_, parent, where);
    engineHost_ = std::make_unique<EngineHost>(view_, dialogs_, *link_, model_, prefsStore_, this);
    engine_ = std::make_unique<SequenceEngine>(model_, *engineHost_);
    engineHost_->attach(*engine_);
    engineHost_->onReadComplete([this] { readComplete(); });
    engineHost_->onWriteComplete(
        [this](const GyroConfig& gyroHolds) { emit storeCompleted(gyroHolds); });
    engineHost_->onWriteUnfinished([this] { emit storeUnfinished(); });
    link_->onTextReceived(
        [this](std::string_view text) { engineHost_->active().dispatchReply(text); });
    link_->onAdapterLost([this] { return engineHost_->active().adapterLost(); });
}

ConfigController::~ConfigController() {
    // Both transports wake the window from their threads; they end before the engine they
    // deliver to. The adapter is normally closed already, with the window; a window destroyed
    // without being closed must not leave its thread behind either.
    link_->close();
}

void ConfigController::prepareTransports() {
    link_->prepare();
}

void ConfigController::startPreferences() {
    SysResult writeFailure;
    prefs_ = vn340::startPreferences(prefsStore_, paths_.programFolder, paths_.configHome,
                                     &writeFailure);
    if (!writeFailure.ok())
        dialogs_.showMessage(fromStd(writeFailure.message));
}

void ConfigController::fillPortSelectorAtStartup() {
    link_->fillPortSelectorAtStartup(prefs_.savedPort);
    prefs_.savedPort = link_->savedPort();
}

void ConfigController::startWithDefaults() {
    // The engine starts idle, with its counters clear and diagnostics off.
    model_.memoryMapVersion = 3;
    vn340::loadDefaults(model_);
    applyServoSelection(model_);
    view_.showModel(model_);
}

void ConfigController::recordPilotChange(std::string_view step, const GyroConfig& before) {
    if (model_ == before)
        return;
    emit pilotChanged(PilotChange{fromStd(step), before, model_});
}

void ConfigController::applyConfiguration(const GyroConfig& config) {
    model_ = config;
    view_.showModel(model_);
}

void ConfigController::applyAsStep(std::string_view step, const GyroConfig& config) {
    change(step, [this, &config](GyroConfig& model) {
        model = config;
        view_.showModel(model);
    });
}

SequenceHost& ConfigController::sequenceHost() {
    return *engineHost_;
}

void ConfigController::runBeside(SequenceEngine* engine) {
    engineHost_->divert(engine);
}

template <typename Edit>
void ConfigController::change(std::string_view step, Edit edit) {
    const GyroConfig before = model_;
    edit(model_);
    recordPilotChange(step, before);
}

void ConfigController::readFromGyro() {
    // The read writes into the model as its replies arrive; the change it made is told only
    // once it has completed.
    beforeRead_ = model_;
    engine_->startRead();
}

void ConfigController::storeToGyro() {
    const bool warningShown = !prefs_.skipSafetyWarning;
    if (!dialogs_.agreeToStore(prefsStore_, prefs_.skipSafetyWarning))
        return;
    // The agreement holds for this run either way, but the pilot must know when "Don't show
    // this message again" could not be kept for the next one.
    if (warningShown && !prefsStore_.lastError().ok())
        dialogs_.showMessage(fromStd(prefsStore_.lastError().message));
    engine_->startWrite();
}

void ConfigController::readComplete() {
    recordPilotChange("Read from gyro", beforeRead_);
    emit readCompleted();
}

void ConfigController::loadDefaults() {
    change("Load defaults", [this](GyroConfig& config) {
        vn340::loadDefaults(config);
        view_.showModel(config);
    });
}

void ConfigController::saveToFile() {
    // Saving the old value of a box that holds no number would store what the pilot no longer
    // sees; the pilot corrects the box first.
    if (view_.takeBoxes(model_))
        return;
    view_.takeChoices(model_);
    saveSettingsFile(model_, prefsStore_, settingsStore_, *settingsHost_, prefs_.lastDirectory);
}

void ConfigController::loadFromFile() {
    change("Load from file", [this](GyroConfig& config) {
        view_.takeChoices(config);
        loadSettingsFile(config, prefsStore_, settingsStore_, *settingsHost_, prefs_.lastDirectory);
    });
}

void ConfigController::loadFromFileAt(const std::string& path) {
    change("Load from file", [this, &path](GyroConfig& config) {
        view_.takeChoices(config);
        loadSettingsFileAt(config, systemFileSystem(), *settingsHost_, path);
    });
}

void ConfigController::detectAdapterPort() {
    link_->detectAdapterPort();
    prefs_.savedPort = link_->savedPort();
}

void ConfigController::portListOpened() {
    link_->refreshPortList();
}

void ConfigController::portListClosed() {
    link_->openSelectedPort();
    prefs_.savedPort = link_->savedPort();
}

void ConfigController::diagnosticsCommand(std::optional<NumericField> boxBeingEdited) {
    // A read of the gyro's own beside the screen's engine is as much a read as any.
    if (engineHost_->sideRunning())
        return;
    // The command reaches the window without the focus leaving the box being edited, and the
    // first round shows the model again: the box gets its check now, or its text would be lost.
    if (!engine_->diagnosticsRunning() && boxBeingEdited)
        boxLeft(*boxBeingEdited);
    engine_->diagnosticsCommand();
}

void ConfigController::servoChosen() {
    change(stepName(Setting::Servo), [this](GyroConfig& config) {
        view_.takeChoices(config);
        applyServoSelection(config);
        view_.showChoices(config);
        view_.repaintPictures();
    });
}

void ConfigController::typeChosen(int position) {
    change(stepName(Setting::Type), [this, position](GyroConfig& config) {
        view_.takeChoices(config);
        onServoTypeChangedByPilot(config, position);
        view_.showChoices(config);
    });
}

void ConfigController::speedChosen() {
    choiceChange(Setting::Speed);
    // The speed only moves the slow-servo mark, which the painted pictures draw.
    view_.repaintPictures();
}

void ConfigController::directionChosen() {
    choiceChange(Setting::Direction);
}

void ConfigController::profileMoved(Setting profile) {
    choiceChange(profile);
}

void ConfigController::choiceChange(Setting setting) {
    change(stepName(setting), [this](GyroConfig& config) { view_.takeChoices(config); });
}

void ConfigController::boxLeft(NumericField field) {
    // The check's own message and focus moves must not start another one.
    if (checking_)
        return;
    checking_ = true;
    const GyroConfig before = model_;
    const std::optional<NumericField> refused = view_.takeBoxes(model_);
    int& value = fieldValue(model_, field);
    const FieldCheckResult result = checkFieldValue(field, value);
    value = result.value;
    if (result.notice)
        view_.showFieldNotice(field, *result.notice);
    if (!refused) {
        view_.showBoxes(model_);
    } else {
        // Only the two boxes concerned get their values back: the exchange stopped before the
        // comment box, whose new text a full exchange would throw away.
        view_.showBox(field, model_);
        view_.showBox(*refused, model_);
        view_.selectBox(*refused);
    }
    checking_ = false;
    recordPilotChange(stepName(field), before);
}

void ConfigController::commentsLeft(const std::string& comments) {
    change(kCommentsStep, [&comments](GyroConfig& config) { config.userComments = comments; });
}

void ConfigController::closeAdapter() {
    link_->closeUsbAdapter();
}

}  // namespace vn340
