#include "app/link_view.h"

#include "app/config_view.h"
#include "app/window_dialogs.h"
#include "config/preferences.h"
#include "config/profile_store.h"

namespace vn340 {

void LinkView::clearSelector() {
    view_.clearPortEntries();
}

void LinkView::addSelectorEntry(std::string_view name) {
    view_.addPortEntry(name);
}

void LinkView::removeSelectorEntry(std::string_view name) {
    view_.removePortEntry(name);
}

void LinkView::selectEntry(std::string_view name) {
    view_.selectPortEntry(name);
}

std::optional<std::string> LinkView::selectedEntry() const {
    return view_.selectedPortEntry();
}

void LinkView::enableGyroButtons(bool enable) {
    view_.enableGyroButtons(enable);
}

void LinkView::showStatus(std::string_view text) {
    view_.showStatus(text);
}

void LinkView::showMessage(std::string_view text) {
    dialogs_.showMessage(text);
}

void LinkView::showSystemMessage(std::string_view text) {
    dialogs_.showSystemMessage(text);
}

PromptAnswer LinkView::askContinueAbort(std::string_view text) {
    return dialogs_.askContinueAbort(text);
}

void LinkView::takeControlsIntoFields() {
    view_.takeBoxes(model_);
}

void LinkView::showFieldsInControls() {
    view_.showBoxes(model_);
}

void LinkView::storeComPort(std::string_view name) {
    // The port is open either way; the pilot must know it will not be chosen next time.
    if (!prefs_.writeString(kSettingsSection, kComPortKey, name))
        dialogs_.showMessage(std::string_view(prefs_.lastError().message));
}

}  // namespace vn340
