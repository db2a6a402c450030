// Clipboard text is whatever another program put there. Feed it to the main
// dialog as a copied challenge and as the text found on activation, then
// compute: nothing may crash, the clipboard is always closed again, and the
// Challenge field only ever receives text that parses as a challenge.
#include "engine/Challenge.h"
#include "tests/ui/FakeWindowSystem.h"
#include "ui/VennoxApp.h"
#include "ui/VennoxDlg.h"
#include "ui/res/resource.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    FakeWindowSystem ws;
    ws.profile.store.Set("Settings", "CBViewer", "1");
    CVennoxApp app(ws, ws.profile);
    CVennoxDlg dlg(nullptr);
    app.m_pMainWnd = &dlg;
    FakeDialogWindow& window = ws.Open(dlg);
    window.iconic = true;
    window.Type(IDC_CHALLENGE, "untouched");

    ws.CopyFromOtherProgram(text);
    ws.Deactivate(dlg);
    ws.Activate(dlg);
    window.Type(IDC_PASSWORD, "pass");
    window.Click(IDOK);

    int algorithm = 0, sequence = 0;
    std::string seed;
    const bool challenge = ParseChallenge(text, algorithm, sequence, seed) == 1;
    const std::string field = window.Control(IDC_CHALLENGE).text;
    if (ws.clipboardOpen || (!challenge && field != "untouched"))
        std::abort();
    ws.Destroy(dlg);
    return 0;
}
