#include "cli/OtpCli.h"

#include "cli/Reinit.h"
#include "engine/Challenge.h"
#include "engine/OtpHash.h"
#include "engine/SixWords.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <istream>
#include <new>
#include <optional>
#include <ostream>
#include <string_view>

namespace {

const char kUsage[] =
    "usage: vennox-otp [--md4|--md5|--sha1] [-n COUNT] [--hex] CHALLENGE...\n"
    "       vennox-otp --init [--new-seed SEED] [--new-count N] [--new-algorithm ALG]\n"
    "                  [--md4|--md5|--sha1] [--hex] CHALLENGE... ext\n"
    "       vennox-otp --decode WORDS...\n"
    "       vennox-otp --help | --version\n";

const char kHelp[] =
    "vennox-otp: one-time passwords of RFC 2289 (otp-md4, otp-md5, otp-sha1).\n"
    "\n"
    "  vennox-otp [--md4|--md5|--sha1] [-n COUNT] [--hex] CHALLENGE...\n"
    "    The arguments, joined by single spaces, are the challenge: an optional\n"
    "    algorithm (a word holding md4, md5 or sha1, e.g. otp-md5), the sequence\n"
    "    number, the seed and, from servers that take RFC 2243's extended\n"
    "    responses, \"ext\" or \"ext,LIST\".  e.g.  vennox-otp otp-md5 99 ke1234\n"
    "    The pass phrase is asked for on the terminal with echo off; when stdin\n"
    "    is not a terminal, its first line is the pass phrase (may be empty).\n"
    "    The response is printed as six words in capitals.\n"
    "\n"
    "    --md4, --md5, --sha1\n"
    "                  algorithm for a challenge that names none (default MD5)\n"
    "    -n COUNT      print COUNT responses, for the sequence number and the\n"
    "                  ones below it down to 1, highest first, as 'N: WORDS';\n"
    "                  on a terminal the pass phrase is asked for twice\n"
    "    --hex         print the 64-bit result as 16 hex digits instead of words\n"
    "\n"
    "  vennox-otp --init [OPTIONS] CHALLENGE... ext\n"
    "    Prints RFC 2243's re-initialisation response, init-word:CURRENT:ALG\n"
    "    COUNT SEED:NEW (init-hex with --hex), which sets a new secret on a\n"
    "    server whose challenge ends in ext. Reads the current pass phrase and\n"
    "    the new one twice (three lines from a pipe). The new pass phrase has\n"
    "    10 characters or more and is not the new seed; the seed, the pass\n"
    "    phrase or both change.\n"
    "    --new-seed SEED        1 to 16 letters and digits (default: the seed\n"
    "                           with its final number raised by one, or \"1\" added)\n"
    "    --new-count N          the new sequence count (default 499)\n"
    "    --new-algorithm ALG    md4, md5 or sha1 (default: the current one)\n"
    "\n"
    "  vennox-otp --decode WORDS...\n"
    "    Checks six words (any case, any separators) and prints their 64-bit\n"
    "    value as 16 hex digits.\n"
    "\n"
    "  --help          this text\n"
    "  --version       the program's version\n"
    "\n"
    "Exit status: 0 done; 1 invalid challenge, key crunch failed, unreadable or\n"
    "refused pass phrase, refused new secret, or words that do not decode;\n"
    "2 wrong arguments.\n";

const char kInitNeedsExt[] =
    "vennox-otp: --init needs a challenge that ends in \"ext\": a server takes a\n"
    "re-initialisation only after such a challenge (RFC 2243)\n";

int Usage(std::ostream& err, const std::string& problem) {
    err << "vennox-otp: " << problem << '\n' << kUsage;
    return 2;
}

// A decimal number in the int range, with an optional minus sign; whether it
// is large enough is checked later, as a rule of its own.
bool ParseInt(const std::string& text, int& value) {
    const bool negative = !text.empty() && text[0] == '-';
    const std::size_t first = negative ? 1 : 0;
    if (text.size() == first)
        return false;
    long long magnitude = 0;
    for (std::size_t i = first; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > INT_MAX)
            return false;
    }
    value = static_cast<int>(negative ? -magnitude : magnitude);
    return true;
}

