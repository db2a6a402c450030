#include "engine/OtpGenerator.h"

#include "engine/OtpHash.h"
#include "engine/Secret.h"
#include "engine/SixWords.h"

#include <new>

void FoldDigest(const unsigned char digest[16], unsigned char key[8]) {
    for (int i = 0; i < 8; ++i)
        key[i] = digest[i] ^ digest[i + 8];
}

int KeyCrunch(int algorithm, unsigned char* key, char* seed, const char* passPhrase) {
    return CrunchOtpKey(OtpHashOfCode(algorithm), key, seed, passPhrase);
}

void HashStep(unsigned char key[8], int algorithm) {
    StepOtpKey(OtpHashOfCode(algorithm), key);
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
