#pragma once

// The main window as the program's logic sees it: the status line, the switching of the
// controls, the copying between the model and the controls, the field notices and the port
// selector. Nothing here opens a dialog of its own accord; the pilot's dialogs are
// WindowDialogs'.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/field_table.h"
#include "config/gyro_config.h"

namespace vn340 {

class ConfigView {
  public:
    virtual ~ConfigView() = default;

    // The status line: set for the next showBoxes, or shown at once and on its own, leaving
    // what the pilot has typed since the last exchange in its boxes.
    virtual void setStatus(std::string_view text) = 0;
    virtual void showStatus(std::string_view text) = 0;

    // The 25 controls a sequence switches off, in their fixed order; the two gyro buttons
    // ("Store to gyro", "Read from gyro") alone; the diagnostics item's text.
    virtual void enableControls(bool on) = 0;
    virtual void enableGyroButtons(bool on) = 0;
    virtual void showDiagnosticsRunning(bool running) = 0;

    // The boxes: the numbers, the identification texts, the comments, the status line and the
    // hidden bit boxes. Taking stops at the first number box without a whole number: the pilot
    // is told, that box gets the focus back with its text selected, and its field is returned;
    // it and the fields taken after it keep their values.
    virtual std::optional<NumericField> takeBoxes(GyroConfig& config) = 0;
    virtual void showBoxes(const GyroConfig& config) = 0;
    // One number box alone, and selecting its text.
    virtual void showBox(NumericField field, const GyroConfig& config) = 0;
    virtual void selectBox(NumericField field) = 0;
    // The selectors, the sliders and the direction buttons, which are read and set directly.
    virtual void takeChoices(GyroConfig& config) = 0;
    virtual void showChoices(const GyroConfig& config) = 0;
    // The hidden "Bit8", "Bit10", "Bit11" and "Bit12" boxes mirror these bits of the servo
    // flags word from the next showBoxes on.
    virtual void setServoFlagBoxes(int servoFlags) = 0;
    // The painted pictures follow the servo's speed.
    virtual void repaintPictures() = 0;

    // Everything the model holds, on screen.
    void showModel(const GyroConfig& config) {
        showChoices(config);
        showBoxes(config);
        repaintPictures();
    }

    // A correction of the field's box, told beside it for a while.
    virtual void showFieldNotice(NumericField field, std::string_view notice) = 0;
    // The comments as the comment box displays them, one entry per displayed line; none when
    // the box does not hold `comments`.
    virtual std::optional<std::vector<std::string>> commentDisplayLines(
        const std::string& comments) = 0;

    // The port selector keeps its entries in port-name order, and no selection until one is
    // made.
    virtual void clearPortEntries() = 0;
    virtual void addPortEntry(std::string_view name) = 0;
    // An entry that goes leaves no selection behind if it was the one selected.
    virtual void removePortEntry(std::string_view name) = 0;
    virtual void selectPortEntry(std::string_view name) = 0;
    virtual std::optional<std::string> selectedPortEntry() const = 0;
};

}  // namespace vn340
