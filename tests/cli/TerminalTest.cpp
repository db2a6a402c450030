// The real vennox-otp on a pseudo-terminal: the prompts it shows, echo off
// while it reads, and what it prints on standard output (a pipe here, so the
// screen and the output can be told apart).
#include "engine/OtpGenerator.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

// Long enough for a sanitizer build on a busy machine; only a hang reaches it.
constexpr auto kPatience = std::chrono::seconds(30);

class Terminal {
  public:
    explicit Terminal(const std::vector<std::string>& args) {
        int out[2];
        if (pipe(out) != 0)
            return;
        pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            std::vector<char*> argv = {const_cast<char*>(VENNOX_OTP)};
            for (const auto& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(VENNOX_OTP, argv.data());
            _exit(127);
        }
        close(out[1]);
        out_ = out[0];
    }
    ~Terminal() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (master_ >= 0)
            close(master_);
        if (out_ >= 0)
            close(out_);
    }

    bool Started() const { return pid_ > 0 && master_ >= 0 && out_ >= 0; }
    const std::string& Screen() const { return screen_; }

    // Reads the screen until text appears after what was seen before.
    bool WaitFor(const std::string& text) {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        for (;;) {
            const auto found = screen_.find(text, seen_);
            if (found != std::string::npos) {
                seen_ = found + text.size();
                return true;
            }
            if (std::chrono::steady_clock::now() > deadline || !ReadScreen())
                return false;
        }
    }

    bool EchoIsOff() const {
        termios t{};
        return tcgetattr(master_, &t) == 0 && (t.c_lflag & ECHO) == 0;
    }
    bool EchoIsOn() const {
        termios t{};
        return tcgetattr(master_, &t) == 0 && (t.c_lflag & ECHO) != 0;
    }

    void Type(const std::string& line) {
        const std::string text = line + "\r"; // Enter, as a terminal sends it
        ASSERT_EQ(write(master_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

    // Waits for the end; returns the exit status, or -1 (also when the
    // program is still running after kPatience: it is then killed).
    int Finish(std::string& output) {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        bool closed = false; // standard output at its end: the program is exiting
        char buffer[4096];
        while (!closed && std::chrono::steady_clock::now() < deadline) {
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, 100) == 0) {
                ReadScreen();
                continue;
            }
            const ssize_t got = read(out_, buffer, sizeof buffer);
            if (got > 0)
                output.append(buffer, static_cast<std::size_t>(got));
            else if (got == 0 || errno != EINTR)
                closed = true;
        }
        if (!closed)
            kill(pid_, SIGKILL);
        int status = 0;
        const bool waited = waitpid(pid_, &status, 0) == pid_;
        exited_ = true;
        while (std::chrono::steady_clock::now() < deadline && ReadScreen()) {
        }
        return closed && waited && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    // Waits up to 100 ms for text on the screen. False once the program's
    // side of the terminal is closed.
    bool ReadScreen() {
        pollfd p{master_, POLLIN, 0};
        const int ready = poll(&p, 1, 100);
        if (ready <= 0)
            return ready == 0 || errno == EINTR;
        char buffer[1024];
        const ssize_t got = read(master_, buffer, sizeof buffer);
        if (got <= 0)
            return false; // EIO on Linux once the last slave descriptor closes
        screen_.append(buffer, static_cast<std::size_t>(got));
        return true;
    }

    pid_t pid_ = -1;
    int master_ = -1;
    int out_ = -1;
    bool exited_ = false;
    std::string screen_;
    std::size_t seen_ = 0;
};

const std::string kTest = "This is a test.";

std::string Response(int algorithm, int count) {
    std::string seed = "TeSt", response;
    EXPECT_EQ(ComputeResponse(algorithm, count, seed, "This is a test.", response), 1);
    return response;
}

// Answers one prompt: waits for it, checks that echo is off, types.
void Answer(Terminal& t, const std::string& prompt, const std::string& line) {
    ASSERT_TRUE(t.WaitFor(prompt))
        << "no '" << prompt << "' on " << testing::PrintToString(t.Screen());
    EXPECT_TRUE(t.EchoIsOff()) << prompt;
    t.Type(line);
}

TEST(Terminal, ListAsksTwiceAndPrintsWhenBothAgree) {
    Terminal t({"-n", "3", "otp-md5", "99", "TeSt"});
    ASSERT_TRUE(t.Started());
    Answer(t, "Pass phrase: ", kTest);
    Answer(t, "Pass phrase again: ", kTest);
    std::string out;
    EXPECT_EQ(t.Finish(out), 0) << t.Screen();
    EXPECT_EQ(out, "99: " + Response(5, 99) + "\n98: " + Response(5, 98) +
                       "\n97: " + Response(5, 97) + "\n");
    EXPECT_EQ(t.Screen().find(kTest), std::string::npos) << "echoed: " << t.Screen();
    EXPECT_TRUE(t.EchoIsOn());
}

TEST(Terminal, ListPrintsNothingWhenTheTwoDiffer) {
    Terminal t({"-n", "3", "otp-md5", "99", "TeSt"});
    ASSERT_TRUE(t.Started());
    Answer(t, "Pass phrase: ", kTest);
    Answer(t, "Pass phrase again: ", "This is a tset.");
    std::string out;
    EXPECT_EQ(t.Finish(out), 1);
    EXPECT_EQ(out, "");
    EXPECT_NE(t.Screen().find("differ"), std::string::npos) << t.Screen();
    EXPECT_TRUE(t.EchoIsOn());
}

TEST(Terminal, OneResponseAsksOnce) {
    Terminal t({"otp-md4", "99", "TeSt"});
    ASSERT_TRUE(t.Started());
    Answer(t, "Pass phrase: ", kTest);
    std::string out;
    EXPECT_EQ(t.Finish(out), 0) << t.Screen();
    EXPECT_EQ(out, "NOTE OUT IBIS SINK NAVE MODE\n");
    EXPECT_EQ(t.Screen().find("again"), std::string::npos) << t.Screen();
}

TEST(Terminal, InitAsksThreeTimes) {
    Terminal t({"--init", "--hex", "otp-md5", "499", "ke1234", "ext"});
    ASSERT_TRUE(t.Started());
    Answer(t, "Current pass phrase: ", kTest);
    Answer(t, "New pass phrase: ", kTest);
    Answer(t, "New pass phrase again: ", kTest);
    std::string out;
    EXPECT_EQ(t.Finish(out), 0) << t.Screen();
    EXPECT_EQ(out, "init-hex:5bf075d9959d036f:md5 499 ke1235:3712dcb4aa5316c1\n");
    EXPECT_EQ(t.Screen().find(kTest), std::string::npos) << "echoed: " << t.Screen();
    EXPECT_TRUE(t.EchoIsOn());
}

} // namespace
