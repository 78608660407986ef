#pragma once

// Where the configuration on screen came from, and whether the pilot has changed it since. The
// last read, store, load or save settles the screen (the factory configuration does at the
// start); a file loaded or saved also names it, for the window's title.

#include <QObject>

#include <optional>
#include <string>

#include "config/gyro_config.h"

namespace vn340 {

class ConfigController;

class ScreenOrigin : public QObject {
    Q_OBJECT
  public:
    explicit ScreenOrigin(ConfigController& controller, QObject* parent = nullptr);

    // The screen differs from what was last read, stored, loaded or saved.
    bool changedSinceSettled() const;
    // The file last loaded or saved, and whether the screen differs from what it holds.
    const std::optional<std::string>& file() const { return file_; }
    bool differsFromFile() const;

  signals:
    // file() or differsFromFile() may have changed.
    void changed();

  private:
    void settle();
    void settleWithFile(const std::string& path);

    ConfigController& controller_;
    std::optional<GyroConfig> settled_;
    std::optional<std::string> file_;
    GyroConfig fileConfig_;
};

}  // namespace vn340
