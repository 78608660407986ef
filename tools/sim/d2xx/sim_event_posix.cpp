#include <pthread.h>

#include "link/d2xx_abi.h"
#include "sim_event.h"

namespace vn340 {

void signalEvent(void* event) {
    auto* handle = static_cast<d2xx::EventHandle*>(event);
    if (handle == nullptr) {
        return;
    }
    pthread_mutex_lock(&handle->eMutex);
    handle->iVar = 1;
    pthread_cond_signal(&handle->eCondVar);
    pthread_mutex_unlock(&handle->eMutex);
}

}  // namespace vn340
