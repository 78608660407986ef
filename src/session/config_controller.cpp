#include "session/config_controller.h"

#include "config/field_rules.h"
#include "config/settings_file.h"
#include "link/adapter_link.h"
#include "statistics/statistics_offer.h"

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

ConfigController::ConfigController(Screen& screen, PortSelector& ports, FrontEnd& frontEnd,
                                   Platform& platform, const ProgramPaths& paths)
    : screen_(screen),
      frontEnd_(frontEnd),
      platform_(platform),
      paths_(paths),
      prefsStore_(platform.files()),
      settingsStore_(platform.files()),
      windowWords_(frontEnd) {
    transports_ = platform_.makeTransports(frontEnd_);
    deviceEvents_ = platform_.makeDeviceEvents();
    link_ = std::make_unique<AdapterLink>(ports, frontEnd_, *transports_, deviceEvents_.get());
    SequenceHost& host = *this;
    engine_ = std::make_unique<SequenceEngine>(model_, host, frontEnd_, screen_);
    timers_ = platform_.makeTimers([this](SequenceTimer timer) { active().onTimer(timer); });
    link_->onTextReceived([this](std::string_view text) { active().dispatchReply(text); });
    link_->onAdapterLost([this] { return active().adapterLost(); });
    link_->onPortChosen([this](std::string_view name) {
        // The port is open either way; the pilot must know it will not be chosen next time.
        if (!prefsStore_.writeString(kSettingsSection, kComPortKey, name)) {
            frontEnd_.showMessage(prefsStore_.lastError().message);
        }
    });
}

ConfigController::~ConfigController() {
    // Both transports wake the window from their threads; they end before the engine they
    // deliver to. The adapter is normally closed already, with the window; a window destroyed
    // without being closed must not leave its thread behind either.
    link_->close();
}

void ConfigController::start(const std::optional<std::string>& port) {
    link_->prepare();
    SysResult writeFailure;
    prefs_ = vn340::startPreferences(prefsStore_, paths_.programFolder, paths_.configHome,
                                     paths_.homeFolder, &writeFailure);
    if (!writeFailure.ok()) {
        frontEnd_.showMessage(writeFailure.message);
    }
    link_->fillPortSelectorAtStartup(port.value_or(prefs_.savedPort));
    // The engine starts idle, with its counters clear and diagnostics off.
    model_.memoryMapVersion = 3;
    vn340::loadDefaults(model_);
    applyServoSelection(model_);
    screen_.showModel(model_);
    startedWithDefaults();
}

void ConfigController::recordPilotChange(std::string_view step, const GyroConfig& before) {
    if (model_ == before) {
        return;
    }
    pilotChanged(PilotChange{std::string(step), before, model_});
    screenChanged();
}

void ConfigController::applyConfiguration(const GyroConfig& config) {
    model_ = config;
    screen_.showModel(model_);
    screenChanged();
}

void ConfigController::applyAsStep(std::string_view step, const GyroConfig& config) {
    change(step, [this, &config](GyroConfig& model) {
        model = config;
        screen_.showModel(model);
    });
}

std::unique_ptr<GyroCompareRead> ConfigController::makeCompareRead() {
    SequenceHost& host = *this;
    return std::make_unique<GyroCompareRead>(host, frontEnd_, screen_);
}

void ConfigController::runBeside(GyroCompareRead* read) {
    side_ = read;
}

bool ConfigController::sideRunning() const {
    return side_ != nullptr && side_->running();
}

bool ConfigController::busy() const {
    return !engine_->idle() || sideRunning() || showingOutcome_;
}

bool ConfigController::storing() const {
    return engine_->running() == SequenceEngine::Sequence::Write ||
           (showingOutcome_ && shownKind_ == SequenceKind::Store);
}

std::string ConfigController::savedPort() const {
    return link_->savedPort();
}

SequenceEngine& ConfigController::active() const {
    return sideRunning() ? side_->engine() : *engine_;
}

void ConfigController::armTimer(SequenceTimer timer, std::chrono::milliseconds delay) {
    timers_->arm(timer, delay);
}

void ConfigController::killTimer(SequenceTimer timer) {
    timers_->kill(timer);
}

void ConfigController::sendFrame(std::string_view frame) {
    link_->sendFrame(frame);
}

bool ConfigController::adapterOpen() const {
    return link_->transport() != Transport::None;
}

StatisticsAnswer ConfigController::offerStatistics() {
    return vn340::offerStatistics(model_, prefsStore_, platform_.today(), frontEnd_);
}

void ConfigController::sequenceEnded(const SequenceOutcome& outcome) {
    showingOutcome_ = true;
    shownKind_ = outcome.kind;
    outcomeView_->showOutcome(outcome);
    showingOutcome_ = false;
    // The read wrote into the model as its replies arrived; the change it made is told only now.
    if (outcome.kind == SequenceKind::Read && outcome.result == SequenceResult::Done) {
        recordPilotChange("Read from gyro", beforeRead_);
    }
    outcomeShown(outcome);
}

void ConfigController::liveSignals(const LiveSignals& round) {
    liveSignalsArrived(round);
}

