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
    Differences = 1,  // diff found differences, or a store did not verify
    Usage = 2,
    AdapterUnavailable = 3,
    GyroSilent = 4,  // the gyro did not answer, or a read or store ended early
    BadFile = 5,     // a file that cannot be read or written, or is not a settings file
};

enum class CliCommand { Ports, Read, Diff, Store, Monitor, History };

struct CliOptions {
    CliCommand command = CliCommand::Ports;
    std::optional<std::string> port;    // --port: instead of the port the window saved
    std::optional<std::string> output;  // read -o FILE
    bool json = false;                  // read --json
    std::string file;                   // diff FILE, store FILE
    bool yes = false;                   // store --yes: the safety agreement
    std::optional<int> rounds;          // monitor --rounds N
    bool csv = false;                   // monitor --csv
    std::optional<std::string> serial;  // history --serial N
};

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
