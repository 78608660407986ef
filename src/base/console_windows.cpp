#include "base/console.h"

#include <windows.h>

namespace vn340 {

bool standardErrorIsTerminal() {
    // A console answers for its mode; a file or a pipe does not.
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace vn340
