#include "link/usb_adapter.h"

#include <string>
#include <string_view>

// The USB adapter's messages, which the port selection gives too: in the browser as well,
// where the adapter itself is the page's.
namespace vn340 {

std::string usb_text::unableToLoad() {
    return std::string(kUnableToLoad) + "\n\n" + std::string(kSerialAlternative);
}

std::string usb_text::withSerialAlternative(std::string_view reason) {
    if (reason.ends_with(kSerialAlternative)) {
        return std::string(reason);
    }
    return std::string(reason) + "\n\n" + std::string(kSerialAlternative);
}

}  // namespace vn340
