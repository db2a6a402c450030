#include "engine/Md4.h"
#include "engine/Md5.h"
#include "tests/engine/TestHex.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct Digests {
    static std::string Md4(const std::string& m) {
        Md4Context ctx;
        MD4Init(&ctx);
        MD4Update(&ctx, reinterpret_cast<const unsigned char*>(m.data()), m.size());
        unsigned char d[16];
        MD4Final(d, &ctx);
        return ToHex(d, 16);
    }
    static std::string Md5(const std::string& m) {
        Md5Context ctx;
        MD5Init(&ctx);
        MD5Update(&ctx, reinterpret_cast<const unsigned char*>(m.data()), m.size());
        unsigned char d[16];
        MD5Final(d, &ctx);
        return ToHex(d, 16);
    }
};

const std::string kDigits80 =
    "12345678901234567890123456789012345678901234567890123456789012345678901234567890";
const std::string kAlnum = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

struct SuiteCase {
    std::string message;
    const char* md4;
    const char* md5;
};

// RFC 1320 A.5 and RFC 1321 A.5.
const SuiteCase kSuite[] = {
    {"", "31d6cfe0d16ae931b73c59d7e0c089c0", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "bde52cb31de33e46245e05fbdbd6fb24", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "a448017aaf21d8525fc10ae87aa6729d", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "d9130a8164549fe818874806e1c7014b", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "d79e1c308aa5bbcdeea8ed63df412da9",
     "c3fcd3d76192e4007dfb496cca67e13b"},
    {kAlnum, "043f8582f241db351ce627e153e7f0e4", "d174ab98d277d9f5a5611c2c9f419d9f"},
    {kDigits80, "e33b4ddc9c38f2199c3e7b164fcc0536", "57edf4a22be3c955ac49da2e2107b67a"},
};

TEST(Digest, RfcTestSuites) {
    for (const auto& c : kSuite) {
        EXPECT_EQ(Digests::Md4(c.message), c.md4) << '"' << c.message << '"';
        EXPECT_EQ(Digests::Md5(c.message), c.md5) << '"' << c.message << '"';
    }
}

template <class Context> bool AllZero(const Context& ctx) {
    unsigned char bytes[sizeof ctx];
    std::memcpy(bytes, &ctx, sizeof ctx);
    for (unsigned char b : bytes)
        if (b != 0)
            return false;
    return true;
}

TEST(Digest, FinalClearsTheWholeContext) {
    // 70 bytes: a full block went through and 6 bytes stay in the buffer.
    const std::string m(70, 'x');
    const auto* p = reinterpret_cast<const unsigned char*>(m.data());
    unsigned char d[16];

    Md4Context c4;
    MD4Init(&c4);
    MD4Update(&c4, p, m.size());
    MD4Final(d, &c4);
    EXPECT_TRUE(AllZero(c4));

    Md5Context c5;
    MD5Init(&c5);
    MD5Update(&c5, p, m.size());
    MD5Final(d, &c5);
    EXPECT_TRUE(AllZero(c5));
}

// Padding edges: 55 bytes fit one block, 56 need two, 64 exactly one full block.
TEST(Digest, SplitUpdatesGiveTheSameDigest) {
    std::mt19937 rng(2289);
    for (int round = 0; round < 300; ++round) {
        const std::size_t size = round < 130 ? static_cast<std::size_t>(round) : rng() % 600;
        std::vector<unsigned char> m(size);
        for (auto& b : m)
            b = static_cast<unsigned char>(rng());
        const std::string whole(m.begin(), m.end());

        Md4Context c4;
        Md5Context c5;
        MD4Init(&c4);
        MD5Init(&c5);
        std::size_t at = 0;
        while (at < size) {
            const std::size_t piece = std::min<std::size_t>(size - at, rng() % 90);
            MD4Update(&c4, m.data() + at, piece);
            MD5Update(&c5, m.data() + at, piece);
            at += piece;
        }
        unsigned char d4[16], d5[16];
        MD4Final(d4, &c4);
        MD5Final(d5, &c5);
        EXPECT_EQ(ToHex(d4, 16), Digests::Md4(whole)) << "size " << size;
        EXPECT_EQ(ToHex(d5, 16), Digests::Md5(whole)) << "size " << size;
    }
}

TEST(Digest, BitCountCarriesIntoTheHighWord) {
    // Start just below 2^32 bits with an empty buffer; one more block carries.
    const unsigned char block[64] = {};
    Md5Context ctx;
    MD5Init(&ctx);
    ctx.count[0] = 0xFFFFFE00u;
    MD5Update(&ctx, block, 64);
    EXPECT_EQ(ctx.count[0], 0u);
    EXPECT_EQ(ctx.count[1], 1u);
    MD5Update(&ctx, block, 8);
    EXPECT_EQ(ctx.count[0], 64u);
    EXPECT_EQ(ctx.count[1], 1u);
}

} // namespace
