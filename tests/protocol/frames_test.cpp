#include "protocol/frames.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace vn340 {
namespace {

struct ReadFrameRow {
    std::uint16_t address;
    std::string_view constant;
    std::string_view expected;
};

TEST(Frames, ReadFramesOfTheFixedTable) {
    const std::vector<ReadFrameRow> rows = {
        {0x0008, kReadProductIdFrame, "000801F7aa"},
        {0x0000, kReadMemoryMapVersionFrame, "000001FFaa"},
        {0x0006, kReadFirmwareVersionFrame, "000601F9aa"},
        {0x000A, kReadSerialLowFrame, "000A01F5aa"},
        {0x000C, kReadSerialHighFrame, "000C01F3aa"},
        {0x0004, kReadLoaderVersionFrame, "000401FBaa"},
        {0x011E, kReadServoFlagsFrame, "011E01E0aa"},
        {0xFFFF, {}, "FFFF0101aa"},  // 255 + 255 + 1 = 511 -> 0xFF -> 0x01
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expected);
        EXPECT_EQ(readFrame(row.address), row.expected);
        if (!row.constant.empty()) {
            EXPECT_EQ(row.constant, row.expected);
        }
    }
}

struct WriteFrameRow {
    std::uint16_t address;
    std::uint16_t value;
    std::string_view expected;
};

TEST(Frames, WriteFrames) {
    const std::vector<WriteFrameRow> rows = {
        {0x0120, 0x0000, "0000012002DDaa"},
        {0x0100, 0x0794, "079401000262aa"},  // high endpoint 100 %
        {0x0102, 0x044C, "044C010202ABaa"},  // low endpoint 100 %
        {0x010A, 0xFFCE, "FFCE010A0226aa"},  // exponential -50
        {0x0000, 0x0000, "0000000002FEaa"},
        {0xFFFF, 0xFFFF, "FFFFFFFF0202aa"},  // 4 * 255 + 2 = 1022 -> 0xFE -> 0x02
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expected);
        EXPECT_EQ(writeFrame(row.address, row.value), row.expected);
    }
    EXPECT_EQ(kClearStatisticsFrame, writeFrame(kAddrStatistics, 0));
}

TEST(Frames, LiveSignalFramesAreFixedTexts) {
    EXPECT_EQ(kLiveSignalsFrame, "03FDaa");
    EXPECT_EQ(kGyroSignalFrame, "*");
    const std::uint8_t op = kOpLiveSignals;
    EXPECT_EQ(hexPair(op) + hexPair(frameChecksum(&op, 1)) + "aa", kLiveSignalsFrame);
}

TEST(Frames, ParameterReadTemplate) {
    EXPECT_EQ(parameterReadFrame(0), "010001FEaa");
    EXPECT_EQ(parameterReadFrame(15), "011E01E0aa");
    EXPECT_EQ(parameterReadFrame(16), "012001DEaa");
    for (int n = 0; n < kParameterCount; ++n) {
        EXPECT_EQ(parameterReadFrame(n), readFrame(parameterAddress(n))) << "parameter " << n;
    }
    EXPECT_EQ(parameterAddress(0), 0x0100);
    EXPECT_EQ(parameterAddress(12), 0x0118);
    EXPECT_EQ(parameterAddress(16), 0x0120);
}

TEST(Frames, ParameterWriteTemplate) {
    EXPECT_EQ(parameterWriteFrame(1940, 0x00), "079401000262aa");
    EXPECT_EQ(parameterWriteFrame(1100, 0x02), "044C010202ABaa");
    EXPECT_EQ(parameterWriteFrame(0xFFCE, 0x0A), "FFCE010A0226aa");
    for (int n = 0; n < kParameterCount; ++n) {
        for (std::uint16_t value : {0x0000, 0x0001, 0x00FF, 0x1234, 0x8000, 0xFFFF}) {
            const auto address = parameterAddress(n);
            EXPECT_EQ(parameterWriteFrame(value, static_cast<std::uint8_t>(address & 0xFF)),
                      writeFrame(address, value))
                << "parameter " << n << " value " << value;
        }
    }
}

struct HexRow {
    char high;
    char low;
    std::uint8_t expected;
};

TEST(Frames, HexByteReadsEveryCharacterWithoutRefusing) {
    const std::vector<HexRow> rows = {
        {'0', '0', 0x00},       {'F', 'F', 0xFF}, {'9', 'A', 0x9A},
        {'A', '9', 0xA9},       {'a', 'a', 0xCA},  // H = (97 + 9) mod 16 = 10, L = 97 - 55 = 42
        {'G', '0', 0x00},                          // H = (71 + 9) mod 16 = 0
        {'0', 'G', 0x10},                          // L = 71 - 55 = 16
        {' ', ' ', 0x79},                          // H = 41 mod 16 = 9, L = -23: 144 - 23 = 121
        {'\xFF', '\xFF', 0x48},                    // H = 8, L = -56: 128 - 56 = 72
        {'.', '0', 0x70},                          // H = (46 + 9) mod 16 = 7
    };
    for (const auto& row : rows) {
        SCOPED_TRACE((std::string{row.high, row.low}));
        EXPECT_EQ(hexByte(row.high, row.low), row.expected);
    }
}

