// The real text device with the fonts of the machine: what it draws must take exactly the
// width it reports, or pieces of differently styled text drift apart on a line.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "ui/text_device.h"

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

}  // namespace
}  // namespace vn340
