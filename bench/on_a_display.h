#pragma once

// Benchmarks that show windows run on the display they are given, or, on a machine without
// one, start themselves again inside a virtual X server, so the same command works everywhere.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace vn340::bench {

// Returns when there is a display; otherwise runs this program again under xvfb-run and never
// returns (status 2 when xvfb-run cannot be started).
inline void runOnADisplay(int argc, char** argv) {
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((display != nullptr && *display != '\0') || (wayland != nullptr && *wayland != '\0')) {
        return;
    }
    std::vector<char*> args = {const_cast<char*>("xvfb-run"), const_cast<char*>("-a"),
                               const_cast<char*>("-s"),
                               const_cast<char*>("-screen 0 1280x1024x24")};
    for (int i = 0; i < argc; ++i) {
        args.push_back(argv[i]);
    }
    args.push_back(nullptr);
    execvp("xvfb-run", args.data());
    std::perror("xvfb-run");
    std::exit(2);
}

}  // namespace vn340::bench
