#include "ui/VennoxApp.h"

#include "ui/VennoxDlg.h"

namespace {
CVennoxApp* g_app = nullptr;
}

CVennoxApp::CVennoxApp(WindowSystem& windows, AppProfile& profile)
    : m_windows(windows), m_profile(profile) {
    g_app = this;
}

CVennoxApp::~CVennoxApp() {
    if (g_app == this)
        g_app = nullptr;
}

bool CVennoxApp::InitInstance() {
    m_windows.Enable3dControls();
    CVennoxDlg dlg(nullptr);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return false;
}

CVennoxApp& TheApp() {
    return *g_app;
}
