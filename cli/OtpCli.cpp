#include "cli/OtpCli.h"

#include "engine/Challenge.h"
#include "engine/OtpGenerator.h"
#include "engine/SixWords.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <istream>
#include <new>
#include <ostream>
#include <string_view>

namespace {

const char kUsage[] = "usage: vennox-otp [--md4|--md5] [-n COUNT] [--hex] CHALLENGE...\n"
                      "       vennox-otp --decode WORDS...\n"
                      "       vennox-otp --help | --version\n";

const char kHelp[] = "vennox-otp: one-time passwords of RFC 2289 (otp-md4, otp-md5).\n"
                     "\n"
                     "  vennox-otp [--md4|--md5] [-n COUNT] [--hex] CHALLENGE...\n"
                     "    The arguments, joined by single spaces, are the challenge: an optional\n"
                     "    algorithm (a word holding md4/MD4 or md5/MD5, e.g. otp-md5), the\n"
                     "    sequence number and the seed, e.g.  vennox-otp otp-md5 99 ke1234\n"
                     "    The pass phrase is asked for on the terminal with echo off; when stdin\n"
                     "    is not a terminal, its first line is the pass phrase (may be empty).\n"
                     "    The response is printed as six words in capitals.\n"
                     "\n"
                     "    --md4, --md5  algorithm for a challenge that names none (default MD5)\n"
                     "    -n COUNT      print COUNT responses, for the sequence number and the\n"
                     "                  ones below it down to 1, highest first, as 'N: WORDS'\n"
                     "    --hex         print the 64-bit result as 16 hex digits instead of words\n"
                     "\n"
                     "  vennox-otp --decode WORDS...\n"
                     "    Checks six words (any case, any separators) and prints their 64-bit\n"
                     "    value as 16 hex digits.\n"
                     "\n"
                     "  --help          this text\n"
                     "  --version       the program's version\n"
                     "\n"
                     "Exit status: 0 done; 1 invalid challenge, key crunch failed, unreadable\n"
                     "pass phrase or words that do not decode; 2 wrong arguments.\n";

int Usage(std::ostream& err, const std::string& problem) {
    err << "vennox-otp: " << problem << '\n' << kUsage;
    return 2;
}

// A strictly positive decimal count.
bool ParseCount(const std::string& text, int& count) {
    if (text.empty())
        return false;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
        if (value > INT_MAX)
            return false;
    }
    count = static_cast<int>(value);
    return count >= 1;
}

std::string Join(const std::vector<std::string>& args, std::size_t from) {
    std::string joined;
    for (std::size_t i = from; i < args.size(); ++i) {
        if (i > from)
            joined += ' ';
        joined += args[i];
    }
    return joined;
}

// A challenge taken from a file or a copied line may end in a line break or
// a stray blank (`vennox-otp $(cat challenge.txt)` keeps a CR); left on the
// seed it gives a wrong response that looks right.
std::string WithoutTrailingBlanks(std::string text) {
    const std::size_t end = text.find_last_not_of(" \t\r\n");
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

void WriteHex(std::ostream& out, const unsigned char* key) {
    static const char digits[] = "0123456789abcdef";
    char text[17];
    for (int i = 0; i < 8; ++i) {
        text[2 * i] = digits[key[i] >> 4];
        text[2 * i + 1] = digits[key[i] & 15];
    }
    text[16] = '\0';
    out << text;
    SecureWipe(text, sizeof text);
}

void WriteWords(std::ostream& out, const unsigned char* key) {
    char text[30];
    out << EncodeSixWords(text, key);
    SecureWipe(text, sizeof text);
}

int Decode(const std::string& words, std::ostream& out, std::ostream& err) {
    unsigned char key[8];
    const int result = DecodeSixWords(key, words.c_str());
    switch (result) {
    case 1:
        WriteHex(out, key);
        out << '\n';
        SecureWipe(key, sizeof key);
        return 0;
    case 0:
        err << "vennox-otp: a word is not in the dictionary\n";
        break;
    case -2:
        err << "vennox-otp: checksum mismatch\n";
        break;
    default:
        err << "vennox-otp: malformed: fewer than six words, or a word of the wrong length\n";
        break;
    }
    return 1;
}

struct Options {
    int defaultAlgorithm = 5;
    int count = 0; // 0: no -n
    bool hex = false;
    bool decode = false;
    bool other = false; // any option that --decode does not take
};

} // namespace

