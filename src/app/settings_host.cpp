#include "app/settings_host.h"

#include "app/config_view.h"
#include "app/window_dialogs.h"

namespace vn340 {

std::optional<std::string> SettingsHost::askSavePath(const FileDialogRequest& request) {
    return dialogs_.askSavePath(request);
}

std::optional<std::string> SettingsHost::askLoadPath(const FileDialogRequest& request) {
    return dialogs_.askLoadPath(request);
}

bool SettingsHost::askOverwrite(const std::string& question) {
    return dialogs_.askOverwrite(question);
}

void SettingsHost::showMessage(const std::string& text) {
    dialogs_.showMessage(std::string_view(text));
}

void SettingsHost::showModel(const GyroConfig& config) {
    view_.showModel(config);
}

void SettingsHost::showFieldNotice(NumericField field, const std::string& notice) {
    view_.showFieldNotice(field, notice);
}

std::vector<std::string> SettingsHost::commentDisplayLines(const std::string& comments) {
    if (auto lines = view_.commentDisplayLines(comments))
        return std::move(*lines);
    return SettingsFileHost::commentDisplayLines(comments);
}

}  // namespace vn340
