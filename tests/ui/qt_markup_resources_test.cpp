// The window's pictures for the markup: files and compiled resource modules through Qt, drawn
// by the layout with the made-up metrics of the markup's tests.
#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "markup/geometry_print.h"
#include "markup/markup_fake_device.h"
#include "markup/markup_renderer.h"
#include "ui/qt_markup_resources.h"

namespace vn340::test {
namespace {

class QtMarkupPictures : public ::testing::Test {
  protected:
    QtMarkupPictures() {
        auto owned = std::make_unique<QtMarkupResources>();
        resources = owned.get();
        renderer = std::make_unique<MarkupRenderer>(std::move(owned));
    }
    // Measures, then draws into a rectangle of the measured size.
    void render(std::string_view text) {
        const Size size = renderer->Measure(dev, text);
        draw(size.width() - 1, size.height() - 1);
    }
    void draw(int width, int height) {
        dev.clear();
        renderer->Draw(dev, Rect(0, 0, width, height));
    }
    // The handle, as markup names it, of an image of one colour.
    std::string image(int w, int h, Qt::GlobalColor colour) {
        QImage made(w, h, QImage::Format_ARGB32);
        made.fill(colour);
        return std::to_string(renderer->AddImageHandle(markupImage(made)));
    }

    QtMarkupResources* resources = nullptr;
    std::unique_ptr<MarkupRenderer> renderer;
    FakeTextDevice dev;
};

TEST_F(QtMarkupPictures, AnImageComesFromTheFirstSourceNamed) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage fromFile(6, 7, QImage::Format_ARGB32);
    fromFile.fill(Qt::red);
    const std::string file = dir.filePath("p.png").toStdString();
    ASSERT_TRUE(fromFile.save(QString::fromStdString(file)));
    const std::string h = image(20, 30, Qt::blue);
    struct Row {
        std::string markup;
        std::size_t images;
        Size size;
    };
    const Row rows[] = {
        {"<bmp handle=" + h + " file=" + file + ">", 1, {6, 7}},
        {"<bmp iddll=5 handle=" + h + ">", 0, {}},  // no module set: nothing
        {"<bmp file=" + file + " idres=99999>", 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.markup);
        render(row.markup);
        ASSERT_EQ(dev.images.size(), row.images);
        if (row.images > 0) {
            EXPECT_EQ(dev.images[0].rect.size(), row.size);
        }
    }
}

TEST_F(QtMarkupPictures, BackgroundPictureTilesTheOutline) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage tile(3, 3, QImage::Format_ARGB32);
    tile.fill(Qt::green);
    ASSERT_TRUE(QDir(dir.path()).mkpath("bitmaps"));
    ASSERT_TRUE(tile.save(dir.filePath("bitmaps/3.png")));
    resources->setModuleRoot(dir.path());
    const std::string file = dir.filePath("bitmaps/3.png").toStdString();
    struct Row {
        std::string attributes;
        bool tiled;
    };
    const Row rows[] = {
        {"background=\"file:" + file + "\"", true},
        {"background=iddll:3", true},
        {"background=iddll:4", false},
        {"background=file:/nonexistent.png", false},
        {"bgcolor=red background=iddll:3", false},  // a colour wins over the picture
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.attributes);
        renderer->Measure(dev, "<table " + row.attributes + "><tr><td>a</td></tr></table>");
        draw(14, 14);
        EXPECT_EQ(dev.tiles,
                  row.tiled ? std::vector<Rect>{Rect(0, 0, 14, 14)} : std::vector<Rect>{});
    }
}

}  // namespace
}  // namespace vn340::test
