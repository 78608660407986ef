#pragma once

// A serial port of the system with the gyro simulator answering at its other end, for the tests
// that hold the port seam to its contract and run a read and a store over it.
//
// VN340_TEST_PORT names a port where vn340-sim answers (on Windows a COM port that Wine maps to
// the simulator's pseudo-terminal), started with the options in VN340_TEST_SIM_OPTIONS. Without
// it a POSIX build plays the simulator itself on a pseudo-terminal; a Windows build has no line.

#include <optional>
#include <string>

namespace vn340::test {

inline constexpr const char* kTestPortVariable = "VN340_TEST_PORT";
inline constexpr const char* kTestSimOptionsVariable = "VN340_TEST_SIM_OPTIONS";

struct SimLine {
    std::string port;         // as SerialPort::open takes it
    std::string missingPort;  // a port of the same kind that is not there
    std::string options;      // the simulator's options, as vn340-sim takes them
    // Whether the system refuses this user a second open of the port (a POSIX superuser is
    // not held back, and Wine holds nobody back).
    bool secondOpenRefused = true;
};

// The line, or nothing with the reason in `why`.
std::optional<SimLine> simLine(std::string* why);

}  // namespace vn340::test
