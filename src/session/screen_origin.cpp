#include "session/screen_origin.h"

#include "session/config_controller.h"

namespace vn340 {

ScreenOrigin::ScreenOrigin(ConfigController& controller) : controller_(controller) {
    connections_ += controller_.startedWithDefaults.connect([this] { settle(); });
    // A read settles the screen; so does a store that ran to its end, whose screen is kept in
    // the history even when the gyro did not take all of it.
    connections_ += controller_.outcomeShown.connect([this](const SequenceOutcome& outcome) {
        if ((outcome.kind == SequenceKind::Read && outcome.result == SequenceResult::Done) ||
            (outcome.kind == SequenceKind::Store && outcome.ranToItsEnd())) {
            settle();
        }
    });
    connections_ +=
        controller_.fileLoaded.connect([this](const std::string& path) { settleWithFile(path); });
    connections_ +=
        controller_.fileSaved.connect([this](const std::string& path) { settleWithFile(path); });
    connections_ += controller_.screenChanged.connect([this] { changed(); });
}

bool ScreenOrigin::changedSinceSettled() const {
    return settled_ && controller_.model() != *settled_;
}

bool ScreenOrigin::differsFromFile() const {
    return file_ && controller_.model() != fileConfig_;
}

void ScreenOrigin::settle() {
    settled_ = controller_.model();
    changed();
}

void ScreenOrigin::settleWithFile(const std::string& path) {
    file_ = path;
    fileConfig_ = controller_.model();
    settle();
}

}  // namespace vn340
