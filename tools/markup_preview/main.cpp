// Renders markup into PNG files, so help texts can be written and looked at without running
// the program.
//
//   markup-preview <markup-file> <png-file> [max-width]
//   markup-preview --all-help-texts <folder> [max-width]
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "controls/help_texts.h"
#include "ui/desktop_markup_renderer.h"
#include "ui/draw_effects.h"
#include "ui/headless.h"
#include "ui/painter_text_device.h"

namespace {

constexpr int kDefaultMaxWidth = 500;
constexpr int kMargin = 6;

bool renderToPng(const std::string& markup, int maxWidth, const QString& path) {
    vn340::MarkupRenderer renderer = vn340::desktopMarkupRenderer();
    vn340::DrawEffects effects;
    renderer.SetMaxWidth(maxWidth);
    vn340::PainterTextDevice measuring(nullptr, &effects);
    const vn340::Size size = renderer.Measure(measuring, markup);
    QImage image(std::max(1, size.width() + 2 * kMargin), std::max(1, size.height() + 2 * kMargin),
                 QImage::Format_ARGB32);
    image.fill(QColor(255, 255, 225));
    {
        QPainter painter(&image);
        vn340::PainterTextDevice device(&painter, &effects);
        renderer.Draw(device, vn340::Rect(kMargin, kMargin, size.width(), size.height()));
    }
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

int usage() {
    std::fprintf(stderr,
                 "usage: markup-preview <markup-file> <png-file> [max-width]\n"
                 "       markup-preview --all-help-texts <folder> [max-width]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    vn340::drawOffScreenWithoutDisplay();
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        return usage();
    }
    const std::string first = argv[1];
    const int maxWidth = argc > 3 ? std::atoi(argv[3]) : kDefaultMaxWidth;
    if (first == "--all-help-texts") {
        const QString folder = QString::fromLocal8Bit(argv[2]);
        if (!QDir().mkpath(folder)) {
            std::fprintf(stderr, "cannot create %s\n", argv[2]);
            return 1;
        }
        bool ok = true;
        for (const vn340::HelpText& h : vn340::helpTexts()) {
            const QString path = QDir(folder).filePath(
                QStringLiteral("help_%1.png").arg(vn340::controlId(h.control)));
            ok = renderToPng(h.text, maxWidth, path) && ok;
        }
        return ok ? 0 : 1;
    }
    std::ifstream in(first, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", first.c_str());
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return renderToPng(text.str(), maxWidth, QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
