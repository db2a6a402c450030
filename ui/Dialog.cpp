#include "ui/Dialog.h"

#include "engine/Secret.h"
#include "ui/VennoxApp.h"
#include "ui/res/resource.h"

void EditControl::Attach(DialogWindow* window, int id) {
    m_window = window;
    m_id = id;
}
std::string EditControl::GetWindowText() const {
    return m_window->GetItemText(m_id);
}
void EditControl::SetWindowText(std::string_view text) {
    m_window->SetItemText(m_id, text);
}
void EditControl::SetFocus() {
    m_window->SetFocus(m_id);
}
void EditControl::SelectAll() {
    m_window->SelectAll(m_id);
}
void EditControl::LineScrollToStart() {
    m_window->ScrollToStart(m_id);
}
void EditControl::Paste() {
    m_window->Paste(m_id);
}

Dialog::Dialog(int templateId, Dialog* parent) : m_templateId(templateId), m_parent(parent) {}
Dialog::~Dialog() = default;

int Dialog::DoModal() {
    // Like the framework, a dialog without a parent is owned by the main
    // window, so the main window takes no input while it runs.
    CVennoxApp& app = TheApp();
    Dialog* owner = m_parent;
    if (owner == nullptr && app.MainWindow() != this && app.MainWindow() != nullptr &&
        app.MainWindow()->HasWindow())
        owner = app.MainWindow();
    return app.Windows().RunModal(*this, owner);
}

bool Dialog::UpdateData(bool saveAndValidate) {
    DataExchange dx(*m_window, saveAndValidate);
    DoDataExchange(dx);
    return true;
}

void Dialog::DoDataExchange(DataExchange&) {}

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void Dialog::OnCommand(int id) {
    if (id == IDOK)
        OnOK();
    else if (id == IDCANCEL)
        OnCancel();
}

void Dialog::OnOK() {
    UpdateData(true);
    EndDialog(IDOK);
}

void Dialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void Dialog::OnSysCommand(unsigned, std::intptr_t) {
    Default();
}
void Dialog::OnPaint() {
    Default();
}
void Dialog::OnMove(int, int) {
    Default();
}
bool Dialog::OnHelpInfo() {
    Default();
    return true;
}
void Dialog::OnActivate(int, WindowHandle, bool) {
    Default();
}
void Dialog::OnDrawClipboard() {
    Default();
}
void Dialog::OnChangeCbChain(WindowHandle, WindowHandle) {
    Default();
}
void Dialog::OnDestroy() {
    Default();
}

void DataExchange::Control(int id, EditControl& edit) {
    if (!edit.IsBound())
        edit.Attach(&m_window, id);
}

void DataExchange::Text(int id, SecretString& value) {
    if (m_save)
        m_window.GetItemSecret(id, value);
    else
        m_window.SetItemText(id, value.view());
}

void DataExchange::Check(int id, std::int32_t& value) {
    if (m_save)
        value = m_window.IsChecked(id) ? 1 : 0;
    else
        m_window.SetChecked(id, value != 0);
}
