#include "ui/win32/Win32WindowSystem.h"

#include "engine/Secret.h"
#include "ui/Dialog.h"
#include "ui/VennoxApp.h"
#include "ui/win32/HelpPage.h"

#include <commctrl.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// What RunModal hands to the dialog procedure through WM_INITDIALOG.
struct ModalContext {
    Win32WindowSystem* windows = nullptr;
    Dialog* dialog = nullptr;
    std::unique_ptr<Win32DialogWindow> window;
};

// The original window procedure (the default dialog procedure) calls this
// one. Messages reach the dialog through SubclassProc, so everything but the
// initialisation gets the default dialog processing here.
INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM, LPARAM lParam) {
    if (msg != WM_INITDIALOG)
        return FALSE;
    auto* context = reinterpret_cast<ModalContext*>(lParam);
    // No exception may unwind through the window system's own frames.
    try {
        context->window =
            std::make_unique<Win32DialogWindow>(hwnd, *context->dialog, *context->windows);
        context->dialog->Attach(context->window.get());
        return context->dialog->OnInitDialog() ? TRUE : FALSE;
    } catch (...) {
        return TRUE;
    }
}

} // namespace

// ---- Win32WindowSystem ----

Win32WindowSystem::Win32WindowSystem(HINSTANCE instance) : m_instance(instance) {}

Win32WindowSystem::~Win32WindowSystem() {
    for (const LoadedIcon& loaded : m_icons)
        DestroyIcon(loaded.icon);
}

HICON Win32WindowSystem::IconAt(int id, int cx, int cy) {
    for (const LoadedIcon& loaded : m_icons)
        if (loaded.id == id && loaded.cx == cx && loaded.cy == cy)
            return loaded.icon;
    // The image of the icon group that suits this size best.
    HICON icon = static_cast<HICON>(
        LoadImageA(m_instance, MAKEINTRESOURCEA(id), IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR));
    if (icon == nullptr)
        return nullptr;
    try {
        m_icons.push_back(LoadedIcon{id, cx, cy, icon});
    } catch (...) {
        // No memory to list it: used all the same, and never freed.
    }
    return icon;
}

int Win32WindowSystem::IconId(IconHandle icon) const {
    for (const LoadedIcon& loaded : m_icons)
        if (reinterpret_cast<IconHandle>(loaded.icon) == icon)
            return loaded.id;
    return 0;
}

int Win32WindowSystem::RunModal(Dialog& dialog, Dialog* parent) {
    HWND owner =
        parent != nullptr && parent->HasWindow() ? ToHwnd(parent->Window().Handle()) : nullptr;
    ModalContext context;
    context.windows = this;
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
    // The standard icon size, which follows the system's DPI.
    return reinterpret_cast<IconHandle>(
        IconAt(id, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)));
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

// Windows 10 and 11 have no WinHelp engine: a context number opens the
// topic "context-N" of the help page in the browser. The program asks for
// nothing else.
void Win32WindowSystem::WinHelp(unsigned data, unsigned command) {
    if (command != HELP_CONTEXT)
        return;
    HWND main = nullptr;
    if (Dialog* dialog = TheApp().MainWindow(); dialog != nullptr && dialog->HasWindow())
        main = ToHwnd(dialog->Window().Handle());
    ShowHelpPage(m_instance, main, data);
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
