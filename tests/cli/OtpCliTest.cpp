#include "cli/OtpCli.h"
#include "engine/OtpGenerator.h"
#include "tests/cli/CliRun.h"
#include "ui/res/DialogTemplates.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

struct Case {
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string out;
    std::string err; // compared when not empty
};

const Case kCases[] = {
    // Responses.
    {{"otp-md5", "99", "TeSt"}, "This is a test.\n", 0, "BAIL TUFT BITS GANG CHEF THY\n", ""},
    {{"otp-md4 99 TeSt"}, "This is a test.\n", 0, "NOTE OUT IBIS SINK NAVE MODE\n", ""},
    {{"otp-md5", "99", "TeSt"}, "This is a test.\r\nmore", 0, "BAIL TUFT BITS GANG CHEF THY\n", ""},
    {{"otp-md5", "99", "TeSt"}, "This is a test.", 0, "BAIL TUFT BITS GANG CHEF THY\n", ""},
    {{"99", "TeSt"}, "This is a test.\n", 0, "BAIL TUFT BITS GANG CHEF THY\n", ""},
    {{"--md5", "99", "TeSt"}, "This is a test.\n", 0, "BAIL TUFT BITS GANG CHEF THY\n", ""},
    {{"--md4", "99", "TeSt"}, "This is a test.\n", 0, "NOTE OUT IBIS SINK NAVE MODE\n", ""},
    // RFC 2289 Appendix C, otp-sha1; and the default algorithm for a bare challenge.
    {{"otp-sha1", "99", "TeSt"}, "This is a test.\n", 0, "GAFF WAIT SKID GIG SKY EYED\n", ""},
    {{"OTP-SHA1 1 alpha1"}, "AbCdEfGhIjK\n", 0, "RITE TAKE GELD COST TUNE RECK\n", ""},
    {{"--sha1", "99", "TeSt"}, "This is a test.\n", 0, "GAFF WAIT SKID GIG SKY EYED\n", ""},
    {{"--hex", "otp-sha1", "1", "correct"}, "OTP's are good\n", 0, "82aeb52d943774e4\n", ""},
    {{"--sha1", "otp-md5", "99", "TeSt"},
     "This is a test.\n",
     0,
     "BAIL TUFT BITS GANG CHEF THY\n",
     ""},
    {{"--md5", "otp-sha1", "99", "TeSt"},
     "This is a test.\n",
     0,
     "GAFF WAIT SKID GIG SKY EYED\n",
     ""},
    // RFC 2243: an "ext" field changes nothing in the ordinary response.
    {{"otp-md5", "99", "TeSt", "ext"},
     "This is a test.\n",
     0,
     "BAIL TUFT BITS GANG CHEF THY\n",
     ""},
    {{"otp-md5 99 TeSt ext,hex,word\r\n"},
     "This is a test.\n",
     0,
     "BAIL TUFT BITS GANG CHEF THY\n",
     ""},
    {{"otp-sha1", "99", "TeSt", "ext"},
     "This is a test.\n",
     0,
     "GAFF WAIT SKID GIG SKY EYED\n",
     ""},
    {{"99", "TeSt", "ext"}, "This is a test.\n", 0, "BAIL TUFT BITS GANG CHEF THY\n", ""},
    // The challenge's own algorithm wins over the default.
    {{"--md4", "otp-md5", "99", "TeSt"},
     "This is a test.\n",
     0,
     "BAIL TUFT BITS GANG CHEF THY\n",
     ""},
    {{"--hex", "otp-md4", "1", "alpha1"}, "AbCdEfGhIjK\n", 0, "65d20d1949b5f7ab\n", ""},
    {{"-n", "3", "otp-md5", "2", "alpha1"}, "AbCdEfGhIjK\n", 0, "", ""}, // checked below
    {{"--", "5", "seed"}, "pw\n", 0, "", ""},

    // Failures of the engine.
    {{"otp-md5", "0", "seed"}, "pw\n", 1, "", "invalid OTP challenge\n"},
    {{"otp-sha256", "5", "seed"}, "pw\n", 1, "", "invalid OTP challenge\n"},
    {{"otp-md5", "5", "seed", "ext2"}, "pw\n", 1, "", "invalid OTP challenge\n"},
    {{"otp-md5", "5", "seed", "ext,"}, "pw\n", 1, "", "invalid OTP challenge\n"},
    {{"otp-md5", "5", "seed", "ext", "ext"}, "pw\n", 1, "", "invalid OTP challenge\n"},
    {{"otp-sha1", "5"}, "pw\n", 1, "", "invalid OTP challenge\n"},
    {{"--init", "otp-sha1", "0", "seed", "ext"}, "pw\n", 1, "", "invalid OTP challenge\n"},
    {{"otp-md5", "5", "ABCDEFGHIJKLMNOPQ"}, "pw\n", 1, "", "key crunch failed\n"},
    {{"otp-md5 5 se\xE9"}, "pw\n", 0, "", ""},

    // Decoding.
    {{"--decode", "aim", "hew", "blum", "fed", "mite", "warm"}, "", 0, "0123456789abcdef\n", ""},
    {{"--decode", "AIM HEW BLUM FED MITE WARM"}, "", 0, "0123456789abcdef\n", ""},
    {{"--decode", "A", "A", "A", "A", "A", "XYZ"}, "", 1, "", ""},
    {{"--decode", "A", "A", "A", "A", "A"}, "", 1, "", ""},
    {{"--decode", "A", "A", "A", "A", "A", "ABE"}, "", 1, "", "vennox-otp: checksum mismatch\n"},

    // Usage errors.
    {{}, "", 2, "", ""},
    {{"--bogus", "5", "seed"}, "", 2, "", ""},
    {{"-n"}, "", 2, "", ""},
    {{"-n", "0", "5", "seed"}, "", 2, "", ""},
    {{"-n", "x", "5", "seed"}, "", 2, "", ""},
    {{"-n", "99999999999", "5", "seed"}, "", 2, "", ""},
    {{"--decode"}, "", 2, "", ""},
    {{"--decode", "--hex", "A"}, "", 2, "", ""},
    {{"--md4"}, "", 2, "", ""},
    {{"--sha1"}, "", 2, "", ""},
    {{"--init"}, "", 2, "", ""},
    {{"--init", "-n", "2", "otp-md5", "5", "seed", "ext"}, "", 2, "", ""},
    {{"--decode", "--init", "A"}, "", 2, "", ""},
    {{"--new-seed", "abc", "otp-md5", "5", "seed", "ext"}, "", 2, "", ""},
    {{"--new-count", "5", "otp-md5", "5", "seed", "ext"}, "", 2, "", ""},
    {{"--new-algorithm", "md4", "otp-md5", "5", "seed", "ext"}, "", 2, "", ""},
    {{"--init", "otp-md5", "5", "seed", "ext", "--new-seed"},
     "",
     1,
     "",
     ""}, // options end where the challenge begins
    {{"--init", "--new-seed"}, "", 2, "", ""},
    {{"--init", "--new-count"}, "", 2, "", ""},
    {{"--init", "--new-count", "x", "otp-md5", "5", "seed", "ext"}, "", 2, "", ""},
    {{"--init", "--new-count", "", "otp-md5", "5", "seed", "ext"}, "", 2, "", ""},
    {{"--init", "--new-count", "-", "otp-md5", "5", "seed", "ext"}, "", 2, "", ""},
    {{"--init", "--new-count", "12x", "otp-md5", "5", "seed", "ext"}, "", 2, "", ""},
    {{"--init", "--new-count", "99999999999", "otp-md5", "5", "seed", "ext"}, "", 2, "", ""},
    {{"--init", "--new-algorithm"}, "", 2, "", ""},
    {{"--init", "--new-algorithm", "sha256", "otp-md5", "5", "seed", "ext"}, "", 2, "", ""},
    {{"--init", "--new-algorithm", "MD5", "otp-md5", "5", "seed", "ext"}, "", 2, "", ""},
    {{"--init", "--new-algorithm", "otp-md5", "otp-md5", "5", "seed", "ext"}, "", 2, "", ""},
};

