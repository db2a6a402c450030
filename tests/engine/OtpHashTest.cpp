#include "engine/OtpHash.h"
#include "engine/Md4.h"
#include "engine/Md5.h"
#include "engine/OtpGenerator.h"
#include "engine/Sha1.h"
#include "engine/SixWords.h"
#include "tests/engine/TestHex.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <string>

namespace {

// The eight-byte key through crunch and count steps; false when the crunch fails.
bool OtpKey(OtpHash hash, int count, const std::string& seed, const std::string& pass,
            unsigned char key[8]) {
    std::string s = seed;
    if (CrunchOtpKey(hash, key, s.data(), pass.c_str()) != 0)
        return false;
    for (int i = 0; i < count; ++i)
        StepOtpKey(hash, key);
    return true;
}

// That key as hex, or "failed".
std::string OtpHex(OtpHash hash, int count, const std::string& seed, const std::string& pass) {
    unsigned char key[8];
    return OtpKey(hash, count, seed, pass, key) ? ToHex(key, 8) : "failed";
}

// That key as six words, or "failed".
std::string OtpWords(OtpHash hash, int count, const std::string& seed, const std::string& pass) {
    unsigned char key[8];
    if (!OtpKey(hash, count, seed, pass, key))
        return "failed";
    char text[30];
    return EncodeSixWords(text, key);
}

struct Vector {
    const char* passPhrase;
    const char* seed;
    int count;
    const char* hex;
    const char* words;
};

// RFC 2289, Appendix C, otp-sha1. The fold reverses the bytes of each word;
// RFC 2444's SHA-1 example, which leaves that out, does not come out here.
const Vector kSha1Vectors[] = {
    {"This is a test.", "TeSt", 0, "BB9E6AE1979D8FF4", "MILT VARY MAST OK SEES WENT"},
    {"This is a test.", "TeSt", 1, "63D936639734385B", "CART OTTO HIVE ODE VAT NUT"},
    {"This is a test.", "TeSt", 99, "87FEC7768B73CCF9", "GAFF WAIT SKID GIG SKY EYED"},
    {"AbCdEfGhIjK", "alpha1", 0, "AD85F658EBE383C9", "LEST OR HEEL SCOT ROB SUIT"},
    {"AbCdEfGhIjK", "alpha1", 1, "D07CE229B5CF119B", "RITE TAKE GELD COST TUNE RECK"},
    {"AbCdEfGhIjK", "alpha1", 99, "27BC71035AAF3DC6", "MAY STAR TIN LYON VEDA STAN"},
    {"OTP's are good", "correct", 0, "D51F3E99BF8E6F0B", "RUST WELT KICK FELL TAIL FRAU"},
    {"OTP's are good", "correct", 1, "82AEB52D943774E4", "FLIT DOSE ALSO MEW DRUM DEFY"},
    {"OTP's are good", "correct", 99, "4F296A74FE1567EC", "AURA ALOE HURL WING BERG WAIT"},
};

TEST(OtpHash, Rfc2289Sha1Vectors) {
    for (const auto& v : kSha1Vectors) {
        SCOPED_TRACE(std::string(v.passPhrase) + " / " + v.seed + " / " + std::to_string(v.count));
        EXPECT_EQ(OtpHex(OtpHash::Sha1, v.count, v.seed, v.passPhrase), NormalHex(v.hex));
        EXPECT_EQ(OtpWords(OtpHash::Sha1, v.count, v.seed, v.passPhrase), v.words);
        unsigned char decoded[8];
        ASSERT_EQ(DecodeSixWords(decoded, v.words), 1);
        EXPECT_EQ(ToHex(decoded, 8), NormalHex(v.hex));
    }
}

TEST(OtpHash, Sha1FoldOfBytesZeroToNineteen) {
    // Words 00010203 ^ 08090a0b ^ 10111213 and 04050607 ^ 0c0d0e0f, low byte first.
    unsigned char digest[20];
    for (int i = 0; i < 20; ++i)
        digest[i] = static_cast<unsigned char>(i);
    unsigned char key[8];
    FoldSha1Digest(digest, key);
    EXPECT_EQ(ToHex(key, 8), "1b1a191808080808");
}

TEST(OtpHash, Names) {
    EXPECT_STREQ(OtpHashName(OtpHash::Md4), "md4");
    EXPECT_STREQ(OtpHashName(OtpHash::Md5), "md5");
    EXPECT_STREQ(OtpHashName(OtpHash::Sha1), "sha1");
}

// The reference step: init, one update of the 8 key bytes, final, fold.
void ReferenceStep(OtpHash hash, unsigned char key[8]) {
    unsigned char digest[20];
    if (hash == OtpHash::Md4) {
        Md4Context ctx;
        MD4Init(&ctx);
        MD4Update(&ctx, key, 8);
        MD4Final(digest, &ctx);
        FoldDigest(digest, key);
    } else if (hash == OtpHash::Md5) {
        Md5Context ctx;
        MD5Init(&ctx);
        MD5Update(&ctx, key, 8);
        MD5Final(digest, &ctx);
        FoldDigest(digest, key);
    } else {
        Sha1Context ctx;
        SHA1Init(&ctx);
        SHA1Update(&ctx, key, 8);
        SHA1Final(digest, &ctx);
        FoldSha1Digest(digest, key);
    }
}

// Property: the step with the padding folded in equals the generic digest.
TEST(OtpHash, StepEqualsReferenceInitUpdateFinal) {
    std::mt19937_64 rng(180);
    for (OtpHash hash : {OtpHash::Md4, OtpHash::Md5, OtpHash::Sha1}) {
        for (int round = 0; round < 2000; ++round) {
            unsigned char fast[8], reference[8];
            const auto value = round == 0 ? 0 : round == 1 ? ~0ull : rng();
            std::memcpy(fast, &value, 8);
            std::memcpy(reference, fast, 8);
            StepOtpKey(hash, fast);
            ReferenceStep(hash, reference);
            ASSERT_EQ(ToHex(fast, 8), ToHex(reference, 8)) << OtpHashName(hash) << " " << round;
        }
    }
}

// Property: for MD4 and MD5 the named entry gives ComputeResponse's response
// for random seeds, pass phrases and counts.
TEST(OtpHash, NamedEntryEqualsComputeResponse) {
    std::mt19937 rng(2243);
    const std::string seedChars = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int round = 0; round < 400; ++round) {
        std::string seed(1 + rng() % 16, 'x');
        for (char& c : seed)
            c = seedChars[rng() % seedChars.size()];
        std::string pass(rng() % 70, 'x');
        for (char& c : pass)
            c = static_cast<char>(1 + rng() % 255);
        const int count = static_cast<int>(rng() % 300);
        for (int code : {4, 5}) {
            std::string s = seed, response;
            ASSERT_EQ(ComputeResponse(code, count, s, pass.c_str(), response), 1);
            EXPECT_EQ(OtpWords(OtpHashOfCode(code), count, seed, pass), response)
                << seed << " " << count << " md" << code;
        }
    }
}

