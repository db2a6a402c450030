#include "engine/Md5.h"

#include "engine/DigestBlock.h"

using digest_detail::Rotl;

namespace {

inline std::uint32_t F(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return (x & y) | (~x & z);
}
inline std::uint32_t G(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return (x & z) | (y & ~z);
}
inline std::uint32_t H(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return x ^ y ^ z;
}
inline std::uint32_t I(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return y ^ (x | ~z);
}

inline void FF(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t x,
               int s, std::uint32_t t) {
    a = b + Rotl(a + F(b, c, d) + x + t, s);
}
inline void GG(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t x,
               int s, std::uint32_t t) {
    a = b + Rotl(a + G(b, c, d) + x + t, s);
}
inline void HH(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t x,
               int s, std::uint32_t t) {
    a = b + Rotl(a + H(b, c, d) + x + t, s);
}
inline void II(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t x,
               int s, std::uint32_t t) {
    a = b + Rotl(a + I(b, c, d) + x + t, s);
}

// Words: a pointer to 16 words, or an EightByteBlock whose constant words
// fold into the rounds.
template <class Words> inline void Rounds(std::uint32_t state[4], Words x) {
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];

    FF(a, b, c, d, x[0], 7, 0xd76aa478u);
    FF(d, a, b, c, x[1], 12, 0xe8c7b756u);
    FF(c, d, a, b, x[2], 17, 0x242070dbu);
    FF(b, c, d, a, x[3], 22, 0xc1bdceeeu);
    FF(a, b, c, d, x[4], 7, 0xf57c0fafu);
    FF(d, a, b, c, x[5], 12, 0x4787c62au);
    FF(c, d, a, b, x[6], 17, 0xa8304613u);
    FF(b, c, d, a, x[7], 22, 0xfd469501u);
    FF(a, b, c, d, x[8], 7, 0x698098d8u);
    FF(d, a, b, c, x[9], 12, 0x8b44f7afu);
    FF(c, d, a, b, x[10], 17, 0xffff5bb1u);
    FF(b, c, d, a, x[11], 22, 0x895cd7beu);
    FF(a, b, c, d, x[12], 7, 0x6b901122u);
    FF(d, a, b, c, x[13], 12, 0xfd987193u);
    FF(c, d, a, b, x[14], 17, 0xa679438eu);
    FF(b, c, d, a, x[15], 22, 0x49b40821u);

    GG(a, b, c, d, x[1], 5, 0xf61e2562u);
    GG(d, a, b, c, x[6], 9, 0xc040b340u);
    GG(c, d, a, b, x[11], 14, 0x265e5a51u);
    GG(b, c, d, a, x[0], 20, 0xe9b6c7aau);
    GG(a, b, c, d, x[5], 5, 0xd62f105du);
    GG(d, a, b, c, x[10], 9, 0x02441453u);
    GG(c, d, a, b, x[15], 14, 0xd8a1e681u);
    GG(b, c, d, a, x[4], 20, 0xe7d3fbc8u);
    GG(a, b, c, d, x[9], 5, 0x21e1cde6u);
    GG(d, a, b, c, x[14], 9, 0xc33707d6u);
    GG(c, d, a, b, x[3], 14, 0xf4d50d87u);
    GG(b, c, d, a, x[8], 20, 0x455a14edu);
    GG(a, b, c, d, x[13], 5, 0xa9e3e905u);
    GG(d, a, b, c, x[2], 9, 0xfcefa3f8u);
    GG(c, d, a, b, x[7], 14, 0x676f02d9u);
    GG(b, c, d, a, x[12], 20, 0x8d2a4c8au);

    HH(a, b, c, d, x[5], 4, 0xfffa3942u);
    HH(d, a, b, c, x[8], 11, 0x8771f681u);
    HH(c, d, a, b, x[11], 16, 0x6d9d6122u);
    HH(b, c, d, a, x[14], 23, 0xfde5380cu);
    HH(a, b, c, d, x[1], 4, 0xa4beea44u);
    HH(d, a, b, c, x[4], 11, 0x4bdecfa9u);
    HH(c, d, a, b, x[7], 16, 0xf6bb4b60u);
    HH(b, c, d, a, x[10], 23, 0xbebfbc70u);
    HH(a, b, c, d, x[13], 4, 0x289b7ec6u);
    HH(d, a, b, c, x[0], 11, 0xeaa127fau);
    HH(c, d, a, b, x[3], 16, 0xd4ef3085u);
    HH(b, c, d, a, x[6], 23, 0x04881d05u);
    HH(a, b, c, d, x[9], 4, 0xd9d4d039u);
    HH(d, a, b, c, x[12], 11, 0xe6db99e5u);
    HH(c, d, a, b, x[15], 16, 0x1fa27cf8u);
    HH(b, c, d, a, x[2], 23, 0xc4ac5665u);

    II(a, b, c, d, x[0], 6, 0xf4292244u);
    II(d, a, b, c, x[7], 10, 0x432aff97u);
    II(c, d, a, b, x[14], 15, 0xab9423a7u);
    II(b, c, d, a, x[5], 21, 0xfc93a039u);
    II(a, b, c, d, x[12], 6, 0x655b59c3u);
    II(d, a, b, c, x[3], 10, 0x8f0ccc92u);
    II(c, d, a, b, x[10], 15, 0xffeff47du);
    II(b, c, d, a, x[1], 21, 0x85845dd1u);
    II(a, b, c, d, x[8], 6, 0x6fa87e4fu);
    II(d, a, b, c, x[15], 10, 0xfe2ce6e0u);
    II(c, d, a, b, x[6], 15, 0xa3014314u);
    II(b, c, d, a, x[13], 21, 0x4e0811a1u);
    II(a, b, c, d, x[4], 6, 0xf7537e82u);
    II(d, a, b, c, x[11], 10, 0xbd3af235u);
    II(c, d, a, b, x[2], 15, 0x2ad7d2bbu);
    II(b, c, d, a, x[9], 21, 0xeb86d391u);

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

} // namespace

void MD5Compress(std::uint32_t state[4], const std::uint32_t block[16]) {
    Rounds(state, block);
}

void MD5OfEightBytes(const unsigned char message[8], std::uint32_t words[4]) {
    std::memcpy(words, digest_detail::kMdInit, sizeof digest_detail::kMdInit);
    Rounds(words, digest_detail::EightByteBlock<std::endian::little>{
                      digest_detail::LoadLe32(message), digest_detail::LoadLe32(message + 4)});
}

void MD5Transform(std::uint32_t state[4], const unsigned char block[64]) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = digest_detail::LoadLe32(block + 4 * i);
    MD5Compress(state, x);
    SecureWipe(x, sizeof x);
}

void MD5Init(Md5Context* ctx) {
    digest_detail::Init(ctx, digest_detail::kMdInit);
}

void MD5Update(Md5Context* ctx, const unsigned char* input, std::size_t length) {
    digest_detail::Update<Md5Context, MD5Transform>(ctx, input, length);
}

void MD5Final(unsigned char digest[16], Md5Context* ctx) {
    digest_detail::Final<Md5Context, MD5Transform, std::endian::little>(digest, ctx);
}
