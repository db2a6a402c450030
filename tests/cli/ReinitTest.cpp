// vennox-otp --init (RFC 2243 re-initialisation) and the prompts on a
// terminal, with the pass phrases given as lines or by a scripted reader.
#include "cli/Reinit.h"
#include "cli/OtpCli.h"
#include "tests/cli/CliRun.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Lines(const std::string& current, const std::string& fresh, const std::string& again) {
    return current + "\n" + fresh + "\n" + again + "\n";
}

const std::string kTest = "This is a test.";

// The worked example of RFC 2243 section 4.1 as the facts give it; the words
// are the six-word forms of the same two values (checked below by decoding).
TEST(Reinit, WorkedExample) {
    const CliRun hex =
        RunCli({"--init", "--hex", "otp-md5", "499", "ke1234", "ext"}, Lines(kTest, kTest, kTest));
    EXPECT_EQ(hex.status, 0) << hex.err;
    EXPECT_EQ(hex.out, "init-hex:5bf075d9959d036f:md5 499 ke1235:3712dcb4aa5316c1\n");

    const CliRun words = RunCli({"--init", "otp-md5 499 ke1234 ext"}, Lines(kTest, kTest, kTest));
    EXPECT_EQ(words.status, 0) << words.err;
    EXPECT_EQ(words.out,
              "init-word:BOND FOGY DRAB NE RISE MART:md5 499 ke1235:RED HERD NOW BEAN PA BURG\n");
    EXPECT_EQ(RunCli({"--decode", "BOND FOGY DRAB NE RISE MART"}, "").out, "5bf075d9959d036f\n");
    EXPECT_EQ(RunCli({"--decode", "RED HERD NOW BEAN PA BURG"}, "").out, "3712dcb4aa5316c1\n");

    // The same parameters given explicitly, in capitals, and an ext list.
    const CliRun given =
        RunCli({"--init", "--hex", "--new-seed", "KE1235", "--new-count", "499", "--new-algorithm",
                "md5", "otp-md5", "499", "KE1234", "ext,hex,word"},
               Lines(kTest, kTest, kTest));
    EXPECT_EQ(given.out, hex.out);
}

std::string Response(const std::vector<std::string>& challenge, const std::string& passPhrase) {
    const CliRun r = RunCli(challenge, passPhrase + "\n");
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out.substr(0, r.out.size() - 1);
}

