#pragma once

// How a conversation with the gyro ended, as one value that every caller reads: the window
// shows its message and status line from it, the command line its exit status, the history
// names its snapshot by it, and "Revert" and "Compare" take from it only what the gyro is known
// to hold. Nobody works the verdict out again from the texts the pilot was shown.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/field_table.h"
#include "config/gyro_config.h"
#include "protocol/frames.h"

namespace vn340 {

class FrontEnd;

enum class SequenceKind {
    Read,         // "Read from gyro"
    Store,        // "Store to gyro", with the read-back of its words
    CompareRead,  // "Compare with gyro": a read beside the screen
    Diagnostics,  // the live signals
};

enum class SequenceResult {
    Done,         // ran to its end; a store's every word was read back as written
    NotVerified,  // a store ran to its end, but not every word was read back as written
    CutShort,     // the gyro stopped answering, or the adapter went
    Failed,       // an answer of the gyro's ended it
};

// Why a sequence was cut short or failed.
enum class SequenceFailure {
    None,
    NoAnswer,              // the reply time-out
    AdapterLost,           // the port closed under the sequence
    UnknownDevice,         // another product answered
    UnsupportedMemoryMap,  // a memory-map version this program does not know
    DamagedAnswer,         // an answer the sequence cannot go on without failed its check
};

// Identification answers a sequence could not read: the fields keep what they held before.
enum class IdentificationField { Product, MemoryMap, Firmware, SerialNumber, Loader };

// "the serial number", as a sentence names the field.
std::string_view identificationFieldName(IdentificationField field);

// The gyro's answers for the words of the parameter area, by parameter number; none where the
// answer failed its check or never came.
using WordAnswers = std::array<std::optional<std::uint16_t>, kParameterCount>;

// What the gyro is known to hold after a sequence, word by word of the parameter area. A word
// is confirmed when the gyro's own answer for it was read; any other word may hold anything.
struct GyroKnowledge {
    // The configuration with every confirmed word put in; elsewhere what was meant for the gyro
    // (what a store wrote), which nobody may take for the gyro's.
    GyroConfig config;
    std::array<bool, kParameterCount> confirmed{};

    // Every word read: what a read that ran to its end knows.
    static GyroKnowledge allRead(const GyroConfig& config);

    // A profile's second copy is confirmed only where it answered as its first did: otherwise
    // the gyro keeps two values for one setting, and which one it flies with is not known.
    void doubtCopiesApart(const WordAnswers& answers);

    bool anyConfirmed() const;
    // The settings of the words the gyro was given that are not confirmed, in the window's
    // order; a profile is unknown when either of its two copies is.
    std::vector<Setting> unknownSettings() const;
};

struct SequenceOutcome {
    SequenceKind kind = SequenceKind::Read;
    SequenceResult result = SequenceResult::Done;
    SequenceFailure failure = SequenceFailure::None;
    // The product id or memory-map version met, for UnknownDevice and UnsupportedMemoryMap.
    int failureValue = 0;
    // A store's: whether any word had gone out to the gyro.
    bool wordsSent = false;
    // NotVerified: one line per setting the gyro does not hold as stored, or whose answer was
    // damaged ("High endpoint: stored 133, the gyro holds 120").
    std::vector<std::string> differences;
    std::vector<IdentificationField> unreadIdentification;
    GyroKnowledge gyro;

    bool ranToItsEnd() const {
        return result == SequenceResult::Done || result == SequenceResult::NotVerified;
    }
    // Everything the sequence set out to do was done and confirmed.
    bool complete() const { return result == SequenceResult::Done && unreadIdentification.empty(); }
    // A store that ended early after it had begun writing: the gyro may hold some new and some
    // old settings.
    bool storeCutShort() const {
        return kind == SequenceKind::Store && !ranToItsEnd() && wordsSent;
    }
};

// The texts the window shows as sequences end.
namespace sequence_text {
inline constexpr std::string_view kCommunicationFailure =
    "Unable to communicate with the vn340. \n\nCheck that:\nThe vn340 is powered on.\nThe "
    "Vexa-Plug is connected to the vn340.\nThe correct COM port is selected.\n\nIf in doubt "
    "cycle the power to the vn340 and perform the Vexa-Plug Detect process.";
inline constexpr std::string_view kCrcFailure = "Failed CRC Check";
inline constexpr std::string_view kReadAck = "READ_ACK";
std::string unknownDevice(int productId);
std::string unsupportedMemoryMap(int version);
std::string crcFailure();  // "Failed CRC Check:READ_ACK"
// What is added to the message that ends a read or a store early.
inline constexpr std::string_view kReadUnfinished =
    "The read did not finish, so the window shows again what it showed before the read.";
inline constexpr std::string_view kStoreUnfinished =
    "The store did not finish: the gyro may now hold some new and some old settings.\n\n"
    "Storing again is safe: every setting is written again.";
inline constexpr std::string_view kStoreNotBegun =
    "The store did not finish, but nothing had been written yet: the gyro keeps the settings "
    "it had.\n\nStoring again is safe.";
// The status line as a sequence ends.
inline constexpr std::string_view kReadComplete = "Read complete";
inline constexpr std::string_view kWriteComplete = "Write complete";
inline constexpr std::string_view kReadDidNotFinish = "Read did not finish";
inline constexpr std::string_view kStoreDidNotFinish = "Store did not finish";
}  // namespace sequence_text

// The window's words for an outcome: its message (none when all went well) and its status line
// (none: the line keeps its text).
std::optional<std::string> outcomeMessage(const SequenceOutcome& outcome);
std::optional<std::string> outcomeStatus(const SequenceOutcome& outcome);

// Whoever shows the pilot how a sequence ended. Returns once the pilot has answered.
class OutcomeView {
  public:
    virtual ~OutcomeView() = default;
    virtual void showOutcome(const SequenceOutcome& outcome) = 0;
};

// The window's way: the status line, then the message through the front end.
class FrontEndOutcomeView final : public OutcomeView {
  public:
    explicit FrontEndOutcomeView(FrontEnd& frontEnd) : frontEnd_(frontEnd) {}
    void showOutcome(const SequenceOutcome& outcome) override;

  private:
    FrontEnd& frontEnd_;
};

}  // namespace vn340
