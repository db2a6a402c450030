// The window system of Platform.h carried out with the Win32 API: nearly one
// call per operation, plus the dialog procedure that routes each message to
// the dialog's handler.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
// Without the profile macros, which would rename AppProfile's operations.
#include "settings/WindowsApi.h"
// The logic's operations share names with Win32's ANSI/Unicode macros.
#undef LoadString
#undef LoadIcon
#undef WinHelp
#undef GetWindowText
#undef SetWindowText

#include "ui/Platform.h"

#include <cstdint>
#include <vector>

class Dialog;
class Win32WindowSystem;

// The logic's window handles are the window system's own, as numbers.
inline HWND ToHwnd(WindowHandle h) {
    return reinterpret_cast<HWND>(h);
}
inline WindowHandle FromHwnd(HWND h) {
    return reinterpret_cast<WindowHandle>(h);
}

// One open dialog: the window created from the dialog's template, subclassed
// so that Default() can hand the current message to the original window
// procedure at once.
class Win32DialogWindow : public DialogWindow {
  public:
    Win32DialogWindow(HWND hwnd, Dialog& dialog, Win32WindowSystem& windows);
    ~Win32DialogWindow() override;
    Win32DialogWindow(const Win32DialogWindow&) = delete;
    Win32DialogWindow& operator=(const Win32DialogWindow&) = delete;

    WindowHandle Handle() const override;

    std::string GetItemText(int id) override;
    void GetItemSecret(int id, SecretString& out) override;
    void SetItemText(int id, std::string_view text) override;
    void SetFocus(int id) override;
    void SelectAll(int id) override;
    void ScrollToStart(int id) override;
    void Paste(int id) override;
    bool IsChecked(int id) override;
    void SetChecked(int id, bool checked) override;
    void CheckRadioButton(int firstId, int lastId, int checkId) override;
    int GetCheckedRadioButton(int firstId, int lastId) override;

    bool IsIconic() override;
    void SetShowCommand(int showCommand) override;
    void SetForeground() override;
    Rect GetWindowRect() override;
    Rect GetClientRect() override;
    void MoveTo(int left, int top) override;
    void AppendSystemMenuSeparator() override;
    void AppendSystemMenuItem(unsigned commandId, std::string_view text) override;
    void SetIcon(int which, IconHandle icon) override;

    void BeginPaint() override;
    void EraseIconBackground() override;
    void DrawIcon(int x, int y, IconHandle icon) override;
    void EndPaint() override;

    void Default() override;
    void EndDialog(int result) override;

    // Routes one message of the message map to the dialog; everything else
    // goes to the original window procedure.
    LRESULT Route(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT CallOriginal(UINT msg, WPARAM wParam, LPARAM lParam);
    void Unsubclass();

  private:
    // The handler call of one routed message.
    LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
    // WM_DPICHANGED, handled here: the dialog logic works in dialog units.
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
    // Sends the icon of resource `id` at the size `which` takes at `dpi`
    // (0: the system's DPI).
    void SendIcon(int which, int id, UINT dpi);

    struct Message {
        UINT msg = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
        bool defaulted = false;
        LRESULT result = 0;
    };

    HWND m_hwnd;
    Dialog& m_dialog;
    Win32WindowSystem& m_windows;
    WNDPROC m_original = nullptr;
    Message* m_current = nullptr; // the message being handled; messages nest
    PAINTSTRUCT m_paint{};
    HDC m_dc = nullptr;
    // The resource ids of the icons set with SetIcon, small and big (0: none
    // of ours), sent again at the new size when the DPI changes.
    int m_iconIds[2] = {0, 0};
    // Where MoveTo is placing the window, while it does.
    bool m_placing = false;
    POINT m_placingAt{};
};

class Win32WindowSystem : public WindowSystem {
  public:
    explicit Win32WindowSystem(HINSTANCE instance);
    ~Win32WindowSystem() override;
    Win32WindowSystem(const Win32WindowSystem&) = delete;
    Win32WindowSystem& operator=(const Win32WindowSystem&) = delete;

    int RunModal(Dialog& dialog, Dialog* parent) override;

    void Enable3dControls() override;
    std::string LoadString(int id) override;
    IconHandle LoadIcon(int id) override;
    int IconWidth() override;
    int IconHeight() override;
    CursorHandle LoadWaitCursor() override;
    CursorHandle SetCursor(CursorHandle cursor) override;
    void WinHelp(unsigned data, unsigned command) override;

    bool OpenClipboard(WindowHandle owner) override;
    void CloseClipboard() override;
    void EmptyClipboard() override;
    std::optional<std::string> GetClipboardText() override;
    void SetClipboardText(std::string_view text) override;

    WindowHandle SetClipboardViewer(WindowHandle viewer) override;
    void ChangeClipboardChain(WindowHandle leaving, WindowHandle next) override;
    void SendDrawClipboard(WindowHandle to) override;
    void SendChangeCbChain(WindowHandle to, WindowHandle leaving, WindowHandle following) override;

    // The icon of resource `id` at cx x cy pixels, loaded once and kept
    // until the window system goes; null when there is none.
    HICON IconAt(int id, int cx, int cy);
    // The resource id of an icon that IconAt loaded, 0 for any other.
    int IconId(IconHandle icon) const;

  private:
    struct LoadedIcon {
        int id;
        int cx;
        int cy;
        HICON icon;
    };

    HINSTANCE m_instance;
    std::vector<LoadedIcon> m_icons;
};
