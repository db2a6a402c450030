// A modal dialog in the style of the application framework: a template, a
// parent, data exchange between controls and members, and one virtual
// handler per message the dialogs care about. The window system calls the
// handlers; a handler that wants the default processing calls Default().
#pragma once

#include "ui/Platform.h"

#include <cstdint>
#include <string>
#include <string_view>

class SecretString;
class DataExchange;

// An edit control bound by data exchange: the field's operations by its id.
class EditControl {
  public:
    void Attach(DialogWindow* window, int id);
    bool IsBound() const { return m_window != nullptr; }

    std::string GetWindowText() const;
    void SetWindowText(std::string_view text);
    void SetFocus();
    void SelectAll();
    void LineScrollToStart();
    void Paste();

  private:
    DialogWindow* m_window = nullptr;
    int m_id = 0;
};

class Dialog {
  public:
    Dialog(int templateId, Dialog* parent);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    int TemplateId() const { return m_templateId; }

    // Runs the dialog modally over its parent; returns its end code.
    int DoModal();

    // The window system attaches the window before WM_INITDIALOG and
    // detaches it after WM_DESTROY.
    void Attach(DialogWindow* window) { m_window = window; }
    void Detach() { m_window = nullptr; }
    bool HasWindow() const { return m_window != nullptr; }
    DialogWindow& Window() const { return *m_window; }

    // Controls to members (save) or members to controls.
    bool UpdateData(bool saveAndValidate = true);
    void EndDialog(int result) { m_window->EndDialog(result); }

    // Message handlers.
    virtual bool OnInitDialog();    // WM_INITDIALOG; true: focus on the first tab stop
    virtual void OnCommand(int id); // WM_COMMAND with notification 0
    virtual void OnOK();            // IDOK unless the message map takes it
    virtual void OnCancel();        // IDCANCEL
    virtual void OnSysCommand(unsigned id, std::intptr_t param);
    virtual void OnPaint();
    virtual IconHandle OnQueryDragIcon() { return 0; }
    virtual void OnMove(int x, int y);
    virtual bool OnHelpInfo(); // WM_HELPINFO; true: handled
    virtual void OnActivate(int state, WindowHandle other, bool minimized);
    virtual void OnDrawClipboard();
    virtual void OnChangeCbChain(WindowHandle leaving, WindowHandle following);
    virtual void OnDestroy();

  protected:
    virtual void DoDataExchange(DataExchange& dx);
    void Default() { m_window->Default(); }

  private:
    int m_templateId;
    Dialog* m_parent;
    DialogWindow* m_window = nullptr;
};

// One run of data exchange over a dialog's controls.
class DataExchange {
  public:
    DataExchange(DialogWindow& window, bool saveAndValidate)
        : m_window(window), m_save(saveAndValidate) {}

    void Control(int id, EditControl& edit);
    void Text(int id, SecretString& value);
    void Check(int id, std::int32_t& value);

  private:
    DialogWindow& m_window;
    bool m_save;
};
