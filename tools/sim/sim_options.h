#pragma once

// The simulator's settings as command-line style options, shared by the vn340-sim program and
// anything else that starts a simulator from text (an environment variable, a test).
//
//   --baud-pace[=BAUD]     pace replies like a serial line (default 9600 baud)
//   --reply-delay-ms MS    time between a frame and its reply
//   --silent-from N        answer nothing from the N-th frame on (1-based)
//   --corrupt N|all        damage the checksum of the N-th reply, or of every reply
//   --split K              deliver replies in pieces of K characters
//   --piece-gap-ms MS      pause before each further piece (default 5)
//   --noise TEXT           send TEXT before every reply
//   --noise-after TEXT     send TEXT after every reply
//   --zeros-before N       N zero bytes before every reply
//   --zeros-after N        N zero bytes after every reply
//   --star-first           put the "*" of the gyro signal reply before its digits
//   --product WORD         product identification word (default 0x0340)
//   --map-version WORD     memory-map version (default 3)
//   --stats WORD           statistics word (default 0)
//   --set ADDR=VALUE       any memory word; numbers in C notation (0x0100=1940)
//   --stuck ADDR           acknowledge writes to ADDR but keep its old word
//   --live GYRO,RUDDER,GAIN  the live signals
//   --exit-on-hangup       (vn340-sim) end when the program closes the port after using it
//   --log                  (vn340-sim) report frames and writes on standard error

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

// Splits a text at blanks (no quoting), for options given in one string.
std::vector<std::string> splitOptionText(const std::string& text);

// A simulator set up from the options.
GyroSimulator makeSimulator(const SimOptions& options);

// "0x0100=0x0794" lines, one per word, in address order.
std::string memoryDump(const GyroSimulator& sim);

}  // namespace vn340
