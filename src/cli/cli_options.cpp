#include "cli/cli_options.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <string_view>

namespace vn340 {
namespace {

const std::map<std::string, CliCommand> kCommands = {
    {"ports", CliCommand::Ports},     {"read", CliCommand::Read},
    {"diff", CliCommand::Diff},       {"store", CliCommand::Store},
    {"monitor", CliCommand::Monitor}, {"history", CliCommand::History},
};

CliParse usageError(const std::string& problem) {
    CliParse parse;
    parse.error = std::string(kCliName) + ": " + problem + "\nTry '" + kCliName + " --help'.\n";
    parse.status = CliStatus::Usage;
    return parse;
}

// Serial numbers are printed by the gyro in digits only, and name the history's folders.
bool serialNumber(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<int> positiveNumber(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1) {
        return std::nullopt;
    }
    return value;
}

// One option of the command line: the command it belongs to (none: it goes with any, before or
// after the command), and, for one that takes a value, what to say when the value is missing or
// not one it takes.
struct Option {
    std::string_view name;
    std::optional<CliCommand> command;
    std::string_view needs;  // empty: the option takes no value
    // Takes the value (empty for an option without one) into the options; false: refused.
    bool (*take)(CliOptions& options, const std::string& value);
};

const Option kOptions[] = {
    {"--port", std::nullopt, "--port needs a port's name",
     [](CliOptions& o, const std::string& v) { return !(o.port = v)->empty(); }},
    {"-o", CliCommand::Read, "-o needs a file's name",
     [](CliOptions& o, const std::string& v) { return !(o.output = v)->empty(); }},
    {"--json", CliCommand::Read, "",
     [](CliOptions& o, const std::string&) { return o.json = true; }},
    {"--force", CliCommand::Read, "",
     [](CliOptions& o, const std::string&) { return o.force = true; }},
    {"--yes", CliCommand::Store, "",
     [](CliOptions& o, const std::string&) { return o.yes = true; }},
    {"--rounds", CliCommand::Monitor, "--rounds needs a whole number of at least 1",
     [](CliOptions& o, const std::string& v) {
         return (o.rounds = positiveNumber(v)).has_value();
     }},
    {"--csv", CliCommand::Monitor, "",
     [](CliOptions& o, const std::string&) { return o.csv = true; }},
    {"--serial", CliCommand::History, "--serial needs a serial number, in digits",
     [](CliOptions& o, const std::string& v) { return serialNumber(*(o.serial = v)); }},
};

const Option* optionNamed(const std::string& name) {
    for (const Option& option : kOptions) {
        if (option.name == name) {
            return &option;
        }
    }
    return nullptr;
}

}  // namespace

std::string cliUsage() {
    return std::string("Usage: ") + kCliName +
           " [--port PORT] COMMAND\n"
           "The Tarvel RC vn340 gyro from the command line, through the Vexa-Plug.\n"
           "\n"
           "  ports                     the ports the window would list, one per line\n"
           "  read [-o FILE [--force] | --json]\n"
           "                            read the gyro: \"Label: value\" lines, or JSON; -o\n"
           "                            saves a settings file (\"-\": standard output),\n"
           "                            over a file that is there only with --force\n"
           "  diff FILE                 read the gyro and compare it with a settings file\n"
           "  store FILE --yes          store a settings file into the gyro and check it;\n"
           "                            a file with a value missing or out of its limits\n"
           "                            is refused, and nothing is sent\n"
           "  monitor [--rounds N] [--csv]\n"
           "                            the live signals, one line per round (Ctrl+C\n"
           "                            ends); CSV rows start with the seconds since the\n"
           "                            start\n"
           "  history [--serial N]      the configurations kept, newest first\n"
           "\n"
           "  --port PORT   the adapter's port: \"USB\", a name (\"ttyUSB0\") or a device's\n"
           "                path (/dev/serial/by-id/...); by default the window's last\n"
           "  --help, --version\n"
           "\n"
           "Ctrl+C, a closed terminal or a shutdown abandons a read or a diff; a store is\n"
           "finished first (about 2 s), and monitor ends after the round in progress.\n"
           "\n"
           "Exit status: 0 done, every setting stored read back as written; 1 differences, a\n"
           "store the gyro did not keep, part of the identification unread, or output that\n"
           "could not be written; 2 usage; 3 the adapter cannot be opened; 4 the gyro does\n"
           "not answer, or a read or store ended early; 5 a file that cannot be read or\n"
           "written, is not a settings file, needs a default in place of a value, or is\n"
           "there already; 130 interrupted before anything was written.\n";
}

CliParse parseCliArguments(const std::vector<std::string>& arguments, const std::string& version) {
    CliOptions options;
    std::optional<CliCommand> command;
    std::vector<std::string> operands;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            CliParse parse;
            parse.output = cliUsage();
            return parse;
        }
        if (argument == "--version") {
            CliParse parse;
            parse.output = std::string(kCliName) + " " + version + "\n";
            return parse;
        }
        if (!argument.empty() && argument[0] == '-') {
            // An option of a command is known only once the command is.
            const Option* option = optionNamed(argument);
            if (option == nullptr || (option->command && option->command != command)) {
                return usageError("unknown option " + argument);
            }
            std::string value;
            if (!option->needs.empty()) {
                if (i + 1 >= arguments.size()) {
                    return usageError(std::string(option->needs));
                }
                value = arguments[++i];
            }
            if (!option->take(options, value)) {
                return usageError(std::string(option->needs));
            }
            continue;
        }
        if (!command) {
            const auto known = kCommands.find(argument);
            if (known == kCommands.end()) {
                return usageError("unknown command " + argument);
            }
            command = known->second;
            continue;
        }
        operands.push_back(argument);
    }
    if (!command) {
        return usageError("no command given");
    }
    options.command = *command;
    const bool needsFile = *command == CliCommand::Diff || *command == CliCommand::Store;
    if (operands.size() != (needsFile ? 1u : 0u)) {
        return usageError(needsFile ? "the command needs one settings file"
                                    : "unexpected " + operands.front());
    }
    if (needsFile) {
        options.file = operands.front();
    }
    if (options.json && options.output) {
        return usageError("read takes either -o or --json");
    }
    if (options.force && !options.output) {
        return usageError("--force goes with -o FILE");
    }
    CliParse parse;
    parse.options = options;
    return parse;
}

}  // namespace vn340
