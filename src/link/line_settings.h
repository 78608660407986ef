#pragma once

// How the adapter's line is set up, as one value: what the serial port is given and what the
// system layer translates into its own terms. The USB adapter has fewer settings of its own.

#include <cstdint>
#include <string_view>

namespace vn340 {

enum class Parity { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };
enum class StopBits { One = 0, OneAndHalf = 1, Two = 2 };
// No flow control; RTS/CTS; XON/XOFF in both directions.
enum class Handshake { Off = 0, Hardware = 1, Software = 2 };

struct LineSettings {
    std::uint32_t baud = 9600;
    int dataBits = 8;
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;
    Handshake handshake = Handshake::Off;

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// The baud rates every system's serial ports take, and with them the lines a port is asked
// for: five to eight data bits, one or two stop bits. Both systems refuse the rest alike.
inline constexpr std::uint32_t kStandardBauds[] = {300,   600,   1200,  2400,   4800,  9600,
                                                   19200, 38400, 57600, 115200, 230400};

constexpr bool lineIsPossible(const LineSettings& line) {
    bool known = false;
    for (std::uint32_t baud : kStandardBauds) {
        known = known || baud == line.baud;
    }
    return known && line.dataBits >= 5 && line.dataBits <= 8 &&
           line.stopBits != StopBits::OneAndHalf;
}

// The USB form of the adapter is found by its product description and set to a baud rate and a
// latency timer; the device's own defaults stand for everything else.
struct UsbLineSettings {
    std::string_view description;
    std::uint32_t baud = 0;
    // How long the chip holds received characters that do not fill a packet before it sends
    // them on, in milliseconds.
    std::uint8_t latencyMs = 2;
};

}  // namespace vn340
