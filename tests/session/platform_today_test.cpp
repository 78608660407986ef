// The day a platform counts from its wall clock, which spaces the statistics offers: whole days
// since 1 January 1970, across month ends and a leap day.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "session/platform.h"

namespace vn340 {
namespace {

// A platform of which only the wall clock is asked.
class WallClockOnly final : public Platform {
  public:
    explicit WallClockOnly(LocalTime now) : now_(now) {}
    FileSystem& files() override { return systemFileSystem(); }
    EventLoop& loop() override { std::abort(); }
    std::unique_ptr<Transports> makeTransports(FrontEnd&) override { return nullptr; }
    std::unique_ptr<DeviceEvents> makeDeviceEvents() override { return nullptr; }
    bool usbLibraryPresent() override { return false; }
    LocalTime localNow() override { return now_; }
    std::chrono::milliseconds steadyNow() override { return {}; }

  private:
    LocalTime now_;
};

TEST(PlatformToday, CountsWholeLocalDaysSinceNineteenSeventy) {
    struct Row {
        LocalTime now;
        int day;
    };
    const Row rows[] = {
        {{1970, 1, 1, 0, 0, 0}, 0},     {{1970, 1, 1, 23, 59, 59}, 0},
        {{1970, 1, 2, 0, 0, 0}, 1},     {{2024, 2, 29, 12, 0, 0}, 19782},
        {{2024, 3, 1, 0, 0, 0}, 19783}, {{2026, 12, 31, 23, 59, 59}, 20818},
    };
    for (const Row& row : rows) {
        WallClockOnly platform(row.now);
        EXPECT_EQ(platform.today(), row.day)
            << row.now.year << "-" << row.now.month << "-" << row.now.day << " " << row.now.hour;
    }
}

}  // namespace
}  // namespace vn340