template <typename Edit>
void ConfigController::change(std::string_view step, Edit edit) {
    const GyroConfig before = model_;
    edit(model_);
    recordPilotChange(step, before);
}

void ConfigController::readFromGyro(StatisticsWord statistics) {
    // The read writes into the model as its replies arrive; the change it made is told only
    // once it has completed.
    beforeRead_ = model_;
    engine_->startRead(statistics);
}

void ConfigController::storeToGyro() {
    if (agreeToStore(frontEnd_, prefsStore_, prefs_.skipSafetyWarning)) {
        engine_->startWrite();
    }
}

void ConfigController::loadDefaults() {
    change("Load defaults", [this](GyroConfig& config) {
        vn340::loadDefaults(config);
        screen_.showModel(config);
    });
}

void ConfigController::saveToFile() {
    // Saving the old value of a box that holds no number would store what the pilot no longer
    // sees; the pilot corrects the box first.
    if (screen_.takeBoxes(model_)) {
        return;
    }
    screen_.takeChoices(model_);
    if (const std::optional<std::string> saved = saveSettingsFile(
            model_, prefsStore_, settingsStore_, frontEnd_, screen_, prefs_.lastDirectory)) {
        fileSaved(*saved);
    }
}

void ConfigController::loadFromFile() {
    std::optional<std::string> loaded;
    change("Load from file", [this, &loaded](GyroConfig& config) {
        screen_.takeChoices(config);
        loaded = loadSettingsFile(config, prefsStore_, settingsStore_, frontEnd_, screen_,
                                  prefs_.lastDirectory);
    });
    if (loaded) {
        fileLoaded(*loaded);
    }
}

void ConfigController::loadFromFileAt(const std::string& path) {
    bool loaded = false;
    change("Load from file", [this, &path, &loaded](GyroConfig& config) {
        screen_.takeChoices(config);
        loaded = loadSettingsFileAt(config, platform_.files(), frontEnd_, screen_, path);
    });
    if (loaded) {
        fileLoaded(path);
    }
}

void ConfigController::loadChosenFile(const std::string& path) {
    bool loaded = false;
    change("Load from file", [this, &path, &loaded](GyroConfig& config) {
        screen_.takeChoices(config);
        loaded =
            loadChosenSettingsFile(config, prefsStore_, settingsStore_, frontEnd_, screen_, path);
    });
    if (loaded) {
        fileLoaded(path);
    }
}

void ConfigController::detectAdapterPort() {
    // Around a choice of port the boxes are taken into the model and shown again, as they
    // have always been.
    screen_.takeBoxes(model_);
    link_->detectAdapterPort();
    screen_.showBoxes(model_);
}

void ConfigController::portListOpened() {
    link_->refreshPortList();
}

void ConfigController::portListClosed() {
    screen_.takeBoxes(model_);
    link_->openSelectedPort();
    screen_.showBoxes(model_);
}

void ConfigController::diagnosticsCommand(std::optional<NumericField> boxBeingEdited) {
    // A read of the gyro's own beside the screen's engine is as much a read as any.
    if (sideRunning()) {
        return;
    }
    // The command reaches the window without the focus leaving the box being edited, and the
    // first round shows the model again: the box gets its check now, or its text would be lost.
    if (!engine_->diagnosticsRunning() && boxBeingEdited) {
        boxLeft(*boxBeingEdited);
    }
    engine_->diagnosticsCommand();
}

void ConfigController::servoChosen() {
    change(stepName(Setting::Servo), [this](GyroConfig& config) {
        screen_.takeChoices(config);
        applyServoSelection(config);
        screen_.showChoices(config);
        screen_.repaintPictures();
    });
}

void ConfigController::typeChosen(int position) {
    change(stepName(Setting::Type), [this, position](GyroConfig& config) {
        screen_.takeChoices(config);
        onServoTypeChangedByPilot(config, position);
        screen_.showChoices(config);
    });
}

void ConfigController::speedChosen() {
    choiceChange(Setting::Speed);
    // The speed only moves the slow-servo mark, which the painted pictures draw.
    screen_.repaintPictures();
}

void ConfigController::directionChosen() {
    choiceChange(Setting::Direction);
}

void ConfigController::profileMoved(Setting profile) {
    choiceChange(profile);
}

void ConfigController::choiceChange(Setting setting) {
    change(stepName(setting), [this](GyroConfig& config) { screen_.takeChoices(config); });
}

void ConfigController::boxLeft(NumericField field) {
    // The check's own message and focus moves must not start another one.
    if (checking_) {
        return;
    }
    checking_ = true;
    const GyroConfig before = model_;
    const std::optional<NumericField> refused = screen_.takeBoxes(model_);
    int& value = fieldValue(model_, field);
    const FieldCheckResult result = checkFieldValue(field, value);
    value = result.value;
    if (result.notice) {
        screen_.showFieldNotice(field, *result.notice);
    }
    if (!refused) {
        screen_.showBoxes(model_);
    } else {
        // Only the two boxes concerned get their values back: the exchange stopped before the
        // comment box, whose new text a full exchange would throw away.
        screen_.showBox(field, model_);
        screen_.showBox(*refused, model_);
        screen_.selectBox(*refused);
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
