#pragma once

// The adapter link's view in the window: the port selector and the gyro buttons through the
// window's view, the messages and the Detect wizard's questions through its dialogs, the data
// exchange around a selection, and the "COM PORT" preference.

#include "link/adapter_view.h"

namespace vn340 {

class ConfigView;
class ProfileStore;
class WindowDialogs;
struct GyroConfig;

class LinkView : public AdapterView {
  public:
    LinkView(ConfigView& view, WindowDialogs& dialogs, GyroConfig& model, ProfileStore& prefs)
        : view_(view), dialogs_(dialogs), model_(model), prefs_(prefs) {}

    void clearSelector() override;
    void addSelectorEntry(std::string_view name) override;
    void removeSelectorEntry(std::string_view name) override;
    void selectEntry(std::string_view name) override;
    std::optional<std::string> selectedEntry() const override;
    void enableGyroButtons(bool enable) override;
    void showStatus(std::string_view text) override;
    void showMessage(std::string_view text) override;
    void showSystemMessage(std::string_view text) override;
    PromptAnswer askContinueAbort(std::string_view text) override;
    void takeControlsIntoFields() override;
    void showFieldsInControls() override;
    void storeComPort(std::string_view name) override;

  private:
    ConfigView& view_;
    WindowDialogs& dialogs_;
    GyroConfig& model_;
    ProfileStore& prefs_;
};

}  // namespace vn340
