#pragma once

#include <map>
#include <string>
#include <vector>

#include <QPoint>
#include <QRect>

#include "ui/help_tip_settings.h"

class QWidget;

namespace vn340 {

// One registered help text: a rectangle of a window (empty for the whole window) and the
// settings it brings along, those named in `overrides`.
struct ToolInfo {
    QRect rect;
    std::string text;  // markup
    unsigned overrides = 0;
    TipLook look;
};

// The defaults with a tool's overrides put in.
TipLook lookFor(const TipLook& defaults, const ToolInfo& tool);

// The tools of every window. Windows are only keys here; nothing is read from them.
class ToolRegistry {
  public:
    // A tool with a rectangle equal to one the window already has replaces that one.
    void add(const QWidget* window, ToolInfo tool);
    void remove(const QWidget* window);
    bool has(const QWidget* window) const { return tools_.count(window) != 0; }
    // A window's only tool when its rectangle is empty, else its first tool whose rectangle
    // contains the point (window coordinates); nullptr for none.
    const ToolInfo* find(const QWidget* window, const QPoint& point) const;

  private:
    std::map<const QWidget*, std::vector<ToolInfo>> tools_;
};

}  // namespace vn340
