// The window system as the dialog logic sees it. The logic is written once
// against these two interfaces; Win32, Qt and the tests' fake carry them out.
// Nothing here includes a window-system header.
#pragma once

// <windows.h> defines these names as macros; seen here they would rename the
// operations below in some files and not in others.
#if defined(LoadString) || defined(LoadIcon) || defined(WinHelp)
#error "<windows.h> macros would rename WindowSystem: see ui/win32/Win32WindowSystem.h"
#endif

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class Dialog;
class SecretString;

using WindowHandle = std::uintptr_t; // 0 is the null window
using IconHandle = std::uintptr_t;
using CursorHandle = std::uintptr_t;

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// Values that travel through the logic unchanged; they are Win32's own.
constexpr unsigned kHelpContext = 1; // HELP_CONTEXT
constexpr int kShowNormal = 1;       // SW_SHOWNORMAL
constexpr int kShowMinimize = 6;     // SW_MINIMIZE
constexpr int kActivateInactive = 0; // WA_INACTIVE
constexpr int kIconSmall = 0;        // ICON_SMALL
constexpr int kIconBig = 1;          // ICON_BIG

// One dialog's window, valid from just before its initialisation until its
// destruction. Controls are addressed by their template ids.
class DialogWindow {
  public:
    virtual ~DialogWindow() = default;

    virtual WindowHandle Handle() const = 0;

    // Controls.
    virtual std::string GetItemText(int id) = 0;
    virtual void GetItemSecret(int id, SecretString& out) = 0; // text of a secret field
    virtual void SetItemText(int id, std::string_view text) = 0;
    virtual void SetFocus(int id) = 0;
    virtual void SelectAll(int id) = 0;     // EM_SETSEL 0, -1 (no scroll to the caret)
    virtual void ScrollToStart(int id) = 0; // EM_LINESCROLL 0, 0
    virtual void Paste(int id) = 0;         // WM_PASTE: the field's own paste
    virtual bool IsChecked(int id) = 0;
    virtual void SetChecked(int id, bool checked) = 0;
    virtual void CheckRadioButton(int firstId, int lastId, int checkId) = 0;
    virtual int GetCheckedRadioButton(int firstId, int lastId) = 0; // 0 when none

    // The window itself.
    virtual bool IsIconic() = 0;
    virtual void
    SetShowCommand(int showCommand) = 0; // placement read, show command set, written back
    virtual void SetForeground() = 0;
    virtual Rect GetWindowRect() = 0; // outer frame, screen pixels
    virtual Rect GetClientRect() = 0;
    virtual void MoveTo(int left, int top) = 0; // no resize, no z-order change
    virtual void AppendSystemMenuSeparator() = 0;
    virtual void AppendSystemMenuItem(unsigned commandId, std::string_view text) = 0;
    virtual void SetIcon(int which, IconHandle icon) = 0; // kIconBig or kIconSmall

    // Painting the minimised window, between BeginPaint and EndPaint.
    virtual void BeginPaint() = 0;
    virtual void EraseIconBackground() = 0; // WM_ICONERASEBKGND to the window itself
    virtual void DrawIcon(int x, int y, IconHandle icon) = 0;
    virtual void EndPaint() = 0;

    // The message being handled gets the window system's default processing,
    // at once. A handler that does not ask for it has handled the message.
    virtual void Default() = 0;
    // Ends the modal run with this result once the current handler returns.
    virtual void EndDialog(int result) = 0;
};

// The application's side of the window system.
class WindowSystem {
  public:
    virtual ~WindowSystem() = default;

    // Creates the dialog's window from its template (parent may be null),
    // attaches it, delivers its messages until it ends, destroys it.
    virtual int RunModal(Dialog& dialog, Dialog* parent) = 0;

    virtual void Enable3dControls() = 0;
    virtual std::string LoadString(int id) = 0; // empty when absent
    virtual IconHandle LoadIcon(int id) = 0;
    virtual int IconWidth() = 0; // SM_CXICON
    virtual int IconHeight() = 0;
    virtual CursorHandle LoadWaitCursor() = 0;
    virtual CursorHandle SetCursor(CursorHandle cursor) = 0; // returns the one it replaced
    virtual void WinHelp(unsigned data, unsigned command) = 0;

    // Clipboard. Only OpenClipboard and GetClipboardText report anything.
    virtual bool OpenClipboard(WindowHandle owner) = 0;
    virtual void CloseClipboard() = 0;
    virtual void EmptyClipboard() = 0;
    // The CF_TEXT data up to its terminator, never beyond its memory block;
    // nothing when the clipboard holds no text.
    virtual std::optional<std::string> GetClipboardText() = 0;
    // Hands the text with its terminator to the clipboard as CF_TEXT.
    virtual void SetClipboardText(std::string_view text) = 0;

    // Clipboard-viewer chain.
    virtual WindowHandle SetClipboardViewer(WindowHandle viewer) = 0; // returns the next viewer
    virtual void ChangeClipboardChain(WindowHandle leaving, WindowHandle next) = 0;
    virtual void SendDrawClipboard(WindowHandle to) = 0;
    virtual void SendChangeCbChain(WindowHandle to, WindowHandle leaving,
                                   WindowHandle following) = 0;
};
