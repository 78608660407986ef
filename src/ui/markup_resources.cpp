#include "ui/markup_resources.h"

#include <atomic>

#include <QResource>

#include "base/file_facts.h"

namespace vn340 {

QImage MarkupResources::load(const QString& root, Kind kind, int id) {
    const QString base =
        root + (kind == Kind::bitmap ? QStringLiteral("/bitmaps/") : QStringLiteral("/icons/")) +
        QString::number(id);
    for (const char* suffix : {".png", ".bmp"}) {
        QImage image(base + QLatin1String(suffix));
        if (!image.isNull()) {
            return image;
        }
    }
    return {};
}

QImage MarkupResources::fromProgram(Kind kind, int id) const {
    return load(QStringLiteral(":"), kind, id);
}

QImage MarkupResources::fromFile(const std::string& path) const {
    if (path.empty()) {
        return {};
    }
    return QImage(QString::fromStdString(path));
}

QImage MarkupResources::fromModule(Kind kind, int id, const std::string& moduleFile) const {
    if (moduleFile.empty()) {
        return moduleRoot_.isEmpty() ? QImage() : load(moduleRoot_, kind, id);
    }
    if (!isRegularFile(moduleFile)) {
        return {};
    }
    const QString file = QString::fromStdString(moduleFile);
    // A root of our own per lookup, so a module never shadows the program's resources.
    static std::atomic<int> counter{0};
    const QString root = QStringLiteral("/vn340-module-%1").arg(++counter);
    if (!QResource::registerResource(file, root)) {
        return {};
    }
    QImage image = load(QStringLiteral(":") + root, kind, id);
    image.detach();
    QResource::unregisterResource(file, root);
    return image;
}

QImage MarkupResources::fromHandle(int handle) const {
    auto it = handles_.find(handle);
    return it == handles_.end() ? QImage() : it->second;
}

int MarkupResources::addHandle(QImage image) {
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
