#include "link/qt_owner_thread.h"

#include <QMetaObject>
#include <QObject>

namespace vn340 {

void QtOwnerThread::post(std::function<void()> call) {
    if (context_ == nullptr) {
        return;  // nobody to run it: `call` goes unrun here
    }
    QMetaObject::invokeMethod(
        context_, [call = std::move(call)] { call(); }, Qt::QueuedConnection);
}

}  // namespace vn340
