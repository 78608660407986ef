#include "link/memory_port_selector.h"

namespace vn340 {

void MemoryPortSelector::clearSelector() {
    entries_.clear();
    selected_.reset();
}

void MemoryPortSelector::addSelectorEntry(std::string_view name) {
    entries_.emplace(name);
}

void MemoryPortSelector::removeSelectorEntry(std::string_view name) {
    if (const auto entry = entries_.find(name); entry != entries_.end()) {
        entries_.erase(entry);
    }
    if (selected_ == name) {
        selected_.reset();
    }
}

void MemoryPortSelector::selectEntry(std::string_view name) {
    if (entries_.contains(name)) {
        selected_ = std::string(name);
    } else {
        selected_.reset();
    }
}

}  // namespace vn340
