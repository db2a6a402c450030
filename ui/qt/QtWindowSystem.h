// The window system of the shared dialog logic on Qt 6 Widgets.
#pragma once

#include "ui/Platform.h"

#include <QIcon>
#include <QMetaObject>
#include <QString>

#include <map>
#include <optional>

class QtDialogWindow;

class QtWindowSystem : public WindowSystem {
  public:
    QtWindowSystem();
    ~QtWindowSystem() override;
    QtWindowSystem(const QtWindowSystem&) = delete;
    QtWindowSystem& operator=(const QtWindowSystem&) = delete;

    int RunModal(Dialog& dialog, Dialog* parent) override;
    void Enable3dControls() override {}
    std::string LoadString(int id) override;
    IconHandle LoadIcon(int id) override;
    int IconWidth() override { return 32; }
    int IconHeight() override { return 32; }
    CursorHandle LoadWaitCursor() override { return kWaitCursor; }
    CursorHandle SetCursor(CursorHandle cursor) override;
    void WinHelp(unsigned data, unsigned command) override;
    bool OpenClipboard(WindowHandle owner) override;
    void CloseClipboard() override;
    void EmptyClipboard() override;
    std::optional<std::string> GetClipboardText() override;
    void SetClipboardText(std::string_view text) override;
    WindowHandle SetClipboardViewer(WindowHandle viewer) override;
    void ChangeClipboardChain(WindowHandle leaving, WindowHandle next) override;
    void SendDrawClipboard(WindowHandle) override {}
    void SendChangeCbChain(WindowHandle, WindowHandle, WindowHandle) override {}

    // The window of a dialog, or null; windows register themselves while they live.
    QtDialogWindow* WindowOf(const Dialog* dialog) const;
    void Register(const Dialog& dialog, QtDialogWindow* window);
    QIcon Icon(IconHandle icon) const;
    // The clipboard's text as CF_TEXT holds it, up to its first NUL; nothing
    // when it holds no text. The challenge test and the paste both take it,
    // so a field never receives text that the test did not see.
    static std::optional<QString> ClipboardText();
    // The same text as bytes for the password field's paste; the copies
    // made on the way are wiped. False when there is no text.
    static bool ClipboardSecret(SecretString& out);
    // False where the window system never reports a window's place (Wayland).
    static bool WindowPositionsKnown();
    // The URL that help with this context number opens.
    static QString HelpUrl(unsigned context);

    static constexpr CursorHandle kArrowCursor = 1;
    static constexpr CursorHandle kWaitCursor = 2;
    static constexpr IconHandle kMainIcon = 1;

  private:
    void ClipboardChanged();

    std::map<const Dialog*, QtDialogWindow*> windows_;
    CursorHandle cursor_ = kArrowCursor;
    bool clipboardOpen_ = false;
    bool changedWhileOpen_ = false;
    WindowHandle viewer_ = 0;
    QMetaObject::Connection clipboardConnection_;
    QIcon mainIcon_;
};
