// Fuzz target: the terminal key decoder over any byte stream, split into reads anywhere, with the Esc delay
// passing after any read. Every call uses what it may, and an Esc key comes only from a lone Esc byte.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "platform/terminal/key_decoder.h"

// Byte 0 bit 0: UTF-8 terminal. Then reads: a header byte (bits 0-5 the length, bit 7 the delay passes
// after it) and that many stream bytes. The stream's end counts as the delay passing.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<unsigned char> pending;
    for (size_t i = 1; i <= size;) {
        const size_t length = i < size ? std::min<size_t>(data[i] & 0x3F, size - i - 1) : 0;
        const bool delayPassed = i == size || (data[i] & 0x80);
        pending.insert(pending.end(), data + std::min(i + 1, size), data + std::min(i + 1 + length, size));
        // Lone Esc bytes: each followed by another Esc, or the last byte when the delay passes.
        const size_t n = pending.size();
        long lone = 0;
        for (size_t k = 0; k < n; ++k) lone += pending[k] == 0x1B && (k + 1 < n ? pending[k + 1] == 0x1B : delayPassed);
        std::vector<terminal::DecodedKey> keys;
        const size_t used = terminal::DecodeKeys(pending.data(), n, delayPassed, data[0] & 1, keys);
        FUZZ_CHECK(used <= n && (!delayPassed || used == n) && keys.size() <= used);
        const auto escape = [](const terminal::DecodedKey& k) { return k.kind == terminal::KeyKind::Escape; };
        FUZZ_CHECK(!delayPassed || std::count_if(keys.begin(), keys.end(), escape) == lone);
        pending.erase(pending.begin(), pending.begin() + static_cast<long>(used));
        i += 1 + length;
    }
    return 0;
}
