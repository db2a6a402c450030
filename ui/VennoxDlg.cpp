#include "ui/VennoxDlg.h"

#include "engine/Challenge.h"
#include "engine/OtpGenerator.h"
#include "settings/SettingsStore.h"
#include "ui/AboutDlg.h"
#include "ui/OptionsDlg.h"
#include "ui/VennoxApp.h"
#include "ui/res/resource.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <utility>

CVennoxDlg::CVennoxDlg(Dialog* parent) : Dialog(IDD_MAIN, parent) {
    m_password.clear();
    m_hIcon = TheApp().LoadIcon(IDR_MAINFRAME);
}

CVennoxDlg::~CVennoxDlg() = default;

void CVennoxDlg::DoDataExchange(DataExchange& dx) {
    Dialog::DoDataExchange(dx);
    dx.Control(IDC_PASSWORD, m_passwordEdit);
    dx.Control(IDC_RESPONSE, m_responseEdit);
    dx.Control(IDC_CHALLENGE, m_challengeEdit);
    dx.Text(IDC_PASSWORD, m_password);
}

bool CVennoxDlg::OnInitDialog() {
    Dialog::OnInitDialog();

    DialogWindow& window = Window();
    const std::string about = TheApp().Windows().LoadString(IDS_ABOUTBOX);
    if (!about.empty()) {
        window.AppendSystemMenuSeparator();
        window.AppendSystemMenuItem(IDM_ABOUTBOX, about);
    }

    window.SetIcon(kIconBig, m_hIcon);
    window.SetIcon(kIconSmall, m_hIcon);

    AppProfile& profile = TheApp().Profile();
    const WindowOrigin origin = LoadWindowOrigin(profile);
    window.MoveTo(origin.Left, origin.Top);

    m_settings = LoadSettings(profile);
    if (m_settings.AutoPaste == 0)
        m_challengeEdit.SetWindowText(LoadDefaultChallenge(profile));

    // A notification that arrives while joining must find no next viewer.
    m_hwndNextViewer = 0;
    m_hwndNextViewer = TheApp().Windows().SetClipboardViewer(window.Handle());
    return true;
}

void CVennoxDlg::OnCommand(int id) {
    switch (id) {
    case IDC_OPTIONS:
        OnOptions();
        break;
    case IDOK: // Compute; never ends the dialog
        OnCompute();
        break;
    case IDHELP:
        OnHelpButton();
        break;
    default:
        Dialog::OnCommand(id);
    }
}

void CVennoxDlg::OnSysCommand(unsigned id, std::intptr_t param) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
    } else {
        Dialog::OnSysCommand(id, param);
    }
}

void CVennoxDlg::OnPaint() {
    DialogWindow& window = Window();
    if (!window.IsIconic()) {
        Dialog::OnPaint();
        return;
    }
    window.BeginPaint();
    window.EraseIconBackground();
    WindowSystem& windows = TheApp().Windows();
    const int cx = windows.IconWidth();
    const int cy = windows.IconHeight();
    const Rect client = window.GetClientRect();
    const int x = (client.right - client.left - cx + 1) / 2;
    const int y = (client.bottom - client.top - cy + 1) / 2;
    window.DrawIcon(x, y, m_hIcon);
    window.EndPaint();
}

IconHandle CVennoxDlg::OnQueryDragIcon() {
    return m_hIcon;
}

void CVennoxDlg::OnMove(int x, int y) {
    Dialog::OnMove(x, y);
    DialogWindow& window = Window();
    if (window.IsIconic())
        return;
    // The outer frame, not the client position the notification carries.
    const Rect frame = window.GetWindowRect();
    SaveWindowOrigin(TheApp().Profile(), WindowOrigin{frame.left, frame.top});
}

void CVennoxDlg::OnHelpButton() {
    TheApp().WinHelp(1, kHelpContext);
}

bool CVennoxDlg::OnHelpInfo() {
    TheApp().WinHelp(2, kHelpContext);
    return true;
}

void CVennoxDlg::OnOptions() {
    std::unique_ptr<COptionsDlg> options(new (std::nothrow) COptionsDlg(this));
    if (options)
        options->DoModal();
}

void CVennoxDlg::ClearPasswordIfAuto() {
    if (m_settings.AutoClear) {
        m_password.clear();
        UpdateData(false);
    }
}

