// The hashes of one-time passwords by name, otp-sha1 included, for callers
// that answer any RFC 2289 server. The generator's functions in
// OtpGenerator.h take the integer code and know only MD4 and MD5; they map
// onto these.
#pragma once

enum class OtpHash { Md4, Md5, Sha1 };

// The generator's rule for its integer code: 4 is MD4, every other code MD5.
inline OtpHash OtpHashOfCode(int algorithm) {
    return algorithm == 4 ? OtpHash::Md4 : OtpHash::Md5;
}

// "md4", "md5" or "sha1", as RFC 2243 writes them in a re-initialisation.
const char* OtpHashName(OtpHash hash);

// RFC 2289 Appendix A's fold for SHA-1: h0 ^ h2 ^ h4 and h1 ^ h3 of the
// digest's five big-endian words, each written least significant byte first.
void FoldSha1Digest(const unsigned char digest[20], unsigned char key[8]);

// KeyCrunch with the hash named: the same checks, results and lowering of the
// seed in place.
int CrunchOtpKey(OtpHash hash, unsigned char* key, char* seed, const char* passPhrase);

// HashStep with the hash named: one compression of one pre-padded block,
// nothing allocated.
void StepOtpKey(OtpHash hash, unsigned char key[8]);
