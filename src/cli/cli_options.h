#pragma once

// The command line of vn340-cli: one command with its own options, and the adapter's port.

#include <optional>
#include <string>
#include <vector>

namespace vn340 {

inline constexpr char kCliName[] = "vn340-cli";

// What the program ends with: what scripts act on.
enum class CliStatus {
    Done = 0,
    // diff found differences, a store the gyro did not keep (or whose read-back answers were
    // damaged), or a read that could not read part of the gyro's identification
    Differences = 1,
    // The output could not be written (standard output closed): as a filter ends on it.
    OutputFailed = 1,
    Usage = 2,
    AdapterUnavailable = 3,
    GyroSilent = 4,  // the gyro did not answer, or a read or store ended early
    // A file that cannot be read or written, is not a settings file, holds values that would
    // be replaced by their defaults (store), or is there already (read -o without --force).
    BadFile = 5,
    // Ctrl+C, a closed terminal or a shutdown abandoned a read (or a diff) before it ended;
    // nothing was written to the gyro. 128 + SIGINT, as shells tell an interrupted command.
    Interrupted = 130,
};

enum class CliCommand { Ports, Read, Diff, Store, Monitor, History };

struct CliOptions {
    CliCommand command = CliCommand::Ports;
    std::optional<std::string> port;    // --port: instead of the port the window saved
    std::optional<std::string> output;  // read -o FILE; "-" is standard output
    bool force = false;                 // read --force: -o may write over a file
    bool json = false;                  // read --json
    std::string file;                   // diff FILE, store FILE
    bool yes = false;                   // store --yes: the safety agreement
    std::optional<int> rounds;          // monitor --rounds N
    bool csv = false;                   // monitor --csv
    std::optional<std::string> serial;  // history --serial N, digits only
};

// The name -o takes for standard output.
inline constexpr char kStandardOutput[] = "-";

// The options, or what to print and end with: the usage for --help, the version, or an error.
struct CliParse {
    std::optional<CliOptions> options;
    std::string output;  // for standard output
    std::string error;   // for standard error
    CliStatus status = CliStatus::Done;
};

// `arguments` without the program's own name.
CliParse parseCliArguments(const std::vector<std::string>& arguments, const std::string& version);

std::string cliUsage();

}  // namespace vn340
