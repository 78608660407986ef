#include "gyro_sim.h"

#include <algorithm>
#include <array>

#include "protocol/frames.h"

namespace vn340 {

namespace {

constexpr std::size_t kLongestFrame = 64;  // longer unterminated text is dropped as noise
constexpr std::size_t kReadEchoLength = 8;

bool isUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

std::uint8_t hexValue(char c) {
    return static_cast<std::uint8_t>(c <= '9' ? c - '0' : c - 'A' + 10);
}

std::string hexWord(std::uint16_t word) {
    return hexPair(static_cast<std::uint8_t>(word >> 8)) +
           hexPair(static_cast<std::uint8_t>(word & 0xFF));
}

std::uint8_t checksumOfWords(std::initializer_list<std::uint16_t> words) {
    std::vector<std::uint8_t> bytes;
    for (std::uint16_t word : words) {
        bytes.push_back(static_cast<std::uint8_t>(word >> 8));
        bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
    }
    return frameChecksum(bytes.data(), bytes.size());
}

// The bytes of a frame's hex digits, or none when the text is no whole run of pairs.
std::optional<std::vector<std::uint8_t>> frameBytes(std::string_view digits) {
    if (digits.size() < 4 || digits.size() % 2 != 0 ||
        !std::all_of(digits.begin(), digits.end(), isUpperHex)) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        bytes.push_back(
            static_cast<std::uint8_t>(hexValue(digits[i]) * 16 + hexValue(digits[i + 1])));
    }
    return bytes;
}

char nextHexDigit(char c) {
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    const auto at = kDigits.find(c);
    return at == std::string_view::npos ? '0' : kDigits[(at + 1) % kDigits.size()];
}

}  // namespace

std::map<std::uint16_t, std::uint16_t> factoryMemory() {
    return {
        {kAddrMemoryMapVersion, 3},
        {kAddrLoaderVersion, 0x0109},
        {kAddrFirmwareVersion, 0x010B},
        {kAddrProductId, kExpectedProductId},
        {kAddrSerialLow, 0x1234},
        {kAddrSerialHigh, 0x0001},
        {0x0100, 1940},    // high endpoint 100 %
        {0x0102, 1100},    // low endpoint 100 %
        {0x0104, 100},     // clockwise stop gain
        {0x0106, 100},     // counter clockwise stop gain
        {0x0108, 5},       // rudder stick deadband
        {0x010A, 0xFFCE},  // AVCS exponential -50
        {0x010C, 0xFFCE},  // rate exponential -50
        {0x010E, 0},       // acceleration profile, slider at 15
        {0x0110, 0},       // deceleration profile, slider at 15
        {0x0112, 0},
        {0x0114, 0},
        {0x0116, 100},     // AVCS sensitivity
        {0x0118, 0x0005},  // servo "Generic" (code 0), speed "0.05"
        {0x011A, 0},
        {0x011C, 0},  // midpoint trim
        {kAddrServoFlags, 0},
        {kAddrStatistics, 0},
    };
}

GyroSimulator::GyroSimulator(SimSettings settings)
    : settings_(std::move(settings)), memory_(factoryMemory()) {
    if (settings_.productId) {
        memory_[kAddrProductId] = *settings_.productId;
    }
    if (settings_.memoryMapVersion) {
        memory_[kAddrMemoryMapVersion] = *settings_.memoryMapVersion;
    }
    if (settings_.statistics) {
        memory_[kAddrStatistics] = *settings_.statistics;
    }
}

std::uint16_t GyroSimulator::word(std::uint16_t address) const {
    const auto found = memory_.find(address);
    return found == memory_.end() ? 0 : found->second;
}

void GyroSimulator::setWord(std::uint16_t address, std::uint16_t value) {
    memory_[address] = value;
}

void GyroSimulator::feed(std::string_view received, SimTime now) {
    for (char c : received) {
        takeCharacter(c, now);
    }
}

void GyroSimulator::takeCharacter(char c, SimTime now) {
    if (c == '*') {
        if (!pending_.empty()) {
            ++malformed_;
            pending_.clear();
        }
        handleFrame("*", now);
        return;
    }
    pending_ += c;
    if (pending_.size() >= 2 && pending_.ends_with(kFrameTerminator)) {
        std::string frame;
        frame.swap(pending_);
        handleFrame(frame, now);
    } else if (pending_.size() > kLongestFrame) {
        ++malformed_;
        pending_.clear();
    }
}

void GyroSimulator::handleFrame(const std::string& frame, SimTime now) {
    frames_.push_back(frame);
    const auto number = static_cast<int>(frames_.size());
    if (settings_.silentFrom > 0 && number >= settings_.silentFrom) {
        return;  // a gyro that has gone quiet neither answers nor takes writes
    }
    if (frame == kGyroSignalFrame) {
        auto [reply, digit] = gyroSignalReply();
        queueReply(std::move(reply), digit, now);
        return;
    }
    if (auto answer = answerHexFrame(frame)) {
        const bool hasChecksum = answer->second != std::string::npos;
        queueReply(std::move(answer->first),
                   hasChecksum ? std::optional<std::size_t>(answer->second) : std::nullopt, now);
    }
}

