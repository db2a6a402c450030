// Vennox.exe: the main dialog's modal run is the whole program. The command
// line is ignored.
#include "ui/win32/Win32WindowSystem.h"

#include "settings/PrivateProfile.h"
#include "ui/VennoxApp.h"

#include <mbctype.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Multibyte string functions follow the ANSI code page, as the text does.
    _setmbcp(_MB_CP_ANSI);

    // A bare file name named after the executable: the platform keeps the
    // profile in the Windows folder.
    PrivateProfile profile;
    Win32WindowSystem windows(instance);
    CVennoxApp app(windows, profile);
    app.InitInstance();
    return 0;
}
