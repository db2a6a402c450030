#include "engine/Challenge.h"

#include <climits>
#include <new>
#include <string_view>
#include <utility>

namespace {

// Only the space separates tokens; tabs and line ends belong to the token.
class Tokens {
  public:
    explicit Tokens(std::string_view text) : rest_(text) {}
    bool Next(std::string_view& token) {
        const auto begin = rest_.find_first_not_of(' ');
        if (begin == std::string_view::npos) {
            rest_ = {};
            return false;
        }
        rest_.remove_prefix(begin);
        const auto end = rest_.find(' ');
        token = rest_.substr(0, end);
        rest_.remove_prefix(token.size());
        return true;
    }

  private:
    std::string_view rest_;
};

bool Contains(std::string_view token, std::string_view part) {
    return token.find(part) != std::string_view::npos;
}

// Decimal conversion in the manner of atoi, but an out-of-range value is an
// error rather than undefined behaviour.
bool ToInt(std::string_view token, int& value) {
    std::size_t i = 0;
    while (i < token.size() && (token[i] == '\t' || token[i] == '\n' || token[i] == '\v' ||
                                token[i] == '\f' || token[i] == '\r'))
        ++i;
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
        negative = token[i] == '-';
        ++i;
    }
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long magnitude = 0;
    for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (token[i] - '0');
        if (magnitude > limit)
            return false;
    }
    value = static_cast<int>(negative ? -magnitude : magnitude);
    return true;
}

// "ext" in any letter case: RFC 2243 gives it in ABNF, whose literals
// ignore case, so a server may send "EXT".
bool IsExtWord(std::string_view word) {
    return word.size() == 3 && (word[0] | 0x20) == 'e' && (word[1] | 0x20) == 'x' &&
           (word[2] | 0x20) == 't';
}

// RFC 2243's capability field: "ext", or "ext," and a list of items.
bool IsExtensionField(std::string_view token) {
    if (IsExtWord(token))
        return true;
    if (token.size() < 4 || !IsExtWord(token.substr(0, 3)) || token[3] != ',')
        return false;
    token.remove_prefix(4);
    bool itemEmpty = true;
    for (char c : token) {
        if (c == ',') {
            if (itemEmpty)
                return false;
            itemEmpty = true;
        } else if (c > ' ' && c < 0x7F) {
            itemEmpty = false;
        } else {
            return false;
        }
    }
    return !itemEmpty;
}

} // namespace

int ParseChallenge(std::string text, int& algorithm, int& sequence, std::string& seed) {
    Tokens tokens(text);
    std::string_view token;
    if (!tokens.Next(token))
        return 0;

    if (Contains(token, "md4") || Contains(token, "MD4")) {
        algorithm = 4;
        if (!tokens.Next(token))
            return 0;
    } else if (Contains(token, "md5") || Contains(token, "MD5")) {
        algorithm = 5;
        if (!tokens.Next(token))
            return 0;
    } else {
        algorithm = -1;
    }

    int value = 0;
    if (!ToInt(token, value))
        return 0;
    sequence = value;
    if (value < 1)
        return 0;

    if (!tokens.Next(token))
        return 0;
    try {
        seed.assign(token);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return tokens.Next(token) ? 0 : 1;
}

int ParseServerChallenge(std::string_view text, ServerChallenge& challenge) {
    const auto end = text.find_last_not_of(" \t\r\n");
    Tokens tokens(text.substr(0, end == std::string_view::npos ? 0 : end + 1));
    std::string_view token;
    if (!tokens.Next(token))
        return 0;

    ServerChallenge parsed;
    parsed.named = true;
    // ParseChallenge's reading first, so every challenge it takes reads the
    // same here: its MD spellings, then its sequence token. Only a token it
    // would refuse as a number can name SHA-1 ("otp-sha1", not "99sha1").
    int number = 0;
    if (Contains(token, "md4") || Contains(token, "MD4"))
        parsed.hash = OtpHash::Md4;
    else if (Contains(token, "md5") || Contains(token, "MD5"))
        parsed.hash = OtpHash::Md5;
    else if ((Contains(token, "sha1") || Contains(token, "SHA1")) && ToInt(token, number) &&
             number < 1)
        parsed.hash = OtpHash::Sha1;
    else
        parsed.named = false;
    if (parsed.named && !tokens.Next(token))
        return 0;

    if (!ToInt(token, parsed.sequence) || parsed.sequence < 1)
        return 0;
    if (!tokens.Next(token))
        return 0;
    std::string_view seed = token;

    if (tokens.Next(token)) {
        if (!IsExtensionField(token) || tokens.Next(token))
            return 0;
        parsed.extended = true;
    }
    try {
        parsed.seed.assign(seed);
        challenge = std::move(parsed);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}
