#include "browser/page_screen.h"

#include <algorithm>
#include <utility>

namespace vn340 {
namespace {

std::size_t indexOf(BoxField field) {
    const auto& order = exchangeOrder();
    return static_cast<std::size_t>(std::find(order.begin(), order.end(), field) - order.begin());
}

}  // namespace

PageScreen::PageScreen(PageEvents& events) : events_(events) {}

void PageScreen::setBoxText(BoxField field, std::string text) {
    texts_[indexOf(field)] = std::move(text);
}

const std::string& PageScreen::boxText(BoxField field) const {
    return texts_[indexOf(field)];
}

void PageScreen::enableControls(bool on) {
    controlsOn_ = on;
    events_.viewChanged();
}

void PageScreen::showDiagnosticsRunning(bool running) {
    diagnosticsRunning_ = running;
    events_.viewChanged();
}

std::optional<NumericField> PageScreen::takeBoxes(GyroConfig& config) {
    const std::optional<NumericField> refused =
        takeBoxTexts(config, [this](BoxField field) { return boxText(field); });
    if (refused) {
        events_.message(kEnterIntegerText, false);
        events_.focusBox(*refused);
    }
    return refused;
}

void PageScreen::showBoxes(const GyroConfig& config) {
    for (const BoxField& field : exchangeOrder()) {
        setBoxText(field, vn340::boxText(config, field));
    }
    events_.viewChanged();
}

void PageScreen::showBox(NumericField field, const GyroConfig& config) {
    setBoxText(field, vn340::boxText(config, field));
    events_.viewChanged();
}

void PageScreen::selectBox(NumericField field) {
    events_.focusBox(field);
}

void PageScreen::takeChoices(GyroConfig& config) {
    config.servoModel = choices_.servoModel;
    config.servoType = choices_.servoType;
    config.servoSpeed = choices_.servoSpeed;
    config.accelProfile = choices_.accelProfile;
    config.decelProfile = choices_.decelProfile;
    config.direction = choices_.direction;
}

void PageScreen::showChoices(const GyroConfig& config) {
    // A position outside a list leaves it without a selection, as a selector shows it.
    const auto within = [](int position, int count) {
        return position >= 0 && position < count ? position : kNoSelection;
    };
    choices_.servoModel = within(config.servoModel, kServoRowCount);
    choices_.servoType = within(config.servoType, kSignalTypeCount);
    choices_.servoSpeed = within(config.servoSpeed, kSpeedOptionCount);
    choices_.accelProfile = std::clamp(config.accelProfile, kProfileMin, kProfileMax);
    choices_.decelProfile = std::clamp(config.decelProfile, kProfileMin, kProfileMax);
    choices_.direction = config.direction;
    events_.viewChanged();
}

void PageScreen::showFieldNotice(NumericField field, std::string_view notice) {
    events_.notice(field, notice);
}

}  // namespace vn340
