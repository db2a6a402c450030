#include "engine/Md4.h"

#include "engine/DigestBlock.h"

using digest_detail::Rotl;

namespace {

inline std::uint32_t F(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return (x & y) | (~x & z);
}
inline std::uint32_t G(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return (x & y) | (x & z) | (y & z);
}
inline std::uint32_t H(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return x ^ y ^ z;
}

inline void R1(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t x,
               int s) {
    a = Rotl(a + F(b, c, d) + x, s);
}
inline void R2(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t x,
               int s) {
    a = Rotl(a + G(b, c, d) + x + 0x5a827999u, s);
}
inline void R3(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t x,
               int s) {
    a = Rotl(a + H(b, c, d) + x + 0x6ed9eba1u, s);
}

// Words: a pointer to 16 words, or an EightByteBlock whose constant words
// fold into the rounds.
template <class Words> inline void Rounds(std::uint32_t state[4], Words x) {
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];

    R1(a, b, c, d, x[0], 3);
    R1(d, a, b, c, x[1], 7);
    R1(c, d, a, b, x[2], 11);
    R1(b, c, d, a, x[3], 19);
    R1(a, b, c, d, x[4], 3);
    R1(d, a, b, c, x[5], 7);
    R1(c, d, a, b, x[6], 11);
    R1(b, c, d, a, x[7], 19);
    R1(a, b, c, d, x[8], 3);
    R1(d, a, b, c, x[9], 7);
    R1(c, d, a, b, x[10], 11);
    R1(b, c, d, a, x[11], 19);
    R1(a, b, c, d, x[12], 3);
    R1(d, a, b, c, x[13], 7);
    R1(c, d, a, b, x[14], 11);
    R1(b, c, d, a, x[15], 19);

    R2(a, b, c, d, x[0], 3);
    R2(d, a, b, c, x[4], 5);
    R2(c, d, a, b, x[8], 9);
    R2(b, c, d, a, x[12], 13);
    R2(a, b, c, d, x[1], 3);
    R2(d, a, b, c, x[5], 5);
    R2(c, d, a, b, x[9], 9);
    R2(b, c, d, a, x[13], 13);
    R2(a, b, c, d, x[2], 3);
    R2(d, a, b, c, x[6], 5);
    R2(c, d, a, b, x[10], 9);
    R2(b, c, d, a, x[14], 13);
    R2(a, b, c, d, x[3], 3);
    R2(d, a, b, c, x[7], 5);
    R2(c, d, a, b, x[11], 9);
    R2(b, c, d, a, x[15], 13);

    R3(a, b, c, d, x[0], 3);
    R3(d, a, b, c, x[8], 9);
    R3(c, d, a, b, x[4], 11);
    R3(b, c, d, a, x[12], 15);
    R3(a, b, c, d, x[2], 3);
    R3(d, a, b, c, x[10], 9);
    R3(c, d, a, b, x[6], 11);
    R3(b, c, d, a, x[14], 15);
    R3(a, b, c, d, x[1], 3);
    R3(d, a, b, c, x[9], 9);
    R3(c, d, a, b, x[5], 11);
    R3(b, c, d, a, x[13], 15);
    R3(a, b, c, d, x[3], 3);
    R3(d, a, b, c, x[11], 9);
    R3(c, d, a, b, x[7], 11);
    R3(b, c, d, a, x[15], 15);

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

} // namespace

void MD4Compress(std::uint32_t state[4], const std::uint32_t block[16]) {
    Rounds(state, block);
}

void MD4OfEightBytes(const unsigned char message[8], std::uint32_t words[4]) {
    std::memcpy(words, digest_detail::kMdInit, sizeof digest_detail::kMdInit);
    Rounds(words, digest_detail::EightByteBlock<std::endian::little>{
                      digest_detail::LoadLe32(message), digest_detail::LoadLe32(message + 4)});
}

void MD4Transform(std::uint32_t state[4], const unsigned char block[64]) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = digest_detail::LoadLe32(block + 4 * i);
    MD4Compress(state, x);
    SecureWipe(x, sizeof x);
}

void MD4Init(Md4Context* ctx) {
    digest_detail::Init(ctx, digest_detail::kMdInit);
}

void MD4Update(Md4Context* ctx, const unsigned char* input, std::size_t length) {
    digest_detail::Update<Md4Context, MD4Transform>(ctx, input, length);
}

void MD4Final(unsigned char digest[16], Md4Context* ctx) {
    digest_detail::Final<Md4Context, MD4Transform, std::endian::little>(digest, ctx);
}
