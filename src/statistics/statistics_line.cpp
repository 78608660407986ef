#include "statistics/statistics_line.h"

#include <charconv>
#include <cstdint>
#include <cstdio>

namespace vn340 {
namespace {

// The serial text is shown as an unsigned number; a serial that never arrived counts as 0.
unsigned long long serialNumberOf(const std::string& text) {
    unsigned long long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end ? value : 0;
}

unsigned word(int value) {
    return static_cast<unsigned>(value) & 0xFFFFu;
}

bool isAsciiAlphanumeric(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isWhiteSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

std::string statisticsLine(const GyroConfig& config, const StatisticsAnswers& answers) {
    char numbers[512];
    std::snprintf(
        numbers, sizeof numbers,
        "SN=%llu,FW=%02X%02X,ST=%04X,HE=%i,LE=%i,MT=%i,RD=%i,1E=%i,2A=%i,2D=%i,2C=%i,"
        "2CC=%i,2E=%i,2S=%i,FG=%04X,",
        serialNumberOf(config.serialNumber), static_cast<unsigned>(config.firmwareNumber / 100),
        static_cast<unsigned>(config.firmwareNumber % 100), word(config.statisticsWord),
        config.highEndpoint, config.lowEndpoint, config.midpointTrim, config.stickDeadband,
        config.rateExpo, config.accelProfile, config.decelProfile, config.cwStopGain,
        config.ccwStopGain, config.avcsExpo, config.avcsSensitivity, word(config.servoFlags));
    return std::string(numbers) + "HELI=" + answers.helicopter + ",SERVO=" + answers.servo +
           ",EMAIL=" + answers.email;
}

std::string urlEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size() * 3);
    for (const char byte : text) {
        const auto c = static_cast<unsigned char>(byte);
        if (isAsciiAlphanumeric(c)) {
            encoded += byte;
        } else if (isWhiteSpace(c)) {
            encoded += '+';
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 0x0F];
        }
    }
    return encoded;
}

std::string statisticsRequestTarget(std::string_view line) {
    return "/log/log.php?msg=" + urlEncode(line);
}

bool isAcceptedAnswer(std::string_view answer) {
    return answer.find("OK") != std::string_view::npos;
}

}  // namespace vn340
