#pragma once

// The text frames the vn340 understands, and the tests and decoders for its replies.
//
// A frame is a run of data bytes written as upper-case hexadecimal pairs, one checksum byte
// (the two's complement of the byte sum) and the two letters "aa"; the only exception is the
// single character "*" that asks for the gyro signal. Replies arrive in pieces of any size;
// the sequence engine gathers them and asks the completion test of the frame it sent whether
// the reply is whole before it decodes it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vn340 {

// --- Addresses of the gyro's memory map -------------------------------------------------

inline constexpr std::uint16_t kAddrMemoryMapVersion = 0x0000;
inline constexpr std::uint16_t kAddrLoaderVersion = 0x0004;
inline constexpr std::uint16_t kAddrFirmwareVersion = 0x0006;
inline constexpr std::uint16_t kAddrProductId = 0x0008;
inline constexpr std::uint16_t kAddrSerialLow = 0x000A;
inline constexpr std::uint16_t kAddrSerialHigh = 0x000C;
inline constexpr std::uint16_t kParameterBase = 0x0100;  // parameter n at kParameterBase + 2n
inline constexpr std::uint16_t kAddrServoData = 0x0118;
inline constexpr std::uint16_t kAddrServoFlags = 0x011E;
inline constexpr std::uint16_t kAddrStatistics = 0x0120;
inline constexpr int kParameterCount = 17;  // n = 0 .. 16, the last is the statistics word

inline constexpr std::uint16_t kExpectedProductId = 0x0340;
inline constexpr int kSupportedMemoryMapVersion = 3;

// --- Operation codes (the last data byte) -----------------------------------------------

inline constexpr std::uint8_t kOpReadWord = 0x01;
inline constexpr std::uint8_t kOpWriteWord = 0x02;
inline constexpr std::uint8_t kOpLiveSignals = 0x03;

// --- The fixed frames the sequences send ------------------------------------------------

inline constexpr std::string_view kReadProductIdFrame = "000801F7aa";
inline constexpr std::string_view kReadMemoryMapVersionFrame = "000001FFaa";
inline constexpr std::string_view kReadFirmwareVersionFrame = "000601F9aa";
inline constexpr std::string_view kReadSerialLowFrame = "000A01F5aa";
inline constexpr std::string_view kReadSerialHighFrame = "000C01F3aa";
inline constexpr std::string_view kReadLoaderVersionFrame = "000401FBaa";
inline constexpr std::string_view kReadServoFlagsFrame = "011E01E0aa";
inline constexpr std::string_view kClearStatisticsFrame = "0000012002DDaa";
inline constexpr std::string_view kLiveSignalsFrame = "03FDaa";
inline constexpr std::string_view kGyroSignalFrame = "*";

inline constexpr std::string_view kFrameTerminator = "aa";

// --- Building frames --------------------------------------------------------------------

// The two's complement of the 8-bit sum of the bytes: (256 - sum mod 256) mod 256.
std::uint8_t frameChecksum(const std::uint8_t* bytes, std::size_t count);

// Two upper-case hexadecimal digits of a byte.
std::string hexPair(std::uint8_t byte);

std::string readFrame(std::uint16_t address);
std::string writeFrame(std::uint16_t address, std::uint16_t value);

// The address of parameter n (0 .. 16).
std::uint16_t parameterAddress(int n);

// The read sequence's template "01%02X01%02Xaa" for parameter n.
std::string parameterReadFrame(int n);

// The write sequence's template "%04X01%02X02%02Xaa": a write into the parameter page 0x01xx.
std::string parameterWriteFrame(std::uint16_t value, std::uint8_t addressLow);

// --- Completion tests, one per kind of reply --------------------------------------------

// A read word of the identification area (0x0000 .. 0x000C): 15 characters and a ".".
// A read word of the parameter area (0x0100 .. 0x0120): 15 characters.
// Both also wait for the whole value group where `wordReplyText` finds it: with noise ahead of
// a reply the 15 characters are there before its last one, and the rest of the reply would
// land in the next one's buffer.
bool identificationReplyComplete(std::string_view buffer);
bool parameterReplyComplete(std::string_view buffer);
// Any write word: the "." is the acknowledgement.
bool writeAckComplete(std::string_view buffer);
// "03FDaa": 15 characters.
bool liveSignalsReplyComplete(std::string_view buffer);
// "*": the "*" and the ten digits of the gyro signal, whichever side of them the "*" comes.
// The gyro may send the "*" first; over a slow line the digits then arrive later, and taking
// the reply at the "*" would push them into the next reply for as long as diagnostics run.
bool gyroSignalReplyComplete(std::string_view buffer);

// How many leading characters to drop before decoding.
inline constexpr std::size_t kWordReplyLeading = 9;
inline constexpr std::size_t kLiveSignalsLeading = 5;

// The text after the first `count` characters (empty when there are fewer).
std::string_view dropLeading(std::string_view buffer, std::size_t count);

// The text of a read word reply from its value group on. The gyro begins its reply with the
// first eight characters of the read frame it answers and a "."; noise on the line (a stray
// character, zero bytes, the tail of the reply before) may come ahead of them and would shift
// the group away from the ninth character, where a group of echo, "." or noise can pass its
// four-bit check by chance. So the group is taken after that echo and its ".", wherever they
// are. A reply that lost one of them to a damaged character is still read after its first nine
// characters, as always, when its ninth is the "." or its first eight are the echo. Anything
// else holds no group yet (empty): its reply may still be on its way. Noise whose ninth
// character is a "." looks exactly like a reply with a damaged echo and is read as one.
std::string_view wordReplyText(std::string_view buffer);

// The text with its first "*" removed (unchanged when it holds none).
std::string removeFirstStar(std::string_view buffer);

// --- Decoding replies -------------------------------------------------------------------

struct WordReply {
    std::uint16_t value = 0;
    bool passed = false;  // a value that did not pass must not be stored
};

struct PairReply {
    std::uint16_t first = 0;
    std::uint16_t second = 0;
    bool passed = false;
};

// The byte of two hexadecimal characters, exactly as the gyro's tools have always read them:
// no character is refused, so only the checksum test can catch a damaged one.
std::uint8_t hexByte(char high, char low);

// The first group of 4 value digits and 2 checksum digits. Only the low digit of the checksum
// is compared. Text shorter than one whole group does not pass (value 0); nothing past the
// end of `text` is read, and text after the first group is ignored.
WordReply decodeWordReply(std::string_view text);

// The first group of 10 digits: two values and a checksum byte, compared by its low digit.
// Text shorter than one whole group does not pass.
PairReply decodePairReply(std::string_view text);

}  // namespace vn340
