#include "ui/win32/Win32WindowSystem.h"

#include "engine/Secret.h"
#include "ui/Dialog.h"
#include "ui/VennoxApp.h"

#include <commctrl.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// A buffer for text that may be a pass phrase: wiped when released.
using WipedBuffer = std::vector<char, WipingAllocator<char>>;

HWND ToHwnd(WindowHandle h) {
    return reinterpret_cast<HWND>(h);
}
WindowHandle FromHwnd(HWND h) {
    return reinterpret_cast<WindowHandle>(h);
}

// What RunModal hands to the dialog procedure through WM_INITDIALOG.
struct ModalContext {
    Dialog* dialog = nullptr;
    std::unique_ptr<Win32DialogWindow> window;
};

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

// The original window procedure (the default dialog procedure) calls this
// one. Messages reach the dialog through SubclassProc, so everything but the
// initialisation gets the default dialog processing here.
INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM, LPARAM lParam) {
    if (msg != WM_INITDIALOG)
        return FALSE;
    auto* context = reinterpret_cast<ModalContext*>(lParam);
    // No exception may unwind through the window system's own frames.
    try {
        context->window = std::make_unique<Win32DialogWindow>(hwnd, *context->dialog);
        context->dialog->Attach(context->window.get());
        return context->dialog->OnInitDialog() ? TRUE : FALSE;
    } catch (...) {
        return TRUE;
    }
}

Rect ToRect(const RECT& r) {
    return Rect{r.left, r.top, r.right, r.bottom};
}

std::string ModuleHelpFile() {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return "Vennox.HLP";
        if (n < path.size()) {
            std::string file(path.data(), n);
            const std::size_t slash = file.find_last_of("\\/");
            const std::size_t dot = file.rfind('.');
            if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                file.erase(dot);
            return file + ".HLP";
        }
        path.resize(path.size() * 2);
    }
}

} // namespace

// ---- Win32DialogWindow ----

