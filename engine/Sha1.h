// SHA-1 message digest (FIPS 180-4) with the same init/update/final interface
// as MD4 and MD5.
#pragma once

#include <cstddef>
#include <cstdint>

struct Sha1Context {
    std::uint32_t state[5]; // chaining words H0 to H4
    std::uint32_t count[2]; // message length in bits, low word first
    unsigned char buffer[64];
};

void SHA1Init(Sha1Context* ctx);
void SHA1Update(Sha1Context* ctx, const unsigned char* input, std::size_t length);
// Writes the 20-byte digest (H0 to H4, each most significant byte first) and
// then clears the whole context.
void SHA1Final(unsigned char digest[20], Sha1Context* ctx);

// The bare compression of one 64-byte block into the chaining words.
void SHA1Transform(std::uint32_t state[5], const unsigned char block[64]);
// The same on a block already read as 16 big-endian words.
void SHA1Compress(std::uint32_t state[5], const std::uint32_t block[16]);
// The chaining words of the digest of an 8-byte message: its one padded block
// compressed from the initial values, with the padding's constant words
// folded in.
void SHA1OfEightBytes(const unsigned char message[8], std::uint32_t words[5]);
