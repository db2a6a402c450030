// The Win32 host under the real window system: the help page's URL and the
// page it writes out, and the main window through DPI changes, which no
// display here makes: the test sends WM_DPICHANGED where Windows would.
#include "ui/win32/Win32WindowSystem.h"

#include "tests/support/FileBytes.h"
#include "tests/support/MemoryProfile.h"
#include "ui/VennoxApp.h"
#include "ui/win32/HelpPage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(HelpPage, FileUrls) {
    const struct {
        const wchar_t* path;
        const wchar_t* fragment;
        const wchar_t* url;
    } cases[] = {
        {L"C:\\Users\\ann\\AppData\\Local\\Temp\\Vennox\\help.html", L"context-1",
         L"file:///C:/Users/ann/AppData/Local/Temp/Vennox/help.html#context-1"},
        {L"C:\\Users\\Ann Lee\\Temp\\help.html", L"", L"file:///C:/Users/Ann%20Lee/Temp/help.html"},
        // Characters that end or change a URL's path.
        {L"C:\\a#b\\50%\\what?\\help.html", L"context-2",
         L"file:///C:/a%23b/50%25/what%3F/help.html#context-2"},
        {L"D:\\x (1)&y;z\\help.html", L"", L"file:///D:/x%20%281%29%26y%3Bz/help.html"},
        // Not ASCII: UTF-8, whatever the ANSI code page.
        {L"C:\\Users\\Zo\u00eb\\\u65e5\\help.html", L"context-3",
         L"file:///C:/Users/Zo%C3%AB/%E6%97%A5/help.html#context-3"},
        // A network share: the server is the host.
        {L"\\\\server\\share\\Temp\\help.html", L"", L"file://server/share/Temp/help.html"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.path)));
        EXPECT_EQ(FileUrl(c.path, c.fragment), c.url);
    }
}

// The page carried in the exe, written out in full, over whatever an older
// version left there.
TEST(HelpPage, WrittenOutAsCarried) {
    const std::string page = ReadBytes(VENNOX_HELP_PAGE);
    ASSERT_FALSE(page.empty());
    const std::wstring first = WriteHelpPage(GetModuleHandleW(nullptr));
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(first.ends_with(L"\\Vennox\\help.html"));
    EXPECT_EQ(ReadBytes(first), page);

    std::ofstream(first.c_str(), std::ios::binary | std::ios::trunc) << "an older page";
    EXPECT_EQ(WriteHelpPage(GetModuleHandleW(nullptr)), first);
    EXPECT_EQ(ReadBytes(first), page);
}

// ---- The main window through DPI changes ----

int IconWidth(HWND hwnd, WPARAM which) {
    HICON icon = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, which, 0));
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info))
        return 0;
    BITMAP bitmap{};
    GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    if (info.hbmColor != nullptr)
        DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

struct Seen {
    RECT frame{};
    std::string stored; // "Left Top" in the profile
    int smallIcon = 0;
    int bigIcon = 0;
};

// What the hook and the timer share with the test.
struct HostRun {
    MemoryProfile* profile = nullptr;
    HWND main = nullptr;
    bool fired = false;
    Seen start, placed, dragged;
    int ticks = 0;
};
HostRun g_run;

Seen Look(HWND hwnd) {
    Seen seen;
    GetWindowRect(hwnd, &seen.frame);
    seen.stored = g_run.profile->Find("Location", "Left").value_or("-") + " " +
                  g_run.profile->Find("Location", "Top").value_or("-");
    seen.smallIcon = IconWidth(hwnd, ICON_SMALL);
    seen.bigIcon = IconWidth(hwnd, ICON_BIG);
    return seen;
}

bool IsMain(HWND hwnd) {
    wchar_t caption[16] = {};
    GetWindowTextW(hwnd, caption, 16);
    return std::wstring(caption) == L"Vennox";
}

RECT Suggested(HWND hwnd, int left, int top, int scale) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return RECT{left, top, left + (r.right - r.left) * scale, top + (r.bottom - r.top) * scale};
}