// The generator's integer code never reaches SHA-1: only 4 is MD4, all else MD5.
TEST(OtpHash, GeneratorCodesNeverSelectSha1) {
    const std::string sha1 = OtpWords(OtpHash::Sha1, 99, "TeSt", "This is a test.");
    const std::string md5 = OtpWords(OtpHash::Md5, 99, "TeSt", "This is a test.");
    ASSERT_EQ(sha1, "GAFF WAIT SKID GIG SKY EYED");
    for (int code : {5, 0, -1, 1, 3, 6, 160, INT_MIN, INT_MAX}) {
        std::string seed = "TeSt", response;
        ASSERT_EQ(ComputeResponse(code, 99, seed, "This is a test.", response), 1);
        EXPECT_EQ(response, md5) << code;
        EXPECT_EQ(OtpHashOfCode(code), OtpHash::Md5) << code;

        unsigned char key[8], expected[8];
        std::string s = "TeSt";
        ASSERT_EQ(KeyCrunch(code, key, s.data(), "This is a test."), 0);
        s = "TeSt";
        ASSERT_EQ(CrunchOtpKey(OtpHash::Md5, expected, s.data(), "This is a test."), 0);
        EXPECT_EQ(ToHex(key, 8), ToHex(expected, 8)) << code;
        HashStep(key, code);
        StepOtpKey(OtpHash::Md5, expected);
        EXPECT_EQ(ToHex(key, 8), ToHex(expected, 8)) << code;
    }
    EXPECT_EQ(OtpHashOfCode(4), OtpHash::Md4);
}

// SHA-1's crunch keeps the generator's seed rules.
TEST(OtpHash, Sha1CrunchRefusesWhatKeyCrunchRefuses) {
    struct {
        const char* seed;
        const char* after;
    } cases[] = {
        {"", ""},
        {"ABCDEFGHIJKLMNOPQ", "ABCDEFGHIJKLMNOPQ"},
        {"AB CD", "ab CD"},
    };
    for (const auto& c : cases) {
        std::string seed = c.seed;
        unsigned char key[8];
        std::memset(key, 0xA5, 8);
        EXPECT_EQ(CrunchOtpKey(OtpHash::Sha1, key, seed.data(), "pass"), 1) << c.seed;
        EXPECT_EQ(seed, c.after);
        EXPECT_EQ(ToHex(key, 8), "a5a5a5a5a5a5a5a5");
    }
    std::string seed = "ABCDEFGHIJKLMNOP";
    EXPECT_EQ(CrunchOtpKey(OtpHash::Sha1, nullptr, seed.data(), "pass"), 1);
    unsigned char key[8];
    EXPECT_EQ(CrunchOtpKey(OtpHash::Sha1, key, seed.data(), nullptr), 1);
    EXPECT_EQ(CrunchOtpKey(OtpHash::Sha1, key, seed.data(), "pass"), 0);
    EXPECT_EQ(seed, "abcdefghijklmnop");
}

} // namespace
