// A window system for the dialog logic's tests. It holds controls by id, a
// clipboard that another program may hold, a viewer chain with windows of
// other programs, a minimised flag and the focus, and records every call in
// order. Like Windows, it nests messages: joining the viewer chain and
// closing a changed clipboard notify the first viewer at once, and a window
// brought to the front is activated at once.
#pragma once

#include "tests/support/MemoryProfile.h"
#include "ui/Platform.h"
#include "ui/res/DialogTemplates.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class FakeWindowSystem;

// The in-memory profile, with its calls in the window system's log so a
// test sees profile reads and window calls in one order.
class FakeProfile : public AppProfile {
  public:
    explicit FakeProfile(std::vector<std::string>& log) : log_(log) {}
    int GetProfileInt(const char* section, const char* key, int defaultValue) override;
    std::string GetProfileString(const char* section, const char* key,
                                 const char* defaultValue) override;
    bool WriteProfileInt(const char* section, const char* key, int value) override;
    bool WriteProfileString(const char* section, const char* key, const char* value) override;

    MemoryProfile store;

  private:
    void LogLast();
    std::vector<std::string>& log_;
};

struct FakeControl {
    ControlKind kind = ControlKind::Edit;
    unsigned style = 0;
    std::string text;
    bool checked = false;
    bool allSelected = false;
};

class FakeDialogWindow : public DialogWindow {
  public:
    FakeDialogWindow(FakeWindowSystem& system, Dialog& dialog, WindowHandle handle);

    WindowHandle Handle() const override { return handle_; }
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
    bool IsIconic() override { return iconic; }
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

    // What a user does.
    void Type(int id, std::string text); // replaces the field's text
    void Click(int id);                  // a button: toggles a check box, presses a push button

    FakeControl& Control(int id);

    Dialog& dialog;
    std::map<int, FakeControl> controls;
    std::vector<std::string> systemMenu;
    int focus = 0;
    bool iconic = false;
    bool active = false;
    Rect frame{0, 0, 240, 150}; // outer rectangle, screen pixels
    Rect client{0, 0, 234, 124};
    bool ended = false;
    int result = 0;

  private:
    void Log(const std::string& entry);
    FakeWindowSystem& system_;
    WindowHandle handle_;
};

// A clipboard viewer of another program that follows the chain's rules.
struct FakeViewer {
    WindowHandle handle = 0;
    WindowHandle next = 0;
    int drawsSeen = 0;
};

class FakeWindowSystem : public WindowSystem {
  public:
    FakeWindowSystem();
    ~FakeWindowSystem() override;

    int RunModal(Dialog& dialog, Dialog* parent) override;
    void Enable3dControls() override { Log("Enable3dControls"); }
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
    void SendDrawClipboard(WindowHandle to) override;
    void SendChangeCbChain(WindowHandle to, WindowHandle leaving, WindowHandle following) override;

    // Creates the dialog's window and runs its initialisation, as the first
    // part of a modal run; Destroy is the last part.
    FakeDialogWindow& Open(Dialog& dialog);
    void Destroy(Dialog& dialog);
    FakeDialogWindow* WindowOf(const Dialog& dialog);
    void Activate(Dialog& dialog);
    void Deactivate(Dialog& dialog);

    // Another program's doings.
    void CopyFromOtherProgram(std::optional<std::string> text); // nullopt: only other formats
    FakeViewer& StartOtherViewer();                             // joins the chain ahead of us
    void StopOtherViewer(FakeViewer& viewer);                   // leaves the chain

    // What a modal dialog's user does while it runs, by template id. Without
    // a script the dialog is cancelled.
    std::map<int, std::function<void(Dialog&, FakeDialogWindow&)>> modalScripts;

    // Entries that contain the given text, in order.
    std::vector<std::string> Calls(const std::string& containing) const;
    void ClearLog() { log.clear(); }
    void Log(const std::string& entry) { log.push_back(entry); }

    static constexpr CursorHandle kArrowCursor = 0x11;
    static constexpr CursorHandle kWaitCursor = 0x22;
    static constexpr IconHandle kAppIcon = 0x80;

    std::vector<std::string> log;
    FakeProfile profile{log};

    std::optional<std::string> clipboardText;
    bool clipboardOpen = false;
    bool clipboardHeldByOther = false; // another program holds it open
    bool clipboardCopyFails = false;   // copying its text runs out of memory
    bool clipboardChangedWhileOpen = false;
    WindowHandle chainHead = 0;
    std::map<int, std::string> strings; // string resources
    CursorHandle cursor = kArrowCursor;

  private:
    friend class FakeDialogWindow;
    void Deliver(WindowHandle to, const std::function<void(Dialog&)>& handler);
    std::map<WindowHandle, std::unique_ptr<FakeDialogWindow>> windows_;
    std::vector<std::unique_ptr<FakeViewer>> viewers_;
    WindowHandle nextHandle_ = 0x100;
};

// Quotes text for the log.
std::string Quoted(std::string_view text);
