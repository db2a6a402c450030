// Any text into DecodeSixWords must not crash; the first 8 bytes as a key
// must come back through encode and decode.
#include "engine/SixWords.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size >= 8) {
        char text[30];
        unsigned char key[8];
        EncodeSixWords(text, data);
        if (DecodeSixWords(key, text) != 1 || std::memcmp(key, data, 8) != 0)
            std::abort();
    }

    const std::string text(reinterpret_cast<const char*>(data), size);
    unsigned char key[8];
    const int result = DecodeSixWords(key, text.c_str());
    if (result < -2 || result > 1)
        std::abort();
    if (result == 1) {
        // Decoded words re-encode to words that decode to the same key.
        char again[30];
        unsigned char back[8];
        EncodeSixWords(again, key);
        if (DecodeSixWords(back, again) != 1 || std::memcmp(back, key, 8) != 0)
            std::abort();
    } else {
        static const unsigned char zero[8] = {};
        if (std::memcmp(key, zero, 8) != 0)
            std::abort();
    }
    return 0;
}
