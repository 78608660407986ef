#pragma once

// The page's controls as the module keeps them: the texts of the boxes as the pilot typed
// them, the choices, and which controls are on. The page mirrors every keystroke and choice
// here, and draws what the view holds, so the controller works on the page as on the window.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browser/page_events.h"
#include "config/field_editor.h"
#include "config/screen.h"

namespace vn340 {

class PageScreen final : public Screen {
  public:
    // `events` outlives the screen.
    explicit PageScreen(PageEvents& events);

    // --- what the page mirrors ---
    void setBoxText(BoxField field, std::string text);
    // The selectors, sliders and direction buttons as the pilot left them.
    GyroConfig& choices() { return choices_; }

    // --- what the page draws ---
    const std::string& boxText(BoxField field) const;
    const GyroConfig& shownChoices() const { return choices_; }
    bool controlsOn() const { return controlsOn_; }
    bool diagnosticsRunning() const { return diagnosticsRunning_; }

    // Screen
    void enableControls(bool on) override;
    void enableGyroButtons(bool) override {}
    void showDiagnosticsRunning(bool running) override;
    std::optional<NumericField> takeBoxes(GyroConfig& config) override;
    void showBoxes(const GyroConfig& config) override;
    void showBox(NumericField field, const GyroConfig& config) override;
    void selectBox(NumericField field) override;
    void takeChoices(GyroConfig& config) override;
    void showChoices(const GyroConfig& config) override;
    void setServoFlagBoxes(int) override {}
    void repaintPictures() override {}
    void showFieldNotice(NumericField field, std::string_view notice) override;
    // The page's comment box wraps as the browser lays it out, which the module cannot see:
    // the comments are kept as typed.
    std::optional<std::vector<std::string>> commentDisplayLines(const std::string&) override {
        return std::nullopt;
    }

  private:
    PageEvents& events_;
    std::array<std::string, kBoxFieldCount> texts_;
    GyroConfig choices_;
    bool controlsOn_ = true;
    bool diagnosticsRunning_ = false;
};

}  // namespace vn340
