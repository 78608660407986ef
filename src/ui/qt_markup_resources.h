#pragma once

#include <QImage>
#include <QString>

#include "markup/markup_resources.h"

namespace vn340 {

// A QImage as the markup carries it, and back: the picture's QImage, or a null one for a
// picture that holds none.
MarkupImage markupImage(QImage image);
QImage qImage(const MarkupImage& image);

// The window's pictures are Qt resources: bitmaps ":/bitmaps/<id>.png" (or ".bmp"), icons
// ":/icons/<id>.png", under the program's root ":" or under the root of a resource module. A
// module is a compiled Qt resource file (.rcc), registered for the lookup and released again.
class QtMarkupResources : public MarkupResources {
  public:
    MarkupImage fromProgram(Kind kind, int id) const override;
    MarkupImage fromFile(const std::string& path) const override;
    MarkupImage fromModule(Kind kind, int id, const std::string& moduleFile) const override;

    // A compiled resource file's root (for example ":/module") that "iddll" ids refer to.
    void setModuleRoot(QString root) { moduleRoot_ = std::move(root); }

  private:
    static QImage load(const QString& root, Kind kind, int id);

    QString moduleRoot_;
};

}  // namespace vn340