// A strictly positive decimal count.
bool ParseCount(const std::string& text, int& count) {
    return !text.empty() && text[0] != '-' && ParseInt(text, count) && count >= 1;
}

bool ParseHashName(const std::string& text, OtpHash& hash) {
    for (OtpHash h : {OtpHash::Md4, OtpHash::Md5, OtpHash::Sha1}) {
        if (text == OtpHashName(h)) {
            hash = h;
            return true;
        }
    }
    return false;
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
    OtpHash defaultHash = OtpHash::Md5;
    int count = 0; // 0: no -n
    bool hex = false;
    bool decode = false;
    bool other = false; // any option that --decode does not take
    bool init = false;
    std::optional<std::string> newSeed;
    std::optional<int> newCount;
    std::optional<OtpHash> newHash;
};

// Reads the options up to the challenge; returns -1 when they are good, else
// the exit status of the usage message or of --help/--version.
int ParseOptions(const std::vector<std::string>& args, std::size_t& i, Options& opt,
                 std::ostream& out, std::ostream& err) {
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
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
        } else if (a == "--md4" || a == "--md5" || a == "--sha1") {
            ParseHashName(a.substr(2), opt.defaultHash);
        } else if (a == "--hex") {
            opt.hex = true;
        } else if (a == "--decode") {
            opt.decode = true;
            continue;
        } else if (a == "-n") {
            if (!hasValue || !ParseCount(args[++i], opt.count))
                return Usage(err, "-n needs a count of 1 or more");
        } else if (a == "--init") {
            opt.init = true;
        } else if (a == "--new-seed") {
            if (!hasValue)
                return Usage(err, "--new-seed needs a seed");
            opt.newSeed = args[++i];
        } else if (a == "--new-count") {
            int value = 0;
            if (!hasValue || !ParseInt(args[++i], value))
                return Usage(err, "--new-count needs a whole number");
            opt.newCount = value;
        } else if (a == "--new-algorithm") {
            OtpHash hash{};
            if (!hasValue || !ParseHashName(args[++i], hash))
                return Usage(err, "--new-algorithm needs md4, md5 or sha1");
            opt.newHash = hash;
        } else {
            return Usage(err, "unknown option '" + a + "'");
        }
        opt.other = true;
    }
    if (opt.decode && opt.other)
        return Usage(err, "--decode takes no other option");
    if (opt.init && opt.count != 0)
        return Usage(err, "--init takes no -n");
    if (!opt.init && (opt.newSeed || opt.newCount || opt.newHash))
        return Usage(err, "--new-seed, --new-count and --new-algorithm go with --init");
    return -1;
}

// The key for count steps of the chain; false when the crunch fails. The seed
// is lowered in place.
bool ChainKey(OtpHash hash, int count, std::string& seed, const SecretString& passPhrase,
              unsigned char key[8]) {
    if (CrunchOtpKey(hash, key, seed.data(), passPhrase.c_str()) != 0)
        return false;
    for (int step = 0; step < count; ++step)
        StepOtpKey(hash, key);
    return true;
}

void WriteKey(std::ostream& out, const unsigned char* key, bool hex) {
    if (hex)
        WriteHex(out, key);
    else
        WriteWords(out, key);
}

bool ReadOrSay(const PassPhraseReader& read, const char* prompt, SecretString& passPhrase,
               std::ostream& err) {
    if (read(prompt, passPhrase))
        return true;
    err << "vennox-otp: cannot read the pass phrase\n";
    return false;
}

