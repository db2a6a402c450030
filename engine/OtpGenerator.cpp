#include "engine/OtpGenerator.h"

#include "engine/DigestBlock.h"
#include "engine/Md4.h"
#include "engine/Md5.h"
#include "engine/Secret.h"
#include "engine/SixWords.h"

#include <cstring>
#include <new>

using digest_detail::LoadLe32;
using digest_detail::StoreLe32;

void FoldDigest(const unsigned char digest[16], unsigned char key[8]) {
    for (int i = 0; i < 8; ++i)
        key[i] = digest[i] ^ digest[i + 8];
}

int KeyCrunch(int algorithm, unsigned char* key, char* seed, const char* passPhrase) {
    if (seed == nullptr || seed[0] == '\0' || passPhrase == nullptr || key == nullptr)
        return 1;
    const std::size_t n = std::strlen(seed);
    if (n > 16)
        return 1;
    for (char* p = seed; *p != '\0'; ++p) {
        if (*p >= 'A' && *p <= 'Z')
            *p = static_cast<char>(*p + 32);
        else if (*p == ' ')
            return 1;
    }

    const std::size_t m = std::strlen(passPhrase);
    auto* message = new (std::nothrow) unsigned char[n + m + 1];
    if (message == nullptr)
        return -1;
    std::memcpy(message, seed, n);
    std::memcpy(message + n, passPhrase, m);

    unsigned char digest[16];
    if (algorithm == 4) {
        Md4Context ctx;
        MD4Init(&ctx);
        MD4Update(&ctx, message, n + m);
        MD4Final(digest, &ctx);
    } else {
        Md5Context ctx;
        MD5Init(&ctx);
        MD5Update(&ctx, message, n + m);
        MD5Final(digest, &ctx);
    }
    SecureWipe(message, n + m + 1);
    delete[] message;

    FoldDigest(digest, key);
    SecureWipe(digest, sizeof digest);
    return 0;
}

void HashStep(unsigned char key[8], int algorithm) {
    // An 8-byte message is one padded block: the key, 0x80, zeros and the bit
    // length 64. Building it here and compressing once from the initial values
    // skips the buffering and padding of update/final, which would otherwise
    // cost about as much as the compression itself.
    struct {
        std::uint32_t state[4];
        std::uint32_t block[16];
    } s;
    std::memcpy(s.state, digest_detail::kInit, sizeof s.state);
    s.block[0] = LoadLe32(key);
    s.block[1] = LoadLe32(key + 4);
    s.block[2] = 0x80;
    for (int i = 3; i < 14; ++i)
        s.block[i] = 0;
    s.block[14] = 64;
    s.block[15] = 0;

    if (algorithm == 4)
        MD4Compress(s.state, s.block);
    else
        MD5Compress(s.state, s.block);

    // The fold in words: first ^ third and second ^ fourth, little-endian.
    StoreLe32(key, s.state[0] ^ s.state[2]);
    StoreLe32(key + 4, s.state[1] ^ s.state[3]);
    // The digest and the two key words of the block; the rest is constant.
    SecureWipe(&s, sizeof s.state + 2 * sizeof s.block[0]);
}

int ComputeResponse(int algorithm, int count, std::string& seed, const char* passPhrase,
                    std::string& response) {
    unsigned char key[8];
    if (KeyCrunch(algorithm, key, seed.data(), passPhrase) != 0)
        return 0;
    for (int i = count; i > 0; --i)
        HashStep(key, algorithm);

    char text[30];
    EncodeSixWords(text, key);
    SecureWipe(key, sizeof key);
    int result = 1;
    try {
        response.assign(text);
    } catch (const std::bad_alloc&) {
        // assign leaves the string as it was when it throws.
        result = 0;
    }
    SecureWipe(text, sizeof text);
    return result;
}
