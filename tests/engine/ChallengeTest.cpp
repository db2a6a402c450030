#include "engine/Challenge.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int kUntouched = 12345;
const char* const kSeedUntouched = "<untouched>";

struct Case {
    std::string text;
    int result;
    int algorithm; // kUntouched when the output must not be written
    int sequence;
    std::string seed;
};

const Case kCases[] = {
    // Valid challenges.
    {"otp-md5 499 ke1234", 1, 5, 499, "ke1234"},
    {"otp-md4 99 TeSt", 1, 4, 99, "TeSt"},
    {"OTP-MD5 12 SEED", 1, 5, 12, "SEED"},
    {"OTP-MD4 12 SEED", 1, 4, 12, "SEED"},
    {"md5 1 s", 1, 5, 1, "s"},
    {"xmd4md5 7 s", 1, 4, 7, "s"}, // both named: MD4 wins
    {"42 MiXeDSeed", 1, -1, 42, "MiXeDSeed"},
    {"   otp-md5    7   abc   ", 1, 5, 7, "abc"},
    {"otp-md5 12abc s", 1, 5, 12, "s"},
    {"otp-md5 +12 s", 1, 5, 12, "s"},
    {"otp-md5 \t\r\n12 s", 1, 5, 12, "s"},
    {"otp-md5 2147483647 s", 1, 5, 2147483647, "s"},
    {"otp-md5 0000000000000000000000009 s", 1, 5, 9, "s"},
    {"otp-md5 5 seed\r\n", 1, 5, 5, "seed\r\n"},
    {"otp-md5 5 averyveryverylongseedindeed", 1, 5, 5, "averyveryverylongseedindeed"},
    {"otp-md5 5 s\xE9\xFF", 1, 5, 5, "s\xE9\xFF"},

    // Empty or only spaces: nothing written.
    {"", 0, kUntouched, kUntouched, kSeedUntouched},
    {"     ", 0, kUntouched, kUntouched, kSeedUntouched},
    // No token after the algorithm.
    {"otp-md5", 0, 5, kUntouched, kSeedUntouched},
    {"otp-md4   ", 0, 4, kUntouched, kSeedUntouched},
    // Sequence below 1.
    {"otp-md5 0 s", 0, 5, 0, kSeedUntouched},
    {"otp-md5 -3 s", 0, 5, -3, kSeedUntouched},
    {"otp-md5 -2147483648 s", 0, 5, -2147483647 - 1, kSeedUntouched},
    {"otp-md5 abc s", 0, 5, 0, kSeedUntouched},
    {"otp-md5 + s", 0, 5, 0, kSeedUntouched},
    {"Otp-Md5 1 s", 0, -1, 0, kSeedUntouched},     // mixed case: not an algorithm
    {"otp-sha1 1 s", 0, -1, 0, kSeedUntouched},    // other hash: read as the number
    {"otp-md5\t99 seed", 0, 5, 0, kSeedUntouched}, // tab does not separate
    // Outside the int range.
    {"otp-md5 2147483648 s", 0, 5, kUntouched, kSeedUntouched},
    {"otp-md5 -2147483649 s", 0, 5, kUntouched, kSeedUntouched},
    {"otp-md5 99999999999999999999999999 s", 0, 5, kUntouched, kSeedUntouched},
    // No seed.
    {"otp-md5 5", 0, 5, 5, kSeedUntouched},
    {"5", 0, -1, 5, kSeedUntouched},
    // A fourth token.
    {"otp-md5 5 seed ext", 0, 5, 5, "seed"},
    {"5 seed ext", 0, -1, 5, "seed"},
};

TEST(ParseChallenge, Table) {
    for (const auto& c : kCases) {
        int algorithm = kUntouched, sequence = kUntouched;
        std::string seed = kSeedUntouched;
        EXPECT_EQ(ParseChallenge(c.text, algorithm, sequence, seed), c.result)
            << '"' << c.text << '"';
        EXPECT_EQ(algorithm, c.algorithm) << '"' << c.text << '"';
        EXPECT_EQ(sequence, c.sequence) << '"' << c.text << '"';
        EXPECT_EQ(seed, c.seed) << '"' << c.text << '"';
    }
}

TEST(ParseChallenge, LongInputs) {
    int algorithm = 0, sequence = 0;
    std::string seed;
    EXPECT_EQ(ParseChallenge(std::string(100000, ' '), algorithm, sequence, seed), 0);
    EXPECT_EQ(ParseChallenge("otp-md5 9 " + std::string(100000, 'x'), algorithm, sequence, seed),
              1);
    EXPECT_EQ(seed.size(), 100000u);
    EXPECT_EQ(ParseChallenge(std::string(100000, '9') + " s", algorithm, sequence, seed), 0);
}

} // namespace
