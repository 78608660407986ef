#include "ui/qt_markup_resources.h"

#include <atomic>

#include <QResource>

#include "base/file_facts.h"

namespace vn340 {

MarkupImage markupImage(QImage image) {
    if (image.isNull()) {
        return {};
    }
    const int width = image.width();
    const int height = image.height();
    return MarkupImage{width, height, std::move(image)};
}

QImage qImage(const MarkupImage& image) {
    const QImage* held = std::any_cast<QImage>(&image.pixels);
    return held != nullptr ? *held : QImage();
}

QImage QtMarkupResources::load(const QString& root, Kind kind, int id) {
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

MarkupImage QtMarkupResources::fromProgram(Kind kind, int id) const {
    return markupImage(load(QStringLiteral(":"), kind, id));
}

MarkupImage QtMarkupResources::fromFile(const std::string& path) const {
    if (path.empty()) {
        return {};
    }
    return markupImage(QImage(QString::fromStdString(path)));
}

MarkupImage QtMarkupResources::fromModule(Kind kind, int id, const std::string& moduleFile) const {
    if (moduleFile.empty()) {
        return moduleRoot_.isEmpty() ? MarkupImage() : markupImage(load(moduleRoot_, kind, id));
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
    return markupImage(std::move(image));
}

}  // namespace vn340
