// Start-up benchmark: time from process start to the first paint of the main window, and the
// resident memory at that moment, for vn340-config beside a minimal Qt dialog program. Both
// are started alternately under the same X server; each reports the CLOCK_MONOTONIC time of
// its first paint and its VmRSS (VN340_FIRST_PAINT=1), and the medians are compared.
//
// Usage: startup_bench [runs] [program] [minimal program] [other program...]
// Other programs (a build from before a change) are measured in the same alternation and
// compared with the minimal dialog alike.
// Without a display it starts itself again inside xvfb-run.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "on_a_display.h"

extern char** environ;

namespace {

long long monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

struct Sample {
    double startupMs;
    long long rssKb;
};

// Starts `program` with VN340_FIRST_PAINT=1 and reads its report; nothing on failure.
std::optional<Sample> measure(const std::string& program) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "VN340_", 6) != 0) {
            environment.emplace_back(*entry);
        }
    }
    environment.emplace_back("VN340_FIRST_PAINT=1");
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::string programCopy = program;
    char* argv[] = {programCopy.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    pid_t pid = 0;
    const long long started = monotonicNanoseconds();
    const int spawnError = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawnError != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", program.c_str(), std::strerror(spawnError));
        close(pipeFds[0]);
        return std::nullopt;
    }

    std::string output;
    const long long deadline = started + 30LL * 1000000000LL;
    while (output.find('\n') == std::string::npos) {
        const long long left = (deadline - monotonicNanoseconds()) / 1000000;
        pollfd fd{pipeFds[0], POLLIN, 0};
        if (left <= 0 || poll(&fd, 1, static_cast<int>(left)) <= 0) {
            break;
        }
        char buffer[256];
        const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        output.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeFds[0]);
    long long paintedAt = 0;
    long long rssKb = 0;
    const bool reported =
        std::sscanf(output.c_str(), "first-paint-ns=%lld rss-kb=%lld", &paintedAt, &rssKb) == 2;
    if (!reported) {
        kill(pid, SIGKILL);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!reported) {
        std::fprintf(stderr, "%s did not report its first paint\n", program.c_str());
        return std::nullopt;
    }
    return Sample{static_cast<double>(paintedAt - started) / 1e6, rssKb};
}

template <typename T>
T median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    vn340::bench::runOnADisplay(argc, argv);

    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    // The program keeps its preferences beside itself, and the pilot's (or the run script's)
    // saved port would make every start open an adapter. A copy in a folder of its own starts
    // like a fresh installation: no port, nothing to open.
    namespace fs = std::filesystem;
    std::string folderTemplate = (fs::temp_directory_path() / "vn340-startup-XXXXXX").string();
    if (!mkdtemp(folderTemplate.data())) {
        std::perror("mkdtemp");
        return 2;
    }
    const fs::path folder = folderTemplate;
    struct RemoveFolder {
        fs::path path;
        ~RemoveFolder() {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    } removeFolder{folder};
    struct Program {
        std::string name;
        std::string path;
    };
    // Ours first, the yardstick second, then any other build of ours to compare (one from
    // before a change), each started from a folder of its own.
    std::vector<Program> programs;
    auto addCopy = [&](const std::string& name, const std::string& original) {
        const fs::path own = folder / std::to_string(programs.size());
        const fs::path copy = own / fs::path(original).filename();
        std::error_code copyError;
        fs::create_directory(own, copyError);
        fs::copy_file(original, copy, copyError);
        if (copyError) {
            std::fprintf(stderr, "cannot copy %s: %s\n", original.c_str(),
                         copyError.message().c_str());
            return false;
        }
        programs.push_back({name, copy.string()});
        return true;
    };
    if (!addCopy("vn340-config", argc > 2 ? argv[2] : VN340_CONFIG_PROGRAM)) {
        return 2;
    }
    programs.push_back({"minimal dialog", argc > 3 ? argv[3] : VN340_MINIMAL_PROGRAM});
    for (int extra = 4; extra < argc; ++extra) {
        if (!addCopy(fs::path(argv[extra]).filename().string(), argv[extra])) {
            return 2;
        }
    }
    const std::size_t count = programs.size();

    // One run each unmeasured, so that all start from a warm file cache.
    for (const Program& program : programs) {
        if (!measure(program.path)) {
            return 1;
        }
    }
    std::vector<std::vector<double>> times(count);
    std::vector<std::vector<long long>> memory(count);
    for (int run = 0; run < runs; ++run) {
        // Alternate, so that a slow moment of the machine hits all alike.
        for (std::size_t which = 0; which < count; ++which) {
            const std::optional<Sample> sample = measure(programs[which].path);
            if (!sample) {
                return 1;
            }
            times[which].push_back(sample->startupMs);
            memory[which].push_back(sample->rssKb);
        }
    }

    std::printf("start-up to first paint and resident memory, medians of %d runs\n", runs);
    int width = 16;
    for (const Program& program : programs) {
        width = std::max(width, static_cast<int>(program.name.size()));
    }
    std::printf("%-*s %12s %12s\n", width, "program", "first paint", "resident");
    std::vector<double> medianTime(count);
    std::vector<long long> medianMemory(count);
    for (std::size_t which = 0; which < count; ++which) {
        medianTime[which] = median(times[which]);
        medianMemory[which] = median(memory[which]);
        std::printf("%-*s %9.1f ms %9lld KiB\n", width, programs[which].name.c_str(),
                    medianTime[which], medianMemory[which]);
    }
    for (std::size_t which = 0; which < count; ++which) {
        if (which == 1) {
            continue;
        }
        std::printf(
            "ratio (%s / minimal): first paint %.2f, resident memory %.2f\n",
            which == 0 ? "ours" : programs[which].name.c_str(), medianTime[which] / medianTime[1],
            static_cast<double>(medianMemory[which]) / static_cast<double>(medianMemory[1]));
    }
    return 0;
}
