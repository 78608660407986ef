#pragma once

// The program's command line. It is read before the window system is reached, so that
// "--help" and "--version" work without a display and a mistyped option ends at once.

#include <QString>
#include <QStringList>
#include <optional>

namespace vn340 {

inline constexpr char kProgramName[] = "vn340-config";
// Status of a command line that cannot be understood, as other command-line programs use it.
inline constexpr int kUsageExitStatus = 2;

struct CommandLineOptions {
    // A simulated gyro behind a simulated USB adapter, with preferences of its own for the run.
    bool demo = false;
    // A settings file to load at start-up, as an absolute path: the window that loads it may be
    // one already running, in another working folder. Empty: none.
    QString file;
};

// What the command line asks for: either start the window with `options`, or end at once with
// `exitStatus` after `output` has gone to standard output and `error` to standard error.
struct CommandLineRequest {
    CommandLineOptions options;
    std::optional<int> exitStatus;
    QString output;
    QString error;
};

// `arguments` begins with the program's own name, as argv does. The window system's options
// ("-platform offscreen", "-style fusion", ...) are accepted and left to the application.
CommandLineRequest parseCommandLine(const QStringList& arguments);
QStringList argumentsOf(int argc, char** argv);

// The program's release, as "--version" prints it and the package carries it ("1.11").
QString programVersion();

}  // namespace vn340
