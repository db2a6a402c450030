// Hex helpers for the engine tests.
#pragma once

#include <cstddef>
#include <string>

inline std::string ToHex(const unsigned char* bytes, std::size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

// Accepts spaces between digit groups, e.g. "D185 4218 EBBB 0B51".
inline std::string NormalHex(std::string text) {
    std::string out;
    for (char c : text) {
        if (c == ' ')
            continue;
        out += (c >= 'A' && c <= 'F') ? static_cast<char>(c + 32) : c;
    }
    return out;
}
