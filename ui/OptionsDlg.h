// The preferences dialog. It edits the main dialog's live settings: Apply
// for this run, Save for this run and the profile, Cancel for nothing.
#pragma once

#include "ui/Dialog.h"

#include <cstdint>

class CVennoxDlg;

class COptionsDlg : public Dialog {
  public:
    explicit COptionsDlg(CVennoxDlg* parent);
    ~COptionsDlg() override;

    CVennoxDlg* m_pParent;
    std::int32_t AutoPaste = 0;
    std::int32_t AutoCopy = 0;
    std::int32_t AutoDecrement = 0;
    std::int32_t AutoClear = 0;
    std::int32_t AppendCRLF = 0;
    std::int32_t CBViewer = 0;
    std::int32_t AutoMinimize = 0;

    bool OnInitDialog() override;
    void OnOK() override; // Apply
    void OnCommand(int id) override;
    bool OnHelpInfo() override;
    void OnSave();

  protected:
    void DoDataExchange(DataExchange& dx) override;

  private:
    void CopyChoicesToParent();
};
