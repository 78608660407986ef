#include "app/config_undo.h"

#include <QUndoStack>

#include <utility>

namespace vn340 {

QString stepName(Setting setting) {
    const std::string_view label = describe(setting).label;
    return QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size()));
}

ConfigStep::ConfigStep(const QString& name, GyroConfig before, GyroConfig after, Apply apply)
    : before_(std::move(before)), after_(std::move(after)), apply_(std::move(apply)) {
    setText(name);
}

void ConfigStep::undo() {
    apply_(before_);
}

void ConfigStep::redo() {
    // QUndoStack::push redoes at once; the screen shows `after` already, and showing it again
    // would throw away where the pilot's cursor and selection are.
    if (onScreen_) {
        onScreen_ = false;
        return;
    }
    apply_(after_);
}

bool recordStep(QUndoStack& stack, const QString& name, const GyroConfig& before,
                const GyroConfig& after, const ConfigStep::Apply& apply) {
    if (before == after)
        return false;
    stack.push(new ConfigStep(name, before, after, apply));
    return true;
}

}  // namespace vn340
