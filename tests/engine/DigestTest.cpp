#include "engine/Md4.h"
#include "engine/Md5.h"
#include "engine/Sha1.h"
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
    static std::string Sha1(const std::string& m) {
        Sha1Context ctx;
        SHA1Init(&ctx);
        SHA1Update(&ctx, reinterpret_cast<const unsigned char*>(m.data()), m.size());
        unsigned char d[20];
        SHA1Final(d, &ctx);
        return ToHex(d, 20);
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

// FIPS 180-4's examples (the NIST example pages for SHA-1): one block, two
// blocks (the 448-bit message leaves no room for the length), many blocks.
TEST(Digest, Sha1Fips180Examples) {
    struct {
        std::string message;
        const char* sha1;
    } cases[] = {
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Digests::Sha1(c.message), c.sha1) << c.message.substr(0, 60);
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

    Sha1Context c1;
    unsigned char d1[20];
    SHA1Init(&c1);
    SHA1Update(&c1, p, m.size());
    SHA1Final(d1, &c1);
    EXPECT_TRUE(AllZero(c1));
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
        Sha1Context c1;
        MD4Init(&c4);
        MD5Init(&c5);
        SHA1Init(&c1);
        std::size_t at = 0;
        while (at < size) {
            const std::size_t piece = std::min<std::size_t>(size - at, rng() % 90);
            MD4Update(&c4, m.data() + at, piece);
            MD5Update(&c5, m.data() + at, piece);
            SHA1Update(&c1, m.data() + at, piece);
            at += piece;
        }
        unsigned char d4[16], d5[16], d1[20];
        MD4Final(d4, &c4);
        MD5Final(d5, &c5);
        SHA1Final(d1, &c1);
        EXPECT_EQ(ToHex(d4, 16), Digests::Md4(whole)) << "size " << size;
        EXPECT_EQ(ToHex(d5, 16), Digests::Md5(whole)) << "size " << size;
        EXPECT_EQ(ToHex(d1, 20), Digests::Sha1(whole)) << "size " << size;
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

// The final block by hand: 0x80, zeros and the bit count of 2^32 in each
// standard's byte order (low word first for MD5, most significant byte first
// for SHA-1), so both words of the count are checked in place.
TEST(Digest, BitCountIsWrittenInEachStandardsByteOrder) {
    const unsigned char zeros[64] = {};
    unsigned char last[64] = {0x80};

    std::uint32_t md5State[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
    MD5Transform(md5State, zeros);
    last[60] = 1;
    MD5Transform(md5State, last);
    unsigned char expected5[16];
    for (int i = 0; i < 16; ++i)
        expected5[i] = static_cast<unsigned char>(md5State[i / 4] >> (8 * (i % 4)));
    Md5Context c5;
    MD5Init(&c5);
    c5.count[0] = 0xFFFFFE00u;
    MD5Update(&c5, zeros, 64);
    unsigned char d5[16];
    MD5Final(d5, &c5);
    EXPECT_EQ(ToHex(d5, 16), ToHex(expected5, 16));

    std::uint32_t sha1State[5] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u, 0xc3d2e1f0u};
    SHA1Transform(sha1State, zeros);
    last[60] = 0;
    last[59] = 1;
    SHA1Transform(sha1State, last);
    unsigned char expected1[20];
    for (int i = 0; i < 20; ++i)
        expected1[i] = static_cast<unsigned char>(sha1State[i / 4] >> (24 - 8 * (i % 4)));
    Sha1Context c1;
    SHA1Init(&c1);
    c1.count[0] = 0xFFFFFE00u;
    SHA1Update(&c1, zeros, 64);
    unsigned char d1[20];
    SHA1Final(d1, &c1);
    EXPECT_EQ(ToHex(d1, 20), ToHex(expected1, 20));
}

} // namespace
