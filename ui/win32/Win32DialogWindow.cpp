// One dialog's window on Win32: the window is subclassed so that each
// message of the message map reaches the dialog's handler with the default
// processing at hand, and the logic's requests are nearly one call each.
#include "ui/win32/Win32WindowSystem.h"

#include "engine/Secret.h"
#include "ui/Dialog.h"

#include <vector>

namespace {

// A buffer for text that may be a pass phrase: wiped when released.
using WipedBuffer = std::vector<char, WipingAllocator<char>>;

Win32DialogWindow* WindowOf(HWND hwnd) {
    return reinterpret_cast<Win32DialogWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Win32DialogWindow* window = WindowOf(hwnd);
    if (window == nullptr)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        const LRESULT result = window->CallOriginal(msg, wParam, lParam);
        window->Unsubclass();
        return result;
    }
    return window->Route(msg, wParam, lParam);
}

Rect ToRect(const RECT& r) {
    return Rect{r.left, r.top, r.right, r.bottom};
}

// A function of user32 that older Windows lacks, or null.
template <typename F> F User32Function(const char* name) {
    // Through void(*)(): the one cast between function types that is meant
    // to carry any of them.
    return reinterpret_cast<F>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

// The DPI of one window (Windows 10 1607 and later); 0 where the system has
// only its own.
UINT WindowDpi(HWND hwnd) {
    static const auto get = User32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    return get != nullptr ? get(hwnd) : 0;
}

// A system metric at a DPI; at the system's DPI when dpi is 0 or the system
// knows no other.
int MetricAt(int index, UINT dpi) {
    static const auto get = User32Function<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    return dpi != 0 && get != nullptr ? get(index, dpi) : GetSystemMetrics(index);
}

} // namespace

// ---- Win32DialogWindow ----

Win32DialogWindow::Win32DialogWindow(HWND hwnd, Dialog& dialog, Win32WindowSystem& windows)
    : m_hwnd(hwnd), m_dialog(dialog), m_windows(windows) {
    SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
}

Win32DialogWindow::~Win32DialogWindow() {
    Unsubclass();
}

void Win32DialogWindow::Unsubclass() {
    if (m_original == nullptr)
        return;
    if (IsWindow(m_hwnd)) {
        SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_original));
        SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, 0);
    }
    m_original = nullptr;
}

LRESULT Win32DialogWindow::CallOriginal(UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(m_original, m_hwnd, msg, wParam, lParam);
}

LRESULT Win32DialogWindow::Route(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DPICHANGED)
        return OnDpiChanged(wParam, lParam);
    if (!m_dialog.HasWindow())
        return CallOriginal(msg, wParam, lParam);

    switch (msg) {
    case WM_COMMAND:
        // Clicks, menu items and the dialog keys; other notifications stay
        // with the default processing.
        if (HIWORD(wParam) != 0)
            return CallOriginal(msg, wParam, lParam);
        break;
    case WM_SYSCOMMAND:
    case WM_PAINT:
    case WM_QUERYDRAGICON:
    case WM_MOVE:
    case WM_HELP: // OnHelpInfo
    case WM_ACTIVATE:
    case WM_DRAWCLIPBOARD:
    case WM_CHANGECBCHAIN:
    case WM_DESTROY:
        break;
    default:
        return CallOriginal(msg, wParam, lParam);
    }

    Message message{msg, wParam, lParam};
    Message* outer = m_current;
    m_current = &message;
    LRESULT result = 0;
    try {
        result = Dispatch(msg, wParam, lParam);
    } catch (...) {
        // No exception may unwind through the window system's own frames:
        // the message counts as handled and the program goes on.
    }
    if (msg == WM_DESTROY)
        m_dialog.Detach();
    m_current = outer;
    if (message.defaulted && result == 0)
        result = message.result;
    return result;
}

