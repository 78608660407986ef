#pragma once

// The configuration as the pilot sees it: the controls that show the model and take the
// pilot's edits, the controls a sequence switches off, and the notes beside a box. The window
// is one such screen; the command line and the tests have their own, which show nothing.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/field_table.h"
#include "config/gyro_config.h"

namespace vn340 {

class Screen {
  public:
    virtual ~Screen() = default;

    // The 25 controls a sequence switches off, in their fixed order; the two gyro buttons
    // ("Store to gyro", "Read from gyro") alone; the diagnostics item's text.
    virtual void enableControls(bool on) = 0;
    virtual void enableGyroButtons(bool on) = 0;
    virtual void showDiagnosticsRunning(bool running) = 0;

    // The boxes: the numbers, the identification texts, the comments and the hidden bit boxes.
    // Taking stops at the first number box without a whole number: the pilot is told, that
    // box gets the focus back with its text selected, and its field is returned; it and the
    // fields taken after it keep their values.
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
    // The boxes and the choices into the model; the field of a refused box, if any.
    std::optional<NumericField> takeAll(GyroConfig& config) {
        const std::optional<NumericField> refused = takeBoxes(config);
        takeChoices(config);
        return refused;
    }

    // A correction of the field's box, told beside it for a while.
    virtual void showFieldNotice(NumericField field, std::string_view notice) = 0;
    // The comments as the comment box displays them, one entry per displayed line (a wrapped
    // line gives several); none when there is no box that holds them.
    virtual std::optional<std::vector<std::string>> commentDisplayLines(
        const std::string& comments) = 0;
};

// A screen that shows nothing and takes nothing: for a program without a window, where the
// configuration lives in the model alone.
class BlankScreen : public Screen {
  public:
    void enableControls(bool) override {}
    void enableGyroButtons(bool) override {}
    void showDiagnosticsRunning(bool) override {}
    std::optional<NumericField> takeBoxes(GyroConfig&) override { return std::nullopt; }
    void showBoxes(const GyroConfig&) override {}
    void showBox(NumericField, const GyroConfig&) override {}
    void selectBox(NumericField) override {}
    void takeChoices(GyroConfig&) override {}
    void showChoices(const GyroConfig&) override {}
    void setServoFlagBoxes(int) override {}
    void repaintPictures() override {}
    void showFieldNotice(NumericField, std::string_view) override {}
    std::optional<std::vector<std::string>> commentDisplayLines(const std::string&) override {
        return std::nullopt;
    }
};

}  // namespace vn340
