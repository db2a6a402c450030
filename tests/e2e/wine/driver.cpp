// vennox_e2e_driver: acts on Vennox's windows from another process, the way
// a user's mouse, keyboard and other programs would, so that run.sh can
// drive the real program step by step under Wine.
//
// Windows are named by their caption, controls by their id. Texts given on
// the command line and texts printed use C escapes (\r \n \t \\ \xNN), so
// line breaks and binary bytes survive the shell. Results go to stdout; a
// failed step exits non-zero with a line on stderr.
//
// `driver serve` runs many steps in one process, which saves starting a Wine
// process per step: it reads one step a line (arguments separated by tabs)
// and ends the output of each with a line "@@rc N".
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr DWORD kDefaultTimeoutMs = 10000;
constexpr DWORD kPollMs = 50;

struct Failure {
    std::string what;
    int code = 1;
};

[[noreturn]] void Fail(const std::string& what, int code = 1) {
    throw Failure{what, code};
}

std::string Escape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\\')
            out += "\\\\";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (b < 0x20 || b >= 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        } else
            out += c;
    }
    return out;
}

std::string Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'r')
            out += '\r';
        else if (c == 'n')
            out += '\n';
        else if (c == 't')
            out += '\t';
        else if (c == 'x' && i + 2 < text.size()) {
            out += static_cast<char>(
                std::strtoul(std::string(text.substr(i + 1, 2)).c_str(), nullptr, 16));
            i += 2;
        } else
            out += c;
    }
    return out;
}

std::string ReadFile(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr)
        Fail(std::string("cannot read ") + path);
    std::string data;
    char buf[65536];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        data.append(buf, n);
    std::fclose(f);
    return data;
}

int ToInt(const char* text) {
    return static_cast<int>(std::strtol(text, nullptr, 0));
}

DWORD Timeout(int argc, char** argv, int index) {
    return index < argc ? static_cast<DWORD>(ToInt(argv[index])) : kDefaultTimeoutMs;
}

// Polls until `done` holds or the time is up.
template <typename F> bool WaitFor(DWORD timeoutMs, F done) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (done())
            return true;
        if (GetTickCount64() >= end)
            return false;
        Sleep(kPollMs);
    }
}

HWND Find(const char* caption) {
    return FindWindowA(nullptr, caption);
}

HWND Window(const char* caption) {
    HWND hwnd = Find(caption);
    if (hwnd == nullptr)
        Fail(std::string("no window \"") + caption + "\"");
    return hwnd;
}

HWND Control(const char* caption, const char* id) {
    HWND item = GetDlgItem(Window(caption), ToInt(id));
    if (item == nullptr)
        Fail(std::string("no control ") + id + " in \"" + caption + "\"");
    return item;
}

std::string TextOf(HWND hwnd) {
    const auto length = SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0);
    std::vector<char> buf(static_cast<std::size_t>(length) + 1);
    const auto got =
        SendMessageA(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
    return std::string(buf.data(), static_cast<std::size_t>(got));
}

int FocusedId(HWND top) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info) ||
        info.hwndFocus == nullptr)
        return 0;
    if (info.hwndFocus != top && !IsChild(top, info.hwndFocus))
        return 0;
    return GetDlgCtrlID(info.hwndFocus);
}

bool OpenClipboardRetrying(HWND owner) {
    return WaitFor(kDefaultTimeoutMs, [&] { return OpenClipboard(owner) != FALSE; });
}