// CURRENT is the ordinary response; NEW the ordinary one of the new
// parameters; the defaults are the current algorithm, 499 and the next seed.
TEST(Reinit, PartsAreOrdinaryResponses) {
    struct Case {
        std::vector<std::string> args; // after --init
        std::string passPhrase, newPassPhrase;
        std::string parameters; // ALG COUNT SEED
        std::vector<std::string> currentChallenge, newChallenge;
    } cases[] = {
        {{"otp-sha1", "99", "TeSt", "ext"},
         kTest,
         "a new secret",
         "sha1 499 test1",
         {"otp-sha1", "99", "TeSt"},
         {"otp-sha1", "499", "test1"}},
        {{"--md4", "7", "seed9", "ext"},
         "AbCdEfGhIjK",
         "0123456789",
         "md4 499 seed10",
         {"otp-md4", "7", "seed9"},
         {"otp-md4", "499", "seed10"}},
        {{"--new-algorithm", "sha1", "--new-count", "1", "otp-md4", "5", "alpha1", "ext"},
         "AbCdEfGhIjK",
         "AbCdEfGhIjK",
         "sha1 1 alpha2",
         {"otp-md4", "5", "alpha1"},
         {"otp-sha1", "1", "alpha2"}},
        {{"--new-seed", "Alpha1", "--new-algorithm", "md4", "otp-md5", "5", "alpha1", "ext"},
         "old pass phrase",
         "new pass phrase",
         "md4 499 alpha1",
         {"otp-md5", "5", "alpha1"},
         {"otp-md4", "499", "alpha1"}},
        {{"--new-count", "1000", "--new-seed", "X", "--sha1", "1", "y", "ext"},
         "pw",
         "pw again 10",
         "sha1 1000 x",
         {"otp-sha1", "1", "y"},
         {"otp-sha1", "1000", "x"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--init"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun r = RunCli(args, Lines(c.passPhrase, c.newPassPhrase, c.newPassPhrase));
        ASSERT_EQ(r.status, 0) << c.parameters << ": " << r.err;
        EXPECT_EQ(r.out, "init-word:" + Response(c.currentChallenge, c.passPhrase) + ":" +
                             c.parameters + ":" + Response(c.newChallenge, c.newPassPhrase) + "\n");
    }
}

// Each rule of a new secret: a message naming it, status 1, nothing printed.
TEST(Reinit, Refusals) {
    const std::vector<std::string> ext = {"otp-md5", "499", "ke1234", "ext"};
    struct Case {
        std::vector<std::string> options;
        std::string input;
        std::string rule; // part of the message
    } cases[] = {
        {{}, Lines(kTest, "123456789", "123456789"), "10 characters or more"},
        {{}, Lines(kTest, "", ""), "10 characters or more"},
        {{}, Lines(kTest, kTest, "This is a test!"), "differ"},
        {{}, Lines(kTest, kTest, ""), "differ"},
        {{}, kTest + "\n" + kTest + "\n", "differ"}, // the third line is missing
        {{"--new-seed", "ke1234"}, Lines(kTest, kTest, kTest), "must change"},
        {{"--new-seed", "KE1234"}, Lines(kTest, kTest, kTest), "must change"},
        {{"--new-seed", "abcdefghij12"},
         Lines(kTest, "ABCDEFGHIJ12", "ABCDEFGHIJ12"),
         "must not be the new seed"},
        {{"--new-seed", "ke-1"}, "", "1 to 16 letters and digits"},
        {{"--new-seed", ""}, "", "1 to 16 letters and digits"},
        {{"--new-seed", "abcdefghijklmnopq"}, "", "1 to 16 letters and digits"},
        {{"--new-seed", "ke 1"}, "", "1 to 16 letters and digits"},
        {{"--new-seed", "k\xE9"}, "", "1 to 16 letters and digits"},
        {{"--new-count", "0"}, "", "count must be 1 or more"},
        {{"--new-count", "-5"}, "", "count must be 1 or more"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--init"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.insert(args.end(), ext.begin(), ext.end());
        const CliRun r = RunCli(args, c.input);
        EXPECT_EQ(r.status, 1) << c.rule;
        EXPECT_NE(r.err.find(c.rule), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << c.rule;
    }
    // A default seed that breaks the rule is refused too; --new-seed mends it.
    EXPECT_NE(RunCli({"--init", "5", "a.b", "ext"}, Lines(kTest, kTest, kTest))
                  .err.find("1 to 16 letters and digits"),
              std::string::npos);
    EXPECT_EQ(RunCli({"--init", "--new-seed", "ab1", "5", "a.b", "ext"}, Lines(kTest, kTest, kTest))
                  .status,
              0);
    // The current seed is still the generator's to refuse.
    EXPECT_EQ(RunCli({"--init", "--new-seed", "x", "5", "abcdefghijklmnopq", "ext"},
                     Lines(kTest, kTest, kTest))
                  .err,
              "key crunch failed\n");
}

// Only after "ext" (RFC 2243 section 3), and before any pass phrase is read.
TEST(Reinit, NeedsAnExtendedChallenge) {
    bool asked = false;
    std::ostringstream out, err;
    const int status = RunOtpCli(
        {"--init", "otp-md5", "499", "ke1234"},
        [&asked](const char*, SecretString&) {
            asked = true;
            return true;
        },
        true, out, err);
    EXPECT_EQ(status, 1);
    EXPECT_FALSE(asked);
    EXPECT_NE(err.str().find("ends in \"ext\""), std::string::npos) << err.str();
    EXPECT_EQ(out.str(), "");
}

TEST(Reinit, NextSeed) {
    struct {
        const char* seed;
        const char* next;
    } cases[] = {
        {"ke1234", "ke1235"},
        {"KE1234", "ke1235"},
        {"ke0999", "ke1000"},
        {"ke9", "ke10"},
        {"seed", "seed1"},
        {"99", "100"},
        {"0", "1"},
        {"a", "a1"},
        {"a.b", "a.b1"},
        {"abcdefghijklmnop", "abcdefghijklmno1"},
        {"abcdefghijklmn99", "abcdefghijklm100"},
        {"abcdefghijklmno9", "abcdefghijklmn10"},
        {"a999999999999998", "a999999999999999"},
        {"a999999999999999", "1000000000000000"},
        {"9999999999999999", "1000000000000000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NextSeed(c.seed), c.next) << c.seed;
        EXPECT_NE(NextSeed(c.seed), c.seed) << c.seed;
    }
}

TEST(Reinit, NewSeedCharacters) {
    for (const char* good : {"a", "Z", "0", "ke1235", "abcdefghijklmnop", "0123456789ABCDEF"})
        EXPECT_TRUE(IsValidNewSeed(good)) << good;
    for (const char* bad : {"", "abcdefghijklmnopq", "a b", "a-b", "a.b", "a\t", "\xE9", "a_b"})
        EXPECT_FALSE(IsValidNewSeed(bad)) << bad;
}

// A reader that plays the user at a terminal: answers in order, and notes
// the prompts.
struct Typist {
    std::vector<std::string> answers;
    std::vector<std::string> prompts;
    CliRun Run(const std::vector<std::string>& args, bool fromTerminal = true) {
        std::size_t next = 0;
        std::ostringstream out, err;
        const int status = RunOtpCli(
            args,
            [&](const char* prompt, SecretString& p) {
                prompts.push_back(prompt);
                p.assign(next < answers.size() ? answers[next++] : "");
                return true;
            },
            fromTerminal, out, err);
        return {status, out.str(), err.str()};
    }
};

TEST(TerminalPrompts, ListAsksTwice) {
    Typist same{{kTest, kTest}, {}};
    const CliRun r = same.Run({"-n", "2", "otp-md5", "100", "TeSt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(same.prompts, (std::vector<std::string>{"Pass phrase: ", "Pass phrase again: "}));
    EXPECT_NE(r.out.find("99: BAIL TUFT BITS GANG CHEF THY\n"), std::string::npos) << r.out;

    Typist differ{{kTest, "This is a test"}, {}};
    const CliRun d = differ.Run({"-n", "2", "otp-md5", "100", "TeSt"});
    EXPECT_EQ(d.status, 1);
    EXPECT_EQ(d.out, "");
    EXPECT_NE(d.err.find("differ"), std::string::npos);
}

TEST(TerminalPrompts, OnceWithoutAListOrFromAPipe) {
    Typist single{{kTest, "never read"}, {}};
    EXPECT_EQ(single.Run({"otp-md5", "99", "TeSt"}).out, "BAIL TUFT BITS GANG CHEF THY\n");
    EXPECT_EQ(single.prompts, std::vector<std::string>{"Pass phrase: "});

    Typist piped{{kTest, "never read"}, {}};
    const CliRun r = piped.Run({"-n", "1", "otp-md5", "99", "TeSt"}, false);
    EXPECT_EQ(r.out, "99: BAIL TUFT BITS GANG CHEF THY\n");
    EXPECT_EQ(piped.prompts.size(), 1u);
}

TEST(TerminalPrompts, InitAsksThreeTimes) {
    Typist typist{{kTest, kTest, kTest}, {}};
    const CliRun r = typist.Run({"--init", "--hex", "otp-md5", "499", "ke1234", "ext"});
    EXPECT_EQ(r.out, "init-hex:5bf075d9959d036f:md5 499 ke1235:3712dcb4aa5316c1\n");
    EXPECT_EQ(typist.prompts,
              (std::vector<std::string>{
                  "Current pass phrase: ", "New pass phrase: ", "New pass phrase again: "}));
}

} // namespace