// Where Windows sends WM_DPICHANGED for a window that the program moves onto
// a monitor of another DPI: from within the move. This one takes the main
// window at 96 DPI to 192, when the dialog places it at the stored origin,
// and suggests another origin, as Windows may.
LRESULT CALLBACK AfterMessage(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && m->message == WM_WINDOWPOSCHANGED && !g_run.fired && IsMain(m->hwnd)) {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(m->lParam);
        if (!(pos->flags & SWP_NOMOVE) && pos->x == 300 && pos->y == 200) {
            g_run.fired = true;
            g_run.start = Look(m->hwnd);
            RECT suggested = Suggested(m->hwnd, 250, 180, 2);
            SendMessageW(m->hwnd, WM_DPICHANGED, MAKEWPARAM(192, 192),
                         reinterpret_cast<LPARAM>(&suggested));
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Once the main window shows: what the placement left, then a change to
// 144 DPI as when the user drags the window onto another monitor, then the
// end of the dialog.
void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND main = FindWindowW(nullptr, L"Vennox");
    if (main == nullptr || !IsWindowVisible(main)) {
        if (++g_run.ticks > 500) // 10 s: give up, the test fails
            KillTimer(nullptr, timer);
        return;
    }
    KillTimer(nullptr, timer);
    g_run.main = main;
    g_run.placed = Look(main);
    RECT suggested = Suggested(main, 400, 300, 1);
    suggested.right = suggested.left + (suggested.right - suggested.left) * 3 / 4;
    suggested.bottom = suggested.top + (suggested.bottom - suggested.top) * 3 / 4;
    SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    g_run.dragged = Look(main);
    PostMessageW(main, WM_COMMAND, IDCANCEL, 0);
}

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

TEST(Win32Host, MainWindowThroughDpiChanges) {
    MemoryProfile profile;
    profile.Set("Location", "Left", "300");
    profile.Set("Location", "Top", "200");
    profile.Set("Settings", "AutoPaste", "0");
    g_run = HostRun{};
    g_run.profile = &profile;

    Win32WindowSystem windows(GetModuleHandleW(nullptr));
    CVennoxApp app(windows, profile);
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, &AfterMessage, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    SetTimer(nullptr, 0, 20, &Tick);
    app.InitInstance();
    UnhookWindowsHookEx(hook);

    ASSERT_TRUE(g_run.fired) << "the dialog never moved to the stored origin";
    ASSERT_NE(g_run.main, nullptr) << "the main window never showed";
    EXPECT_EQ(g_run.start.smallIcon, GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(g_run.start.bigIcon, GetSystemMetrics(SM_CXICON));

    const struct {
        const char* what;
        const Seen& seen;
        RECT frame;
        const char* stored;
        UINT dpi;
    } steps[] = {
        // The suggested size, but the origin that the dialog asked for.
        {"placed at start-up", g_run.placed,
         RECT{300, 200, 300 + 2 * Width(g_run.start.frame), 200 + 2 * Height(g_run.start.frame)},
         "300 200", 192},
        // The suggested rectangle as it is.
        {"dragged", g_run.dragged,
         RECT{400, 300, 400 + Width(g_run.placed.frame) * 3 / 4,
              300 + Height(g_run.placed.frame) * 3 / 4},
         "400 300", 144},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        const RECT& f = s.seen.frame;
        EXPECT_EQ((std::vector<long>{f.left, f.top, f.right, f.bottom}),
                  (std::vector<long>{s.frame.left, s.frame.top, s.frame.right, s.frame.bottom}));
        EXPECT_EQ(s.seen.stored, s.stored);
        EXPECT_EQ(s.seen.smallIcon, GetSystemMetricsForDpi(SM_CXSMICON, s.dpi));
        EXPECT_EQ(s.seen.bigIcon, GetSystemMetricsForDpi(SM_CXICON, s.dpi));
    }
}

} // namespace
