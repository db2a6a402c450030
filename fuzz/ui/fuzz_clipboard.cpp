// Clipboard text is whatever another program put there. Feed it to the main
// dialog as a copied challenge and as the text found on activation, then
// compute: nothing may crash, the clipboard is always closed again, and the
// Challenge field only ever receives text that parses as a challenge.
#include "engine/Challenge.h"
#include "tests/support/FakeWindowSystem.h"
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

    // A text of odd length also fails to copy, as one too large for memory.
    ws.clipboardCopyFails = size % 2 == 1 && size > 64;
    ws.CopyFromOtherProgram(text);
    ws.Deactivate(dlg);
    ws.Activate(dlg);

    int algorithm = 0, sequence = 0;
    std::string seed;
    const bool challenge = ParseChallenge(text, algorithm, sequence, seed) == 1;
    const std::string field = window.Control(IDC_CHALLENGE).text;
    if (ws.clipboardOpen || ((!challenge || ws.clipboardCopyFails) && field != "untouched"))
        std::abort();

    // Compute costs one hash step per sequence number: only small ones are
    // computed, so every run stays fast; the parsing above covers the rest.
    int fieldAlgorithm = 0, fieldSequence = 0;
    std::string fieldSeed;
    if (ParseChallenge(field, fieldAlgorithm, fieldSequence, fieldSeed) != 1 ||
        fieldSequence <= 1000) {
        window.Type(IDC_PASSWORD, "pass");
        window.Click(IDOK);
        if (ws.clipboardOpen)
            std::abort();
    }
    ws.Destroy(dlg);
    return 0;
}
