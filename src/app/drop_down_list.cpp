#include "app/drop_down_list.h"

#include <utility>

namespace vn340 {

void DropDownList::showPopup() {
    emit listOpened();
    listOpen_ = true;
    QComboBox::showPopup();
}

void DropDownList::hidePopup() {
    QComboBox::hidePopup();
    // Qt also calls this when the list is disabled, without any list on screen; a sequence
    // switching the controls off must not re-apply the servo or reopen the port.
    if (std::exchange(listOpen_, false)) {
        emit listClosed();
    }
}

}  // namespace vn340
