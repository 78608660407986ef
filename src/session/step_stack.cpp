#include "session/step_stack.h"

#include <cstddef>
#include <utility>

namespace vn340 {

bool StepStack::record(std::string name, const GyroConfig& before, const GyroConfig& after) {
    if (before == after) {
        return false;
    }
    steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(done_), steps_.end());
    steps_.push_back(ConfigStep{std::move(name), before, after});
    if (steps_.size() > kMaxSteps) {
        steps_.pop_front();
    }
    done_ = steps_.size();
    return true;
}

std::optional<GyroConfig> StepStack::undo() {
    if (!canUndo()) {
        return std::nullopt;
    }
    --done_;
    return steps_[done_].before;
}

std::optional<GyroConfig> StepStack::redo() {
    if (!canRedo()) {
        return std::nullopt;
    }
    ++done_;
    return steps_[done_ - 1].after;
}

std::string StepStack::undoName() const {
    return canUndo() ? steps_[done_ - 1].name : std::string();
}

std::string StepStack::redoName() const {
    return canRedo() ? steps_[done_].name : std::string();
}

}  // namespace vn340
