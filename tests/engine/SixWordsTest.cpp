#include "engine/SixWords.h"
#include "tests/engine/TestHex.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace {

std::string Slot(int i) {
    return std::string(WordTable[i], strnlen(WordTable[i], 4));
}

TEST(WordTable, LayoutAndOrder) {
    EXPECT_EQ(Slot(0), "A");
    EXPECT_EQ(Slot(570), "YOU");
    EXPECT_EQ(Slot(571), "ABED");
    EXPECT_EQ(Slot(2047), "YOKE");
    int lengths[5] = {};
    for (int i = 0; i < 2048; ++i) {
        const std::string w = Slot(i);
        ++lengths[w.size()];
        EXPECT_EQ(w.size() == 4, i > 570) << i;
        for (std::size_t j = w.size(); j < 4; ++j)
            EXPECT_EQ(WordTable[i][j], '\0') << i;
        if (i != 0 && i != 571) {
            EXPECT_LT(Slot(i - 1), w) << i;
        }
    }
    EXPECT_EQ(lengths[1], 3);
    EXPECT_EQ(lengths[2], 49);
    EXPECT_EQ(lengths[3], 519);
    EXPECT_EQ(lengths[4], 1477);
}

TEST(FindWord, FindsEveryWordInItsHalf) {
    for (int i = 0; i < 2048; ++i) {
        const std::string w = Slot(i);
        EXPECT_EQ(i < 571 ? FindWord(w.c_str(), 0, 570) : FindWord(w.c_str(), 571, 2047), i) << w;
    }
    EXPECT_EQ(FindWord("AAA", 0, 570), -1);
    EXPECT_EQ(FindWord("ZZZ", 0, 570), -1);
    EXPECT_EQ(FindWord("ZZZZ", 571, 2047), -1);
    EXPECT_EQ(FindWord("AB", 0, 570), -1); // a prefix of ABE is not ABE
}

TEST(Bits, InsertThenExtractRoundTrips) {
    std::mt19937 rng(7);
    for (int round = 0; round < 2000; ++round) {
        const int length = 1 + static_cast<int>(rng() % 16);
        const int start = static_cast<int>(rng() % (88 - 24));
        const unsigned value = rng() & (0xFFFFu >> (16 - length));
        unsigned char bytes[11] = {};
        InsertBits(bytes, value, start, length);
        ASSERT_EQ(ExtractBits(bytes, start, length), value) << start << "/" << length;
        // Nothing outside the field is set.
        for (int bit = 0; bit < 64; ++bit)
            if (bit < start || bit >= start + length) {
                ASSERT_EQ(ExtractBits(bytes, bit, 1), 0u) << start << "/" << length;
            }
    }
}

TEST(Bits, BitZeroIsTheTopBitOfByteZero) {
    const unsigned char bytes[4] = {0x80, 0x01, 0x00, 0x00};
    EXPECT_EQ(ExtractBits(bytes, 0, 1), 1u);
    EXPECT_EQ(ExtractBits(bytes, 15, 1), 1u);
    EXPECT_EQ(ExtractBits(bytes, 0, 16), 0x8001u);
}

std::string Encode(const unsigned char key[8]) {
    char text[30];
    std::memset(text, 'X', sizeof text);
    return EncodeSixWords(text, key);
}

TEST(EncodeSixWords, Examples) {
    const struct {
        unsigned char key[8];
        const char* words;
    } cases[] = {
        {{0, 0, 0, 0, 0, 0, 0, 0}, "A A A A A A"},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "YOKE YOKE YOKE YOKE YOKE YEAR"},
        {{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}, "AIM HEW BLUM FED MITE WARM"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Encode(c.key), c.words);
}

TEST(EncodeSixWords, RoundTripsThroughDecode) {
    std::mt19937_64 rng(2289);
    std::size_t shortest = 100, longest = 0;
    for (int round = 0; round < 20000; ++round) {
        unsigned char key[8];
        const auto value = rng();
        std::memcpy(key, &value, 8);
        const std::string text = Encode(key);
        shortest = std::min(shortest, text.size());
        longest = std::max(longest, text.size());
        ASSERT_LE(text.size(), 29u);
        unsigned char back[8];
        ASSERT_EQ(DecodeSixWords(back, text.c_str()), 1) << text;
        ASSERT_EQ(ToHex(back, 8), ToHex(key, 8)) << text;
    }
    EXPECT_GE(shortest, 11u);
}

