#include "markup/markup_resources.h"

namespace vn340 {

MarkupImage MarkupResources::fromHandle(int handle) const {
    auto it = handles_.find(handle);
    return it == handles_.end() ? MarkupImage() : it->second;
}

int MarkupResources::addHandle(MarkupImage image) {
    const int handle = nextHandle_++;
    handles_.emplace(handle, std::move(image));
    return handle;
}

std::optional<std::string> MarkupResources::string(int id) const {
    if (!strings_) {
        return std::nullopt;
    }
    return strings_(id);
}

}  // namespace vn340
