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

// Picks how Qt reaches the desktop, unless the user has chosen.
void ChooseDisplayPlatform() {
    if (!IsSet("QT_QPA_PLATFORM") && IsSet("WAYLAND_DISPLAY") && IsSet("DISPLAY")) {
        // Wayland lets no program place its window or learn where it is,
        // raise itself, or hear of a copy made while another program has the
        // focus; through X11 (XWayland) the remembered place, the restore on
        // a copied challenge and the clipboard monitor all work.
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool wayland =
        platform.startsWith("wayland") || (platform.isEmpty() && IsSet("WAYLAND_DISPLAY"));
    if (wayland && !IsSet("QT_IM_MODULE")) {
        // Not the compositor's text input, which would see the pass phrase
        // and in which Qt crashes when the seat has no keyboard; Qt's own
        // compose support keeps dead keys working.
        qputenv("QT_IM_MODULE", "compose");
    }
}

// Qt ends the program with a fatal message when it cannot reach the display
// (no server answering, no plugin for it): say so plainly and exit.
void ExitOnStartFailure(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        return;
    }
    std::fprintf(stderr,
                 "vennox: cannot open a window on this desktop (%s); for the command line use "
                 "vennox-otp\n",
                 qPrintable(message.section(QLatin1Char('\n'), 0, 0)));
    std::_Exit(1);
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

    ChooseDisplayPlatform();
    const QtMessageHandler previous = qInstallMessageHandler(ExitOnStartFailure);
    QApplication qapp(argc, argv);
    qInstallMessageHandler(previous);
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
