// Parser of RFC 2289 challenges: "[algorithm] sequence seed", split at spaces.
#pragma once

#include <string>

// Returns 1 for a valid challenge, 0 otherwise. algorithm: 4 (token holds "md4"
// or "MD4"), 5 ("md5" or "MD5") or -1 (no algorithm token). The outputs are set
// as parsing goes on, so some may be set when the result is 0. A sequence
// number outside the int range makes the challenge invalid and leaves the
// sequence output untouched.
int ParseChallenge(std::string text, int& algorithm, int& sequence, std::string& seed);
