#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "markup/markup_image.h"

namespace vn340 {

// Where the markup's images and strings come from. Resource ids name pictures of the program
// ("idres"), of a resource module ("iddll", with "srcdll" naming the module file, or the
// renderer's own module without one), files by path, and pictures the owner has already
// loaded and handed over by number ("handle"). Where program, module and file pictures are
// found is the platform's business; handles and strings are kept here.
class MarkupResources {
  public:
    using StringLookup = std::function<std::optional<std::string>(int id)>;

    enum class Kind { bitmap, icon };

    virtual ~MarkupResources() = default;

    // A null picture for anything not found.
    virtual MarkupImage fromProgram(Kind kind, int id) const = 0;
    virtual MarkupImage fromFile(const std::string& path) const = 0;
    // With an empty `moduleFile` the renderer's own module is used; with none set, nothing.
    virtual MarkupImage fromModule(Kind kind, int id, const std::string& moduleFile) const = 0;

    MarkupImage fromHandle(int handle) const;
    int addHandle(MarkupImage image);
    void removeHandle(int handle) { handles_.erase(handle); }

    void setStringLookup(StringLookup lookup) { strings_ = std::move(lookup); }
    std::optional<std::string> string(int id) const;

  private:
    std::map<int, MarkupImage> handles_;
    int nextHandle_ = 1;
    StringLookup strings_;
};

}  // namespace vn340
