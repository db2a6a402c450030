// The main dialog: challenge, pass phrase and response, the Compute command,
// the clipboard monitor and auto-paste, and the remembered window position.
#pragma once

#include "engine/Secret.h"
#include "settings/Settings.h"
#include "ui/Dialog.h"

#include <cstdint>
#include <string>

class CVennoxDlg : public Dialog {
  public:
    explicit CVennoxDlg(Dialog* parent);
    ~CVennoxDlg() override;

    Settings m_settings{};
    WindowHandle m_hwndNextViewer = 0;
    EditControl m_passwordEdit;
    EditControl m_responseEdit;
    EditControl m_challengeEdit;
    SecretString m_password;
    IconHandle m_hIcon = 0;

    bool OnInitDialog() override;
    void OnCommand(int id) override;
    void OnSysCommand(unsigned id, std::intptr_t param) override;
    void OnPaint() override;
    IconHandle OnQueryDragIcon() override;
    void OnMove(int x, int y) override;
    bool OnHelpInfo() override;
    void OnActivate(int state, WindowHandle other, bool minimized) override;
    void OnDrawClipboard() override;
    void OnChangeCbChain(WindowHandle leaving, WindowHandle following) override;
    void OnDestroy() override;

    void OnCompute();
    void OnOptions();
    void OnHelpButton();

  protected:
    void DoDataExchange(DataExchange& dx) override;

  private:
    void ClearPasswordIfAuto();
    void CopyToClipboard(const std::string& text);
    bool ClipboardHoldsChallenge();
};