struct WordRow {
    std::string_view text;
    std::uint16_t value;
    bool passed;
};

TEST(Frames, DecodeWordReply) {
    const std::vector<WordRow> rows = {
        {"079465", 0x0794, true},     // -(7 + 148) mod 256 = 101 = 0x65
        {"0794F5", 0x0794, true},     // high checksum digit is not compared
        {"079466", 0x0794, false},    // low digit wrong
        {"FFCE33", 0xFFCE, true},     // -(255 + 206) mod 256 = 51
        {"034003C0", 0x0340, false},  // checksum 03, expected BD: low digits differ
        {"0340BD", 0x0340, true},     // -(3 + 64) mod 256 = 189 = 0xBD
        {"0340BC", 0x0340, false},
        {"000000", 0x0000, true},  // -(0) mod 256 = 0
        {"0000F0", 0x0000, true},
        {"079465garbage", 0x0794, true},  // text after the first group is ignored
        {"07946", 0, false},              // no whole group
        {"", 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const WordReply reply = decodeWordReply(row.text);
        EXPECT_EQ(reply.passed, row.passed);
        if (row.text.size() >= 6) {
            EXPECT_EQ(reply.value, row.value);
        }
    }
}

struct PairRow {
    std::string_view text;
    std::uint16_t first;
    std::uint16_t second;
    bool passed;
};

TEST(Frames, DecodePairReply) {
    const std::vector<PairRow> rows = {
        {"020007E413", 0x0200, 0x07E4, true},  // 2 + 0 + 7 + 228 = 237 -> 19
        {"020007E4F3", 0x0200, 0x07E4, true},  // only the low digit is compared
        {"020007E414", 0x0200, 0x07E4, false},
        {"05F005F016", 0x05F0, 0x05F0, true},  // 2 * (5 + 240) = 490 -> 234 -> 22 = 0x16
        {"0000000000", 0, 0, true},
        {"020007E413trailing", 0x0200, 0x07E4, true},
        {"020007E41", 0, 0, false},  // nine characters: no whole group
        {"", 0, 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const PairReply reply = decodePairReply(row.text);
        EXPECT_EQ(reply.passed, row.passed);
        EXPECT_EQ(reply.first, row.first);
        EXPECT_EQ(reply.second, row.second);
    }
}

TEST(Frames, DecodersNeverReadPastTheirText) {
    // The view ends before valid digits that sit in the same buffer.
    const std::string buffer =
        "0794"
        "65"
        "020007E4"
        "13";
    EXPECT_FALSE(decodeWordReply(std::string_view(buffer).substr(0, 5)).passed);
    EXPECT_FALSE(decodePairReply(std::string_view(buffer).substr(6, 9)).passed);
    EXPECT_TRUE(decodePairReply(std::string_view(buffer).substr(6, 10)).passed);
}

struct CompletionRow {
    std::string_view buffer;
    bool identification;
    bool parameter;
    bool writeAck;
    bool liveSignals;
    bool gyroSignal;
};

TEST(Frames, CompletionTests) {
    const std::vector<CompletionRow> rows = {
        {"", false, false, false, false, false},
        {".", false, false, true, false, false},
        {"12345678901234", false, false, false, false, false},  // 14, no "."
        // 15 and no ".": the parameter test alone would take it, but a reply's "." may still be
        // on its way behind noise.
        {"123456789012345", false, false, false, true, false},
        // 15 with a "." that is neither ninth nor after an echo: likewise.
        {"1234567.9012345", false, false, true, true, false},
        {"12345678.012345", true, true, true, true, false},    // 15 with the "." ninth
        {"000801F7X0340BD", false, true, false, true, false},  // the echo first, its "." damaged
        {"1234567.901234", false, false, true, false, false},  // 14 with "."
        {"*", false, false, false, false, false},
        {"xx*0200", false, false, false, false, false},
        {"*020007E41", false, false, false, false, false},  // the "*" and nine digits
        {"*020007E413", false, false, false, false, true},  // the "*" ahead of its ten digits
        {"020007E413*", false, false, false, false, true},  // the "*" after them
        {"0200*07E413", false, false, false, false, true},
        {"020007E413", false, false, false, false, false},          // ten digits, no "*"
        {"1234567890123456789.*", false, false, true, true, true},  // a "." far out: no group
        {"12345678.0123456789.*", true, true, true, true, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.buffer);
        EXPECT_EQ(identificationReplyComplete(row.buffer), row.identification);
        EXPECT_EQ(parameterReplyComplete(row.buffer), row.parameter);
        EXPECT_EQ(writeAckComplete(row.buffer), row.writeAck);
        EXPECT_EQ(liveSignalsReplyComplete(row.buffer), row.liveSignals);
        EXPECT_EQ(gyroSignalReplyComplete(row.buffer), row.gyroSignal);
    }
}

struct NoisyReplyRow {
    std::string_view name;
    std::string_view reply;
    bool (*complete)(std::string_view);
    std::uint16_t word;
};

struct NoiseRow {
    std::string_view name;
    std::string_view noise;
};

// Noise ahead of a reply, arriving a character at a time: the reply is complete at its last
// character and not before (or its rest would spill into the next reply), and its word is the
// gyro's. A decoder that read the ninth character on, as the buffer always used to be read,
// would find the echo, the "." or the noise there, and now and then a checksum that holds.
TEST(Frames, NoiseAheadOfAReplyNeverGivesAWrongWord) {
    const std::vector<NoisyReplyRow> replies = {
        {"product", "000801F7.0340BD", identificationReplyComplete, 0x0340},
        {"map version", "000001FF.0003FD", identificationReplyComplete, 3},
        {"firmware", "000601F9.0109F6", identificationReplyComplete, 0x0109},
        {"serial low", "000A01F5.1234BA", identificationReplyComplete, 0x1234},
        {"serial high", "000C01F3.0001FF", identificationReplyComplete, 0x0001},
        {"loader", "000401FB.0203FB", identificationReplyComplete, 0x0203},
        {"high endpoint", "010001FE.079465", parameterReplyComplete, 1940},
        // Its echo "010E01" read as a group passes its own check.
        {"acceleration", "010E01F0.0003FD", parameterReplyComplete, 3},
    };
    using namespace std::string_view_literals;
    const std::vector<NoiseRow> noises = {
        {"three letters", "XYZ"},
        {"one letter", "X"},
        {"three zero bytes", "\0\0\0"sv},
        {"three zero bytes as the adapters hand them on", "???"},
        {"a dot", "."},
        {"a dot among letters", "~.~"},
        {"hex digits", "0000"},
        {"hex digits around a dot", "0.1A"},
        {"a dot and letters, more than nine", "ABCDEFGHIJ.K"},
        {"fifteen characters ending in hex digits", "~#~#~0000000001"},
        {"a word group of its own", "0340BD"},
        {"the tail of the reply before, then letters", "BDXYZ"},
        {"nine characters: as many as are dropped", "XYZ??????"},
    };
    for (const auto& reply : replies) {
        for (const auto& noise : noises) {
            SCOPED_TRACE(std::string(reply.name) + " after " + std::string(noise.name));
            const std::string buffer = std::string(noise.noise) + std::string(reply.reply);
            for (std::size_t length = 0; length < buffer.size(); ++length) {
                ASSERT_FALSE(reply.complete(std::string_view(buffer).substr(0, length))) << length;
            }
            ASSERT_TRUE(reply.complete(buffer));
            const WordReply word = decodeWordReply(wordReplyText(buffer));
            EXPECT_TRUE(word.passed);
            EXPECT_EQ(word.value, reply.word);
        }
    }
}

struct WordTextRow {
    std::string_view buffer;
    std::string_view text;
};

TEST(Frames, WordReplyTextFollowsTheEchoOfAReadFrame) {
    const std::vector<WordTextRow> rows = {
        {"000801F7.0340BD", "0340BD"},
        {"123456789079465", ""},         // no echo and no ".": nothing yet
        {"X000801F7.0340BD", "0340BD"},  // the echo, one character in
        {"X000801F6.0340BD", ""},        // its checksum does not hold: no echo
        {"X000802F6.0340BD", ""},        // a write frame's operation: no echo
        {"X000801f7.0340BD", ""},        // frames are sent in capitals
        {"X000801F7.", ""},
        {"12345678.0340BD", "0340BD"},  // no echo, but the "." ninth: a damaged echo
        {"000801F7X0340BD", "0340BD"},  // the echo first, its "." damaged
        {"1234567.X0340BD", ""},        // neither: the reply may be behind noise
        {"12345678", ""},
        {"000801F7.0340BD000801F7.0003FD", "0340BD000801F7.0003FD"},  // the first echo
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.buffer);
        EXPECT_EQ(wordReplyText(row.buffer), row.text);
    }
}

TEST(Frames, LeadingCharactersAndTheStar) {
    EXPECT_EQ(dropLeading("123456789079465.", kWordReplyLeading), "079465.");
    EXPECT_EQ(dropLeading("12345020007E413", kLiveSignalsLeading), "020007E413");
    EXPECT_EQ(dropLeading("1234", kWordReplyLeading), "");
    EXPECT_EQ(dropLeading("123456789", kWordReplyLeading), "");
    EXPECT_EQ(removeFirstStar("ab*cd*"), "abcd*");
    EXPECT_EQ(removeFirstStar("*020007E413"), "020007E413");
    EXPECT_EQ(removeFirstStar("none"), "none");
}

}  // namespace
}  // namespace vn340
