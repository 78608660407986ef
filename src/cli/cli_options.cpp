#include "cli/cli_options.h"

#include <charconv>
#include <map>

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

std::optional<int> positiveNumber(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1)
        return std::nullopt;
    return value;
}

// Whether `option` belongs to `command`.
bool allowed(CliCommand command, const std::string& option) {
    switch (command) {
        case CliCommand::Read:
            return option == "-o" || option == "--json";
        case CliCommand::Store:
            return option == "--yes";
        case CliCommand::Monitor:
            return option == "--rounds" || option == "--csv";
        case CliCommand::History:
            return option == "--serial";
        case CliCommand::Ports:
        case CliCommand::Diff:
            break;
    }
    return false;
}

}  // namespace

std::string cliUsage() {
    return std::string("Usage: ") + kCliName +
           " [--port PORT] COMMAND\n"
           "The Tarvel RC vn340 gyro from the command line, through the Vexa-Plug.\n"
           "\n"
           "  ports                         the ports the window would list, one per line\n"
           "  read [-o FILE] [--json]       read the gyro; -o saves it as a settings file,\n"
           "                                otherwise it is printed as \"Label: value\" lines\n"
           "  diff FILE                     read the gyro and compare it with a settings file\n"
           "  store FILE --yes              store a settings file into the gyro and check it\n"
           "  monitor [--rounds N] [--csv]  the live signals, one line per round (Ctrl+C ends)\n"
           "  history [--serial N]          the configurations kept, newest first\n"
           "\n"
           "  --port PORT   the adapter's port (\"USB\", \"ttyUSB0\"...); by default the one the\n"
           "                window chose last\n"
           "  --help, --version\n"
           "\n"
           "Exit status: 0 done, 1 differences or a store that did not verify, 2 usage,\n"
           "3 the adapter cannot be opened, 4 the gyro does not answer, 5 a file that cannot\n"
           "be read or is not a settings file.\n";
}

CliParse parseCliArguments(const std::vector<std::string>& arguments, const std::string& version) {
    CliOptions options;
    std::optional<CliCommand> command;
    std::vector<std::string> operands;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments[++i];
        };
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
        if (argument == "--port") {
            options.port = value();
            if (!options.port || options.port->empty())
                return usageError("--port needs a port's name");
            continue;
        }
        if (!argument.empty() && argument[0] == '-') {
            if (!command || !allowed(*command, argument))
                return usageError("unknown option " + argument);
            if (argument == "--json") {
                options.json = true;
            } else if (argument == "--yes") {
                options.yes = true;
            } else if (argument == "--csv") {
                options.csv = true;
            } else if (argument == "-o") {
                options.output = value();
                if (!options.output || options.output->empty())
                    return usageError("-o needs a file's name");
            } else if (argument == "--serial") {
                options.serial = value();
                if (!options.serial || options.serial->empty())
                    return usageError("--serial needs a serial number");
            } else if (argument == "--rounds") {
                const std::optional<std::string> text = value();
                options.rounds = text ? positiveNumber(*text) : std::nullopt;
                if (!options.rounds)
                    return usageError("--rounds needs a whole number of at least 1");
            }
            continue;
        }
        if (!command) {
            const auto known = kCommands.find(argument);
            if (known == kCommands.end())
                return usageError("unknown command " + argument);
            command = known->second;
            continue;
        }
        operands.push_back(argument);
    }
    if (!command)
        return usageError("no command given");
    options.command = *command;
    const bool needsFile = *command == CliCommand::Diff || *command == CliCommand::Store;
    if (operands.size() != (needsFile ? 1u : 0u))
        return usageError(needsFile ? "the command needs one settings file"
                                    : "unexpected " + operands.front());
    if (needsFile)
        options.file = operands.front();
    if (options.json && options.output)
        return usageError("read takes either -o or --json");
    CliParse parse;
    parse.options = options;
    return parse;
}

}  // namespace vn340
