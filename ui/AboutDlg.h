// The About box: a fixed template, nothing to exchange.
#pragma once

#include "ui/Dialog.h"
#include "ui/res/resource.h"

class CAboutDlg : public Dialog {
  public:
    CAboutDlg() : Dialog(IDD_ABOUTBOX, nullptr) {}
};
