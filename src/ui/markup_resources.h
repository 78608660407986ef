#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

#include <QImage>
#include <QString>

namespace vn340 {

// Where the markup's images and strings come from. Resource ids name Qt resources:
// bitmaps ":/bitmaps/<id>.png" (or ".bmp"), icons ":/icons/<id>.png", under the program's
// root ":" or under the root of a resource module. A module is a compiled Qt resource file
// (.rcc), registered for the lookup and released again.
class MarkupResources {
  public:
    using StringLookup = std::function<std::optional<std::string>(int id)>;

    enum class Kind { bitmap, icon };

    QImage fromProgram(Kind kind, int id) const;
    QImage fromFile(const std::string& path) const;
    // With an empty `moduleFile` the renderer's own module is used; with none set, nothing.
    QImage fromModule(Kind kind, int id, const std::string& moduleFile) const;
    QImage fromHandle(int handle) const;

    void setModuleRoot(QString root) { moduleRoot_ = std::move(root); }
    // Images already loaded by the owner, handed to the markup by number ("handle=").
    int addHandle(QImage image);
    void removeHandle(int handle) { handles_.erase(handle); }

    void setStringLookup(StringLookup lookup) { strings_ = std::move(lookup); }
    std::optional<std::string> string(int id) const;

  private:
    static QImage load(const QString& root, Kind kind, int id);

    QString moduleRoot_;
    std::map<int, QImage> handles_;
    int nextHandle_ = 1;
    StringLookup strings_;
};

}  // namespace vn340
