#include "cli/cli_front_end.h"

#include <algorithm>
#include <array>

#include "config/field_table.h"

namespace vn340 {
namespace {

// What only a window can ask of its pilot: there is no OK to press, no window to look at, no
// "COM port" on this system and no Detect button on a command line.
constexpr std::array<std::string_view, 5> kWindowOnly = {
    "Press OK", "Press Continue", "the window shows again", "COM port", "Vexa-Plug Detect process",
};

bool windowOnly(std::string_view line) {
    return std::any_of(kWindowOnly.begin(), kWindowOnly.end(),
                       [line](std::string_view phrase) { return line.find(phrase) != line.npos; });
}

}  // namespace

std::string oneLine(std::string_view text) {
    std::string line;
    bool blank = false;
    for (const char c : text) {
        const bool space = c == '\n' || c == '\r' || c == ' ' || c == '\t';
        if (space) {
            blank = !line.empty();
            continue;
        }
        if (blank) {
            line += ' ';
        }
        blank = false;
        line += c;
    }
    return line;
}

std::string commandLineWords(std::string_view text) {
    std::string kept;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        if (const std::string_view line = text.substr(0, end); !windowOnly(line)) {
            kept += line;
            kept += '\n';
        }
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return oneLine(kept);
}

void CliFrontEnd::tell(std::string_view line) {
    told_.emplace_back(line);
    errors_ << line << '\n' << std::flush;
}

void CliFrontEnd::showStatus(std::string_view text) {
    if (progress_ && !text.empty()) {
        errors_ << text << '\n' << std::flush;
    }
}

void CliFrontEnd::showMessage(std::string_view text) {
    messages_.emplace_back(text);
    if (const std::string words = commandLineWords(text); !words.empty()) {
        tell(words);
    }
}

void CliFrontEnd::showSystemMessage(std::string_view text) {
    showMessage(text);
}

PromptAnswer CliFrontEnd::askContinueAbort(std::string_view) {
    return PromptAnswer::Abort;
}

bool CliFrontEnd::askOverwrite(std::string_view) {
    return overwrite;
}

std::optional<std::string> CliFrontEnd::askSavePath(const FileDialogRequest&) {
    return savePath;
}

std::optional<std::string> CliFrontEnd::askLoadPath(const FileDialogRequest&) {
    return loadPath;
}

std::optional<bool> CliFrontEnd::askSafetyAgreement() {
    if (!agreed) {
        return std::nullopt;
    }
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

}  // namespace vn340
