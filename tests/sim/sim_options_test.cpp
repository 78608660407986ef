#include "sim_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vn340 {
namespace {

SimOptions parsed(const std::vector<std::string>& args) {
    auto result = parseSimOptions(args);
    if (const auto* error = std::get_if<std::string>(&result)) {
        ADD_FAILURE() << *error;
        return {};
    }
    return std::get<SimOptions>(result);
}

TEST(SimOptions, ReadsEveryKnob) {
    // Options given in one text, as the simulated D2XX library takes them.
    const SimOptions options = parsed(splitOptionText(
        "--baud-pace --silent-from 4 --corrupt=2 --split 3 --noise xy --noise-after z "
        "--zeros-before 1 --zeros-after=2 --product 0x0341 --map-version 2 --stats 5 "
        "--stuck 0x0104 --set 0x0100=1800 --set 260=0x10 --live 512,1480,2020 --star-first "
        "--exit-on-hangup --log --reply-delay-ms 7 --piece-gap-ms=9"));
    const SimSettings& s = options.settings;
    EXPECT_TRUE(s.pace);
    EXPECT_EQ(s.baud, 9600);
    EXPECT_EQ(s.silentFrom, 4);
    EXPECT_EQ(s.corruptReply, 2);
    EXPECT_EQ(s.splitSize, 3U);
    EXPECT_EQ(s.noiseBefore, "xy");
    EXPECT_EQ(s.noiseAfter, "z");
    EXPECT_EQ(s.zeroBytesBefore, 1);
    EXPECT_EQ(s.zeroBytesAfter, 2);
    EXPECT_EQ(s.productId, 0x0341);
    EXPECT_EQ(s.memoryMapVersion, 2);
    EXPECT_EQ(s.statistics, 5);
    EXPECT_EQ(s.stuckAddress, 0x0104);
    EXPECT_TRUE(s.starFirst);
    EXPECT_EQ(s.replyDelay, std::chrono::milliseconds(7));
    EXPECT_EQ(s.pieceGap, std::chrono::milliseconds(9));
    EXPECT_TRUE(options.exitOnHangup);
    EXPECT_TRUE(options.log);
    const std::vector<std::pair<std::uint16_t, std::uint16_t>> memory = {{0x0100, 1800},
                                                                         {0x0104, 0x0010}};
    EXPECT_EQ(options.memory, memory);
    ASSERT_TRUE(options.live);
    EXPECT_EQ(options.live->gyro, 512);
    EXPECT_EQ(options.live->rudder, 1480);
    EXPECT_EQ(options.live->gain, 2020);
}

TEST(SimOptions, CorruptAllAndOtherBaud) {
    const SimOptions options = parsed({"--corrupt", "all", "--baud-pace=19200"});
    EXPECT_EQ(options.settings.corruptReply, kCorruptEveryReply);
    EXPECT_EQ(options.settings.baud, 19200);
}

TEST(SimOptions, RefusesBadOptions) {
    const std::vector<std::vector<std::string>> rows = {
        {"--bogus"},         {"--split"},
        {"--split", "x"},    {"--product", "0x10000"},
        {"--set", "0x100"},  {"--set", "1=-2"},
        {"--live", "1,2"},   {"--baud-pace=0"},
        {"--corrupt", "-1"}, {"--silent-from", "3 "},
        {"plain"},
    };
    for (const auto& args : rows) {
        EXPECT_TRUE(std::holds_alternative<std::string>(parseSimOptions(args))) << args[0];
    }
}

TEST(SimOptions, SetWinsOverTheProductOptionAndDumpsInAddressOrder) {
    GyroSimulator sim = makeSimulator(parsed({"--product", "0x0341", "--set", "8=0x0342"}));
    EXPECT_EQ(sim.word(0x0008), 0x0342);
    const std::string dump = memoryDump(sim);
    EXPECT_EQ(dump.substr(0, 14), "0x0000=0x0003\n");
    EXPECT_NE(dump.find("0x0008=0x0342\n0x000A=0x1234\n"), std::string::npos);
    EXPECT_EQ(dump.substr(dump.size() - 14), "0x0120=0x0000\n");
}

TEST(SimOptions, SplitsOptionText) {
    const std::vector<std::string> expected = {"--split", "3", "--log"};
    EXPECT_EQ(splitOptionText("  --split 3\t--log "), expected);
}

}  // namespace
}  // namespace vn340
