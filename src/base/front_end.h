#pragma once

// What the program's logic asks of whoever faces the pilot: the status line, the messages and
// questions that wait for an answer, the file choices, the safety agreement before a store,
// and the statistics offer with its upload. The window answers with its dialogs, the command
// line with its streams and options, and the tests with a recording fake. Every call that asks
// something returns only once it has been answered.

#include <optional>
#include <string>
#include <string_view>

namespace vn340 {

// How the pilot closed a Continue/Abort question; Escape answers neither.
enum class PromptAnswer { Continue, Abort, Escape };

// A file to choose, to save or to load a settings file.
struct FileDialogRequest {
    std::string initialFolder;
    std::string proposedName;   // empty for the load dialog
    std::string filter;         // "Tarvel RC Settings File (*.tsf)"
    std::string defaultSuffix;  // added when the pilot types a name without one
};

// The three answers of the statistics offer, as typed.
struct StatisticsAnswers {
    std::string helicopter;
    std::string servo;
    std::string email;
};

// How the pilot closed the statistics offer, with its fields as they then were.
struct PilotChoice {
    bool send = false;
    StatisticsAnswers answers;
    bool doNotAskAgain = false;
};

// Cancelled: the pilot stopped the upload before its answer came; whether the service got the
// line is not known, so it counts as not sent.
enum class SubmitResult { Accepted = 0, RequestFailed = -1, InvalidAnswer = -2, Cancelled = -3 };

// The end of one upload; `errorText` says why it failed and is empty when it was accepted or
// cancelled.
struct Submission {
    SubmitResult result = SubmitResult::RequestFailed;
    std::string errorText;
};

class FrontEnd {
  public:
    virtual ~FrontEnd() = default;

    // The status line, shown at once and on its own: what the pilot has typed elsewhere stays.
    virtual void showStatus(std::string_view text) = 0;

    // The program's own message, with one OK.
    virtual void showMessage(std::string_view text) = 0;
    // The plain system message box, where the program has always used it.
    virtual void showSystemMessage(std::string_view text) = 0;
    virtual PromptAnswer askContinueAbort(std::string_view text) = 0;
    // True for "Overwrite".
    virtual bool askOverwrite(std::string_view question) = 0;
    // The full path chosen; none when the pilot cancelled.
    virtual std::optional<std::string> askSavePath(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> askLoadPath(const FileDialogRequest& request) = 0;

    // The safety warning before a store. None when the pilot did not agree; otherwise whether
    // "Don't show this message again" was ticked.
    virtual std::optional<bool> askSafetyAgreement() = 0;

    // The statistics offer after a read, and the upload of the line when the pilot sends it.
    virtual PilotChoice askStatistics() = 0;
    virtual Submission uploadStatistics(const std::string& line) = 0;
};

}  // namespace vn340
