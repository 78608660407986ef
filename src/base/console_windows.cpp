#include "base/console.h"

#include <windows.h>

#include <cstdio>

#include <fcntl.h>
#include <io.h>

namespace vn340 {

bool standardErrorIsTerminal() {
    // A console answers for its mode; a file or a pipe does not.
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void standardOutputAsBytes() {
    std::fflush(stdout);
    ::_setmode(::_fileno(stdout), _O_BINARY);
}

}  // namespace vn340
