#pragma once

// The command line's front end and screen: messages and field notices go to standard error as
// one line each, the status line too while standard error is a terminal; the questions are
// answered from the command line itself, and the port list is kept in memory.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/front_end.h"
#include "config/screen.h"
#include "link/memory_port_selector.h"

namespace vn340 {

// A message of the program on one line: its line breaks become single blanks.
std::string oneLine(std::string_view text);

// A message of the window's in the words of a command line, on one line: the lines that only
// make sense beside a dialog or a window ("Press OK to continue", "the window shows again",
// the "COM port" and the Detect process) are left out. Empty when nothing is left.
std::string commandLineWords(std::string_view text);

class CliFrontEnd final : public FrontEnd {
  public:
    // `progress`: the status line is shown (standard error is a terminal).
    CliFrontEnd(std::ostream& errors, bool progress) : errors_(errors), progress_(progress) {}

    // What the command line has already chosen: the file to save, the file to load, and
    // whether the safety warning was agreed to (--yes), and whether a file may be written
    // over (--force).
    std::optional<std::string> savePath;
    std::optional<std::string> loadPath;
    bool agreed = false;
    bool overwrite = true;

    // Every message shown, in order, as the program worded it.
    const std::vector<std::string>& messages() const { return messages_; }
    // Every line told on standard error, in order.
    const std::vector<std::string>& told() const { return told_; }

    // One line of the command line's own on standard error.
    void tell(std::string_view line);

    void showStatus(std::string_view text) override;
    void showMessage(std::string_view text) override;
    void showSystemMessage(std::string_view text) override;
    // Detect asks the pilot to plug and unplug the adapter: not from a command line.
    PromptAnswer askContinueAbort(std::string_view text) override;
    // The file was named on the command line: it is meant, when --force says so.
    bool askOverwrite(std::string_view question) override;
    std::optional<std::string> askSavePath(const FileDialogRequest& request) override;
    std::optional<std::string> askLoadPath(const FileDialogRequest& request) override;
    // --yes agrees for this run; "Don't show this message again" stays as the window left it.
    std::optional<bool> askSafetyAgreement() override;
    // The command line makes no statistics offer: its reads leave the word on the gyro.
    PilotChoice askStatistics() override;
    Submission uploadStatistics(const std::string& line) override;

  private:
    std::ostream& errors_;
    bool progress_;
    std::vector<std::string> messages_;
    std::vector<std::string> told_;
};

// The screen of a program without a window: the model is the configuration, and a corrected
// field's notice is told on standard error.
class CliScreen final : public BlankScreen {
  public:
    explicit CliScreen(std::ostream& errors) : errors_(errors) {}
    void showFieldNotice(NumericField field, std::string_view notice) override;

  private:
    std::ostream& errors_;
};

}  // namespace vn340
