#include "engine/OtpGenerator.h"
#include "engine/Md4.h"
#include "engine/Md5.h"
#include "engine/SixWords.h"
#include "tests/engine/TestHex.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace {

struct Vector {
    int algorithm;
    const char* passPhrase;
    const char* seed;
    int count;
    const char* hex;
    const char* words;
};

// RFC 2289, Appendix C.
const Vector kVectors[] = {
    {4, "This is a test.", "TeSt", 0, "D185 4218 EBBB 0B51", "ROME MUG FRED SCAN LIVE LACE"},
    {4, "This is a test.", "TeSt", 1, "6347 3EF0 1CD0 B444", "CARD SAD MINI RYE COL KIN"},
    {4, "This is a test.", "TeSt", 99, "C5E6 1277 6E6C 237A", "NOTE OUT IBIS SINK NAVE MODE"},
    {4, "AbCdEfGhIjK", "alpha1", 0, "5007 6F47 EB1A DE4E", "AWAY SEN ROOK SALT LICE MAP"},
    {4, "AbCdEfGhIjK", "alpha1", 1, "65D2 0D19 49B5 F7AB", "CHEW GRIM WU HANG BUCK SAID"},
    {4, "AbCdEfGhIjK", "alpha1", 99, "D150 C82C CE6F 62D1", "ROIL FREE COG HUNK WAIT COCA"},
    {4, "OTP's are good", "correct", 0, "849C 79D4 F6F5 5388", "FOOL STEM DONE TOOL BECK NILE"},
    {4, "OTP's are good", "correct", 1, "8C09 92FB 2508 47B1", "GIST AMOS MOOT AIDS FOOD SEEM"},
    {4, "OTP's are good", "correct", 99, "3F3B F4B4 145F D74B", "TAG SLOW NOV MIN WOOL KENO"},
    {5, "This is a test.", "TeSt", 0, "9E87 6134 D904 99DD", "INCH SEA ANNE LONG AHEM TOUR"},
    {5, "This is a test.", "TeSt", 1, "7965 E054 36F5 029F", "EASE OIL FUM CURE AWRY AVIS"},
    {5, "This is a test.", "TeSt", 99, "50FE 1962 C496 5880", "BAIL TUFT BITS GANG CHEF THY"},
    {5, "AbCdEfGhIjK", "alpha1", 0, "8706 6DD9 644B F206", "FULL PEW DOWN ONCE MORT ARC"},
    {5, "AbCdEfGhIjK", "alpha1", 1, "7CD3 4C10 40AD D14B", "FACT HOOF AT FIST SITE KENT"},
    {5, "AbCdEfGhIjK", "alpha1", 99, "5AA3 7A81 F212 146C", "BODE HOP JAKE STOW JUT RAP"},
    {5, "OTP's are good", "correct", 0, "F205 7539 43DE 4CF9", "ULAN NEW ARMY FUSE SUIT EYED"},
    {5, "OTP's are good", "correct", 1, "DDCD AC95 6F23 4937", "SKIM CULT LOB SLAM POE HOWL"},
    {5, "OTP's are good", "correct", 99, "B203 E28F A525 BE47", "LONG IVY JULY AJAR BOND LEE"},
};

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return s;
}

TEST(OtpGenerator, Rfc2289Vectors) {
    for (const auto& v : kVectors) {
        SCOPED_TRACE(std::string(v.passPhrase) + " / " + v.seed + " / " + std::to_string(v.count) +
                     " / md" + std::to_string(v.algorithm));
        std::string seed = v.seed;
        std::string response;
        ASSERT_EQ(ComputeResponse(v.algorithm, v.count, seed, v.passPhrase, response), 1);
        EXPECT_EQ(response, v.words);
        EXPECT_EQ(seed, Lower(v.seed));

        // The hex column, by crunch and steps by hand.
        unsigned char key[8];
        std::string seed2 = v.seed;
        ASSERT_EQ(KeyCrunch(v.algorithm, key, seed2.data(), v.passPhrase), 0);
        for (int i = 0; i < v.count; ++i)
            HashStep(key, v.algorithm);
        EXPECT_EQ(ToHex(key, 8), NormalHex(v.hex));

        // And the words column decodes to the hex column.
        unsigned char decoded[8];
        ASSERT_EQ(DecodeSixWords(decoded, v.words), 1);
        EXPECT_EQ(ToHex(decoded, 8), NormalHex(v.hex));
    }
}

TEST(OtpGenerator, FoldOfBytesZeroToFifteenIsEightEights) {
    unsigned char digest[16];
    for (int i = 0; i < 16; ++i)
        digest[i] = static_cast<unsigned char>(i);
    unsigned char key[8];
    FoldDigest(digest, key);
    EXPECT_EQ(ToHex(key, 8), "0808080808080808");
}

void ReferenceStep(unsigned char key[8], int algorithm) {
    unsigned char digest[16];
    if (algorithm == 4) {
        Md4Context ctx;
        MD4Init(&ctx);
        MD4Update(&ctx, key, 8);
        MD4Final(digest, &ctx);
    } else {
        Md5Context ctx;
        MD5Init(&ctx);
        MD5Update(&ctx, key, 8);
        MD5Final(digest, &ctx);
    }
    FoldDigest(digest, key);
}

