// One dialog of the shared logic as a Qt window: window-system events become
// calls on the logic's handlers (one message at a time, with the end of the
// dialog held until the outermost handler returns), and the logic's requests
// are carried out on the widgets that DialogBuilder made from the template.
#pragma once

#include "ui/Platform.h"
#include "ui/qt/HostWidgets.h"

#include <QPointer>
#include <QSize>
#include <QString>

#include <functional>
#include <map>
#include <string>
#include <vector>

class QAbstractButton;
class QMenu;
class QtWindowSystem;

class QtDialogWindow : public DialogWindow {
  public:
    // Builds the window and its controls from the dialog's template; the
    // window is not shown. owner is the parent dialog's window or null.
    QtDialogWindow(QtWindowSystem& system, Dialog& dialog, QtDialogWindow* owner);
    ~QtDialogWindow() override;
    QtDialogWindow(const QtDialogWindow&) = delete;
    QtDialogWindow& operator=(const QtDialogWindow&) = delete;

    Dialog& Logic() const { return dialog_; }
    HostDialog* Widget() const { return widget_.data(); }
    QWidget* Control(int id) const; // null for an unknown id
    QSize BaseUnits() const { return baseUnits_; }
    // Controls that take the focus with Tab, in order.
    const std::vector<QWidget*>& TabOrder() const { return tabOrder_; }
    // The entries the logic added to the window menu, offered as a context menu.
    struct MenuEntry {
        unsigned id = 0; // 0: a separator
        QString text;
    };
    const std::vector<MenuEntry>& WindowMenu() const { return menu_; }
    void AddWindowMenu(QMenu& menu);

    // The modal run: initialisation, show, exec, destruction. Returns the
    // dialog's end code.
    int Run();

    // What happens in the window, delivered to the logic's handlers.
    enum class Message {
        None,
        Command,
        SysCommand,
        Paint,
        Move,
        HelpInfo,
        Activate,
        DrawClipboard,
        Destroy
    };
    void Deliver(Message message, const std::function<void()>& handler);
    void DeliverSysCommand(unsigned id);
    void Command(int id);
    void HelpInfo();
    void DrawClipboard();

    // DialogWindow.
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

  private:
    friend class DialogBuilder;
    // Ends the modal run if an end is pending and no handler is running.
    void FinishPendingEnd();
    void FocusFirstTabStop();
    void SetButtonChecked(QAbstractButton* button, bool checked);

    QtWindowSystem& system_;
    Dialog& dialog_;
    QtDialogWindow* owner_ = nullptr; // the parent dialog's window
    QPointer<HostDialog> widget_;
    WindowHandle handle_ = 0;
    QSize baseUnits_;
    std::map<int, QWidget*> controls_;
    std::map<int, unsigned> styles_;
    std::vector<QWidget*> tabOrder_;
    std::vector<MenuEntry> menu_;

    // The message being handled, for Default().
    Message current_ = Message::None;
    int depth_ = 0;
    bool endPending_ = false;
    int endResult_ = 0;
    bool ended_ = false;
    bool destroyed_ = false;
};
