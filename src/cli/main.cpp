// vn340-cli: the gyro from the command line. Plain C++ on an event loop of its own: it runs
// where no desktop is, on Linux and on Windows alike.

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "base/console.h"
#include "base/stop_requests.h"
#include "base/system_event_loop.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "session/system_platform.h"

int main(int argc, char** argv) {
    using namespace vn340;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    auto ownedLoop = std::make_unique<SystemEventLoop>();
    SystemEventLoop& loop = *ownedLoop;
    const ProgramPaths paths = ProgramPaths::ofRunningProgram();
    // No device events: a command runs for seconds, and an adapter pulled out meanwhile ends
    // the sequence through the port's own failure.
    SystemPlatform platform(paths, std::move(ownedLoop));
    // From the very start: a request that comes before the session is waiting for the gyro
    // waits for it, and a closed standard output fails a write instead of ending the program.
    CliSession* running = nullptr;
    const std::unique_ptr<StopRequests> stops = StopRequests::listen(
        [&running](StopRequest request) {
            if (running != nullptr) {
                running->stop(request);
            }
        },
        loop);

    const CliParse parse = parseCliArguments(arguments, VN340_VERSION);
    if (!parse.options) {
        std::cerr << parse.error;
        if (std::cout << parse.output << std::flush) {
            return static_cast<int>(parse.status);
        }
        std::cerr << kOutputFailedText << '\n';
        return static_cast<int>(CliStatus::OutputFailed);
    }
    // A settings file on standard output is its bytes, on every system.
    if (parse.options->output == std::string(kStandardOutput)) {
        standardOutputAsBytes();
    }
    CliSession session(*parse.options, platform, loop, paths, std::cout, std::cerr,
                       standardErrorIsTerminal());
    running = &session;
    const CliStatus status = session.run();
    running = nullptr;
    return static_cast<int>(status);
}
