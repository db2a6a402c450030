#include "ui/win32/Win32WindowSystem.h"

#include "engine/Secret.h"
#include "ui/Dialog.h"
#include "ui/VennoxApp.h"

#include <commctrl.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// What RunModal hands to the dialog procedure through WM_INITDIALOG.
struct ModalContext {
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
        context->window = std::make_unique<Win32DialogWindow>(hwnd, *context->dialog);
        context->dialog->Attach(context->window.get());
        return context->dialog->OnInitDialog() ? TRUE : FALSE;
    } catch (...) {
        return TRUE;
    }
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
