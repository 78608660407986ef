#include "base/console.h"

#include <unistd.h>

namespace vn340 {

bool standardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) != 0;
}

}  // namespace vn340