bool ReadPassPhraseLine(const std::function<int()>& getByte, SecretString& passPhrase) {
    passPhrase.clear();
    for (;;) {
        int b = getByte();
        if (b == -2) {
            passPhrase.clear();
            return false;
        }
        if (b < 0)
            return true; // no line end: the text read so far is the line
        if (b == '\n')
            break;
        const char c = static_cast<char>(b);
        passPhrase.append(std::string_view(&c, 1));
    }
    const std::string_view line = passPhrase.view();
    if (!line.empty() && line.back() == '\r') {
        SecretString trimmed(line.substr(0, line.size() - 1));
        passPhrase = trimmed;
    }
    return true;
}

int RunOtpCli(const std::vector<std::string>& args, const PassPhraseReader& readPassPhrase,
              std::ostream& out, std::ostream& err) {
    Options opt;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--") {
            ++i;
            break;
        }
        if (a.size() < 2 || a[0] != '-')
            break;
        if (a == "--help" || a == "-h") {
            out << kHelp;
            return 0;
        } else if (a == "--version") {
            out << "vennox-otp (Vennox) " VENNOX_VERSION_TEXT "\n" VENNOX_COPYRIGHT "\n";
            return 0;
        } else if (a == "--md4") {
            opt.defaultAlgorithm = 4;
            opt.other = true;
        } else if (a == "--md5") {
            opt.defaultAlgorithm = 5;
            opt.other = true;
        } else if (a == "--hex") {
            opt.hex = true;
            opt.other = true;
        } else if (a == "--decode") {
            opt.decode = true;
        } else if (a == "-n") {
            if (i + 1 >= args.size() || !ParseCount(args[i + 1], opt.count))
                return Usage(err, "-n needs a count of 1 or more");
            ++i;
            opt.other = true;
        } else {
            return Usage(err, "unknown option '" + a + "'");
        }
    }

    if (opt.decode) {
        if (opt.other)
            return Usage(err, "--decode takes no other option");
        if (i >= args.size())
            return Usage(err, "--decode needs the six words");
        return Decode(Join(args, i), out, err);
    }
    if (i >= args.size())
        return Usage(err, "no challenge given");

    int algorithm = 0, sequence = 0;
    std::string seed;
    if (ParseChallenge(WithoutTrailingBlanks(Join(args, i)), algorithm, sequence, seed) != 1) {
        err << "invalid OTP challenge\n";
        return 1;
    }
    if (algorithm == -1)
        algorithm = opt.defaultAlgorithm;

    SecretString passPhrase;
    if (!readPassPhrase(passPhrase)) {
        err << "vennox-otp: cannot read the pass phrase\n";
        return 1;
    }

    unsigned char key[8];
    const int crunch = KeyCrunch(algorithm, key, seed.data(), passPhrase.c_str());
    passPhrase.clear();
    if (crunch != 0) {
        err << "key crunch failed\n";
        return 1;
    }

    // The keys of the lower sequence numbers come first in the chain, so walk
    // up from the lowest wanted one and print in reverse.
    const int lines = opt.count == 0 ? 1 : std::min(opt.count, sequence);
    const int lowest = sequence - lines + 1;
    std::vector<unsigned char, WipingAllocator<unsigned char>> keys;
    int status = 0;
    try {
        for (int step = 0; step < lowest; ++step)
            HashStep(key, algorithm);
        keys.insert(keys.end(), key, key + 8);
        for (int n = lowest + 1; n <= sequence; ++n) {
            HashStep(key, algorithm);
            keys.insert(keys.end(), key, key + 8);
        }
    } catch (const std::exception&) { // bad_alloc, or length_error past max_size
        err << "vennox-otp: out of memory for " << lines << " responses\n";
        status = 1;
    }
    SecureWipe(key, sizeof key);
    if (status != 0)
        return status;

    for (int line = lines - 1; line >= 0; --line) {
        if (opt.count != 0)
            out << (lowest + line) << ": ";
        if (opt.hex)
            WriteHex(out, keys.data() + 8 * line);
        else
            WriteWords(out, keys.data() + 8 * line);
        out << '\n';
    }
    return out ? 0 : 1;
}

int RunOtpCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
              std::ostream& err) {
    const auto getByte = [&in]() -> int {
        const auto c = in.get();
        if (c == std::istream::traits_type::eof())
            return in.bad() ? -2 : -1;
        return static_cast<unsigned char>(c);
    };
    return RunOtpCli(
        args, [&getByte](SecretString& p) { return ReadPassPhraseLine(getByte, p); }, out, err);
}
