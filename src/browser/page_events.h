#pragma once

// What the module tells the page: the screen to draw again, the status line, a message, a
// notice beside a box, a box to take the focus, files it keeps written, the statistics offer,
// and bytes for a port.
// The module's bindings pass each on to the page's script; the tests record them.

#include <string_view>

#include "base/front_end.h"
#include "config/field_table.h"
#include "config/gyro_config.h"
#include "live/live_trace.h"

namespace vn340 {

class PageEvents {
  public:
    virtual ~PageEvents() = default;

    // The controls show something else now; the page asks for the view and draws it.
    virtual void viewChanged() = 0;
    virtual void status(std::string_view text) = 0;
    // A message with one OK. `system`: the plain system message box of the window.
    virtual void message(std::string_view text, bool system) = 0;
    virtual void notice(NumericField field, std::string_view text) = 0;
    // The box takes the focus with its text selected: it holds no whole number.
    virtual void focusBox(NumericField field) = 0;
    // A file the module keeps (the preferences, the history) may have been written: the page
    // keeps the module's files in the browser's storage.
    virtual void filesWritten() = 0;
    // "Compare with gyro" has read what the gyro holds.
    virtual void compared(const GyroConfig& gyro) = 0;
    // The statistics offer is due: the page asks the pilot, showing the answers and the tick
    // as they were left at the last offer, and hands the choice to PageSession.
    virtual void statisticsOffered(const StatisticsAnswers& answers, bool doNotAskAgain) = 0;
    // A round of diagnostics brought the live signals.
    virtual void liveSignals(const LiveSample& sample) = 0;
    // Bytes the program sends to a port the page has opened.
    virtual void write(std::string_view port, std::string_view bytes) = 0;
};

}  // namespace vn340
