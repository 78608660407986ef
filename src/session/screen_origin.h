#pragma once

// Where the configuration on screen came from, and whether the pilot has changed it since. The
// last read, store, load or save settles the screen (the factory configuration does at the
// start); a file loaded or saved also names it, for the window's title.

#include <optional>
#include <string>

#include "base/signal.h"
#include "config/gyro_config.h"

namespace vn340 {

class ConfigController;

class ScreenOrigin {
  public:
    explicit ScreenOrigin(ConfigController& controller);

    // The screen differs from what was last read, stored, loaded or saved.
    bool changedSinceSettled() const;
    // The file last loaded or saved, and whether the screen differs from what it holds.
    const std::optional<std::string>& file() const { return file_; }
    bool differsFromFile() const;

    // file() or differsFromFile() may have changed.
    Signal<> changed;

  private:
    void settle();
    void settleWithFile(const std::string& path);

    ConfigController& controller_;
    std::optional<GyroConfig> settled_;
    std::optional<std::string> file_;
    GyroConfig fileConfig_;
    Connections connections_;
};

}  // namespace vn340
