// Fuzz target: the terminal key decoder over any byte stream, split into reads anywhere, with the Esc delay
// passing after any read. Every call uses what it may, and an Esc key comes only from a lone Esc byte:
// one followed by another Esc, or by the delay.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "platform/terminal/key_decoder.h"

using terminal::DecodedKey;
using terminal::KeyKind;

// Byte 0 bit 0: UTF-8 terminal. Then reads: a header byte (bits 0-5 the length, bit 7 the delay passes
// after it) and that many stream bytes. The stream's end counts as the delay passing.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool utf8 = data[0] & 1;
    std::vector<unsigned char> stream;
    std::vector<bool> delayAfter;
    std::vector<size_t> readEnds;
    for (size_t i = 1; i < size;) {
        const size_t length = std::min<size_t>(data[i] & 0x3F, size - i - 1);
        const bool delay = data[i] & 0x80;
        stream.insert(stream.end(), data + i + 1, data + i + 1 + length);
        delayAfter.resize(stream.size());
        if (delay && !stream.empty()) delayAfter.back() = true;
        readEnds.push_back(stream.size() | (delay ? size_t{1} << 63 : 0));
        i += 1 + length;
    }
    if (!stream.empty()) delayAfter.back() = true;

    size_t decoded = 0;  // stream bytes used so far
    size_t received = 0;
    const auto decode = [&](bool delayPassed) {
        std::vector<DecodedKey> keys;
        const size_t used = terminal::DecodeKeys(stream.data() + decoded, received - decoded, delayPassed, utf8, keys);
        FUZZ_CHECK(used <= received - decoded && (!delayPassed || used == received - decoded) && keys.size() <= used);
        long loneEscapes = 0;
        for (size_t i = decoded; i < decoded + used; ++i) {
            loneEscapes += stream[i] == 0x1B && ((i + 1 < stream.size() && stream[i + 1] == 0x1B) || delayAfter[i]);
        }
        FUZZ_CHECK(std::count_if(keys.begin(), keys.end(), [](const DecodedKey& k) { return k.kind == KeyKind::Escape; }) == loneEscapes);
        for (const DecodedKey& key : keys)
            FUZZ_CHECK(key.kind != KeyKind::Character || (key.character != 0x1B && key.character <= 0x10FFFF));
        decoded += used;
    };
    for (const size_t end : readEnds) {
        received = end & ~(size_t{1} << 63);
        decode(false);
        if (end >> 63) decode(true);
    }
    decode(true);
    return 0;
}
