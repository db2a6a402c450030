// RFC 2243's re-initialisation as vennox-otp offers it: the default new seed
// and the rules a new secret must keep before it is sent to the server.
#pragma once

#include "engine/Secret.h"

#include <string>
#include <string_view>

// ASCII capitals lowered: RFC 2243 sends seeds in lower case.
std::string LowerCase(std::string_view text);

// The default new seed: the seed in lower case with the number at its end
// raised by one ("ke1234" gives "ke1235", "ke0999" "ke1000"), or with "1"
// added when it ends in no digit. Cut to 16 characters by shortening the part
// before the number, so the number stays whole and the seed changes.
std::string NextSeed(std::string_view seed);

// 1 to 16 ASCII letters and digits.
bool IsValidNewSeed(std::string_view seed);

// Null when the new secret may be sent, else the rule it breaks as a message.
// Both seeds are in lower case. Checked in this order: the two entries of the
// new pass phrase agree; it has 10 characters or more; it is not the new seed
// (in any case); the seed or the pass phrase changes.
const char* NewSecretProblem(std::string_view currentSeed, std::string_view newSeed,
                             const SecretString& currentPassPhrase,
                             const SecretString& newPassPhrase,
                             const SecretString& newPassPhraseAgain);
