// Arbitrary received text through every completion test and decoder, cut at every size the
// sequence engine could see. The decoders must stay inside the text they are given: the
// copy below lives in its own heap block, so a read past its end is caught by the sanitizer.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "protocol/frames.h"

namespace {

void checkDecoders(std::string_view text) {
    const vn340::WordReply word = vn340::decodeWordReply(text);
    if (text.size() < 6 && word.passed) {
        std::abort();
    }
    const vn340::PairReply pair = vn340::decodePairReply(text);
    if (text.size() < 10 && pair.passed) {
        std::abort();
    }
}

void checkBuffer(std::string_view buffer) {
    if (vn340::identificationReplyComplete(buffer) && !vn340::parameterReplyComplete(buffer)) {
        std::abort();  // the identification test is the parameter test plus a "."
    }
    const std::string_view word = vn340::wordReplyText(buffer);
    if (word.size() > buffer.size() || (!word.empty() && word.end() != buffer.end())) {
        std::abort();  // the word's text is the end of the buffer, never beyond it
    }
    if (vn340::parameterReplyComplete(buffer) && word.size() < 6) {
        std::abort();  // a complete reply holds its whole value group
    }
    checkDecoders(word);
    vn340::writeAckComplete(buffer);
    if (vn340::liveSignalsReplyComplete(buffer)) {
        checkDecoders(vn340::dropLeading(buffer, vn340::kLiveSignalsLeading));
    }
    if (vn340::gyroSignalReplyComplete(buffer)) {
        const std::string rest = vn340::removeFirstStar(buffer);
        if (rest.size() + 1 != buffer.size()) {
            std::abort();
        }
        checkDecoders(rest);
    }
    checkDecoders(buffer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto copy = std::make_unique<char[]>(size);
    for (std::size_t i = 0; i < size; ++i) {
        copy[i] = static_cast<char>(data[i]);
    }
    const std::string_view whole(copy.get(), size);
    for (std::size_t length = 0; length <= size && length <= 64; ++length) {
        checkBuffer(whole.substr(0, length));
    }
    checkBuffer(whole);
    if (size >= 2) {
        vn340::hexByte(whole[0], whole[1]);
    }
    return 0;
}