void CVennoxDlg::OnCompute() {
    WindowSystem& windows = TheApp().Windows();
    const CursorHandle saved = windows.SetCursor(windows.LoadWaitCursor());

    // Our copy of the pass phrase lives for one computation only; the field
    // keeps its text unless AutoClear empties it.
    struct WipeOnExit {
        SecretString& secret;
        ~WipeOnExit() { secret.clear(); }
    } wipe{m_password};

    UpdateData(true);
    std::string challenge = m_challengeEdit.GetWindowText();

    int algorithm = 0;
    int sequence = 0;
    std::string seed;
    if (!ParseChallenge(challenge, algorithm, sequence, seed)) {
        m_responseEdit.SetWindowText("invalid OTP challenge");
        ClearPasswordIfAuto();
        m_challengeEdit.SetFocus();
        m_challengeEdit.SelectAll();
        windows.SetCursor(saved);
        return;
    }

    if (algorithm == -1)
        algorithm = m_settings.Algorithm + 4;

    std::string response;
    if (!ComputeResponse(algorithm, sequence, seed, m_password.c_str(), response)) {
        m_responseEdit.SetWindowText("key crunch failed");
        ClearPasswordIfAuto();
        windows.SetCursor(saved);
        return;
    }

    ClearPasswordIfAuto();

    if (m_settings.AutoDecrement && sequence > 0) {
        // Longest possible text: "otp-md5", 10 digits, a 16-byte seed, two spaces.
        char rewrite[64];
        std::snprintf(rewrite, sizeof rewrite, "%s %d %s", algorithm == 4 ? "otp-md4" : "otp-md5",
                      sequence - 1, seed.c_str());
        challenge = rewrite;
        m_challengeEdit.SetWindowText(challenge);
    }

    SaveDefaultChallenge(TheApp().Profile(), challenge);

    m_responseEdit.SetWindowText(response);
    m_responseEdit.SetFocus();
    m_responseEdit.SelectAll();
    m_responseEdit.LineScrollToStart();

    if (m_settings.AutoCopy) {
        if (m_settings.AppendCRLF)
            response += "\r\n";
        CopyToClipboard(response);
    }

    if (m_settings.AutoMinimize)
        Window().SetShowCommand(kShowMinimize);

    windows.SetCursor(saved);
}

void CVennoxDlg::CopyToClipboard(const std::string& text) {
    WindowSystem& windows = TheApp().Windows();
    if (!windows.OpenClipboard(Window().Handle()))
        return;
    windows.EmptyClipboard();
    windows.SetClipboardText(text);
    windows.CloseClipboard();
}

bool CVennoxDlg::ClipboardHoldsChallenge() {
    WindowSystem& windows = TheApp().Windows();
    if (!windows.OpenClipboard(Window().Handle()))
        return false;
    std::optional<std::string> text;
    try {
        text = windows.GetClipboardText();
    } catch (const std::exception&) {
        // Another program's text too large to copy: no challenge, and the
        // clipboard is still closed below.
    }
    // Closed before the text is looked at: what the caller does next may
    // open the clipboard again.
    windows.CloseClipboard();
    if (!text)
        return false;
    int algorithm = 0;
    int sequence = 0;
    std::string seed;
    // Handed over, not copied: the text may be large.
    return ParseChallenge(std::move(*text), algorithm, sequence, seed) == 1;
}

void CVennoxDlg::OnActivate(int state, WindowHandle other, bool minimized) {
    Dialog::OnActivate(state, other, minimized);
    if (state == kActivateInactive)
        return;
    m_challengeEdit.SetFocus();
    m_challengeEdit.SelectAll();
    if (!m_settings.AutoPaste)
        return;
    if (ClipboardHoldsChallenge()) {
        m_challengeEdit.Paste();
        m_passwordEdit.SetFocus();
        m_passwordEdit.SelectAll();
    }
}

void CVennoxDlg::OnDrawClipboard() {
    if (m_settings.CBViewer && ClipboardHoldsChallenge()) {
        DialogWindow& window = Window();
        if (window.IsIconic())
            window.SetShowCommand(kShowNormal);
        window.SetForeground();
    }
    if (m_hwndNextViewer != 0)
        TheApp().Windows().SendDrawClipboard(m_hwndNextViewer);
}

void CVennoxDlg::OnChangeCbChain(WindowHandle leaving, WindowHandle following) {
    if (leaving == m_hwndNextViewer)
        m_hwndNextViewer = following;
    if (m_hwndNextViewer != 0)
        TheApp().Windows().SendChangeCbChain(m_hwndNextViewer, leaving, following);
}

void CVennoxDlg::OnDestroy() {
    TheApp().Windows().ChangeClipboardChain(Window().Handle(), m_hwndNextViewer);
    Dialog::OnDestroy();
}
