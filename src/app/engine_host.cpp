#include "app/engine_host.h"

#include "app/config_view.h"
#include "app/window_dialogs.h"
#include "link/adapter_link.h"

namespace vn340 {
namespace {

// The word the hidden bit boxes mirror, from the bits the last read found.
int servoFlagsWord(const SequenceEngine::FlagBits& bits) {
    return (bits.bit8 ? 0x0100 : 0) | (bits.bit10 ? 0x0400 : 0) | (bits.bit11 ? 0x0800 : 0) |
           (bits.bit12 ? 0x1000 : 0);
}

}  // namespace

EngineHost::EngineHost(ConfigView& view, WindowDialogs& dialogs, AdapterLink& link,
                       GyroConfig& model, ProfileStore& prefs, QObject* timerOwner)
    : view_(view),
      dialogs_(dialogs),
      link_(link),
      model_(model),
      prefs_(prefs),
      timers_([this](SequenceTimer timer) { active().onTimer(timer); }, timerOwner) {}

void EngineHost::armTimer(SequenceTimer timer, std::chrono::milliseconds delay) {
    timers_.arm(timer, delay);
}

void EngineHost::killTimer(SequenceTimer timer) {
    timers_.kill(timer);
}

void EngineHost::sendFrame(std::string_view frame) {
    link_.sendFrame(frame);
}

void EngineHost::setStatus(std::string_view text) {
    view_.setStatus(text);
}

void EngineHost::showStatus(std::string_view text) {
    view_.showStatus(text);
}

void EngineHost::showMessage(std::string_view text) {
    dialogs_.showMessage(text);
}

void EngineHost::enableControls(bool enable) {
    view_.enableControls(enable);
}

void EngineHost::enableGyroButtons(bool enable) {
    view_.enableGyroButtons(enable);
}

bool EngineHost::adapterOpen() const {
    return link_.transport() != Transport::None;
}

void EngineHost::takeControlsIntoFields() {
    view_.takeBoxes(model_);
    // The selectors, sliders and direction buttons live in the model as well.
    view_.takeChoices(model_);
}

void EngineHost::refreshControls() {
    view_.setServoFlagBoxes(servoFlagsWord(engine_->flagBits()));
    view_.showModel(model_);
}

StatisticsAnswer EngineHost::offerStatistics() {
    return dialogs_.offerStatistics(model_, prefs_);
}

void EngineHost::diagnosticsMenuChanged(bool running) {
    view_.showDiagnosticsRunning(running);
}

void EngineHost::readComplete() {
    if (readComplete_)
        readComplete_();
}

void EngineHost::writeComplete(const GyroConfig& gyroHolds) {
    if (writeComplete_)
        writeComplete_(gyroHolds);
}

void EngineHost::writeUnfinished() {
    if (writeUnfinished_)
        writeUnfinished_();
}

}  // namespace vn340
