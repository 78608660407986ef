#include "ui/help_tip_registry.h"

namespace vn340 {

TipLook lookFor(const TipLook& defaults, const ToolInfo& tool) {
    TipLook look = defaults;
    const TipLook& own = tool.look;
    if (tool.overrides & tipoverride::kEffect) {
        look.effect = own.effect;
        look.granularity = own.granularity;
    }
    if (tool.overrides & tipoverride::kColours) {
        look.colours = own.colours;
    }
    if (tool.overrides & tipoverride::kDirection) {
        look.direction = own.direction;
    }
    if (tool.overrides & tipoverride::kBehaviour) {
        look.behaviour = own.behaviour;
    }
    if (tool.overrides & tipoverride::kTransparency) {
        look.transparency = own.transparency;
    }
    return look;
}

void ToolRegistry::add(const QWidget* window, ToolInfo tool) {
    std::vector<ToolInfo>& list = tools_[window];
    for (ToolInfo& existing : list) {
        if (existing.rect == tool.rect) {
            existing = std::move(tool);
            return;
        }
    }
    list.push_back(std::move(tool));
}

void ToolRegistry::remove(const QWidget* window) {
    tools_.erase(window);
}

const ToolInfo* ToolRegistry::find(const QWidget* window, const QPoint& point) const {
    const auto it = tools_.find(window);
    if (it == tools_.end() || it->second.empty()) {
        return nullptr;
    }
    const std::vector<ToolInfo>& list = it->second;
    if (list.size() == 1 && list.front().rect.isEmpty()) {
        return &list.front();
    }
    for (const ToolInfo& tool : list) {
        if (tool.rect.contains(point)) {
            return &tool;
        }
    }
    return nullptr;
}

}  // namespace vn340
