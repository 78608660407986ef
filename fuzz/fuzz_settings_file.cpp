// Loads arbitrary bytes as a settings file. Every load must either refuse the file with one of
// the four refusal messages and leave the model alone, or end with every value inside its
// range; an accepted file saved again must load back to the same configuration.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "config/field_rules.h"
#include "config/settings_file.h"

namespace {

using namespace vn340;

class ScriptedHost : public SettingsFileHost {
  public:
    std::optional<std::string> path;
    std::vector<std::string> messages;

    std::optional<std::string> askSavePath(const FileDialogRequest&) override { return path; }
    std::optional<std::string> askLoadPath(const FileDialogRequest&) override { return path; }
    bool askOverwrite(const std::string&) override { return true; }
    void showMessage(const std::string& text) override { messages.push_back(text); }
    void showModel(const GyroConfig&) override {}
    void showFieldNotice(int, const std::string&) override {}
};

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "settings file fuzz: %s\n", what);
        std::abort();
    }
}

bool isRefusal(const std::string& text) {
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

// Removed again when the fuzzer exits.
struct WorkFolder {
    std::filesystem::path path;
    ~WorkFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

const std::filesystem::path& workFolder() {
    static const WorkFolder folder{[] {
        // Memory-backed when there is one: every save syncs, and a disk makes that slow.
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "fuzz-tsf-XXXXXX").string();
        check(::mkdtemp(pattern.data()) != nullptr, "no temporary folder");
        return std::filesystem::path(pattern);
    }()};
    return folder.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path input = workFolder() / "input.tsf";
    {
        std::ofstream out(input, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    ProfileStore prefs;  // no path: the remembered folder is not what is tried here
    ProfileStore store;
    ScriptedHost host;
    host.path = input.string();

    GyroConfig config;
    loadDefaults(config);
    const GyroConfig before = config;
    loadSettingsFile(config, prefs, store, host, workFolder().string());

    if (!host.messages.empty() && isRefusal(host.messages.front())) {
        check(host.messages.size() == 1, "messages after a refusal");
        check(sameConfiguration(config, before), "refused file changed the model");
        return 0;
    }
    for (const std::string& message : host.messages) {
        check(!isRefusal(message), "refusal after values were read");
    }
    checkRanges(config);

    // An accepted file, saved and loaded again, gives the same configuration and no messages.
    const std::filesystem::path copy = workFolder() / "copy.tsf";
    std::filesystem::remove(copy);
    host.path = copy.string();
    host.messages.clear();
    saveSettingsFile(config, prefs, store, host, workFolder().string());
    check(host.messages.empty(), "save failed");
    GyroConfig again;
    loadDefaults(again);
    loadSettingsFile(again, prefs, store, host, workFolder().string());
    check(host.messages.empty(), "saved file gave messages");
    check(sameConfiguration(config, again), "saved file loads differently");
    return 0;
}
