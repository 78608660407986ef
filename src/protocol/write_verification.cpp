#include "protocol/write_verification.h"

#include <algorithm>
#include <cstdio>

#include "config/config_comparison.h"

namespace vn340 {
namespace {

constexpr int kServoFlagsParameter = 15;
// The second copies of the profiles, which a read passes over, stand for the first ones.
constexpr int kSecondAccelCopy = 9;
constexpr int kSecondDecelCopy = 10;

// `config` with one word put in as a read would put it, the servo data applied at once.
GyroConfig withWord(GyroConfig config, int n, std::uint16_t word) {
    if (n == kSecondAccelCopy || n == kSecondDecelCopy) {
        n -= 2;
    }
    const ParameterReadEffect effect = storeParameterWord(config, n, word);
    if (effect.keptServoData) {
        applyServoData(config, *effect.keptServoData);
    }
    if (n == kServoFlagsParameter) {
        config.servoFlags = word;
    }
    return config;
}

std::string hexWord(std::uint16_t word) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(word));
    return text;
}

// The settings one word carries, as the window names and shows them on both sides. A word
// whose difference no setting shows (flag bits the program does not own) is told as a word.
std::vector<std::string> wordDifferences(const GyroConfig& stored, int n, std::uint16_t written,
                                         std::uint16_t held) {
    const GyroConfig asWritten = withWord(stored, n, written);
    const GyroConfig asHeld = withWord(stored, n, held);
    std::vector<std::string> lines;
    for (const SettingComparison& setting : differingSettings(asWritten, asHeld)) {
        lines.push_back(std::string(setting.label) + ": stored " + setting.left +
                        ", the gyro holds " + setting.right);
    }
    if (lines.empty()) {
        const std::string address = hexWord(parameterAddress(n));
        lines.push_back("Word " + address + ": stored " + hexWord(written) + ", the gyro holds " +
                        hexWord(held));
    }
    return lines;
}

std::vector<std::string> damagedAnswer(const GyroConfig& stored, int n, std::uint16_t written) {
    const GyroConfig asWritten = withWord(stored, n, written);
    std::vector<std::string> lines;
    for (const std::optional<Setting>& setting :
         parameterWords()[static_cast<std::size_t>(n)].settings) {
        if (!setting) {
            continue;
        }
        lines.push_back(std::string(describe(*setting).label) + ": stored " +
                        displayValue(asWritten, *setting) + ", the gyro's answer was damaged");
    }
    if (lines.empty()) {
        lines.push_back("Word " + hexWord(parameterAddress(n)) + ": stored " + hexWord(written) +
                        ", the gyro's answer was damaged");
    }
    return lines;
}

}  // namespace

GyroConfig configFromReadBack(const GyroConfig& stored, const StoreWords& words) {
    GyroConfig held = stored;
    for (int n = 0; n < kParameterCount; ++n) {
        const auto& word = words.readBack[static_cast<std::size_t>(n)];
        if (word && n != kSecondAccelCopy && n != kSecondDecelCopy) {
            held = withWord(held, n, *word);
        }
    }
    return held;
}

GyroKnowledge storeKnowledge(const GyroConfig& stored, const StoreWords& words) {
    GyroKnowledge known{configFromReadBack(stored, words), {}};
    for (int n = 0; n < kParameterCount; ++n) {
        const auto& word = words.readBack[static_cast<std::size_t>(n)];
        known.confirmed[static_cast<std::size_t>(n)] = word.has_value();
    }
    known.doubtCopiesApart(words.readBack);
    return known;
}

std::vector<std::string> storeDifferences(const GyroConfig& stored, const StoreWords& words) {
    std::vector<std::string> lines;
    for (int n = 0; n < kParameterCount; ++n) {
        const auto& written = words.written[static_cast<std::size_t>(n)];
        const auto& held = words.readBack[static_cast<std::size_t>(n)];
        if (!written || (held && *held == *written)) {
            continue;
        }
        const std::vector<std::string> found =
            held ? wordDifferences(stored, n, *written, *held) : damagedAnswer(stored, n, *written);
        // A profile's two copies that differ alike are one setting to the pilot.
        for (const std::string& line : found) {
            if (std::find(lines.begin(), lines.end(), line) == lines.end()) {
                lines.push_back(line);
            }
        }
    }
    return lines;
}

std::string sequence_text::storeDiffers(const std::vector<std::string>& differences) {
    std::string text = "The gyro does not hold everything that was stored:\n\n";
    for (const std::string& line : differences) {
        text += line + "\n";
    }
    return text + "\nCheck the gyro and its connection, then store again.";
}

}  // namespace vn340
