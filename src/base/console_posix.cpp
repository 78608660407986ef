#include "base/console.h"

#include <unistd.h>

namespace vn340 {

bool standardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) != 0;
}

void standardOutputAsBytes() {}

}  // namespace vn340
