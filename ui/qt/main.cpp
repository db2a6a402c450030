// vennox: the Qt desktop program.
#include "engine/Secret.h"
#include "settings/IniProfile.h"
#include "ui/VennoxApp.h"
#include "ui/qt/QtWindowSystem.h"
#include "ui/res/resource.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

} // namespace

int main(int argc, char** argv) {
    DisableCoreDumps();
    // Without a display Qt aborts with a message about platform plugins.
    if (!IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY") && !IsSet("QT_QPA_PLATFORM")) {
        std::fputs("vennox: no display: set DISPLAY or run on a desktop; for the command line use "
                   "vennox-otp\n",
                   stderr);
        return 1;
    }

    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vennox"));
    QApplication::setDesktopFileName(QStringLiteral("vennox"));
    // The main dialog's modal run is the program's life, not its last window.
    QApplication::setQuitOnLastWindowClosed(false);

    IniProfile profile(DefaultIniProfilePath());
    QtWindowSystem windows;
    QApplication::setWindowIcon(windows.Icon(windows.LoadIcon(IDR_MAINFRAME)));
    CVennoxApp app(windows, profile);
    app.InitInstance();
    return 0;
}
