#include "engine/OtpHash.h"

#include "engine/DigestBlock.h"
#include "engine/Md4.h"
#include "engine/Md5.h"
#include "engine/OtpGenerator.h"
#include "engine/Secret.h"
#include "engine/Sha1.h"

#include <cstring>
#include <new>

using digest_detail::LoadBe32;
using digest_detail::StoreLe32;

const char* OtpHashName(OtpHash hash) {
    switch (hash) {
    case OtpHash::Md4:
        return "md4";
    case OtpHash::Sha1:
        return "sha1";
    default:
        return "md5";
    }
}

void FoldSha1Digest(const unsigned char digest[20], unsigned char key[8]) {
    StoreLe32(key, LoadBe32(digest) ^ LoadBe32(digest + 8) ^ LoadBe32(digest + 16));
    StoreLe32(key + 4, LoadBe32(digest + 4) ^ LoadBe32(digest + 12));
}

int CrunchOtpKey(OtpHash hash, unsigned char* key, char* seed, const char* passPhrase) {
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

    unsigned char digest[20];
    if (hash == OtpHash::Md4) {
        Md4Context ctx;
        MD4Init(&ctx);
        MD4Update(&ctx, message, n + m);
        MD4Final(digest, &ctx);
        FoldDigest(digest, key);
    } else if (hash == OtpHash::Md5) {
        Md5Context ctx;
        MD5Init(&ctx);
        MD5Update(&ctx, message, n + m);
        MD5Final(digest, &ctx);
        FoldDigest(digest, key);
    } else {
        Sha1Context ctx;
        SHA1Init(&ctx);
        SHA1Update(&ctx, message, n + m);
        SHA1Final(digest, &ctx);
        FoldSha1Digest(digest, key);
    }
    SecureWipe(message, n + m + 1);
    delete[] message;
    SecureWipe(digest, sizeof digest);
    return 0;
}

void StepOtpKey(OtpHash hash, unsigned char key[8]) {
    // The 8-byte message is a single padded block whose padding is constant:
    // the digest functions compress it straight from the key, with no
    // buffering and no padding work (update/final would cost about as much as
    // the compression itself). The folds here work on the chaining words.
    std::uint32_t h[5];
    if (hash == OtpHash::Md4) {
        MD4OfEightBytes(key, h);
        StoreLe32(key, h[0] ^ h[2]);
        StoreLe32(key + 4, h[1] ^ h[3]);
    } else if (hash == OtpHash::Md5) {
        MD5OfEightBytes(key, h);
        StoreLe32(key, h[0] ^ h[2]);
        StoreLe32(key + 4, h[1] ^ h[3]);
    } else {
        SHA1OfEightBytes(key, h);
        StoreLe32(key, h[0] ^ h[2] ^ h[4]);
        StoreLe32(key + 4, h[1] ^ h[3]);
    }
    SecureWipe(h, sizeof h);
}
