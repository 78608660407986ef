// The history on the real file system: keeping one snapshot (written, synced and named without
// replacing anything, as after every read and store), and listing a gyro's history of N
// snapshots (each file read and decoded, as the history window does when it opens).

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "config/history_store.h"

namespace {

namespace fs = std::filesystem;

// A fresh folder of its own under the system's temporary folder, removed afterwards.
struct TemporaryFolder {
    fs::path path;
    TemporaryFolder() {
        std::string pattern = (fs::temp_directory_path() / "vn340-history-bench-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~TemporaryFolder() { fs::remove_all(path); }
};

vn340::GyroConfig gyro() {
    vn340::GyroConfig config;
    vn340::loadDefaults(config);
    config.serialNumber = "135732";
    return config;
}

// Every snapshot in its own second, as a pilot's history grows.
vn340::LocalTime secondNumber(int n) {
    return {2026,  1 + n / (31 * 86400) % 12, 1 + n / 86400 % 31, n / 3600 % 24, n / 60 % 60,
            n % 60};
}

void keepOneSnapshot(benchmark::State& state) {
    TemporaryFolder folder;
    int n = 0;
    vn340::HistoryStore store(folder.path.string(), vn340::systemFileSystem(),
                              [&n] { return secondNumber(n++); });
    const vn340::GyroConfig config = gyro();
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.record(config, vn340::SnapshotKind::Read));
    }
}
BENCHMARK(keepOneSnapshot)->Unit(benchmark::kMillisecond);

void listHistory(benchmark::State& state) {
    TemporaryFolder folder;
    int n = 0;
    vn340::HistoryStore store(folder.path.string(), vn340::systemFileSystem(),
                              [&n] { return secondNumber(n++); });
    const vn340::GyroConfig config = gyro();
    for (int i = 0; i < state.range(0); ++i) {
        store.record(config, i % 2 ? vn340::SnapshotKind::Read : vn340::SnapshotKind::Stored);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.list("135732"));
    }
    state.SetLabel(std::to_string(state.range(0)) + " snapshots");
}
BENCHMARK(listHistory)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
