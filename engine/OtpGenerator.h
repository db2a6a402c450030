// One-time password generator of RFC 2289 (otp-md4, otp-md5).
#pragma once

#include <string>

// Algorithm 4 selects MD4; every other code selects MD5. (otp-sha1 goes
// through OtpHash.h.)

// key[i] = digest[i] ^ digest[i + 8].
void FoldDigest(const unsigned char digest[16], unsigned char key[8]);

// Lowers the seed in place and folds the digest of seed + pass phrase into key.
// Returns 0 on success, 1 for bad input (no or empty seed, seed over 16 bytes,
// a space in the seed, no pass phrase or key), -1 when out of memory. The key
// is written only on success.
int KeyCrunch(int algorithm, unsigned char* key, char* seed, const char* passPhrase);

// Replaces the key by the fold of its digest. Allocates nothing.
void HashStep(unsigned char key[8], int algorithm);

// Crunch, count hash steps, six-word encoding. Returns 1 and sets the response,
// or 0 and leaves the response unchanged. The seed is lowered in place. A count
// of 0 or less runs no hash step.
int ComputeResponse(int algorithm, int count, std::string& seed, const char* passPhrase,
                    std::string& response);
