// MD4 message digest (RFC 1320) with the reference init/update/final interface.
#pragma once

#include <cstddef>
#include <cstdint>

struct Md4Context {
    std::uint32_t state[4]; // chaining words A, B, C, D
    std::uint32_t count[2]; // message length in bits, low word first
    unsigned char buffer[64];
};

void MD4Init(Md4Context* ctx);
void MD4Update(Md4Context* ctx, const unsigned char* input, std::size_t length);
// Writes the digest and then clears the whole context.
void MD4Final(unsigned char digest[16], Md4Context* ctx);

// The bare compression of one 64-byte block into the chaining words.
void MD4Transform(std::uint32_t state[4], const unsigned char block[64]);
// The same on a block already read as 16 little-endian words.
void MD4Compress(std::uint32_t state[4], const std::uint32_t block[16]);
// The chaining words of the digest of an 8-byte message (the words of its
// digest before they are written out): its one padded block compressed from
// the initial values, with the padding's constant words folded in.
void MD4OfEightBytes(const unsigned char message[8], std::uint32_t words[4]);
