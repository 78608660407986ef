#include "protocol/frames.h"

#include <algorithm>
#include <array>

namespace vn340 {

namespace {

constexpr std::size_t kWordReplyLength = 15;  // echo, ".", value and checksum
constexpr std::size_t kWordGroupLength = 6;   // four value digits, two checksum digits

constexpr std::array<char, 16> kHexDigits = {'0', '1', '2', '3', '4', '5', '6', '7',
                                             '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};

std::uint8_t highByte(std::uint16_t word) {
    return static_cast<std::uint8_t>(word >> 8);
}
std::uint8_t lowByte(std::uint16_t word) {
    return static_cast<std::uint8_t>(word & 0xFF);
}

// Only the low digit of a reply's checksum is compared: that is all the adapter guarantees.
bool lowDigitMatches(std::uint8_t received, std::uint8_t expected) {
    return (received & 0x0F) == (expected & 0x0F);
}

bool isUpperHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// The first eight characters of a read word frame: the address, the operation and a checksum
// that holds. Noise, even noise of hexadecimal digits, is hardly ever that.
bool isReadFrameEcho(std::string_view text) {
    if (!std::all_of(text.begin(), text.end(), isUpperHexDigit)) {
        return false;
    }
    unsigned sum = 0;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        sum += hexByte(text[i], text[i + 1]);
    }
    return hexByte(text[4], text[5]) == kOpReadWord && sum % 256U == 0;
}

std::string frameFromBytes(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    text.reserve(count * 2 + 4);
    for (std::size_t i = 0; i < count; ++i) {
        text += hexPair(bytes[i]);
    }
    text += hexPair(frameChecksum(bytes, count));
    text += kFrameTerminator;
    return text;
}

}  // namespace

std::uint8_t frameChecksum(const std::uint8_t* bytes, std::size_t count) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sum += bytes[i];
    }
    return static_cast<std::uint8_t>((256U - (sum % 256U)) % 256U);
}

std::string hexPair(std::uint8_t byte) {
    return std::string{kHexDigits[byte >> 4], kHexDigits[byte & 0x0F]};
}

std::string readFrame(std::uint16_t address) {
    const std::array<std::uint8_t, 3> bytes = {highByte(address), lowByte(address), kOpReadWord};
    return frameFromBytes(bytes.data(), bytes.size());
}

std::string writeFrame(std::uint16_t address, std::uint16_t value) {
    const std::array<std::uint8_t, 5> bytes = {highByte(value), lowByte(value), highByte(address),
                                               lowByte(address), kOpWriteWord};
    return frameFromBytes(bytes.data(), bytes.size());
}

std::uint16_t parameterAddress(int n) {
    return static_cast<std::uint16_t>(kParameterBase + 2 * n);
}

std::string parameterReadFrame(int n) {
    const auto addressLow = static_cast<std::uint8_t>(2 * n);
    const auto checksum = static_cast<std::uint8_t>((256 - (addressLow + 2) % 256) % 256);
    return "01" + hexPair(addressLow) + "01" + hexPair(checksum) + std::string(kFrameTerminator);
}

std::string parameterWriteFrame(std::uint16_t value, std::uint8_t addressLow) {
    const unsigned sum = highByte(value) + lowByte(value) + addressLow + 3U;
    const auto checksum = static_cast<std::uint8_t>((256U - sum % 256U) % 256U);
    return hexPair(highByte(value)) + hexPair(lowByte(value)) + "01" + hexPair(addressLow) + "02" +
           hexPair(checksum) + std::string(kFrameTerminator);
}

bool identificationReplyComplete(std::string_view buffer) {
    return parameterReplyComplete(buffer) && buffer.find('.') != std::string_view::npos;
}

bool parameterReplyComplete(std::string_view buffer) {
    return buffer.size() >= kWordReplyLength && wordReplyText(buffer).size() >= kWordGroupLength;
}

bool writeAckComplete(std::string_view buffer) {
    return buffer.find('.') != std::string_view::npos;
}

bool liveSignalsReplyComplete(std::string_view buffer) {
    return buffer.size() >= 15;
}

bool gyroSignalReplyComplete(std::string_view buffer) {
    constexpr std::size_t kDigits = 10;
    return buffer.find('*') != std::string_view::npos && buffer.size() >= kDigits + 1;
}

std::string_view dropLeading(std::string_view buffer, std::size_t count) {
    return count >= buffer.size() ? std::string_view{} : buffer.substr(count);
}

std::string_view wordReplyText(std::string_view buffer) {
    constexpr std::size_t kEchoLength = kWordReplyLeading - 1;  // the "." comes ninth
    for (std::size_t dot = buffer.find('.', kEchoLength); dot != std::string_view::npos;
         dot = buffer.find('.', dot + 1)) {
        if (isReadFrameEcho(buffer.substr(dot - kEchoLength, kEchoLength))) {
            return buffer.substr(dot + 1);
        }
    }
    if (buffer.size() < kWordReplyLeading) {
        return {};
    }
    const bool dotNinth = buffer[kEchoLength] == '.';
    const bool echoFirst = isReadFrameEcho(buffer.substr(0, kEchoLength));
    return dotNinth || echoFirst ? buffer.substr(kWordReplyLeading) : std::string_view{};
}

std::string removeFirstStar(std::string_view buffer) {
    std::string text(buffer);
    const auto star = text.find('*');
    if (star != std::string::npos) {
        text.erase(star, 1);
    }
    return text;
}

std::uint8_t hexByte(char high, char low) {
    // Unsigned arithmetic gives the same bytes as the original signed-char sums, since only
    // the value modulo 16 (high digit) and modulo 256 (low digit) survives.
    const auto h = static_cast<unsigned>(static_cast<unsigned char>(high));
    const auto l = static_cast<unsigned>(static_cast<unsigned char>(low));
    const unsigned hv = (high >= '0' && high <= '9') ? h - '0' : (h + 9U) % 16U;
    const unsigned lv = (low >= '0' && low <= '9') ? l - '0' : l - 55U;
    return static_cast<std::uint8_t>((hv * 16U + lv) % 256U);
}

WordReply decodeWordReply(std::string_view text) {
    if (text.size() < 6) {
        return {};
    }
    const std::uint8_t hi = hexByte(text[0], text[1]);
    const std::uint8_t lo = hexByte(text[2], text[3]);
    const std::uint8_t checksum = hexByte(text[4], text[5]);
    const std::array<std::uint8_t, 2> bytes = {hi, lo};
    WordReply reply;
    reply.value = static_cast<std::uint16_t>(hi << 8 | lo);
    reply.passed = lowDigitMatches(checksum, frameChecksum(bytes.data(), bytes.size()));
    return reply;
}

PairReply decodePairReply(std::string_view text) {
    if (text.size() < 10) {
        return {};
    }
    std::array<std::uint8_t, 4> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = hexByte(text[2 * i], text[2 * i + 1]);
    }
    const std::uint8_t checksum = hexByte(text[8], text[9]);
    PairReply reply;
    reply.first = static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
    reply.second = static_cast<std::uint16_t>(bytes[2] << 8 | bytes[3]);
    reply.passed = lowDigitMatches(checksum, frameChecksum(bytes.data(), bytes.size()));
    return reply;
}

}  // namespace vn340