LRESULT Win32DialogWindow::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    switch (msg) {
    case WM_COMMAND:
        m_dialog.OnCommand(LOWORD(wParam));
        break;
    case WM_SYSCOMMAND:
        m_dialog.OnSysCommand(static_cast<unsigned>(wParam), static_cast<std::intptr_t>(lParam));
        break;
    case WM_PAINT:
        m_dialog.OnPaint();
        break;
    case WM_QUERYDRAGICON:
        result = static_cast<LRESULT>(m_dialog.OnQueryDragIcon());
        break;
    case WM_MOVE:
        m_dialog.OnMove(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        break;
    case WM_HELP: // OnHelpInfo
        if (m_dialog.OnHelpInfo())
            result = TRUE;
        break;
    case WM_ACTIVATE:
        m_dialog.OnActivate(LOWORD(wParam), FromHwnd(reinterpret_cast<HWND>(lParam)),
                            HIWORD(wParam) != 0);
        break;
    case WM_DRAWCLIPBOARD:
        m_dialog.OnDrawClipboard();
        break;
    case WM_CHANGECBCHAIN:
        m_dialog.OnChangeCbChain(static_cast<WindowHandle>(wParam),
                                 static_cast<WindowHandle>(lParam));
        break;
    case WM_DESTROY:
        m_dialog.OnDestroy();
        break;
    }
    return result;
}

WindowHandle Win32DialogWindow::Handle() const {
    return FromHwnd(m_hwnd);
}

std::string Win32DialogWindow::GetItemText(int id) {
    const int length = GetWindowTextLengthA(GetDlgItem(m_hwnd, id));
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const UINT n = GetDlgItemTextA(m_hwnd, id, text.data(), length + 1);
    text.resize(n);
    return text;
}

void Win32DialogWindow::GetItemSecret(int id, SecretString& out) {
    const int length = GetWindowTextLengthA(GetDlgItem(m_hwnd, id));
    WipedBuffer buffer(static_cast<std::size_t>(length) + 1, '\0');
    const UINT n = GetDlgItemTextA(m_hwnd, id, buffer.data(), length + 1);
    out.assign(std::string_view(buffer.data(), n));
}

void Win32DialogWindow::SetItemText(int id, std::string_view text) {
    // The text may be the pass phrase: the zero-terminated copy is wiped.
    WipedBuffer buffer(text.begin(), text.end());
    buffer.push_back('\0');
    SetDlgItemTextA(m_hwnd, id, buffer.data());
}

void Win32DialogWindow::SetFocus(int id) {
    ::SetFocus(GetDlgItem(m_hwnd, id));
}

void Win32DialogWindow::SelectAll(int id) {
    SendMessageA(GetDlgItem(m_hwnd, id), EM_SETSEL, 0, -1);
}

void Win32DialogWindow::ScrollToStart(int id) {
    SendMessageA(GetDlgItem(m_hwnd, id), EM_LINESCROLL, 0, 0);
}

void Win32DialogWindow::Paste(int id) {
    SendMessageA(GetDlgItem(m_hwnd, id), WM_PASTE, 0, 0);
}

bool Win32DialogWindow::IsChecked(int id) {
    return IsDlgButtonChecked(m_hwnd, id) == BST_CHECKED;
}

