// Block handling shared by the MD4 and MD5 contexts: both standards use the
// same buffering, padding and little-endian length, only the compression
// differs.
#pragma once

#include "engine/Secret.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace digest_detail {

inline constexpr std::uint32_t kInit[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};

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

inline std::uint32_t Rotl(std::uint32_t x, int s) {
    return (x << s) | (x >> (32 - s));
}

template <class Context> void Init(Context* ctx) {
    std::memcpy(ctx->state, kInit, sizeof ctx->state);
    ctx->count[0] = 0;
    ctx->count[1] = 0;
}

template <class Context, void (*Transform)(std::uint32_t*, const unsigned char*)>
void Update(Context* ctx, const unsigned char* input, std::size_t length) {
    if (length == 0)
        return;
    std::size_t used = (ctx->count[0] >> 3) & 0x3F;
    // The bit count wraps modulo 2^64, as both standards allow.
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

template <class Context, void (*Transform)(std::uint32_t*, const unsigned char*)>
void Final(unsigned char digest[16], Context* ctx) {
    unsigned char length[8];
    StoreLe32(length, ctx->count[0]);
    StoreLe32(length + 4, ctx->count[1]);
    static const unsigned char kPadding[64] = {0x80};
    std::size_t used = (ctx->count[0] >> 3) & 0x3F;
    std::size_t pad = used < 56 ? 56 - used : 120 - used;
    Update<Context, Transform>(ctx, kPadding, pad);
    Update<Context, Transform>(ctx, length, 8);
    for (int i = 0; i < 4; ++i)
        StoreLe32(digest + 4 * i, ctx->state[i]);
    SecureWipe(ctx, sizeof *ctx);
}

} // namespace digest_detail
