#include <cstdio>

#include "app/command_line.h"
#include "app/config_app.h"

int main(int argc, char** argv) {
    // Read before the application exists: "--help" and "--version" need no display.
    const vn340::CommandLineRequest request =
        vn340::parseCommandLine(vn340::argumentsOf(argc, argv));
    if (request.exitStatus) {
        std::fputs(request.output.toLocal8Bit().constData(), stdout);
        std::fputs(request.error.toLocal8Bit().constData(), stderr);
        return *request.exitStatus;
    }
    vn340::ConfigApp app(argc, argv);
    return app.run(request.options);
}
