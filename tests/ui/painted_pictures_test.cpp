// The painted pictures' places at a few window sizes. The expected corners are worked out by
// hand in single precision: 0.0015527951 and 0.0020661156 are not exactly 1/644 and 1/484, so
// a 484-pixel-high window has a vertical scale just below 1 and every product truncates down.
#include <gtest/gtest.h>

#include <QPainter>

#include "ui/painted_pictures.h"

namespace vn340 {
namespace {

TEST(PaintedPictures, ScalesAndTheWarningAreaFollowTheOuterSize) {
    struct Row {
        QSize outer;
        float scaleX;
        float scaleY;
        QRect warning;
        QRect logo;
    };
    const Row rows[] = {
        {{644, 484}, 1.0f, 0.99999994f, {98, 218, 32, 32}, {20, 397, 231, 50}},
        {{966, 787}, 1.5f, 1.6260329f, {147, 356, 48, 52}, {30, 647, 346, 82}},
        {{500, 400}, 0.7763975f, 0.82644624f, {76, 180, 24, 27}, {15, 328, 179, 42}},
        {{1288, 968}, 2.0f, 1.9999999f, {196, 437, 64, 64}, {40, 795, 462, 101}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.outer.width());
        EXPECT_EQ(layoutScaleX(row.outer.width()), row.scaleX);
        EXPECT_EQ(layoutScaleY(row.outer.height()), row.scaleY);
        EXPECT_EQ(speedWarningRect(row.outer), row.warning);
        EXPECT_EQ(pictureRect(kLogoPosition, {231, 51}, row.scaleX, row.scaleY), row.logo);
    }
}

// Pixels of `a` and `b` that differ, inside and outside `area`.
std::pair<int, int> changed(const QImage& a, const QImage& b, const QRect& area) {
    int in = 0;
    int out = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                (area.contains(x, y) ? in : out)++;
            }
        }
    }
    return {in, out};
}

TEST(PaintedPictures, LogoAndMarkLeaveTheirTransparentColourUnpainted) {
    const QColor ground(200, 200, 200);
    const QColor face(10, 20, 30);
    QImage before(644, 484, QImage::Format_ARGB32);
    before.fill(ground);
    const PaintedPictures pictures(QSize(644, 484));
    const QRect logo(20, 397, 231, 50);
    const QRect mark =
        pictureRect(kSpeedMarkPosition, {16, 17}, pictures.scaleX(), pictures.scaleY());
    struct Row {
        int speedPosition;
        bool markShown;
    };
    for (const Row row : {Row{12, true}, Row{10, true}, Row{9, false}, Row{-1, false}}) {
        SCOPED_TRACE(row.speedPosition);
        QImage image = before;
        {
            QPainter painter(&image);
            pictures.paint(painter, row.speedPosition, face);
        }
        // The artwork's corners are transparent; its ink is not.
        EXPECT_EQ(image.pixelColor(logo.topLeft()), ground);
        EXPECT_EQ(image.pixelColor(logo.bottomRight()), ground);
        const auto [inLogo, outsideLogo] = changed(before, image, logo);
        EXPECT_GT(inLogo, 1000);
        if (row.markShown) {
            EXPECT_EQ(image.pixelColor(mark.topLeft()), ground);
            const auto [inMark, outside] = changed(before, image, logo.united(mark));
            EXPECT_GT(inMark - inLogo, 50);
            EXPECT_EQ(outside, 0);
        } else {
            // The mark's area is erased with the button face, nothing else is touched.
            const QRect area = pictures.warningRect();
            EXPECT_EQ(image.pixelColor(area.topLeft()), face);
            EXPECT_EQ(image.pixelColor(area.bottomRight()), face);
            EXPECT_EQ(changed(before, image, logo).second, area.width() * area.height());
        }
    }
}

}  // namespace
}  // namespace vn340
