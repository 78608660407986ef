#include "session/screen_origin.h"

#include "session/config_controller.h"

namespace vn340 {

ScreenOrigin::ScreenOrigin(ConfigController& controller, QObject* parent)
    : QObject(parent), controller_(controller) {
    connect(&controller_, &ConfigController::startedWithDefaults, this, &ScreenOrigin::settle);
    // A read settles the screen; so does a store that ran to its end, whose screen is kept in
    // the history even when the gyro did not take all of it.
    connect(
        &controller_, &ConfigController::outcomeShown, this,
        [this](const SequenceOutcome& outcome) {
            if ((outcome.kind == SequenceKind::Read && outcome.result == SequenceResult::Done) ||
                (outcome.kind == SequenceKind::Store && outcome.ranToItsEnd()))
                settle();
        });
    connect(&controller_, &ConfigController::fileLoaded, this, &ScreenOrigin::settleWithFile);
    connect(&controller_, &ConfigController::fileSaved, this, &ScreenOrigin::settleWithFile);
    connect(&controller_, &ConfigController::screenChanged, this, &ScreenOrigin::changed);
}

bool ScreenOrigin::changedSinceSettled() const {
    return settled_ && controller_.model() != *settled_;
}

bool ScreenOrigin::differsFromFile() const {
    return file_ && controller_.model() != fileConfig_;
}

void ScreenOrigin::settle() {
    settled_ = controller_.model();
    emit changed();
}

void ScreenOrigin::settleWithFile(const std::string& path) {
    file_ = path;
    fileConfig_ = controller_.model();
    settle();
}

}  // namespace vn340
