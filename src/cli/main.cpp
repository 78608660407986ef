// vn340-cli: the gyro from the command line. QtCore only: it runs where no desktop is.

#include <QCoreApplication>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "desktop/desktop_platform.h"
#include "desktop/stop_requests.h"
#include "session/platform.h"

int main(int argc, char** argv) {
    using namespace vn340;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    QCoreApplication application(argc, argv);
    // From the very start: a request that comes before the session is waiting for the gyro
    // waits for it, and a closed standard output fails a write instead of ending the program.
    CliSession* running = nullptr;
    const std::unique_ptr<StopRequests> stops = StopRequests::listen(
        [&running](StopRequest request) {
            if (running != nullptr)
                running->stop(request);
        },
        &application);

    const CliParse parse = parseCliArguments(arguments, VN340_VERSION);
    if (!parse.options) {
        std::cerr << parse.error;
        if (std::cout << parse.output << std::flush)
            return static_cast<int>(parse.status);
        std::cerr << kOutputFailedText << '\n';
        return static_cast<int>(CliStatus::OutputFailed);
    }
    const ProgramPaths paths = ProgramPaths::ofRunningProgram();
    DesktopPlatform platform(paths);
    CliSession session(*parse.options, platform, paths, std::cout, std::cerr,
                       ::isatty(STDERR_FILENO) != 0);
    running = &session;
    const CliStatus status = session.run();
    running = nullptr;
    return static_cast<int>(status);
}
