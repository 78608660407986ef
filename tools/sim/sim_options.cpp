#include "sim_options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>

namespace vn340 {

namespace {

std::optional<unsigned long> parseNumber(const std::string& text, unsigned long max) {
    if (text.empty() || text[0] == '-' || text[0] == '+') {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 0);
    if (errno != 0 || end != text.c_str() + text.size() || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint16_t> parseWord(const std::string& text) {
    const auto value = parseNumber(text, 0xFFFF);
    return value ? std::optional<std::uint16_t>(static_cast<std::uint16_t>(*value)) : std::nullopt;
}

std::optional<int> parseCount(const std::string& text) {
    const auto value = parseNumber(text, 1'000'000);
    return value ? std::optional<int>(static_cast<int>(*value)) : std::nullopt;
}

std::optional<LiveSignals> parseLive(const std::string& text) {
    const auto first = text.find(',');
    const auto second = first == std::string::npos ? first : text.find(',', first + 1);
    if (second == std::string::npos) {
        return std::nullopt;
    }
    const auto gyro = parseWord(text.substr(0, first));
    const auto rudder = parseWord(text.substr(first + 1, second - first - 1));
    const auto gain = parseWord(text.substr(second + 1));
    if (!gyro || !rudder || !gain) {
        return std::nullopt;
    }
    return LiveSignals{*gyro, *rudder, *gain};
}

// Applies one option that takes a value; false when the value is unusable.
bool applyValued(SimOptions& options, const std::string& name, const std::string& value) {
    SimSettings& s = options.settings;
    if (name == "--reply-delay-ms" || name == "--piece-gap-ms") {
        const auto ms = parseCount(value);
        (name == "--reply-delay-ms" ? s.replyDelay : s.pieceGap) =
            std::chrono::milliseconds(ms.value_or(0));
        return ms.has_value();
    }
    if (name == "--silent-from" || name == "--zeros-before" || name == "--zeros-after") {
        const auto count = parseCount(value);
        int& target = name == "--silent-from"    ? s.silentFrom
                      : name == "--zeros-before" ? s.zeroBytesBefore
                                                 : s.zeroBytesAfter;
        target = count.value_or(0);
        return count.has_value();
    }
    if (name == "--corrupt") {
        const auto count =
            value == "all" ? std::optional<int>(kCorruptEveryReply) : parseCount(value);
        s.corruptReply = count.value_or(0);
        return count.has_value();
    }
    if (name == "--split") {
        const auto count = parseCount(value);
        s.splitSize = static_cast<std::size_t>(count.value_or(0));
        return count.has_value();
    }
    if (name == "--noise" || name == "--noise-after") {
        (name == "--noise" ? s.noiseBefore : s.noiseAfter) = value;
        return true;
    }
    if (name == "--product" || name == "--map-version" || name == "--stats" || name == "--stuck") {
        const auto word = parseWord(value);
        auto& target = name == "--product"       ? s.productId
                       : name == "--map-version" ? s.memoryMapVersion
                       : name == "--stuck"       ? s.stuckAddress
                                                 : s.statistics;
        target = word;
        return word.has_value();
    }
    if (name == "--set") {
        const auto equals = value.find('=');
        if (equals == std::string::npos) {
            return false;
        }
        const auto address = parseWord(value.substr(0, equals));
        const auto word = parseWord(value.substr(equals + 1));
        if (address && word) {
            options.memory.emplace_back(*address, *word);
        }
        return address && word;
    }
    if (name == "--live") {
        options.live = parseLive(value);
        return options.live.has_value();
    }
    return false;
}

bool takesValue(const std::string& name) {
    for (const char* known :
         {"--reply-delay-ms", "--piece-gap-ms", "--silent-from", "--zeros-before", "--zeros-after",
          "--corrupt", "--split", "--noise", "--noise-after", "--product", "--map-version",
          "--stats", "--set", "--stuck", "--live"}) {
        if (name == known) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::variant<SimOptions, std::string> parseSimOptions(const std::vector<std::string>& args) {
    SimOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto equals = name.find('=');
            name.starts_with("--") && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (name == "--baud-pace") {
            options.settings.pace = true;
            if (value) {
                const auto baud = parseCount(*value);
                if (!baud || *baud == 0) {
                    return "bad baud rate: " + *value;
                }
                options.settings.baud = *baud;
            }
        } else if (name == "--star-first" || name == "--exit-on-hangup" || name == "--log") {
            (name == "--star-first"       ? options.settings.starFirst
             : name == "--exit-on-hangup" ? options.exitOnHangup
                                          : options.log) = true;
        } else if (takesValue(name)) {
            if (!value) {
                if (i + 1 >= args.size()) {
                    return "missing value for " + name;
                }
                value = args[++i];
            }
            if (!applyValued(options, name, *value)) {
                return "bad value for " + name + ": " + *value;
            }
        } else {
            return "unknown option: " + args[i];
        }
    }
    return options;
}

std::string simOptionsHelp() {
    return "  --baud-pace[=BAUD]       pace replies like a serial line (default 9600 baud)\n"
           "  --reply-delay-ms MS      time between a frame and its reply\n"
           "  --silent-from N          answer nothing from the N-th frame on (1-based)\n"
           "  --corrupt N|all          damage the checksum of the N-th reply, or of every reply\n"
           "  --split K                deliver replies in pieces of K characters\n"
           "  --piece-gap-ms MS        pause before each further piece (default 5)\n"
           "  --noise TEXT             send TEXT before every reply\n"
           "  --noise-after TEXT       send TEXT after every reply\n"
           "  --zeros-before N         N zero bytes before every reply\n"
           "  --zeros-after N          N zero bytes after every reply\n"
           "  --star-first             put the \"*\" of the gyro signal reply before its digits\n"
           "  --product WORD           product identification word (default 0x0340)\n"
           "  --map-version WORD       memory-map version (default 3)\n"
           "  --stats WORD             statistics word (default 0)\n"
           "  --set ADDR=VALUE         any memory word; numbers in C notation (0x0100=1940)\n"
           "  --stuck ADDR             acknowledge writes to ADDR but keep its old word\n"
           "  --live GYRO,RUDDER,GAIN  the live signals\n"
           "  --exit-on-hangup         end when the program closes the port after using it\n"
           "  --log                    report frames and writes on standard error\n";
}

std::vector<std::string> splitOptionText(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream stream(text);
    std::string word;
    while (stream >> word) {
        words.push_back(word);
    }
    return words;
}

GyroSimulator makeSimulator(const SimOptions& options) {
    GyroSimulator sim(options.settings);
    for (const auto& [address, value] : options.memory) {
        sim.setWord(address, value);
    }
    if (options.live) {
        sim.setLiveSignals(*options.live);
    }
    return sim;
}

std::string memoryDump(const GyroSimulator& sim) {
    std::string text;
    for (const auto& [address, value] : sim.memory()) {
        char line[32];
        std::snprintf(line, sizeof line, "0x%04X=0x%04X\n", address, value);
        text += line;
    }
    return text;
}

}  // namespace vn340