TEST(OtpGenerator, HashStepEqualsReferenceInitUpdateFinal) {
    std::mt19937_64 rng(1320);
    for (int algorithm : {4, 5}) {
        for (int round = 0; round < 2000; ++round) {
            unsigned char fast[8], reference[8];
            const auto value = rng();
            std::memcpy(fast, &value, 8);
            std::memcpy(reference, fast, 8);
            HashStep(fast, algorithm);
            ReferenceStep(reference, algorithm);
            ASSERT_EQ(ToHex(fast, 8), ToHex(reference, 8)) << "md" << algorithm;
        }
    }
}

std::string Response(int algorithm, int count, const char* seed, const char* passPhrase) {
    std::string s = seed, response = "untouched";
    if (ComputeResponse(algorithm, count, s, passPhrase, response) != 1)
        return "failed";
    return response;
}

TEST(OtpGenerator, OnlyFourSelectsMd4) {
    const std::string md5 = Response(5, 99, "TeSt", "This is a test.");
    for (int algorithm : {0, -1, 1, 6, 40})
        EXPECT_EQ(Response(algorithm, 99, "TeSt", "This is a test."), md5) << algorithm;
    EXPECT_NE(Response(4, 99, "TeSt", "This is a test."), md5);
}

TEST(OtpGenerator, NegativeCountRunsNoStep) {
    EXPECT_EQ(Response(5, -1, "TeSt", "This is a test."), "INCH SEA ANNE LONG AHEM TOUR");
    EXPECT_EQ(Response(4, -2147483647 - 1, "TeSt", "This is a test."),
              "ROME MUG FRED SCAN LIVE LACE");
}

std::string CrunchHex(int algorithm, const std::string& message) {
    unsigned char digest[16], key[8];
    Md5Context ctx;
    Md4Context ctx4;
    const auto* p = reinterpret_cast<const unsigned char*>(message.data());
    if (algorithm == 4) {
        MD4Init(&ctx4);
        MD4Update(&ctx4, p, message.size());
        MD4Final(digest, &ctx4);
    } else {
        MD5Init(&ctx);
        MD5Update(&ctx, p, message.size());
        MD5Final(digest, &ctx);
    }
    FoldDigest(digest, key);
    return ToHex(key, 8);
}

// What is hashed: the lowered seed then the pass phrase as it stands.
TEST(KeyCrunch, AcceptedSeedsAndPassPhrases) {
    struct Case {
        std::string seed, passPhrase, lowered;
    } cases[] = {
        {"TeSt", "", "test"},
        {"0123456789ABCDEF", "x", "0123456789abcdef"},
        {"a.b-c\t", "Pass Phrase With Spaces", "a.b-c\t"},
        {"S\xE9\xC9"
         "d",
         "\xFF\xFE",
         "s\xE9\xC9"
         "d"},
        {"Z", std::string(1000, 'Q'), "z"},
    };
    for (int algorithm : {4, 5}) {
        for (const auto& c : cases) {
            std::string seed = c.seed;
            unsigned char key[8];
            ASSERT_EQ(KeyCrunch(algorithm, key, seed.data(), c.passPhrase.c_str()), 0) << c.seed;
            EXPECT_EQ(seed, c.lowered);
            EXPECT_EQ(ToHex(key, 8), CrunchHex(algorithm, c.lowered + c.passPhrase)) << c.seed;
        }
    }
}

TEST(KeyCrunch, BadInputIsResultOneAndKeyUntouched) {
    struct Case {
        const char* seed;
        const char* after; // the seed after the call
    } cases[] = {
        {"", ""},
        {"ABCDEFGHIJKLMNOPQ", "ABCDEFGHIJKLMNOPQ"}, // 17 characters: left as it was
        {"AB CD", "ab CD"},                         // lowered up to the space
        {" AB", " AB"},
        {"AB ", "ab "},
    };
    for (const auto& c : cases) {
        std::string seed = c.seed;
        unsigned char key[8];
        std::memset(key, 0xA5, 8);
        EXPECT_EQ(KeyCrunch(5, key, seed.data(), "pass"), 1) << '"' << c.seed << '"';
        EXPECT_EQ(seed, c.after);
        EXPECT_EQ(ToHex(key, 8), "a5a5a5a5a5a5a5a5");
    }
    char seed[] = "seed";
    unsigned char key[8];
    EXPECT_EQ(KeyCrunch(5, key, nullptr, "pass"), 1);
    EXPECT_EQ(KeyCrunch(5, key, seed, nullptr), 1);
    EXPECT_EQ(KeyCrunch(5, nullptr, seed, "pass"), 1);
}

TEST(ComputeResponse, FailureLeavesResponseUnchanged) {
    for (const char* bad : {"", "ABCDEFGHIJKLMNOPQ", "te st"}) {
        std::string seed = bad, response = "previous";
        EXPECT_EQ(ComputeResponse(5, 1, seed, "pass", response), 0) << '"' << bad << '"';
        EXPECT_EQ(response, "previous");
    }
}

TEST(ComputeResponse, MixedCaseSeedEqualsLowerCaseSeed) {
    EXPECT_EQ(Response(5, 7, "MiXeD9", "pw"), Response(5, 7, "mixed9", "pw"));
    EXPECT_EQ(Response(4, 7, "MiXeD9", "pw"), Response(4, 7, "mixed9", "pw"));
}

TEST(ComputeResponse, SixteenCharacterSeedIsAccepted) {
    EXPECT_NE(Response(5, 1, "ABCDEFGHIJKLMNOP", "pw"), "failed");
}

} // namespace
