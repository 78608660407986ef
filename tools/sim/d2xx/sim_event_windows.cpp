#include <windows.h>

#include "sim_event.h"

namespace vn340 {

void signalEvent(void* event) {
    if (event != nullptr) {
        ::SetEvent(static_cast<HANDLE>(event));
    }
}

}  // namespace vn340
