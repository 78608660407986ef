#pragma once

// The terminal the program was started from, if any.

namespace vn340 {

// Whether standard error is a terminal (a console on Windows): a status line may be shown there.
bool standardErrorIsTerminal();
// Standard output from now on takes bytes as they are: Windows' text mode would write each
// "\r\n" of a settings file as "\r\r\n". Nothing to do elsewhere.
void standardOutputAsBytes();

}  // namespace vn340
