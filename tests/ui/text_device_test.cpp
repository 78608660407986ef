// The real text device with the fonts of the machine: what it draws must take exactly the
// width it reports, or pieces of differently styled text drift apart on a line.
#include <gtest/gtest.h>

#include <array>

#include <QImage>
#include <QPainter>

#include "ui/painter_text_device.h"
#include "ui/qt_markup_resources.h"

namespace vn340 {
namespace {

// Rightmost column holding dark ink, or -1.
int lastInkColumn(const QImage& image) {
    for (int x = image.width() - 1; x >= 0; --x) {
        for (int y = 0; y < image.height(); ++y) {
            if (qGray(image.pixel(x, y)) < 128) {
                return x;
            }
        }
    }
    return -1;
}

TEST(PainterTextDevice, DrawsWindows1252TextAsItsCharacters) {
    struct Row {
        std::string bytes;
        QString shown;
    };
    const Row rows[] = {
        {"\x80", QStringLiteral("\u20AC")},            // what "&euro;" leaves in the text
        {"\x95\x99", QStringLiteral("\u2022\u2122")},  // "&bull;&trade;"
        {"\xA9\xE9", QStringLiteral("\u00A9\u00E9")},  // Latin-1 maps byte for byte
        {"a\x81z", QStringLiteral("a\u0081z")},        // a byte without a character stays
    };
    for (const Row& row : rows) {
        EXPECT_EQ(decodeWindows1252(row.bytes), row.shown) << row.shown.toStdString();
    }
}

TEST(PainterTextDevice, DrawnTextEndsWhereItsAdvancesSum) {
    const std::string text =
        "The vn340 is a sophisticated microcomputer system in charge of controlling|";
    for (const int weight : {400, 800}) {
        QImage image(1200, 40, QImage::Format_ARGB32);
        image.fill(Qt::white);
        int width = 0;
        {
            QPainter painter(&image);
            DrawEffects effects;
            PainterTextDevice device(&painter, &effects);
            device.setFont(FontSpec{"Verdana", 13, weight, false, false, false});
            width = device.textWidth(text);
            device.drawText(0, 4, text);
        }
        // The closing bar stands inside its own advance, at most a couple of pixels short of
        // its end.
        const int ink = lastInkColumn(image);
        EXPECT_LE(ink, width - 1) << "weight " << weight;
        EXPECT_GE(ink, width - 3) << "weight " << weight;
    }
}

// The markup hands the device pictures; the device makes an icon of one as it draws it, so an
// icon's transparent pixels leave what is beneath, whether the picture came with a tag or from
// the image list. A picture whose pixels the window does not hold draws nothing.
TEST(PainterTextDevice, IconsKeepTheirPicturesTransparentPixels) {
    QImage picture(2, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgba(255, 0, 0, 255));
    picture.setPixel(1, 0, qRgba(0, 0, 255, 0));
    struct Row {
        const char* name;
        MarkupImage picture;
        bool listIcon;
        std::array<QRgb, 2> drawn;
    };
    const QRgb red = qRgb(255, 0, 0);
    const QRgb white = qRgb(255, 255, 255);
    const Row rows[] = {
        {"a tag's icon", markupImage(picture), false, {red, white}},
        {"an icon of the image list", markupImage(picture), true, {red, white}},
        {"pixels not the window's", MarkupImage{2, 1, 42}, false, {white, white}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QImage image(2, 1, QImage::Format_ARGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            DrawEffects effects;
            PainterTextDevice device(&painter, &effects);
            ImageDrawing drawing;
            drawing.kind = ImageDrawing::Kind::icon;
            drawing.picture = row.picture;
            drawing.listIcon = row.listIcon;
            drawing.rect = Rect(0, 0, 2, 1);
            device.drawImage(drawing);
        }
        EXPECT_EQ((std::array{image.pixel(0, 0), image.pixel(1, 0)}), row.drawn);
    }
}

}  // namespace
}  // namespace vn340
