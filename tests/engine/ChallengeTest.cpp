#include "engine/Challenge.h"

#include <gtest/gtest.h>

#include <random>
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

// The dialogs' parser stays as it was: what servers add is refused there.
TEST(ParseChallenge, RefusesSha1AndExtensions) {
    for (const char* text :
         {"otp-sha1 99 TeSt", "OTP-SHA1 99 TeSt", "sha1 99 TeSt", "otp-md5 499 ke1234 ext",
          "otp-md5 499 ke1234 ext,hex,word", "otp-sha1 499 ke1234 ext"}) {
        int algorithm = 0, sequence = 0;
        std::string seed;
        EXPECT_EQ(ParseChallenge(text, algorithm, sequence, seed), 0) << text;
    }
}

constexpr int kUnnamed = -1;
constexpr int kSha1 = 1;

struct ServerCase {
    std::string text;
    int result;
    int hash; // 4, 5, kSha1 or kUnnamed
    int sequence;
    std::string seed;
    bool extended;
};

int HashCode(const ServerChallenge& c) {
    if (!c.named)
        return kUnnamed;
    return c.hash == OtpHash::Md4 ? 4 : c.hash == OtpHash::Md5 ? 5 : kSha1;
}

// RFC 2289 section 6 (otp-sha1) and RFC 2243 section 3 (the "ext" field).
const ServerCase kServerCases[] = {
    {"otp-md5 499 ke1234", 1, 5, 499, "ke1234", false},
    {"otp-md4 99 TeSt", 1, 4, 99, "TeSt", false},
    {"99 TeSt", 1, kUnnamed, 99, "TeSt", false},
    {"otp-sha1 99 TeSt", 1, kSha1, 99, "TeSt", false},
    {"OTP-SHA1 99 TeSt", 1, kSha1, 99, "TeSt", false},
    {"md5sha1 9 s", 1, 5, 9, "s", false},    // an MD spelling wins, as in ParseChallenge
    {"9sha1 s", 1, kUnnamed, 9, "s", false}, // a number first: ParseChallenge's sequence
    {"+9SHA1 s", 1, kUnnamed, 9, "s", false},
    {"-9sha1 s", 0, 0, 0, "", false},
    {"0sha1 9 s", 1, kSha1, 9, "s", false},
    {"otp-md5 487 dog2 ext", 1, 5, 487, "dog2", true},
    {"otp-sha1 487 dog2 ext", 1, kSha1, 487, "dog2", true},
    {"487 dog2 ext", 1, kUnnamed, 487, "dog2", true},
    {"otp-md5 487 dog2 ext,hex", 1, 5, 487, "dog2", true},
    {"otp-md5 487 dog2 EXT", 1, 5, 487, "dog2", true},
    {"otp-md5 487 dog2 Ext,hex", 1, 5, 487, "dog2", true},
    {"otp-md5 487 dog2 ext,hex,word,init-hex,init-word", 1, 5, 487, "dog2", true},
    {"  otp-md5   487  dog2   ext  ", 1, 5, 487, "dog2", true},
    // Blanks at the very end go; others stay where ParseChallenge leaves them.
    {"otp-md5 99 TeSt\r\n", 1, 5, 99, "TeSt", false},
    {"otp-md5 99 TeSt\t", 1, 5, 99, "TeSt", false},
    {"otp-md5 99 TeSt \t\r\n ", 1, 5, 99, "TeSt", false},
    {"otp-md5 99 TeSt ext\r\n", 1, 5, 99, "TeSt", true},
    {"otp-md5 99 TeSt\v", 1, 5, 99, "TeSt\v", false},
    {"otp-md5 \t99 s", 1, 5, 99, "s", false},

    // Refused.
    {"", 0, 0, 0, "", false},
    {" \t\r\n", 0, 0, 0, "", false},
    {"otp-sha1", 0, 0, 0, "", false},
    {"otp-sha1 99", 0, 0, 0, "", false},
    {"otp-sha1 0 s", 0, 0, 0, "", false},
    {"otp-sha256 99 s", 0, 0, 0, "", false},
    {"otp-Sha1 99 s", 0, 0, 0, "", false},
    {"otp-md5 99 s ext,", 0, 0, 0, "", false},
    {"otp-md5 99 s ext,,hex", 0, 0, 0, "", false},
    {"otp-md5 99 s ext,hex,", 0, 0, 0, "", false},
    {"otp-md5 99 s ext,h\tx", 0, 0, 0, "", false},
    {"otp-md5 99 s ext,h\x7Fx", 0, 0, 0, "", false},
    {"otp-md5 99 s extended", 0, 0, 0, "", false},
    {"otp-md5 99 s next", 0, 0, 0, "", false},
    {"otp-md5 99 s EXTS", 0, 0, 0, "", false},
    {"otp-md5 99 s ext ext", 0, 0, 0, "", false},
    {"otp-md5 99 s ext x", 0, 0, 0, "", false},
    {"otp-md5 99 s hex", 0, 0, 0, "", false},
    {"otp-md5 2147483648 s ext", 0, 0, 0, "", false},
    {"otp-md5\t99 s", 0, 0, 0, "", false},
};

