// The application object: owns the profile, starts the main dialog and ends
// the program when that dialog ends.
#pragma once

#include "ui/Platform.h"

class AppProfile;
class Dialog;

class CVennoxApp {
  public:
    CVennoxApp(WindowSystem& windows, AppProfile& profile);
    ~CVennoxApp();
    CVennoxApp(const CVennoxApp&) = delete;
    CVennoxApp& operator=(const CVennoxApp&) = delete;

    // Runs the main dialog modally; false: the program ends, no message loop follows.
    bool InitInstance();

    WindowSystem& Windows() { return m_windows; }
    AppProfile& Profile() { return m_profile; }
    Dialog* MainWindow() const { return m_pMainWnd; }

    IconHandle LoadIcon(int id) { return m_windows.LoadIcon(id); }
    void WinHelp(unsigned data, unsigned command) { m_windows.WinHelp(data, command); }

  private:
    WindowSystem& m_windows;
    AppProfile& m_profile;

  public:
    Dialog* m_pMainWnd = nullptr; // the main dialog while it runs
};

// The one application object of this run.
CVennoxApp& TheApp();
