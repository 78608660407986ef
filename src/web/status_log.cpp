#include "web/status_log.h"

namespace vn340 {

void StatusLog::replaceLatest(const QString& line) {
    latest_ = line;
}

void StatusLog::redrawNow() {
    emit changed(latest_);
}

}  // namespace vn340
