#include "cli/PassPhrase.h"

#include "cli/OtpCli.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#endif

#ifdef _WIN32

namespace {

HANDLE g_console = INVALID_HANDLE_VALUE;
DWORD g_savedMode = 0;

// Ctrl+C while echo is off must not leave the console silent.
BOOL WINAPI RestoreOnCtrl(DWORD) {
    if (g_console != INVALID_HANDLE_VALUE)
        SetConsoleMode(g_console, g_savedMode);
    return FALSE;
}

} // namespace

bool StdinIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

bool ReadPassPhraseFromTerminal(const char* prompt, SecretString& passPhrase) {
    HANDLE in = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE)
        return false;
    HANDLE out =
        CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD written = 0;
    DWORD mode = 0;
    const bool haveMode = GetConsoleMode(in, &mode) != 0;
    if (haveMode) {
        g_console = in;
        g_savedMode = mode;
        SetConsoleCtrlHandler(RestoreOnCtrl, TRUE);
        SetConsoleMode(in,
                       (mode & ~ENABLE_ECHO_INPUT) | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT);
    }
    // Echo is off before the prompt shows.
    if (out != INVALID_HANDLE_VALUE)
        WriteConsoleA(out, prompt, static_cast<DWORD>(std::strlen(prompt)), &written, nullptr);
    const auto getByte = [in]() -> int {
        char c = 0;
        DWORD got = 0;
        if (!ReadConsoleA(in, &c, 1, &got, nullptr))
            return -2;
        if (got == 0)
            return -1;
        return static_cast<unsigned char>(c);
    };
    const bool ok = ReadPassPhraseLine(getByte, passPhrase);
    if (haveMode) {
        SetConsoleMode(in, mode);
        SetConsoleCtrlHandler(RestoreOnCtrl, FALSE);
        g_console = INVALID_HANDLE_VALUE;
    }
    if (out != INVALID_HANDLE_VALUE) {
        WriteConsoleA(out, "\r\n", 2, &written, nullptr);
        CloseHandle(out);
    }
    CloseHandle(in);
    return ok;
}

bool ReadPassPhraseFromStdin(SecretString& passPhrase) {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    const auto getByte = [in]() -> int {
        char c = 0;
        DWORD got = 0;
        if (!ReadFile(in, &c, 1, &got, nullptr))
            return GetLastError() == ERROR_BROKEN_PIPE ? -1 : -2;
        if (got == 0)
            return -1;
        return static_cast<unsigned char>(c);
    };
    return ReadPassPhraseLine(getByte, passPhrase);
}

#else

namespace {

int g_ttyFd = -1;
struct termios g_savedTermios;
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
struct sigaction g_savedActions[sizeof kSignals / sizeof kSignals[0]];

// A signal while echo is off must not leave the terminal silent: restore it,
// then let the signal do what it would have done.
void RestoreAndReraise(int sig) {
    if (g_ttyFd >= 0)
        tcsetattr(g_ttyFd, TCSAFLUSH, &g_savedTermios);
    signal(sig, SIG_DFL);
    raise(sig);
}

int ReadByte(int fd) {
    for (;;) {
        unsigned char c = 0;
        const ssize_t got = read(fd, &c, 1);
        if (got == 1)
            return c;
        if (got == 0)
            return -1;
        if (errno != EINTR)
            return -2;
    }
}

} // namespace

bool StdinIsTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

bool ReadPassPhraseFromTerminal(const char* prompt, SecretString& passPhrase) {
    int tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    const int in = tty >= 0 ? tty : STDIN_FILENO;
    const int shown = tty >= 0 ? tty : STDERR_FILENO;

    // Echo goes off before the prompt shows, so nothing typed once it is
    // seen can be echoed or flushed.
    struct termios quiet;
    const bool haveTermios = tcgetattr(in, &g_savedTermios) == 0;
    if (haveTermios) {
        g_ttyFd = in;
        struct sigaction action = {};
        action.sa_handler = RestoreAndReraise;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i)
            sigaction(kSignals[i], &action, &g_savedActions[i]);
        quiet = g_savedTermios;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ICANON;
        tcsetattr(in, TCSAFLUSH, &quiet);
    }
    if (write(shown, prompt, std::strlen(prompt)) < 0) {
        // The prompt is a courtesy; reading goes on without it.
    }
    const bool ok = ReadPassPhraseLine([in] { return ReadByte(in); }, passPhrase);
    if (haveTermios) {
        tcsetattr(in, TCSAFLUSH, &g_savedTermios);
        for (std::size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i)
            sigaction(kSignals[i], &g_savedActions[i], nullptr);
        g_ttyFd = -1;
    }
    if (write(shown, "\n", 1) < 0) {
        // Nothing to do: the pass phrase is read.
    }
    if (tty >= 0)
        close(tty);
    return ok;
}

bool ReadPassPhraseFromStdin(SecretString& passPhrase) {
    return ReadPassPhraseLine([] { return ReadByte(STDIN_FILENO); }, passPhrase);
}

#endif
