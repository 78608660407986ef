#pragma once

// The simulator's settings as command-line style options, shared by the vn340-sim program and
// anything else that starts a simulator from text (an environment variable, a test). The
// options are listed by simOptionsHelp() ("vn340-sim --help").

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "gyro_sim.h"

namespace vn340 {

struct SimOptions {
    SimSettings settings;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> memory;  // --set, in order
    std::optional<LiveSignals> live;
    bool exitOnHangup = false;
    bool log = false;
};

// The options, or the text of the first error.
std::variant<SimOptions, std::string> parseSimOptions(const std::vector<std::string>& args);

// The options, one a line, as "vn340-sim --help" prints them after its usage line.
std::string simOptionsHelp();

// Splits a text at blanks (no quoting), for options given in one string.
std::vector<std::string> splitOptionText(const std::string& text);

// A simulator set up from the options.
GyroSimulator makeSimulator(const SimOptions& options);

// "0x0100=0x0794" lines, one per word, in address order.
std::string memoryDump(const GyroSimulator& sim);

}  // namespace vn340
