// Reads arbitrary bytes as a settings file. A file is either refused with one of the four
// refusal texts and nothing else, or read into values inside their ranges, which the field
// checks after a load then leave alone; an accepted configuration written out and read again
// gives the same configuration without a word to the pilot.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "config/field_rules.h"
#include "config/settings_codec.h"
#include "config/settings_comments.h"

namespace {

using namespace vn340;

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "settings file fuzz: %s\n", what);
        std::abort();
    }
}

bool isRefusal(std::string_view text) {
    return text == kProductRefusal || text == kOldVersionRefusal || text == kNewVersionRefusal ||
           text == kMemoryMapRefusal;
}

bool inside(int value, int low, int high) {
    return value >= low && value <= high;
}

void checkRanges(const GyroConfig& c) {
    for (NumericField field : fieldCheckOrderAfterLoad()) {
        const FieldRule& rule = fieldRule(field);
        check(inside(fieldValue(c, field), rule.lowLimit, rule.highLimit), "field out of range");
        check(!checkFieldValue(field, fieldValue(c, field)).notice, "field check after a load");
    }
    check(c.servoModel == kNoSelection || inside(c.servoModel, 0, kServoRowCount - 1), "servo");
    check(c.servoSpeed == kNoSelection || inside(c.servoSpeed, 0, kSpeedOptionCount - 1), "speed");
    check(inside(c.servoType, 0, kSignalTypeCount - 1), "type");
    check(inside(c.servoImpliedType, 0, kSignalTypeCount - 1), "implied type");
    check(inside(c.accelProfile, kProfileMin, kProfileMax), "acceleration profile");
    check(inside(c.decelProfile, kProfileMin, kProfileMax), "deceleration profile");
    check(inside(c.memoryMapVersion, 1, 3), "memory map version");
    check(c.direction == Direction::Normal || c.direction == Direction::Reverse, "direction");
}

bool sameConfiguration(const GyroConfig& a, const GyroConfig& b) {
    for (NumericField field : fieldCheckOrderAfterLoad()) {
        if (fieldValue(a, field) != fieldValue(b, field)) {
            return false;
        }
    }
    // A save without a selection writes the factory choice, so compare what was written.
    const auto servo = [](const GyroConfig& c) { return c.servoModel < 0 ? 0 : c.servoModel; };
    const auto speed = [](const GyroConfig& c) { return c.servoSpeed < 0 ? 4 : c.servoSpeed; };
    return servo(a) == servo(b) && speed(a) == speed(b) && a.servoType == b.servoType &&
           a.accelProfile == b.accelProfile && a.decelProfile == b.decelProfile &&
           a.direction == b.direction && a.memoryMapVersion == b.memoryMapVersion &&
           a.userComments == b.userComments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    GyroConfig before;
    loadDefaults(before);
    const DecodedSettings loaded = decodeSettingsFile(bytes, before);
    if (loaded.refusal) {
        check(isRefusal(*loaded.refusal), "unknown refusal");
        check(loaded.problems.empty(), "problems with a refusal");
        return 0;
    }
    checkRanges(loaded.config);

    // Written over the very bytes it came from, and read again.
    const std::string saved =
        encodeSettingsFile(bytes, loaded.config, splitAtLineBreaks(loaded.config.userComments));
    const DecodedSettings again = decodeSettingsFile(saved, before);
    check(!again.refusal && again.problems.empty(), "saved file gave messages");
    check(sameConfiguration(loaded.config, again.config), "saved file loads differently");
    return 0;
}