int Reinitialise(const Options& opt, ServerChallenge& challenge, OtpHash hash,
                 const PassPhraseReader& read, std::ostream& out, std::ostream& err) {
    if (!challenge.extended) {
        err << kInitNeedsExt;
        return 1;
    }
    const std::string currentSeed = LowerCase(challenge.seed);
    std::string newSeed = opt.newSeed ? LowerCase(*opt.newSeed) : NextSeed(currentSeed);
    if (!IsValidNewSeed(newSeed)) {
        err << "vennox-otp: the new seed must be 1 to 16 letters and digits\n";
        return 1;
    }
    const int newCount = opt.newCount.value_or(499);
    if (newCount < 1) {
        err << "vennox-otp: the new count must be 1 or more\n";
        return 1;
    }
    const OtpHash newHash = opt.newHash.value_or(hash);

    SecretString current, fresh, again;
    if (!ReadOrSay(read, "Current pass phrase: ", current, err) ||
        !ReadOrSay(read, "New pass phrase: ", fresh, err) ||
        !ReadOrSay(read, "New pass phrase again: ", again, err))
        return 1;
    if (const char* problem = NewSecretProblem(currentSeed, newSeed, current, fresh, again)) {
        err << "vennox-otp: " << problem << '\n';
        return 1;
    }

    unsigned char keys[16];
    if (!ChainKey(hash, challenge.sequence, challenge.seed, current, keys)) {
        err << "key crunch failed\n";
        return 1;
    }
    current.clear();
    ChainKey(newHash, newCount, newSeed, fresh, keys + 8); // the seed is valid: cannot fail
    fresh.clear();
    again.clear();
    out << (opt.hex ? "init-hex:" : "init-word:");
    WriteKey(out, keys, opt.hex);
    out << ':' << OtpHashName(newHash) << ' ' << newCount << ' ' << newSeed << ':';
    WriteKey(out, keys + 8, opt.hex);
    out << '\n';
    SecureWipe(keys, sizeof keys);
    return out ? 0 : 1;
}

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
              bool fromTerminal, std::ostream& out, std::ostream& err) {
    Options opt;
    std::size_t i = 0;
    if (const int status = ParseOptions(args, i, opt, out, err); status >= 0)
        return status;

    if (opt.decode) {
        if (i >= args.size())
            return Usage(err, "--decode needs the six words");
        return Decode(Join(args, i), out, err);
    }
    if (i >= args.size())
        return Usage(err, "no challenge given");

    ServerChallenge challenge;
    if (ParseServerChallenge(Join(args, i), challenge) != 1) {
        err << "invalid OTP challenge\n";
        return 1;
    }
    const OtpHash hash = challenge.named ? challenge.hash : opt.defaultHash;
    if (opt.init)
        return Reinitialise(opt, challenge, hash, readPassPhrase, out, err);

    SecretString passPhrase;
    if (!ReadOrSay(readPassPhrase, "Pass phrase: ", passPhrase, err))
        return 1;
    // A list answers many logins: typed unseen and wrong, it would be a whole
    // sheet of useless passwords with no sign of the mistake.
    if (fromTerminal && opt.count != 0) {
        SecretString again;
        if (!ReadOrSay(readPassPhrase, "Pass phrase again: ", again, err))
            return 1;
        if (again.view() != passPhrase.view()) {
            err << "vennox-otp: the two pass phrases differ\n";
            return 1;
        }
    }

    // The keys of the lower sequence numbers come first in the chain, so walk
    // up from the lowest wanted one and print in reverse.
    const int sequence = challenge.sequence;
    const int lines = opt.count == 0 ? 1 : std::min(opt.count, sequence);
    const int lowest = sequence - lines + 1;
    unsigned char key[8];
    const bool crunched = ChainKey(hash, lowest, challenge.seed, passPhrase, key);
    passPhrase.clear();
    if (!crunched) {
        err << "key crunch failed\n";
        return 1;
    }
    std::vector<unsigned char, WipingAllocator<unsigned char>> keys;
    int status = 0;
    try {
        keys.insert(keys.end(), key, key + 8);
        for (int n = lowest + 1; n <= sequence; ++n) {
            StepOtpKey(hash, key);
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
        WriteKey(out, keys.data() + 8 * line, opt.hex);
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
        args, [&getByte](const char*, SecretString& p) { return ReadPassPhraseLine(getByte, p); },
        false, out, err);
}
