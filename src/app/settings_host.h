#pragma once

// The settings file's host in the window: the file dialogs, the overwrite question and the
// messages through the window's dialogs, the model and the field notices through its view.

#include "config/settings_file.h"

namespace vn340 {

class ConfigView;
class WindowDialogs;

class SettingsHost : public SettingsFileHost {
  public:
    SettingsHost(ConfigView& view, WindowDialogs& dialogs) : view_(view), dialogs_(dialogs) {}

    std::optional<std::string> askSavePath(const FileDialogRequest& request) override;
    std::optional<std::string> askLoadPath(const FileDialogRequest& request) override;
    bool askOverwrite(const std::string& question) override;
    void showMessage(const std::string& text) override;
    void showModel(const GyroConfig& config) override;
    void showFieldNotice(NumericField field, const std::string& notice) override;
    // As the comment box wraps them, when it holds them.
    std::vector<std::string> commentDisplayLines(const std::string& comments) override;

  private:
    ConfigView& view_;
    WindowDialogs& dialogs_;
};

}  // namespace vn340