TEST(OtpCli, Table) {
    for (const auto& c : kCases) {
        std::string what;
        for (const auto& a : c.args)
            what += "[" + a + "]";
        const CliRun r = RunCli(c.args, c.input);
        EXPECT_EQ(r.status, c.status) << what << "\n" << r.err;
        if (!c.out.empty()) {
            EXPECT_EQ(r.out, c.out) << what;
        }
        if (!c.err.empty()) {
            EXPECT_EQ(r.err, c.err) << what;
        }
        if (c.status == 2) {
            EXPECT_NE(r.err.find("usage: vennox-otp"), std::string::npos) << what;
        }
        if (c.status != 0) {
            EXPECT_EQ(r.out, "") << what;
        } else {
            EXPECT_EQ(r.err, "") << what;
        }
    }
}

// A challenge read from a file or a copied line keeps its line end; left in
// the seed it would give a wrong response with status 0.
TEST(OtpCli, TrailingBlanksOfTheChallengeAreIgnored) {
    for (const std::string ending : {" ", "\t", "\r", "\n", "\r\n", " \t\r\n"}) {
        const std::vector<std::vector<std::string>> forms = {
            {"otp-md5", "99", "TeSt" + ending},
            {"otp-md5 99 TeSt" + ending},
        };
        for (const auto& args : forms) {
            const CliRun r = RunCli(args, "This is a test.\n");
            EXPECT_EQ(r.status, 0) << testing::PrintToString(ending) << r.err;
            EXPECT_EQ(r.out, "BAIL TUFT BITS GANG CHEF THY\n") << testing::PrintToString(ending);
        }
    }
    // Only the end: a blank inside still splits, and other bytes stay in the seed.
    EXPECT_EQ(RunCli({"otp-md5 99\rTeSt"}, "This is a test.\n").status, 1);
    EXPECT_NE(RunCli({"otp-md5 99 TeSt\v"}, "This is a test.\n").out,
              "BAIL TUFT BITS GANG CHEF THY\n");
}

