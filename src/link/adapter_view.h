#pragma once

// What the adapter link needs of the window: the port selector, the gyro buttons, the pilot's
// messages and answers, the data exchange around a selection and the "COM PORT" preference.
// Nothing of the transports: the link keeps those to itself.

#include <optional>
#include <string>
#include <string_view>

namespace vn340 {

enum class PromptAnswer { Continue, Abort, Escape };

// The port selection's side of the window.
class PortView {
  public:
    virtual ~PortView() = default;

    // The selector keeps its entries sorted by plain text order.
    virtual void clearSelector() = 0;
    virtual void addSelectorEntry(std::string_view name) = 0;
    // A port that has been pulled out; the selection moves off it if it was selected.
    virtual void removeSelectorEntry(std::string_view name) = 0;
    virtual void selectEntry(std::string_view name) = 0;
    virtual std::optional<std::string> selectedEntry() const = 0;

    virtual void enableGyroButtons(bool enable) = 0;
    // The status line, for news that needs no answer.
    virtual void showStatus(std::string_view text) = 0;
    // The program's own message dialog (the text is shown as it is).
    virtual void showMessage(std::string_view text) = 0;
    virtual PromptAnswer askContinueAbort(std::string_view text) = 0;

    // Data exchange with the window around a selection.
    virtual void takeControlsIntoFields() = 0;
    virtual void showFieldsInControls() = 0;

    // The "COM PORT" preference.
    virtual void storeComPort(std::string_view name) = 0;
};

// Everything the link shows: the port selection's view, and the plain system message box of
// the USB driver's failures.
class AdapterView : public PortView {
  public:
    virtual void showSystemMessage(std::string_view text) = 0;
};

}  // namespace vn340