std::optional<std::string> ClipboardText() {
    if (!OpenClipboardRetrying(nullptr))
        Fail("cannot open the clipboard");
    std::optional<std::string> text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const auto* p = static_cast<const char*>(GlobalLock(data))) {
            text = std::string(p, strnlen(p, GlobalSize(data)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// Puts `bytes` on the clipboard as CF_TEXT; with `terminate` a NUL follows,
// without it the block holds exactly the bytes.
void SetClipboard(const std::string& bytes, bool terminate) {
    const std::size_t size = bytes.size() + (terminate ? 1 : 0);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size == 0 ? 1 : size);
    if (block == nullptr)
        Fail("GlobalAlloc failed");
    auto* p = static_cast<char*>(GlobalLock(block));
    std::memcpy(p, bytes.data(), bytes.size());
    if (terminate)
        p[bytes.size()] = '\0';
    GlobalUnlock(block);
    if (!OpenClipboardRetrying(nullptr))
        Fail("cannot open the clipboard");
    EmptyClipboard();
    const bool ok = SetClipboardData(CF_TEXT, block) != nullptr;
    CloseClipboard();
    if (!ok)
        Fail("SetClipboardData failed");
}

WORD KeyCode(std::string_view name) {
    if (name == "enter")
        return VK_RETURN;
    if (name == "esc")
        return VK_ESCAPE;
    if (name == "tab")
        return VK_TAB;
    if (name == "f1")
        return VK_F1;
    if (name == "space")
        return VK_SPACE;
    if (name.size() == 1)
        return static_cast<WORD>(VkKeyScanA(name[0]) & 0xff);
    return static_cast<WORD>(ToInt(std::string(name).c_str()));
}

// Real key strokes through the input queue: the window must be in front
// first, as it is when a user types.
void PressKey(HWND top, WORD vk) {
    if (!WaitFor(kDefaultTimeoutMs, [&] {
            SetForegroundWindow(top);
            return GetForegroundWindow() == top;
        }))
        Fail("window does not come to the front");
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = vk;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    if (SendInput(2, input, sizeof(INPUT)) != 2)
        Fail("SendInput failed");
}

// A second clipboard viewer: logs every clipboard change (with the text then
// on the clipboard) and every chain change, and keeps the chain intact.
struct Viewer {
    HWND next = nullptr;
    std::FILE* log = nullptr;
};
Viewer g_viewer;

void Log(const std::string& line) {
    std::fprintf(g_viewer.log, "%s\n", line.c_str());
    std::fflush(g_viewer.log);
}

LRESULT CALLBACK ViewerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_DRAWCLIPBOARD: {
        std::string text = "<none>";
        if (OpenClipboard(hwnd)) {
            if (HANDLE data = GetClipboardData(CF_TEXT)) {
                if (const auto* p = static_cast<const char*>(GlobalLock(data))) {
                    text = Escape(std::string(p, strnlen(p, GlobalSize(data))));
                    GlobalUnlock(data);
                }
            }
            CloseClipboard();
        } else
            text = "<busy>";
        Log("draw " + text.substr(0, 200));
        if (g_viewer.next != nullptr)
            SendMessageA(g_viewer.next, WM_DRAWCLIPBOARD, wParam, lParam);
        return 0;
    }
    case WM_CHANGECBCHAIN:
        Log("chain");
        if (reinterpret_cast<HWND>(wParam) == g_viewer.next)
            g_viewer.next = reinterpret_cast<HWND>(lParam);
        else if (g_viewer.next != nullptr)
            SendMessageA(g_viewer.next, WM_CHANGECBCHAIN, wParam, lParam);
        return 0;
    case WM_DESTROY:
        ChangeClipboardChain(hwnd, g_viewer.next);
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

int RunViewer(const char* logPath) {
    g_viewer.log = std::fopen(logPath, "wb");
    if (g_viewer.log == nullptr)
        Fail(std::string("cannot write ") + logPath);
    WNDCLASSA wc{};
    wc.lpfnWndProc = ViewerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VennoxE2eViewer";
    RegisterClassA(&wc);
    // A hidden top-level window: message-only windows cannot join the chain.
    HWND hwnd = CreateWindowA(wc.lpszClassName, "vennox-e2e-viewer", WS_OVERLAPPED, 0, 0, 10, 10,
                              nullptr, nullptr, wc.hInstance, nullptr);
    if (hwnd == nullptr)
        Fail("cannot create the viewer window");
    Log("join");
    g_viewer.next = SetClipboardViewer(hwnd);
    Log("ready");
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    Log("left");
    std::fclose(g_viewer.log);
    return 0;
}

[[noreturn]] void Usage() {
    std::fputs("usage: driver COMMAND ARGS...\n"
               "  wait-window CAPTION [MS]     wait-gone CAPTION [MS]     exists CAPTION\n"
               "  set CAPTION ID TEXT          get CAPTION ID             wait-text CAPTION ID "
               "TEXT [MS]\n"
               "  command CAPTION ID           post-command CAPTION ID    syscommand CAPTION ID\n"
               "  key CAPTION NAME             post-key CAPTION NAME      close CAPTION\n"
               "  rect CAPTION                 iconic CAPTION             wait-iconic CAPTION 0|1 "
               "[MS]\n"
               "  redraw CAPTION               wait-idle CAPTION [MS]\n"
               "  minimize CAPTION             focus CAPTION              wait-focus CAPTION ID "
               "[MS]\n"
               "  check CAPTION ID             click CAPTION ID           enabled CAPTION ID\n"
               "  clip-get                     clip-set TEXT              clip-set-file PATH\n"
               "  clip-set-raw PATH            viewer LOGFILE             serve\n",
               stderr);
    Fail("bad arguments", 2);
}

int Run(int argc, char** argv) {
    if (argc < 2)
        Usage();
    const std::string_view cmd = argv[1];
    auto need = [&](int n) {
        if (argc < n + 2)
            Usage();
    };

    if (cmd == "wait-window") {
        need(1);
        HWND hwnd = nullptr;
        if (!WaitFor(Timeout(argc, argv, 3), [&] {
                hwnd = Find(argv[2]);
                return hwnd != nullptr && IsWindowVisible(hwnd);
            }))
            Fail(std::string("timed out waiting for \"") + argv[2] + "\"");
        return 0;
    }
    if (cmd == "wait-idle") {
        // Until the program that owns the window waits for input with an
        // empty queue: a dialog box is shown for good when its queue first
        // runs empty, which would undo a minimise that came before.
        need(1);
        DWORD pid = 0;
        GetWindowThreadProcessId(Window(argv[2]), &pid);
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
        if (process == nullptr)
            Fail(std::string("cannot open the process of \"") + argv[2] + "\"");
        const DWORD waited = WaitForInputIdle(process, Timeout(argc, argv, 3));
        CloseHandle(process);
        if (waited != 0)
            Fail(std::string("\"") + argv[2] + "\" never waited for input");
        return 0;
    }
    if (cmd == "wait-gone") {
        need(1);
        if (!WaitFor(Timeout(argc, argv, 3), [&] { return Find(argv[2]) == nullptr; }))
            Fail(std::string("\"") + argv[2] + "\" is still there");
        return 0;
    }
    if (cmd == "exists") {
        need(1);
        const bool there = Find(argv[2]) != nullptr;
        std::puts(there ? "1" : "0");
        return there ? 0 : 1;
    }
    if (cmd == "set") {
        need(3);
        const std::string text = Unescape(argv[4]);
        SendMessageA(Control(argv[2], argv[3]), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(text.c_str()));
        return 0;
    }
    if (cmd == "get") {
        need(2);
        std::puts(Escape(TextOf(Control(argv[2], argv[3]))).c_str());
        return 0;
    }
    if (cmd == "wait-text") {
        need(3);
        const std::string want = Unescape(argv[4]);
        std::string got;
        if (!WaitFor(Timeout(argc, argv, 5), [&] {
                got = TextOf(Control(argv[2], argv[3]));
                return got == want;
            }))
            Fail("control " + std::string(argv[3]) + " holds \"" + Escape(got) + "\"");
        return 0;
    }
    if (cmd == "command" || cmd == "post-command") {
        need(2);
        HWND top = Window(argv[2]);
        const int id = ToInt(argv[3]);
        const auto wParam = MAKEWPARAM(id, BN_CLICKED);
        const auto lParam = reinterpret_cast<LPARAM>(GetDlgItem(top, id));
        if (cmd == "command")
            SendMessageA(top, WM_COMMAND, wParam, lParam);
        else
            PostMessageA(top, WM_COMMAND, wParam, lParam);
        return 0;
    }
    if (cmd == "syscommand") {
        need(2);
        PostMessageA(Window(argv[2]), WM_SYSCOMMAND, static_cast<WPARAM>(ToInt(argv[3])), 0);
        return 0;
    }
    if (cmd == "key") {
        need(2);
        PressKey(Window(argv[2]), KeyCode(argv[3]));
        return 0;
    }
    if (cmd == "post-key") {
        // Posted to the focused control, so the dialog's own message loop
        // sees it as typed.
        need(2);
        HWND top = Window(argv[2]);
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info);
        HWND target = info.hwndFocus != nullptr ? info.hwndFocus : top;
        const WORD vk = KeyCode(argv[3]);
        PostMessageA(target, WM_KEYDOWN, vk, 1);
        PostMessageA(target, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
        return 0;
    }
    if (cmd == "close") {
        need(1);
        PostMessageA(Window(argv[2]), WM_CLOSE, 0, 0);
        return 0;
    }
    if (cmd == "rect") {
        need(1);
        RECT r{};
        GetWindowRect(Window(argv[2]), &r);
        std::printf("%ld %ld %ld %ld\n", static_cast<long>(r.left), static_cast<long>(r.top),
                    static_cast<long>(r.right), static_cast<long>(r.bottom));
        return 0;
    }
    if (cmd == "redraw") {
        // Paints the window and its controls now; the driver returns once
        // they have been painted.
        need(1);
        RedrawWindow(Window(argv[2]), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        return 0;
    }
    if (cmd == "iconic") {
        need(1);
        std::puts(IsIconic(Window(argv[2])) ? "1" : "0");
        return 0;
    }
    if (cmd == "wait-iconic") {
        need(2);
        const bool want = ToInt(argv[3]) != 0;
        if (!WaitFor(Timeout(argc, argv, 4),
                     [&] { return (IsIconic(Window(argv[2])) != FALSE) == want; }))
            Fail(std::string("\"") + argv[2] + (want ? "\" is not minimised" : "\" is minimised"));
        return 0;
    }
    if (cmd == "minimize") {
        // What the title bar's minimise box sends.
        need(1);
        PostMessageA(Window(argv[2]), WM_SYSCOMMAND, SC_MINIMIZE, 0);
        return 0;
    }
    if (cmd == "focus") {
        need(1);
        std::printf("%d\n", FocusedId(Window(argv[2])));
        return 0;
    }
    if (cmd == "wait-focus") {
        need(2);
        const int want = ToInt(argv[3]);
        int got = 0;
        if (!WaitFor(Timeout(argc, argv, 4), [&] {
                got = FocusedId(Window(argv[2]));
                return got == want;
            }))
            Fail("focus is on " + std::to_string(got));
        return 0;
    }
    if (cmd == "check") {
        need(2);
        std::printf("%d\n",
                    static_cast<int>(SendMessageA(Control(argv[2], argv[3]), BM_GETCHECK, 0, 0)));
        return 0;
    }
    if (cmd == "click") {
        need(2);
        PostMessageA(Control(argv[2], argv[3]), BM_CLICK, 0, 0);
        return 0;
    }
    if (cmd == "enabled") {
        need(2);
        std::puts(IsWindowEnabled(Control(argv[2], argv[3])) ? "1" : "0");
        return 0;
    }
    if (cmd == "clip-get") {
        const auto text = ClipboardText();
        std::puts(text ? Escape(*text).c_str() : "<none>");
        return 0;
    }
    if (cmd == "clip-set") {
        need(1);
        SetClipboard(Unescape(argv[2]), true);
        return 0;
    }
    if (cmd == "clip-set-file" || cmd == "clip-set-raw") {
        need(1);
        SetClipboard(ReadFile(argv[2]), cmd == "clip-set-file");
        return 0;
    }
    if (cmd == "viewer") {
        need(1);
        return RunViewer(argv[2]);
    }
    Usage();
}

int Serve() {
    std::string line;
    for (int c = std::getchar(); c != EOF; c = std::getchar()) {
        if (c == '\r')
            continue;
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        std::vector<std::string> args{"driver"};
        for (std::size_t start = 0;;) {
            const std::size_t tab = line.find('\t', start);
            args.push_back(line.substr(start, tab - start));
            if (tab == std::string::npos)
                break;
            start = tab + 1;
        }
        line.clear();
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        int rc = 0;
        try {
            rc = Run(static_cast<int>(args.size()), argv.data());
        } catch (const Failure& f) {
            std::fprintf(stderr, "driver: %s: %s\n", args[1].c_str(), f.what.c_str());
            rc = f.code;
        }
        std::printf("@@rc %d\n", rc);
        std::fflush(stdout);
        std::fflush(stderr);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "serve")
        return Serve();
    try {
        return Run(argc, argv);
    } catch (const Failure& f) {
        std::fprintf(stderr, "driver: %s\n", f.what.c_str());
        return f.code;
    }
}
