// vn340-cli: the gyro from the command line. QtCore only: it runs where no desktop is.

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "session/platform.h"

namespace {

int interruptPipe[2] = {-1, -1};

// Only what is safe in a signal handler: one byte down a pipe, read by the event loop.
void onInterrupt(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(interruptPipe[1], &byte, 1);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vn340;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const CliParse parse = parseCliArguments(arguments, VN340_VERSION);
    if (!parse.options) {
        std::cout << parse.output;
        std::cerr << parse.error;
        return static_cast<int>(parse.status);
    }
    QCoreApplication application(argc, argv);
    const ProgramPaths paths = ProgramPaths::ofRunningProgram();
    SystemPlatform platform(paths);
    CliSession session(*parse.options, platform, paths, std::cout, std::cerr,
                       ::isatty(STDERR_FILENO) != 0);

    if (::pipe(interruptPipe) == 0) {
        auto* notifier = new QSocketNotifier(interruptPipe[0], QSocketNotifier::Read, &application);
        QObject::connect(notifier, &QSocketNotifier::activated, &application, [&session] {
            char byte = 0;
            [[maybe_unused]] const ssize_t got = ::read(interruptPipe[0], &byte, 1);
            session.interrupt();
        });
        std::signal(SIGINT, onInterrupt);
        std::signal(SIGTERM, onInterrupt);
    }
    return static_cast<int>(session.run());
}
