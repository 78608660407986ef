#pragma once

// Undo and redo of the configuration on screen: one step holds the whole configuration before
// and after one change the pilot made, under the step's name ("Load defaults", "High
// endpoint"...). Steps never merge: every change is undone on its own.

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

#include "config/gyro_config.h"

namespace vn340 {

struct ConfigStep {
    std::string name;
    GyroConfig before;
    GyroConfig after;
};

class StepStack {
  public:
    // A pilot goes back a few dozen steps at most; a session left open for days must not keep
    // every change it ever saw (each step holds two configurations).
    static constexpr std::size_t kMaxSteps = 1000;

    // A change already made on the screen becomes a step, unless it changed nothing; the steps
    // undone before it can no longer be redone, and beyond kMaxSteps the oldest goes. True when
    // a step was kept.
    bool record(std::string name, const GyroConfig& before, const GyroConfig& after);

    // The configuration to put on the screen, moving one step back or forward; none at the
    // first or the last step.
    std::optional<GyroConfig> undo();
    std::optional<GyroConfig> redo();

    bool canUndo() const { return done_ > 0; }
    bool canRedo() const { return done_ < steps_.size(); }
    // The name of the step an undo or a redo would take; empty when there is none.
    std::string undoName() const;
    std::string redoName() const;

    std::size_t count() const { return steps_.size(); }
    // The steps made and not undone, the oldest first.
    std::size_t done() const { return done_; }

  private:
    std::deque<ConfigStep> steps_;
    std::size_t done_ = 0;
};

}  // namespace vn340