void Win32DialogWindow::SetChecked(int id, bool checked) {
    CheckDlgButton(m_hwnd, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void Win32DialogWindow::CheckRadioButton(int firstId, int lastId, int checkId) {
    ::CheckRadioButton(m_hwnd, firstId, lastId, checkId);
}

int Win32DialogWindow::GetCheckedRadioButton(int firstId, int lastId) {
    for (int id = firstId; id <= lastId; ++id)
        if (IsDlgButtonChecked(m_hwnd, id) == BST_CHECKED)
            return id;
    return 0;
}

bool Win32DialogWindow::IsIconic() {
    return ::IsIconic(m_hwnd) != FALSE;
}

void Win32DialogWindow::SetShowCommand(int showCommand) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(m_hwnd, &placement);
    placement.showCmd = static_cast<UINT>(showCommand);
    SetWindowPlacement(m_hwnd, &placement);
}

void Win32DialogWindow::SetForeground() {
    SetForegroundWindow(m_hwnd);
}

Rect Win32DialogWindow::GetWindowRect() {
    RECT r{};
    ::GetWindowRect(m_hwnd, &r);
    return ToRect(r);
}

Rect Win32DialogWindow::GetClientRect() {
    RECT r{};
    ::GetClientRect(m_hwnd, &r);
    return ToRect(r);
}

void Win32DialogWindow::MoveTo(int left, int top) {
    // A DPI change on the way keeps this origin: see OnDpiChanged.
    m_placing = true;
    m_placingAt = POINT{left, top};
    SetWindowPos(m_hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    m_placing = false;
}

// The program is per-monitor DPI aware (Vennox.manifest): the window came
// onto a monitor of another DPI, or the DPI changed. The system suggests a
// rectangle for the new DPI. While MoveTo places the window (at the stored
// origin, at start-up) the origin asked for wins over the suggested one:
// otherwise the dialog's move would store the suggested origin, and the
// window would creep at every start.
LRESULT Win32DialogWindow::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
    RECT target = *reinterpret_cast<const RECT*>(lParam);
    if (m_placing)
        OffsetRect(&target, m_placingAt.x - target.left, m_placingAt.y - target.top);
    RECT before{};
    ::GetWindowRect(m_hwnd, &before);
    // Under per-monitor v2 the dialog manager scales the font and the
    // controls here, and may size the window itself; its size then stands.
    CallOriginal(WM_DPICHANGED, wParam, reinterpret_cast<LPARAM>(&target));
    RECT after{};
    ::GetWindowRect(m_hwnd, &after);
    const bool resized = after.right - after.left != before.right - before.left ||
                         after.bottom - after.top != before.bottom - before.top;
    const RECT& size = resized ? after : target;
    SetWindowPos(m_hwnd, nullptr, target.left, target.top, size.right - size.left,
                 size.bottom - size.top, SWP_NOZORDER | SWP_NOACTIVATE);
    const UINT dpi = LOWORD(wParam);
    for (const int which : {ICON_SMALL, ICON_BIG})
        if (m_iconIds[which] != 0)
            SendIcon(which, m_iconIds[which], dpi);
    return 0;
}

void Win32DialogWindow::AppendSystemMenuSeparator() {
    AppendMenuA(GetSystemMenu(m_hwnd, FALSE), MF_SEPARATOR, 0, nullptr);
}

void Win32DialogWindow::AppendSystemMenuItem(unsigned commandId, std::string_view text) {
    const std::string item(text);
    AppendMenuA(GetSystemMenu(m_hwnd, FALSE), MF_STRING, commandId, item.c_str());
}

void Win32DialogWindow::SetIcon(int which, IconHandle icon) {
    // Ours goes at the size that this icon takes at the window's DPI: the
    // caption's small icon is a small image, not the big one shrunk.
    const int id = m_windows.IconId(icon);
    if (id == 0 || (which != ICON_SMALL && which != ICON_BIG)) {
        SendMessageA(m_hwnd, WM_SETICON, static_cast<WPARAM>(which), static_cast<LPARAM>(icon));
        return;
    }
    m_iconIds[which] = id;
    SendIcon(which, id, WindowDpi(m_hwnd));
}

void Win32DialogWindow::SendIcon(int which, int id, UINT dpi) {
    const bool small = which == ICON_SMALL;
    HICON icon = m_windows.IconAt(id, MetricAt(small ? SM_CXSMICON : SM_CXICON, dpi),
                                  MetricAt(small ? SM_CYSMICON : SM_CYICON, dpi));
    if (icon != nullptr)
        SendMessageA(m_hwnd, WM_SETICON, static_cast<WPARAM>(which),
                     reinterpret_cast<LPARAM>(icon));
}

void Win32DialogWindow::BeginPaint() {
    m_dc = ::BeginPaint(m_hwnd, &m_paint);
}

void Win32DialogWindow::EraseIconBackground() {
    SendMessageA(m_hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(m_dc), 0);
}

void Win32DialogWindow::DrawIcon(int x, int y, IconHandle icon) {
    ::DrawIcon(m_dc, x, y, reinterpret_cast<HICON>(icon));
}

void Win32DialogWindow::EndPaint() {
    ::EndPaint(m_hwnd, &m_paint);
    m_dc = nullptr;
}

void Win32DialogWindow::Default() {
    if (m_current == nullptr)
        return;
    m_current->result = CallOriginal(m_current->msg, m_current->wParam, m_current->lParam);
    m_current->defaulted = true;
}

void Win32DialogWindow::EndDialog(int result) {
    ::EndDialog(m_hwnd, result);
}
