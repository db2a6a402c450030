#include "engine/Challenge.h"

#include <climits>
#include <new>
#include <string_view>

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
