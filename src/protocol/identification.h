#pragma once

// The identification a read and a store both begin with, and diagnostics with its first
// word: which words are asked for and how each answer is kept is the same everywhere. What
// the sequences do differently (their state numbers, the order of the steps, the status
// texts, how the firmware is shown) each of them writes down as a table of these rows, so
// that a reader can hold the table against the protocol's.

#include <string_view>

#include "protocol/sequence_state.h"

namespace vn340 {

enum class Identification {
    ProductId,           // must be the vn340's, or the sequence ends with a message
    MemoryMapVersion,    // must be the one this program knows, or the sequence ends
    FirmwareFromNumber,  // shown as number / 100 and number mod 100: a low byte above 99
                         // carries into the major part
    FirmwareFromBytes,   // shown as the word's two bytes
    SerialLow,
    SerialHigh,
    Loader,
};

// The read word frame that asks for the item.
std::string_view identificationFrame(Identification item);

// One identification exchange: the state that sends the frame, the state that waits for its
// reply, and where the sequence goes once the reply has been kept.
struct IdentificationStep {
    SequenceState sendState;
    SequenceState waitState;
    Identification item;
    SequenceState nextState;
    std::string_view status;  // set as the frame goes out; empty: the line keeps its text
};

}  // namespace vn340
