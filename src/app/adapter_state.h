#pragma once

// The adapter's state beside the status line: the port chosen and whether it is open.

#include <QString>

#include <optional>
#include <string>

namespace vn340 {

// "USB \u2014 open", "ttyUSB0 \u2014 not connected"; "No port \u2014 not connected" when none is
// chosen.
QString adapterStateText(const std::optional<std::string>& port, bool open);

}  // namespace vn340
