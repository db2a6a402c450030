// Parser of RFC 2289 challenges: "[algorithm] sequence seed", split at spaces.
#pragma once

#include "engine/OtpHash.h"

#include <string>
#include <string_view>

// Returns 1 for a valid challenge, 0 otherwise. algorithm: 4 (token holds "md4"
// or "MD4"), 5 ("md5" or "MD5") or -1 (no algorithm token). The outputs are set
// as parsing goes on, so some may be set when the result is 0. A sequence
// number outside the int range makes the challenge invalid and leaves the
// sequence output untouched.
int ParseChallenge(std::string text, int& algorithm, int& sequence, std::string& seed);

// A challenge as servers send it (RFC 2289 with RFC 2243's extensions), for
// callers that answer any server rather than the dialogs' subset.
struct ServerChallenge {
    bool named = false;          // the challenge names its hash
    OtpHash hash = OtpHash::Md5; // the hash it names
    int sequence = 0;
    std::string seed;
    bool extended = false; // ends in "ext": the server takes RFC 2243's responses
};

// Returns 1 and fills the challenge for a valid one, 0 otherwise (the
// challenge is then untouched). Takes everything ParseChallenge takes, with the
// same values, and besides:
// - blanks at the very end (space, tab, CR, LF) are ignored: a challenge
//   copied from a file keeps its line end, which would otherwise end up in
//   the seed and give a wrong response;
// - a first token holding "sha1" or "SHA1" names SHA-1, unless it holds an MD
//   spelling or reads as a sequence number (as "99sha1" does), which keeps
//   ParseChallenge's reading;
// - a fourth token "ext" (any letter case), or "ext," and a comma-separated
//   list of items (printable, no comma, none empty), marks an extended
//   challenge.
int ParseServerChallenge(std::string_view text, ServerChallenge& challenge);