TEST(DecodeSixWords, ResultCodes) {
    const struct {
        const char* text;
        int result;
        const char* hex; // on success
    } cases[] = {
        {"AIM HEW BLUM FED MITE WARM", 1, "0123456789abcdef"},
        {"aim hew blum fed mite warm", 1, "0123456789abcdef"},
        {"  Aim,,hew;\tblum ;, fed\t\tmite   warm", 1, "0123456789abcdef"},
        {"AIM HEW BLUM FED MITE WARM and more words", 1, "0123456789abcdef"},
        {"yoke yoke yoke yoke yoke year", 1, "ffffffffffffffff"},
        {"A A A A A A", 1, "0000000000000000"},
        {"A2A3A4A6A7A", 1, "0000000000000000"}, // other digits separate
        {"A A A A A A\xC3\xA9", 1, "0000000000000000"},
        {"A\xE9"
         "A\xFF"
         "A\x80"
         "A A A",
         1, "0000000000000000"}, // high bytes separate
        {"A A A A A", -1, nullptr},
        {"A A A A A ", -1, nullptr},
        {"A A A A A 105", -1, nullptr},   // digits alone are no word
        {"A A A A A ABCDE", -1, nullptr}, // five letters
        {"ABCDE A A A A A", -1, nullptr},
        {"", -1, nullptr},
        {"A A A A A XYZ", 0, nullptr},
        {"A A A A A 1ONG", 0, nullptr}, // leading 1 skipped: ONG
        {"A A A A A ABE", -2, nullptr},
    };
    for (const auto& c : cases) {
        unsigned char key[8];
        std::memset(key, 0xA5, 8);
        EXPECT_EQ(DecodeSixWords(key, c.text), c.result) << '"' << c.text << '"';
        EXPECT_EQ(ToHex(key, 8), c.hex ? c.hex : "0000000000000000") << '"' << c.text << '"';
    }
}

TEST(DecodeSixWords, DigitsInsideAWordReadAsLetters) {
    unsigned char key[8], expected[8];
    char text[30];
    const unsigned char sample[8] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
    EncodeSixWords(text, sample);
    ASSERT_EQ(DecodeSixWords(expected, text), 1);

    // Replace every inner L, O and S by 1, 0 and 5.
    std::string typed = text;
    for (std::size_t i = 1; i < typed.size(); ++i) {
        if (typed[i - 1] == ' ')
            continue;
        if (typed[i] == 'L')
            typed[i] = '1';
        else if (typed[i] == 'O')
            typed[i] = '0';
        else if (typed[i] == 'S')
            typed[i] = '5';
    }
    ASSERT_NE(typed, text);
    ASSERT_EQ(DecodeSixWords(key, typed.c_str()), 1) << typed;
    EXPECT_EQ(ToHex(key, 8), ToHex(expected, 8));

    // GO0D reads as GOOD: same result as the spelled word.
    unsigned char a[8], b[8];
    EXPECT_EQ(DecodeSixWords(a, "A A A A A GO0D"), DecodeSixWords(b, "A A A A A GOOD"));
    EXPECT_EQ(ToHex(a, 8), ToHex(b, 8));
}

TEST(DecodeSixWords, ReadsOnlyTheFirst64Characters) {
    const std::string six = "AIM HEW BLUM FED MITE WARM";
    const std::string padded = six + std::string(64 - six.size(), ' ');
    unsigned char key[8];
    EXPECT_EQ(DecodeSixWords(key, (padded + "garbage after the cut").c_str()), 1);
    EXPECT_EQ(ToHex(key, 8), "0123456789abcdef");

    // The sixth word beyond the cut is not seen.
    const std::string five = "AIM HEW BLUM FED MITE";
    const std::string cut = five + std::string(64 - five.size(), ';') + "WARM";
    EXPECT_EQ(DecodeSixWords(key, cut.c_str()), -1);

    // Over-long input of letters: the first word is too long.
    EXPECT_EQ(DecodeSixWords(key, std::string(10000, 'A').c_str()), -1);
}

TEST(DecodeSixWords, NoTextLeavesKeyUntouched) {
    unsigned char key[8];
    std::memset(key, 0xA5, 8);
    EXPECT_EQ(DecodeSixWords(key, nullptr), -1);
    EXPECT_EQ(ToHex(key, 8), "a5a5a5a5a5a5a5a5");
}

TEST(DecodeSixWords, DoesNotModifyTheText) {
    char text[] = "aim hew blum fed mite warm";
    unsigned char key[8];
    ASSERT_EQ(DecodeSixWords(key, text), 1);
    EXPECT_STREQ(text, "aim hew blum fed mite warm");
}

} // namespace
