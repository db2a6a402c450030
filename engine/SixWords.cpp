#include "engine/SixWords.h"

#include "engine/Secret.h"

#include <cstring>

namespace {

constexpr int kLastShortWord = 570;
constexpr int kLastWord = 2047;
constexpr int kMaxText = 64;

unsigned Checksum(const unsigned char* bytes) {
    unsigned sum = 0;
    for (int i = 0; i < 64; i += 2)
        sum += ExtractBits(bytes, i, 2);
    return sum;
}

// Only ASCII letters count. Bytes above 127 are separators: no dictionary word
// holds one, and the result must not depend on the locale or code page.
bool IsLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int CompareSlot(const char* word, int index) {
    return std::strncmp(word, WordTable[index], 4);
}

} // namespace

unsigned ExtractBits(const unsigned char* bytes, int start, int length) {
    if (start < 0 || length < 1 || length > 16)
        return 0;
    const unsigned char* p = bytes + start / 8;
    unsigned x = static_cast<unsigned>(p[0]) << 16 | static_cast<unsigned>(p[1]) << 8 | p[2];
    x >>= 24 - (length + start % 8);
    return x & (0xFFFFu >> (16 - length));
}

void InsertBits(unsigned char* bytes, unsigned value, int start, int length) {
    if (start < 0 || length < 1 || length > 16)
        return;
    const int shift = (8 - ((start + length) % 8)) % 8;
    const unsigned y = value << shift;
    unsigned char* p = bytes + start / 8;
    if (shift + length > 16) {
        p[0] |= static_cast<unsigned char>(y >> 16);
        p[1] |= static_cast<unsigned char>(y >> 8);
        p[2] |= static_cast<unsigned char>(y);
    } else if (shift + length > 8) {
        p[0] |= static_cast<unsigned char>(y >> 8);
        p[1] |= static_cast<unsigned char>(y);
    } else {
        p[0] |= static_cast<unsigned char>(y);
    }
}

char* EncodeSixWords(char* text, const unsigned char key[8]) {
    // Bytes 9 and 10 only keep the three-byte reads inside the array.
    unsigned char bits[11] = {};
    std::memcpy(bits, key, 8);
    bits[8] = static_cast<unsigned char>(Checksum(bits) << 6);

    char* out = text;
    for (int k = 0; k < 6; ++k) {
        const char* slot = WordTable[ExtractBits(bits, 11 * k, 11)];
        for (int i = 0; i < 4 && slot[i] != '\0'; ++i)
            *out++ = slot[i];
        if (k < 5)
            *out++ = ' ';
    }
    *out = '\0';
    SecureWipe(bits, sizeof bits);
    return text;
}

int FindWord(const char* word, int low, int high) {
    if (word == nullptr || low < 0 || high > kLastWord || low > high)
        return -1;
    for (;;) {
        const int mid = (low + high) / 2;
        const int order = CompareSlot(word, mid);
        if (order == 0)
            return mid;
        if (high == low + 1)
            return CompareSlot(word, high) == 0 ? high : -1;
        if (low >= high)
            return -1;
        if (order < 0)
            high = mid;
        else
            low = mid;
    }
}

int DecodeSixWords(unsigned char key[8], const char* text) {
    if (text == nullptr || key == nullptr)
        return -1;
    // A fixed local copy: longer text is cut, and nothing can fail to allocate.
    char copy[kMaxText + 1];
    std::size_t length = 0;
    while (length < kMaxText && text[length] != '\0') {
        copy[length] = text[length];
        ++length;
    }
    copy[length] = '\0';

    unsigned char bits[11] = {};
    std::memset(key, 0, 8);

    int result = 1;
    char* p = copy;
    for (int k = 0; k < 6 && result == 1; ++k) {
        while (*p != '\0' && !IsLetter(static_cast<unsigned char>(*p)))
            ++p;
        char* word = p;
        for (;; ++p) {
            char c = *p;
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 32);
            else if (c == '1')
                c = 'L';
            else if (c == '0')
                c = 'O';
            else if (c == '5')
                c = 'S';
            if (!IsLetter(static_cast<unsigned char>(c)))
                break;
            *p = c;
        }
        if (*p == '\0' && k < 5) {
            result = -1;
            break;
        }
        const bool atEnd = *p == '\0';
        *p = '\0';
        const std::size_t letters = static_cast<std::size_t>(p - word);
        if (!atEnd)
            ++p;

        if (letters < 1 || letters > 4) {
            result = -1;
            break;
        }
        const int index = letters < 4 ? FindWord(word, 0, kLastShortWord)
                                      : FindWord(word, kLastShortWord + 1, kLastWord);
        if (index < 0) {
            result = 0;
            break;
        }
        InsertBits(bits, static_cast<unsigned>(index), 11 * k, 11);
    }

    if (result == 1 && ExtractBits(bits, 64, 2) != (Checksum(bits) & 3))
        result = -2;
    if (result == 1)
        std::memcpy(key, bits, 8);
    SecureWipe(bits, sizeof bits);
    SecureWipe(copy, sizeof copy);
    return result;
}
