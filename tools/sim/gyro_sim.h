#pragma once

// A vn340 behind its adapter, played in software.
//
// The simulator holds the gyro's memory map, takes the characters the program sends in pieces
// of any size, recognises the frames, checks their checksums, applies writes and produces the
// adapter's answers as bytes with the earliest time each may be delivered. It keeps no clock:
// the caller says what time it is when it feeds text, and delivers the bytes when they are due.
// Not thread-safe; a caller that feeds and drains from two threads holds its own lock.
//
// Reply format (what the program's completion tests and decoders see):
//   read word      E E E E E E E E . V V V V C C        15 characters
//                  the frame's first 8 characters echoed (its data and checksum digits
//                  without "aa" for a read frame), a ".", the word as four upper-case hex
//                  digits and the word's checksum byte (two's complement of its two bytes).
//                  Dropping 9 leading characters leaves exactly one word group, and the reply
//                  is complete, for both the identification and the parameter test, only when
//                  its last character has arrived, so nothing spills into the next reply.
//   write word     E E E E E E E E E E E E .          the 12 digits of the frame, then "."
//                  The "." is the last character, so the acknowledgement is whole when seen.
//   "03FDaa"       0 3 F D . R R R R G G G G C C      15 characters: 5 leading, then the
//                  rudder and gain signals and the checksum of their four bytes.
//   "*"            G G G G 0 0 0 0 C C *              the gyro signal, an unused zero word and
//                  the checksum, then the "*": the reply is complete when the "*" arrives and
//                  the digits are already there. With `starFirst` the "*" comes first instead,
//                  as an adapter might send it, so the program can be tested with a "*" whose
//                  digits are still on their way.
// Frames that fail their checksum, cannot be read or have an unknown operation get no answer
// and are counted. Reads of addresses the map does not hold answer 0x0000.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "protocol/live_signals.h"

namespace vn340 {

using SimTime = std::chrono::nanoseconds;

inline constexpr int kCorruptEveryReply = -1;

struct SimSettings {
    // Pace the output like a serial line: 10 bit times per character at `baud`.
    bool pace = false;
    int baud = 9600;
    SimTime replyDelay{0};  // between the end of a frame and the first character of its reply

    int silentFrom = 0;    // 1-based: from this frame on nothing is answered; 0 = never
    int corruptReply = 0;  // 1-based reply whose checksum is damaged; kCorruptEveryReply; 0 = none
    std::size_t splitSize = 0;  // deliver replies in pieces of this many characters
    SimTime pieceGap = std::chrono::milliseconds(5);  // extra time before each further piece
    std::string noiseBefore{};                        // sent before every reply
    std::string noiseAfter{};                         // sent after every reply
    int zeroBytesBefore = 0;  // zero bytes before every reply (after the noise)
    int zeroBytesAfter = 0;   // zero bytes after every reply (before the noise)
    bool starFirst = false;   // "*" before the digits of the gyro signal reply

    // A worn cell: writes to this address are acknowledged, but the word keeps its old value.
    std::optional<std::uint16_t> stuckAddress{};

    // Overrides of the identification and statistics words of the initial memory.
    std::optional<std::uint16_t> productId{};
    std::optional<std::uint16_t> memoryMapVersion{};
    std::optional<std::uint16_t> statistics{};
};

struct OutputByte {
    char value = 0;
    SimTime due{0};  // the earliest time the byte may be delivered
    int piece = 0;   // bytes of one piece share this number; pieces count up
};

struct WriteRecord {
    std::uint16_t address = 0;
    std::uint16_t value = 0;
    bool operator==(const WriteRecord&) const = default;
};

class GyroSimulator {
  public:
    explicit GyroSimulator(SimSettings settings = {});

    // Characters received from the program, at time `now`.
    void feed(std::string_view received, SimTime now = SimTime{0});

    bool hasOutput() const { return !output_.empty(); }
    std::optional<SimTime> nextDue() const;
    // The bytes due at or before `now`, in order.
    std::string takeDue(SimTime now);
    // Everything pending, with its times.
    std::vector<OutputByte> takeAll();
    // Everything pending as one text, ignoring times.
    std::string takeAllText();
    // Everything pending, one text per piece.
    std::vector<std::string> takePieces();

    std::uint16_t word(std::uint16_t address) const;
    void setWord(std::uint16_t address, std::uint16_t value);
    const std::map<std::uint16_t, std::uint16_t>& memory() const { return memory_; }

    void setLiveSignals(LiveSignals live) { live_ = live; }
    SimSettings& settings() { return settings_; }
    const SimSettings& settings() const { return settings_; }

    // What happened, for tests and for the program's log.
    const std::vector<std::string>& framesReceived() const { return frames_; }
    const std::vector<WriteRecord>& writesApplied() const { return writes_; }
    int badChecksums() const { return badChecksums_; }
    int malformedFrames() const { return malformed_; }
    int repliesSent() const { return replies_; }

  private:
    void takeCharacter(char c, SimTime now);
    void handleFrame(const std::string& frame, SimTime now);
    // The reply to a hex frame and the index of its checksum's low digit, or none.
    std::optional<std::pair<std::string, std::size_t>> answerHexFrame(const std::string& frame);
    std::pair<std::string, std::size_t> gyroSignalReply() const;
    void queueReply(std::string reply, std::optional<std::size_t> checksumDigit, SimTime now);

    SimSettings settings_;
    std::map<std::uint16_t, std::uint16_t> memory_;
    LiveSignals live_;
    std::string pending_;  // characters of a frame not yet terminated
    std::deque<OutputByte> output_;
    SimTime lastDue_{0};
    int nextPiece_ = 0;

    std::vector<std::string> frames_;
    std::vector<WriteRecord> writes_;
    int badChecksums_ = 0;
    int malformed_ = 0;
    int replies_ = 0;
};

// The memory of a factory-fresh vn340 (version 3, product 0x0340, default parameters).
std::map<std::uint16_t, std::uint16_t> factoryMemory();

}  // namespace vn340