TEST(OtpCli, DecodeFailuresHaveDistinctMessages) {
    const std::string notFound = RunCli({"--decode", "A A A A A XYZ"}, "").err;
    const std::string malformed = RunCli({"--decode", "A A A A A"}, "").err;
    const std::string tooLong = RunCli({"--decode", "A A A A A ABCDE"}, "").err;
    const std::string checksum = RunCli({"--decode", "A A A A A ABE"}, "").err;
    EXPECT_NE(notFound.find("not in the dictionary"), std::string::npos);
    EXPECT_NE(malformed.find("malformed"), std::string::npos);
    EXPECT_EQ(tooLong, malformed);
    EXPECT_NE(checksum, notFound);
    EXPECT_NE(checksum, malformed);
}

std::string Expected(int algorithm, int count, const char* seed, const char* passPhrase) {
    std::string s = seed, response;
    EXPECT_EQ(ComputeResponse(algorithm, count, s, passPhrase, response), 1);
    return response;
}

TEST(OtpCli, CountListsHighestFirstDownToOne) {
    // -n beyond the sequence number stops at 1.
    const CliRun r = RunCli({"-n", "3", "otp-md5", "2", "alpha1"}, "AbCdEfGhIjK\n");
    EXPECT_EQ(r.out, "2: " + Expected(5, 2, "alpha1", "AbCdEfGhIjK") +
                         "\n1: FACT HOOF AT FIST SITE KENT\n");

    const CliRun many = RunCli({"-n", "4", "otp-md4", "100", "TeSt"}, "This is a test.\n");
    std::string expected;
    for (int n = 100; n > 96; --n)
        expected += std::to_string(n) + ": " + Expected(4, n, "TeSt", "This is a test.") + "\n";
    EXPECT_EQ(many.out, expected);
    EXPECT_NE(many.out.find("99: NOTE OUT IBIS SINK NAVE MODE\n"), std::string::npos);

    const CliRun hex =
        RunCli({"--hex", "-n", "2", "otp-md5", "100", "correct"}, "OTP's are good\n");
    EXPECT_NE(hex.out.find("99: b203e28fa525be47\n"), std::string::npos) << hex.out;
    EXPECT_EQ(hex.out.find("100: "), 0u);
}

TEST(OtpCli, PassPhraseLine) {
    // Empty allowed, also with no input at all; spaces kept; only the first line.
    EXPECT_EQ(RunCli({"5", "seed"}, "\n").out, Expected(5, 5, "seed", "") + "\n");
    EXPECT_EQ(RunCli({"5", "seed"}, "").out, Expected(5, 5, "seed", "") + "\n");
    EXPECT_EQ(RunCli({"5", "seed"}, "\r\n").out, Expected(5, 5, "seed", "") + "\n");
    EXPECT_EQ(RunCli({"5", "seed"}, " a b \nsecond\n").out, Expected(5, 5, "seed", " a b ") + "\n");
    // A lone CR inside the line is part of the pass phrase.
    EXPECT_EQ(RunCli({"5", "seed"}, "a\rb\n").out, Expected(5, 5, "seed", "a\rb") + "\n");
}

TEST(OtpCli, PassPhraseIsNotReadForABadChallenge) {
    bool asked = false;
    std::ostringstream out, err;
    const int status = RunOtpCli(
        {"otp-md5", "0", "seed"},
        [&asked](const char*, SecretString&) {
            asked = true;
            return true;
        },
        true, out, err);
    EXPECT_EQ(status, 1);
    EXPECT_FALSE(asked);
}

TEST(OtpCli, UnreadablePassPhraseFails) {
    std::ostringstream out, err;
    EXPECT_EQ(RunOtpCli(
                  {"5", "seed"}, [](const char*, SecretString&) { return false; }, false, out, err),
              1);
    EXPECT_EQ(out.str(), "");
}

TEST(OtpCli, HelpGoesToStdout) {
    const CliRun r = RunCli({"--help"}, "");
    EXPECT_EQ(r.status, 0);
    for (const char* word : {"--md4", "--md5", "--sha1", "-n COUNT", "--hex", "--decode", "--init",
                             "--new-seed SEED", "--new-count N", "--new-algorithm ALG", "ext"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    EXPECT_EQ(r.err, "");
}

// The command line and the About box show one version.
TEST(OtpCli, VersionIsTheAboutBoxVersion) {
    const CliRun r = RunCli({"--version"}, "");
    EXPECT_EQ(r.status, 0);
    const DialogTemplate* about = FindDialogTemplate(IDD_ABOUTBOX);
    ASSERT_NE(about, nullptr);
    const std::string prefix = "Vennox Version ";
    std::string version;
    for (const ControlTemplate& c : about->controls)
        if (std::string(c.text).rfind(prefix, 0) == 0)
            version = std::string(c.text).substr(prefix.size());
    ASSERT_FALSE(version.empty());
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "vennox-otp (Vennox) " + version);
}

} // namespace