std::optional<std::pair<std::string, std::size_t>> GyroSimulator::answerHexFrame(
    const std::string& frame) {
    const std::string_view digits = std::string_view(frame).substr(0, frame.size() - 2);
    const auto bytes = frameBytes(digits);
    if (!bytes) {
        ++malformed_;
        return std::nullopt;
    }
    unsigned sum = 0;
    for (std::uint8_t b : *bytes) {
        sum += b;
    }
    if (sum % 256 != 0) {
        ++badChecksums_;
        return std::nullopt;
    }
    const std::vector<std::uint8_t>& b = *bytes;
    const std::uint8_t op = b[b.size() - 2];
    const std::size_t dataCount = b.size() - 1;
    if (op == kOpReadWord && dataCount == 3) {
        const auto address = static_cast<std::uint16_t>(b[0] << 8 | b[1]);
        const std::uint16_t value = word(address);
        std::string reply = std::string(digits.substr(0, kReadEchoLength)) + "." + hexWord(value) +
                            hexPair(checksumOfWords({value}));
        return std::pair{std::move(reply), std::size_t{14}};
    }
    if (op == kOpWriteWord && dataCount == 5) {
        const auto value = static_cast<std::uint16_t>(b[0] << 8 | b[1]);
        const auto address = static_cast<std::uint16_t>(b[2] << 8 | b[3]);
        if (address != settings_.stuckAddress) {
            memory_[address] = value;
            writes_.push_back({address, value});
        }
        return std::pair{std::string(digits) + ".", std::string::npos};
    }
    if (op == kOpLiveSignals && dataCount == 1) {
        std::string reply = "03FD." + hexWord(live_.rudder) + hexWord(live_.gain) +
                            hexPair(checksumOfWords({live_.rudder, live_.gain}));
        return std::pair{std::move(reply), std::size_t{14}};
    }
    ++malformed_;
    return std::nullopt;
}

std::pair<std::string, std::size_t> GyroSimulator::gyroSignalReply() const {
    const std::string group =
        hexWord(live_.gyro) + hexWord(0) + hexPair(checksumOfWords({live_.gyro, 0}));
    if (settings_.starFirst) {
        return {"*" + group, 10};
    }
    return {group + "*", 9};
}

void GyroSimulator::queueReply(std::string reply, std::optional<std::size_t> checksumDigit,
                               SimTime now) {
    ++replies_;
    const bool corrupt = settings_.corruptReply == kCorruptEveryReply ||
                         (settings_.corruptReply > 0 && settings_.corruptReply == replies_);
    if (corrupt && checksumDigit) {
        reply[*checksumDigit] = nextHexDigit(reply[*checksumDigit]);
    }
    const std::string zerosBefore(static_cast<std::size_t>(std::max(0, settings_.zeroBytesBefore)),
                                  '\0');
    const std::string zerosAfter(static_cast<std::size_t>(std::max(0, settings_.zeroBytesAfter)),
                                 '\0');
    const std::string text =
        settings_.noiseBefore + zerosBefore + reply + zerosAfter + settings_.noiseAfter;

    const SimTime start = std::max(now + settings_.replyDelay, lastDue_);
    const std::int64_t bitTimes = settings_.baud > 0 ? settings_.baud : 9600;
    int lastPiece = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int piece = settings_.splitSize > 0 ? static_cast<int>(i / settings_.splitSize) : 0;
        SimTime due = start + piece * settings_.pieceGap;
        if (settings_.pace) {
            due += SimTime(static_cast<std::int64_t>(i + 1) * 10 * 1'000'000'000 / bitTimes);
        }
        output_.push_back({text[i], due, nextPiece_ + piece});
        lastDue_ = std::max(lastDue_, due);
        lastPiece = piece;
    }
    nextPiece_ += lastPiece + 1;
}

std::optional<SimTime> GyroSimulator::nextDue() const {
    if (output_.empty()) {
        return std::nullopt;
    }
    return output_.front().due;
}

std::string GyroSimulator::takeDue(SimTime now) {
    std::string text;
    while (!output_.empty() && output_.front().due <= now) {
        text += output_.front().value;
        output_.pop_front();
    }
    return text;
}

std::vector<OutputByte> GyroSimulator::takeAll() {
    std::vector<OutputByte> all(output_.begin(), output_.end());
    output_.clear();
    return all;
}

std::string GyroSimulator::takeAllText() {
    std::string text;
    for (const OutputByte& byte : output_) {
        text += byte.value;
    }
    output_.clear();
    return text;
}

std::vector<std::string> GyroSimulator::takePieces() {
    std::vector<std::string> pieces;
    int current = -1;
    for (const OutputByte& byte : output_) {
        if (pieces.empty() || byte.piece != current) {
            pieces.emplace_back();
            current = byte.piece;
        }
        pieces.back() += byte.value;
    }
    output_.clear();
    return pieces;
}

}  // namespace vn340
