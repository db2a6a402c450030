#include "ui/OptionsDlg.h"

#include "settings/SettingsStore.h"
#include "ui/VennoxApp.h"
#include "ui/VennoxDlg.h"
#include "ui/res/resource.h"

COptionsDlg::COptionsDlg(CVennoxDlg* parent) : Dialog(IDD_OPTIONS, parent), m_pParent(parent) {}

COptionsDlg::~COptionsDlg() = default;

void COptionsDlg::DoDataExchange(DataExchange& dx) {
    Dialog::DoDataExchange(dx);
    dx.Check(IDC_AUTOPASTE, AutoPaste);
    dx.Check(IDC_AUTOCOPY, AutoCopy);
    dx.Check(IDC_AUTODECREMENT, AutoDecrement);
    dx.Check(IDC_AUTOCLEAR, AutoClear);
    dx.Check(IDC_APPENDCRLF, AppendCRLF);
    dx.Check(IDC_CBVIEWER, CBViewer);
    dx.Check(IDC_AUTOMINIMIZE, AutoMinimize);
}

bool COptionsDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    const Settings& s = m_pParent->m_settings;
    AutoPaste = s.AutoPaste;
    AutoCopy = s.AutoCopy;
    AutoDecrement = s.AutoDecrement;
    AutoClear = s.AutoClear;
    AppendCRLF = s.AppendCRLF;
    CBViewer = s.CBViewer;
    AutoMinimize = s.AutoMinimize;
    UpdateData(false);
    Window().CheckRadioButton(IDC_MD4, IDC_MD5, IDC_MD4 + s.Algorithm);
    return true;
}

void COptionsDlg::CopyChoicesToParent() {
    UpdateData(true);
    Settings& s = m_pParent->m_settings;
    s.AutoPaste = AutoPaste;
    s.AutoCopy = AutoCopy;
    s.AutoDecrement = AutoDecrement;
    s.AutoClear = AutoClear;
    s.AppendCRLF = AppendCRLF;
    s.CBViewer = CBViewer;
    s.AutoMinimize = AutoMinimize;
    s.Algorithm = Window().GetCheckedRadioButton(IDC_MD4, IDC_MD5) - IDC_MD4;
}

void COptionsDlg::OnOK() {
    CopyChoicesToParent();
    Dialog::OnOK();
}

void COptionsDlg::OnSave() {
    CopyChoicesToParent();
    SaveSettings(TheApp().Profile(), m_pParent->m_settings);
    Dialog::OnOK();
}

void COptionsDlg::OnCommand(int id) {
    if (id == IDC_SAVE)
        OnSave();
    else
        Dialog::OnCommand(id);
}

bool COptionsDlg::OnHelpInfo() {
    TheApp().WinHelp(3, kHelpContext);
    return true;
}
