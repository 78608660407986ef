#pragma once

// After a store the parameter words are read back with the read's own frames and set beside
// the words written, so that a gyro that acknowledged a word but kept another is caught before
// the helicopter flies. Pure functions of the words; the engine does the talking.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/gyro_config.h"
#include "protocol/frames.h"
#include "protocol/memory_map.h"
#include "protocol/sequence_outcome.h"

namespace vn340 {

// The words of one store, by parameter number: what was written (the unused word and the
// statistics word are not) and what the gyro answered when asked again (none when the answer
// failed its check).
struct StoreWords {
    WordAnswers written{};
    WordAnswers readBack{};
};

// What the gyro holds after the store, as a read would show it: `stored` with every word read
// back put in, the comments and the identification as they were. A word whose answer was
// damaged leaves its setting as stored.
GyroConfig configFromReadBack(const GyroConfig& stored, const StoreWords& words);

// What the gyro is known to hold after the store: configFromReadBack(), with a word confirmed
// where its answer was read. A profile whose second copy answered otherwise than its first is
// not known: the gyro keeps two values for one setting.
GyroKnowledge storeKnowledge(const GyroConfig& stored, const StoreWords& words);

// One line per setting the gyro does not hold as stored, in the window's words:
// "High endpoint: stored 133, the gyro holds 120". `stored` is the configuration the store
// wrote. Empty when every written word came back as written.
std::vector<std::string> storeDifferences(const GyroConfig& stored, const StoreWords& words);

namespace sequence_text {
// While the words are read back after a store.
inline constexpr std::string_view kVerifying = "Verifying\u2026";
// The status line after a store whose words did not all come back as written.
inline constexpr std::string_view kStoreNotVerified = "Store not verified";
// The message that lists the differences and tells the pilot what to do.
std::string storeDiffers(const std::vector<std::string>& differences);
}  // namespace sequence_text

}  // namespace vn340
