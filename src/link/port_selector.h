#pragma once

// The port selector's side of the screen: the list of the ports found, with "USB", and the two
// gyro buttons, which stand for an open port.

#include <optional>
#include <string>
#include <string_view>

namespace vn340 {

class PortSelector {
  public:
    virtual ~PortSelector() = default;

    // The selector keeps its entries sorted by plain text order.
    virtual void clearSelector() = 0;
    virtual void addSelectorEntry(std::string_view name) = 0;
    // A port that has been pulled out; the selection moves off it if it was selected.
    virtual void removeSelectorEntry(std::string_view name) = 0;
    virtual void selectEntry(std::string_view name) = 0;
    virtual std::optional<std::string> selectedEntry() const = 0;
    // "Store to gyro" and "Read from gyro" together.
    virtual void enableGyroButtons(bool enable) = 0;
};

}  // namespace vn340