Win32DialogWindow::Win32DialogWindow(HWND hwnd, Dialog& dialog) : m_hwnd(hwnd), m_dialog(dialog) {
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
    SetWindowPos(m_hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void Win32DialogWindow::AppendSystemMenuSeparator() {
    AppendMenuA(GetSystemMenu(m_hwnd, FALSE), MF_SEPARATOR, 0, nullptr);
}

void Win32DialogWindow::AppendSystemMenuItem(unsigned commandId, std::string_view text) {
    const std::string item(text);
    AppendMenuA(GetSystemMenu(m_hwnd, FALSE), MF_STRING, commandId, item.c_str());
}

void Win32DialogWindow::SetIcon(int which, IconHandle icon) {
    SendMessageA(m_hwnd, WM_SETICON, static_cast<WPARAM>(which), static_cast<LPARAM>(icon));
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

// ---- Win32WindowSystem ----

Win32WindowSystem::Win32WindowSystem(HINSTANCE instance) : m_instance(instance) {}

int Win32WindowSystem::RunModal(Dialog& dialog, Dialog* parent) {
    HWND owner =
        parent != nullptr && parent->HasWindow() ? ToHwnd(parent->Window().Handle()) : nullptr;
    ModalContext context;
    context.dialog = &dialog;
    const INT_PTR result = DialogBoxParamA(m_instance, MAKEINTRESOURCEA(dialog.TemplateId()), owner,
                                           &DialogProc, reinterpret_cast<LPARAM>(&context));
    // Normally detached on WM_DESTROY; not when the window never came to be.
    dialog.Detach();
    return static_cast<int>(result);
}

void Win32WindowSystem::Enable3dControls() {
    // The manifest selects the common controls of the current visual style.
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);
}

std::string Win32WindowSystem::LoadString(int id) {
    std::vector<char> buffer(256);
    for (;;) {
        const int n = LoadStringA(m_instance, static_cast<UINT>(id), buffer.data(),
                                  static_cast<int>(buffer.size()));
        if (n <= 0)
            return {};
        // A string that fills the buffer may have been cut short.
        if (static_cast<std::size_t>(n) + 1 < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(n));
        buffer.resize(buffer.size() * 2);
    }
}

IconHandle Win32WindowSystem::LoadIcon(int id) {
    return reinterpret_cast<IconHandle>(LoadIconA(m_instance, MAKEINTRESOURCEA(id)));
}

int Win32WindowSystem::IconWidth() {
    return GetSystemMetrics(SM_CXICON);
}

int Win32WindowSystem::IconHeight() {
    return GetSystemMetrics(SM_CYICON);
}

CursorHandle Win32WindowSystem::LoadWaitCursor() {
    return reinterpret_cast<CursorHandle>(LoadCursorA(nullptr, IDC_WAIT));
}

CursorHandle Win32WindowSystem::SetCursor(CursorHandle cursor) {
    return reinterpret_cast<CursorHandle>(::SetCursor(reinterpret_cast<HCURSOR>(cursor)));
}

void Win32WindowSystem::WinHelp(unsigned data, unsigned command) {
    // Like the framework: on behalf of the main window, with the help file
    // named after the executable.
    HWND main = nullptr;
    if (Dialog* dialog = TheApp().MainWindow(); dialog != nullptr && dialog->HasWindow())
        main = ToHwnd(dialog->Window().Handle());
    const std::string file = ModuleHelpFile();
    WinHelpA(main, file.c_str(), command, data);
}

bool Win32WindowSystem::OpenClipboard(WindowHandle owner) {
    return ::OpenClipboard(ToHwnd(owner)) != FALSE;
}

void Win32WindowSystem::CloseClipboard() {
    ::CloseClipboard();
}

void Win32WindowSystem::EmptyClipboard() {
    ::EmptyClipboard();
}

std::optional<std::string> Win32WindowSystem::GetClipboardText() {
    HANDLE data = GetClipboardData(CF_TEXT);
    if (data == nullptr)
        return std::nullopt;
    const auto* text = static_cast<const char*>(GlobalLock(data));
    if (text == nullptr)
        return std::nullopt;
    // Another program wrote this block: never read past its end, even when
    // it holds no terminator.
    // Unlocked also when the copy below runs out of memory.
    struct Unlock {
        HANDLE block;
        ~Unlock() { GlobalUnlock(block); }
    } unlock{data};
    const std::size_t size = GlobalSize(data);
    const void* end = std::memchr(text, '\0', size);
    const std::size_t length = end ? static_cast<const char*>(end) - text : size;
    return std::string(text, length);
}

void Win32WindowSystem::SetClipboardText(std::string_view text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1);
    if (block == nullptr)
        return;
    auto* bytes = static_cast<char*>(GlobalLock(block));
    if (bytes == nullptr) {
        GlobalFree(block);
        return;
    }
    std::memcpy(bytes, text.data(), text.size());
    bytes[text.size()] = '\0';
    GlobalUnlock(block);
    // The clipboard owns the block only once it has taken it.
    if (SetClipboardData(CF_TEXT, block) == nullptr)
        GlobalFree(block);
}

WindowHandle Win32WindowSystem::SetClipboardViewer(WindowHandle viewer) {
    return FromHwnd(::SetClipboardViewer(ToHwnd(viewer)));
}

void Win32WindowSystem::ChangeClipboardChain(WindowHandle leaving, WindowHandle next) {
    ::ChangeClipboardChain(ToHwnd(leaving), ToHwnd(next));
}

void Win32WindowSystem::SendDrawClipboard(WindowHandle to) {
    SendMessageA(ToHwnd(to), WM_DRAWCLIPBOARD, 0, 0);
}

void Win32WindowSystem::SendChangeCbChain(WindowHandle to, WindowHandle leaving,
                                          WindowHandle following) {
    SendMessageA(ToHwnd(to), WM_CHANGECBCHAIN, static_cast<WPARAM>(leaving),
                 static_cast<LPARAM>(following));
}
