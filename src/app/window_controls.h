#pragma once

// The main window's controls as the layout builds them: every control with an id, by its id,
// and the ones the window reads and sets, by their kind.

#include <array>
#include <map>

#include "app/control.h"

class QCheckBox;
class QDialog;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QWidget;

namespace vn340 {

class DropDownList;

struct WindowControls {
    std::map<Control, QWidget*> byId;
    DropDownList* portSelector = nullptr;
    DropDownList* servoSelector = nullptr;
    DropDownList* typeSelector = nullptr;
    DropDownList* speedSelector = nullptr;
    QSlider* accelSlider = nullptr;
    QSlider* decelSlider = nullptr;
    QPushButton* normalButton = nullptr;
    QPushButton* reverseButton = nullptr;
    QPlainTextEdit* commentBox = nullptr;
    QLineEdit* statusLine = nullptr;
    std::array<QCheckBox*, 4> hiddenBoxes{};  // "Bit8", "Bit10", "Bit11", "Bit12"

    // Null for an id the window does not have.
    QWidget* find(Control control) const;
    template <typename Widget>
    Widget* as(Control control) const {
        return static_cast<Widget*>(byId.at(control));
    }
};

// Sets up `window` as designed (font, frame, fixed size) and builds its controls on it, in the
// order of the design, which is also the order of the Tab key.
WindowControls layOutMainWindow(QDialog& window);

}  // namespace vn340
