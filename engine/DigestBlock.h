// Block handling shared by the MD4, MD5 and SHA-1 contexts: all three use the
// same 64-byte blocks, buffering and padding; they differ in the compression
// and in the byte order of the length and the digest.
#pragma once

#include "engine/Secret.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

// For the compressions' step helpers: inlined, their indices are constants and
// the working words stay in registers.
#if defined(__GNUC__)
#define VENNOX_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define VENNOX_ALWAYS_INLINE inline
#endif

namespace digest_detail {

// The initial chaining words of MD4 and MD5 (SHA-1 adds a fifth).
inline constexpr std::uint32_t kMdInit[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};

inline std::uint32_t LoadLe32(const unsigned char* p) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    } else {
        return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
               static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    }
}

inline void StoreLe32(unsigned char* p, std::uint32_t v) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &v, 4);
    } else {
        p[0] = static_cast<unsigned char>(v);
        p[1] = static_cast<unsigned char>(v >> 8);
        p[2] = static_cast<unsigned char>(v >> 16);
        p[3] = static_cast<unsigned char>(v >> 24);
    }
}

inline std::uint32_t LoadBe32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}

inline void StoreBe32(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

inline std::uint32_t Rotl(std::uint32_t x, int s) {
    return (x << s) | (x >> (32 - s));
}

// The one padded block of an 8-byte message, as message words read in the
// given byte order: the message, the 0x80 byte, zeros and the bit length 64.
// Compressions take it as a template argument, so every word but the first
// two is a compile-time constant and drops out of the rounds.
template <std::endian order> struct EightByteBlock {
    std::uint32_t w0, w1;
    constexpr std::uint32_t operator[](int i) const {
        if (i < 2)
            return i == 0 ? w0 : w1;
        if (i == 2)
            return order == std::endian::little ? 0x80u : 0x80000000u;
        return i == (order == std::endian::little ? 14 : 15) ? 64u : 0u;
    }
};

template <class Context, std::size_t N> void Init(Context* ctx, const std::uint32_t (&initial)[N]) {
    static_assert(sizeof ctx->state == sizeof initial);
    std::memcpy(ctx->state, initial, sizeof ctx->state);
    ctx->count[0] = 0;
    ctx->count[1] = 0;
}

template <class Context, void (*Transform)(std::uint32_t*, const unsigned char*)>
void Update(Context* ctx, const unsigned char* input, std::size_t length) {
    if (length == 0)
        return;
    std::size_t used = (ctx->count[0] >> 3) & 0x3F;
    // The bit count wraps modulo 2^64, as the standards allow.
    std::uint64_t bits = (static_cast<std::uint64_t>(ctx->count[1]) << 32 | ctx->count[0]) +
                         (static_cast<std::uint64_t>(length) << 3);
    ctx->count[0] = static_cast<std::uint32_t>(bits);
    ctx->count[1] = static_cast<std::uint32_t>(bits >> 32);

    std::size_t room = 64 - used;
    if (length < room) {
        std::memcpy(ctx->buffer + used, input, length);
        return;
    }
    std::memcpy(ctx->buffer + used, input, room);
    Transform(ctx->state, ctx->buffer);
    std::size_t i = room;
    for (; i + 64 <= length; i += 64)
        Transform(ctx->state, input + i);
    std::memcpy(ctx->buffer, input + i, length - i);
}

// Pads, appends the bit count and writes the chaining words as the digest, all
// in the given byte order, then clears the whole context.
template <class Context, void (*Transform)(std::uint32_t*, const unsigned char*), std::endian order>
void Final(unsigned char* digest, Context* ctx) {
    const auto store = order == std::endian::little ? StoreLe32 : StoreBe32;
    const int low = order == std::endian::little ? 0 : 4;
    unsigned char length[8];
    store(length + low, ctx->count[0]);
    store(length + 4 - low, ctx->count[1]);
    static const unsigned char kPadding[64] = {0x80};
    std::size_t used = (ctx->count[0] >> 3) & 0x3F;
    std::size_t pad = used < 56 ? 56 - used : 120 - used;
    Update<Context, Transform>(ctx, kPadding, pad);
    Update<Context, Transform>(ctx, length, 8);
    for (std::size_t i = 0; i < sizeof ctx->state / sizeof ctx->state[0]; ++i)
        store(digest + 4 * i, ctx->state[i]);
    SecureWipe(ctx, sizeof *ctx);
}

} // namespace digest_detail
