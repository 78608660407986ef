#include "cli/cli_front_end.h"

#include "config/field_table.h"

namespace vn340 {

std::string oneLine(std::string_view text) {
    std::string line;
    bool blank = false;
    for (const char c : text) {
        const bool space = c == '\n' || c == '\r' || c == ' ' || c == '\t';
        if (space) {
            blank = !line.empty();
            continue;
        }
        if (blank)
            line += ' ';
        blank = false;
        line += c;
    }
    return line;
}

void CliFrontEnd::showStatus(std::string_view text) {
    if (progress_ && !text.empty())
        errors_ << text << '\n' << std::flush;
}

void CliFrontEnd::showMessage(std::string_view text) {
    messages_.emplace_back(text);
    errors_ << oneLine(text) << '\n' << std::flush;
}

void CliFrontEnd::showSystemMessage(std::string_view text) {
    showMessage(text);
}

PromptAnswer CliFrontEnd::askContinueAbort(std::string_view) {
    return PromptAnswer::Abort;
}

bool CliFrontEnd::askOverwrite(std::string_view) {
    return true;
}

std::optional<std::string> CliFrontEnd::askSavePath(const FileDialogRequest&) {
    return savePath;
}

std::optional<std::string> CliFrontEnd::askLoadPath(const FileDialogRequest&) {
    return loadPath;
}

std::optional<bool> CliFrontEnd::askSafetyAgreement() {
    if (!agreed)
        return std::nullopt;
    return false;
}

PilotChoice CliFrontEnd::askStatistics() {
    return {};
}

Submission CliFrontEnd::uploadStatistics(const std::string&) {
    return {SubmitResult::Cancelled, {}};
}

void CliScreen::showFieldNotice(NumericField field, std::string_view notice) {
    errors_ << describe(field).label << ": " << oneLine(notice) << '\n' << std::flush;
}

void MemoryPortSelector::clearSelector() {
    entries_.clear();
    selected_.reset();
}

void MemoryPortSelector::addSelectorEntry(std::string_view name) {
    entries_.emplace(name);
}

void MemoryPortSelector::removeSelectorEntry(std::string_view name) {
    entries_.erase(std::string(name));
    if (selected_ == name)
        selected_.reset();
}

void MemoryPortSelector::selectEntry(std::string_view name) {
    if (entries_.count(std::string(name)) != 0)
        selected_ = std::string(name);
    else
        selected_.reset();
}

}  // namespace vn340
