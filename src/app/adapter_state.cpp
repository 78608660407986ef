#include "app/adapter_state.h"

#include "app/qt_text.h"

namespace vn340 {

QString adapterStateText(const std::optional<std::string>& port, bool open) {
    const QString name = port && !port->empty() ? fromStd(*port) : QStringLiteral("No port");
    // A port that is open but not the one chosen (the list changed under it) is not told
    // as open.
    const bool shownOpen = open && port.has_value();
    return name +
           (shownOpen ? QStringLiteral(" \u2014 open") : QStringLiteral(" \u2014 not connected"));
}

}  // namespace vn340
