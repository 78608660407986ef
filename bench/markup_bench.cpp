// Each help text measured and drawn at a maximum width of 500 pixels with the real fonts,
// beside QTextDocument laying out and drawing the same text as HTML. Prints ours/Qt per text.
#include <map>
#include <string>

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include "controls/help_texts.h"
#include "ui/desktop_markup_renderer.h"
#include "ui/draw_effects.h"
#include "ui/headless.h"
#include "ui/painter_text_device.h"

namespace {

constexpr int kMaxWidth = 500;

void ours(benchmark::State& state, const char* text) {
    vn340::MarkupRenderer renderer = vn340::desktopMarkupRenderer();
    vn340::DrawEffects effects;
    renderer.SetMaxWidth(kMaxWidth);
    QImage image(kMaxWidth + 2, 600, QImage::Format_ARGB32);
    image.fill(Qt::white);
    for (auto _ : state) {
        vn340::PainterTextDevice measuring(nullptr, &effects);
        const vn340::Size size = renderer.Measure(measuring, text);
        QPainter painter(&image);
        vn340::PainterTextDevice device(&painter, &effects);
        renderer.Draw(device, vn340::Rect(0, 0, size.width(), size.height()));
    }
}

QString asHtml(const char* text) {
    QString html = QString::fromLatin1(text).toHtmlEscaped();
    html.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return html;
}

void qtDocument(benchmark::State& state, const char* text) {
    const QString html = asHtml(text);
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(13);
    QImage image(kMaxWidth + 2, 600, QImage::Format_ARGB32);
    image.fill(Qt::white);
    for (auto _ : state) {
        QTextDocument doc;
        doc.setDefaultFont(font);
        doc.setTextWidth(kMaxWidth);
        doc.setHtml(html);
        QPainter painter(&image);
        doc.drawContents(&painter);
    }
}

// Keeps the time per iteration of every run, to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            times[run.benchmark_name()] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    vn340::drawOffScreenWithoutDisplay();
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    for (const vn340::HelpText& h : vn340::helpTexts()) {
        const std::string id = std::to_string(vn340::controlId(h.control));
        benchmark::RegisterBenchmark(("ours/" + id).c_str(), ours, h.text)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("qtextdocument/" + id).c_str(), qtDocument, h.text)
            ->Unit(benchmark::kMicrosecond);
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-8s %12s %14s %8s\n", "control", "ours (us cpu)", "QTextDocument", "ratio");
    double worst = 0;
    double sumOurs = 0;
    double sumQt = 0;
    for (const vn340::HelpText& h : vn340::helpTexts()) {
        const std::string id = std::to_string(vn340::controlId(h.control));
        const auto a = reporter.times.find("ours/" + id);
        const auto b = reporter.times.find("qtextdocument/" + id);
        if (a == reporter.times.end() || b == reporter.times.end() || b->second <= 0) {
            continue;
        }
        const double ratio = a->second / b->second;
        worst = std::max(worst, ratio);
        sumOurs += a->second;
        sumQt += b->second;
        std::printf("%-8s %12.1f %14.1f %8.2f\n", id.c_str(), a->second, b->second, ratio);
    }
    std::printf(
        "all texts together ours/QTextDocument: %.2f, worst single text: %.2f "
        "(goal 0.5 or less)\n",
        sumQt > 0 ? sumOurs / sumQt : 0.0, worst);
    benchmark::Shutdown();
    return 0;
}
