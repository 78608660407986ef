#pragma once

// A port list kept in memory, for a front end that draws its own list (the page) or has none
// (the command line): the entries in plain text order, the one selected, and whether the gyro
// buttons are on.

#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "link/port_selector.h"

namespace vn340 {

class MemoryPortSelector final : public PortSelector {
  public:
    void clearSelector() override;
    void addSelectorEntry(std::string_view name) override;
    void removeSelectorEntry(std::string_view name) override;
    void selectEntry(std::string_view name) override;
    std::optional<std::string> selectedEntry() const override { return selected_; }
    void enableGyroButtons(bool enable) override { gyroButtonsOn_ = enable; }

    const std::set<std::string, std::less<>>& entries() const { return entries_; }
    bool gyroButtonsOn() const { return gyroButtonsOn_; }

  private:
    std::set<std::string, std::less<>> entries_;
    std::optional<std::string> selected_;
    bool gyroButtonsOn_ = false;
};

}  // namespace vn340
