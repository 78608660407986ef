// Soft shadow cost against its blur size, and the cost per pixel of each pattern effect.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include <QImage>
#include <QPainter>

#include "ui/draw_effects.h"

namespace {

constexpr int kShadowW = 400;
constexpr int kShadowH = 300;
constexpr int kPatternSide = 256;

void SoftShadow(benchmark::State& state) {
    const int blur = static_cast<int>(state.range(0));
    QImage device(kShadowW, kShadowH, QImage::Format_ARGB32);
    device.fill(Qt::white);
    QImage mask(kShadowW, kShadowH, QImage::Format_RGB32);
    mask.fill(Qt::white);
    {
        QPainter p(&mask);
        p.fillRect(20, 20, kShadowW - 40, kShadowH - 40, QColor(128, 128, 128));
    }
    QPainter painter(&device);
    for (auto _ : state) {
        vn340::DrawEffects::DrawShadow(painter, 0, 0, kShadowW, kShadowH, mask, true, blur, blur);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(SoftShadow)->Arg(3)->Arg(31)->Unit(benchmark::kMicrosecond);

void PatternEffect(benchmark::State& state) {
    const int code = static_cast<int>(state.range(0));
    QImage device(kPatternSide, kPatternSide, QImage::Format_ARGB32);
    QPainter painter(&device);
    vn340::DrawEffects effects;
    const QRect rect(0, 0, kPatternSide, kPatternSide);
    for (auto _ : state) {
        effects.FillEffect(painter, code, rect, vn340::Colour::fromRgb(255, 255, 255),
                           vn340::Colour::fromRgb(180, 200, 230),
                           vn340::Colour::fromRgb(40, 60, 120), 5, 0);
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_pixel"] = benchmark::Counter(
        static_cast<double>(kPatternSide) * kPatternSide,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(PatternEffect)->DenseRange(7, 15)->Unit(benchmark::kMicrosecond);

// Keeps each run's processor time per iteration in nanoseconds for the summary (processor
// time, because the build machine is shared and wall time says more about the neighbours).
class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0) {
                continue;
            }
            nanos_[run.benchmark_name()] =
                run.cpu_accumulated_time * 1e9 / static_cast<double>(run.iterations);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintSummary() const {
        const auto small = nanos_.find("SoftShadow/3");
        const auto large = nanos_.find("SoftShadow/31");
        if (small != nanos_.end() && large != nanos_.end() && small->second > 0) {
            std::printf("soft shadow cpu time ratio blur 31 / blur 3: %.3f (goal <= 1.3)\n",
                        large->second / small->second);
        }
        for (int code = 7; code <= 15; ++code) {
            const auto it = nanos_.find("PatternEffect/" + std::to_string(code));
            if (it != nanos_.end()) {
                std::printf("pattern effect %2d: %.2f ns per pixel\n", code,
                            it->second / (kPatternSide * kPatternSide));
            }
        }
    }

  private:
    std::map<std::string, double> nanos_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
