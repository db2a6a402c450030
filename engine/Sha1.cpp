#include "engine/Sha1.h"

#include "engine/DigestBlock.h"

#include <utility>

using digest_detail::Rotl;

namespace {

constexpr std::uint32_t kInit[5] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u,
                                    0xc3d2e1f0u};

// Step t of the 80. The five working words take turns in the roles a to e, so
// no step moves them: at step t, a is v[-t mod 5], b is v[1 - t mod 5] and so
// on, and the new a lands where e was. w keeps the last 16 schedule words.
template <int t> VENNOX_ALWAYS_INLINE void Step(std::uint32_t v[5], std::uint32_t w[16]) {
    std::uint32_t& a = v[(80 - t) % 5];
    std::uint32_t& b = v[(81 - t) % 5];
    const std::uint32_t c = v[(82 - t) % 5];
    const std::uint32_t d = v[(83 - t) % 5];
    std::uint32_t& e = v[(84 - t) % 5];

    if constexpr (t >= 16)
        w[t % 16] = Rotl(w[(t - 3) % 16] ^ w[(t - 8) % 16] ^ w[(t - 14) % 16] ^ w[t % 16], 1);

    std::uint32_t f, k;
    if constexpr (t < 20) {
        f = (b & c) | (~b & d);
        k = 0x5a827999u;
    } else if constexpr (t < 40) {
        f = b ^ c ^ d;
        k = 0x6ed9eba1u;
    } else if constexpr (t < 60) {
        f = (b & c) | (b & d) | (c & d);
        k = 0x8f1bbcdcu;
    } else {
        f = b ^ c ^ d;
        k = 0xca62c1d6u;
    }
    e += Rotl(a, 5) + f + k + w[t % 16];
    b = Rotl(b, 30);
}

template <int... t>
VENNOX_ALWAYS_INLINE void Steps(std::uint32_t v[5], std::uint32_t w[16],
                                std::integer_sequence<int, t...>) {
    (Step<t>(v, w), ...);
}

// Words: a pointer to 16 words, or an EightByteBlock whose constant words
// fold into the schedule and the steps. All 80 steps are written out and
// inlined, so every index into v and w is a constant and both live in
// registers.
template <class Words> VENNOX_ALWAYS_INLINE void Rounds(std::uint32_t state[5], Words x) {
    std::uint32_t v[5] = {state[0], state[1], state[2], state[3], state[4]};
    // Written out rather than a loop, which the compiler would vectorise
    // before it saw the constants.
    std::uint32_t w[16] = {x[0], x[1], x[2],  x[3],  x[4],  x[5],  x[6],  x[7],
                           x[8], x[9], x[10], x[11], x[12], x[13], x[14], x[15]};
    Steps(v, w, std::make_integer_sequence<int, 80>{});
    for (int i = 0; i < 5; ++i)
        state[i] += v[i];
}

} // namespace

void SHA1Compress(std::uint32_t state[5], const std::uint32_t block[16]) {
    Rounds(state, block);
}

void SHA1OfEightBytes(const unsigned char message[8], std::uint32_t words[5]) {
    std::memcpy(words, kInit, sizeof kInit);
    Rounds(words, digest_detail::EightByteBlock<std::endian::big>{
                      digest_detail::LoadBe32(message), digest_detail::LoadBe32(message + 4)});
}

void SHA1Transform(std::uint32_t state[5], const unsigned char block[64]) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = digest_detail::LoadBe32(block + 4 * i);
    SHA1Compress(state, x);
    SecureWipe(x, sizeof x);
}

void SHA1Init(Sha1Context* ctx) {
    digest_detail::Init(ctx, kInit);
}

void SHA1Update(Sha1Context* ctx, const unsigned char* input, std::size_t length) {
    digest_detail::Update<Sha1Context, SHA1Transform>(ctx, input, length);
}

void SHA1Final(unsigned char digest[20], Sha1Context* ctx) {
    digest_detail::Final<Sha1Context, SHA1Transform, std::endian::big>(digest, ctx);
}
