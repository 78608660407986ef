#pragma once

// The main window's controls as the layout builds them: every control with an id, by its id,
// and the ones the window reads and sets, by their kind.

#include <QRect>

#include <array>
#include <map>

#include "controls/control.h"

class QCheckBox;
class QDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
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
    // Beside the status line: the adapter port and whether it is open.
    QLabel* adapterState = nullptr;
    // Above the designed window, which lies at `content`.
    QMenuBar* menuBar = nullptr;
    QMenu* fileMenu = nullptr;
    QMenu* editMenu = nullptr;
    QMenu* gyroMenu = nullptr;
    QMenu* helpMenu = nullptr;
    QRect content;
    std::array<QCheckBox*, 4> hiddenBoxes{};  // "Bit8", "Bit10", "Bit11", "Bit12"

    // Null for an id the window does not have.
    QWidget* find(Control control) const;
    template <typename Widget>
    Widget* as(Control control) const {
        return static_cast<Widget*>(byId.at(control));
    }
};

// Sets up `window` as designed (font, frame, fixed size) and builds its controls on it, in the
// order of the design, which is also the order of the Tab key; the menu bar's menus stand empty
// above them, the status area below them.
WindowControls layOutMainWindow(QDialog& window);

}  // namespace vn340
