#include "cli/Reinit.h"

#include <algorithm>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

} // namespace

std::string LowerCase(std::string_view text) {
    std::string lowered;
    for (char c : text)
        lowered += Lower(c);
    return lowered;
}

std::string NextSeed(std::string_view seed) {
    std::string prefix = LowerCase(seed);
    std::size_t digits = prefix.size();
    while (digits > 0 && IsDigit(prefix[digits - 1]))
        --digits;
    std::string number = prefix.substr(digits);
    prefix.erase(digits);

    // Decimal increment on the text, leading zeros kept; no number reads as
    // an empty one and becomes "1".
    std::size_t i = number.size();
    while (i > 0 && number[i - 1] == '9')
        number[--i] = '0';
    if (i == 0)
        number.insert(number.begin(), '1');
    else
        ++number[i - 1];
    if (number.size() >= 16)
        return number.substr(0, 16);
    prefix.resize(std::min(prefix.size(), 16 - number.size()));
    return prefix + number;
}

bool IsValidNewSeed(std::string_view seed) {
    if (seed.empty() || seed.size() > 16)
        return false;
    for (char c : seed)
        if (!IsDigit(c) && !(Lower(c) >= 'a' && Lower(c) <= 'z'))
            return false;
    return true;
}

const char* NewSecretProblem(std::string_view currentSeed, std::string_view newSeed,
                             const SecretString& currentPassPhrase,
                             const SecretString& newPassPhrase,
                             const SecretString& newPassPhraseAgain) {
    if (newPassPhrase.view() != newPassPhraseAgain.view())
        return "the two entries of the new pass phrase differ";
    if (newPassPhrase.size() < 10)
        return "the new pass phrase must have 10 characters or more";
    if (EqualIgnoringCase(newPassPhrase.view(), newSeed))
        return "the new pass phrase must not be the new seed";
    if (newSeed == currentSeed && newPassPhrase.view() == currentPassPhrase.view())
        return "the seed, the pass phrase or both must change";
    return nullptr;
}
