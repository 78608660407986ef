#pragma once

// The terminal the program was started from, if any.

namespace vn340 {

// Whether standard error is a terminal (a console on Windows): a status line may be shown there.
bool standardErrorIsTerminal();

}  // namespace vn340
