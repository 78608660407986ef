#pragma once

// Undo and redo of the configuration on the screen: one step holds the whole configuration
// before and after one change the pilot made, under the step's name ("Load defaults", "High
// endpoint"...), and puts either back through the window's own way of showing a
// configuration. Steps never merge: every change is undone on its own.

#include <QString>
#include <QUndoCommand>

#include <functional>

#include "config/field_table.h"
#include "config/gyro_config.h"

class QUndoStack;

namespace vn340 {

// Names of the steps that are no single setting.
namespace step_name {
inline const QString kLoadDefaults = QStringLiteral("Load defaults");
inline const QString kLoadFromFile = QStringLiteral("Load from file");
inline const QString kReadFromGyro = QStringLiteral("Read from gyro");
inline const QString kRevertToGyro = QStringLiteral("Revert to gyro values");
inline const QString kLoadSnapshot = QStringLiteral("Load snapshot");
}  // namespace step_name

// A change of one setting is named as the window names the setting.
QString stepName(Setting setting);

class ConfigStep : public QUndoCommand {
  public:
    // Puts a configuration on the screen.
    using Apply = std::function<void(const GyroConfig&)>;

    // The change has already been made on the screen, so the push that records it shows
    // nothing; later redos put `after` back.
    ConfigStep(const QString& name, GyroConfig before, GyroConfig after, Apply apply);

    void undo() override;
    void redo() override;

    const GyroConfig& before() const { return before_; }
    const GyroConfig& after() const { return after_; }

  private:
    GyroConfig before_;
    GyroConfig after_;
    Apply apply_;
    bool onScreen_ = true;
};

// Records a change made on the screen as one step, unless it changed nothing. True when a
// step was pushed.
bool recordStep(QUndoStack& stack, const QString& name, const GyroConfig& before,
                const GyroConfig& after, const ConfigStep::Apply& apply);

}  // namespace vn340