TEST(ParseServerChallenge, Table) {
    for (const auto& c : kServerCases) {
        ServerChallenge parsed;
        parsed.sequence = kUntouched;
        parsed.seed = kSeedUntouched;
        const std::string what = testing::PrintToString(c.text);
        ASSERT_EQ(ParseServerChallenge(c.text, parsed), c.result) << what;
        if (c.result == 1) {
            EXPECT_EQ(HashCode(parsed), c.hash) << what;
            EXPECT_EQ(parsed.sequence, c.sequence) << what;
            EXPECT_EQ(parsed.seed, c.seed) << what;
            EXPECT_EQ(parsed.extended, c.extended) << what;
        } else {
            EXPECT_EQ(parsed.sequence, kUntouched) << what;
            EXPECT_EQ(parsed.seed, kSeedUntouched) << what;
        }
    }
}

std::string WithoutTrailingBlanks(const std::string& text) {
    const auto end = text.find_last_not_of(" \t\r\n");
    return text.substr(0, end == std::string::npos ? 0 : end + 1);
}

// Property: on the text without its trailing blanks, whatever ParseChallenge
// takes the wider grammar takes with the same values, and what the wider
// grammar takes without SHA-1 or "ext" ParseChallenge takes too.
void ExpectSameAsParseChallenge(const std::string& text) {
    int algorithm = 0, sequence = 0;
    std::string seed;
    const int narrow = ParseChallenge(WithoutTrailingBlanks(text), algorithm, sequence, seed);
    ServerChallenge wide;
    const int result = ParseServerChallenge(text, wide);
    const std::string what = testing::PrintToString(text);
    if (narrow == 1) {
        ASSERT_EQ(result, 1) << what;
        EXPECT_EQ(HashCode(wide), algorithm) << what;
        EXPECT_EQ(wide.sequence, sequence) << what;
        EXPECT_EQ(wide.seed, seed) << what;
        EXPECT_FALSE(wide.extended) << what;
    } else if (result == 1) {
        EXPECT_TRUE(wide.extended || HashCode(wide) == kSha1) << what;
    }
}

TEST(ParseServerChallenge, AgreesWithParseChallenge) {
    for (const auto& c : kCases)
        ExpectSameAsParseChallenge(c.text);
    for (const auto& c : kServerCases)
        ExpectSameAsParseChallenge(c.text);
    // Random texts over the grammar's own pieces.
    const char* const pieces[] = {
        "otp-md5", "otp-md4", "otp-sha1", "SHA1", "MD5", "ext", "ext,hex", "ext,", "99", "0", "-1",
        "+7",      "12ab",    "seed",     "TeSt", " ",   "  ",  "\t",      "\r\n", "\v", "x"};
    std::mt19937 rng(2289);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int n = static_cast<int>(rng() % 9); n > 0; --n) {
            text += pieces[rng() % (sizeof pieces / sizeof pieces[0])];
            if (rng() % 2)
                text += ' ';
        }
        ExpectSameAsParseChallenge(text);
    }
}

} // namespace
