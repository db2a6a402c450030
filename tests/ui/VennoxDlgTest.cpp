// The main dialog: start-up, its small handlers and the Compute command.
#include "tests/ui/DialogFixture.h"

namespace {

using MainDialog = DialogFixture;

const std::string kMd5Test99 = "BAIL TUFT BITS GANG CHEF THY"; // otp-md5 99 TeSt
const std::string kMd4Test99 = "NOTE OUT IBIS SINK NAVE MODE"; // otp-md4 99 TeSt
const std::string kPass = "This is a test.";

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

TEST_F(MainDialog, StartsUpInOrderAndShowsTheStoredChallengeOnlyWithoutAutoPaste) {
    Store("Settings", "AutoPaste", "0");
    Store("Defaults", "Challenge", "otp-md5 42 stored");
    OpenMain();

    EXPECT_TRUE(InOrder(
        {"CreateDialog 102", "SetWindowText 1001 ''", "AppendMenu separator",
         "AppendMenu 16 '&About Vennox...'", "WM_SETICON big 128", "WM_SETICON small 128",
         "GetProfileInt Location Left 20", "GetProfileInt Location Top 20", "SetWindowPos 20 20",
         "GetProfileInt Settings AutoPaste 1", "GetProfileString Settings Algorithm",
         "GetProfileString Defaults Challenge", "SetWindowText 1000", "SetClipboardViewer"}));
    const std::vector<std::string> reads = {
        "GetProfileInt Location Left 20",         "GetProfileInt Location Top 20",
        "GetProfileInt Settings AutoPaste 1",     "GetProfileInt Settings AutoCopy 1",
        "GetProfileInt Settings AutoDecrement 0", "GetProfileInt Settings AutoClear 0",
        "GetProfileInt Settings AppendCRLF 0",    "GetProfileInt Settings CBViewer 0",
        "GetProfileInt Settings AutoMinimize 0",  "GetProfileString Settings Algorithm MD5",
        "GetProfileString Defaults Challenge "};
    std::vector<std::string> actual;
    for (const auto& c : ws.profile.store.calls)
        if (c.rfind("Get", 0) == 0)
            actual.push_back(c);
    EXPECT_EQ(actual, reads);
    EXPECT_EQ(Text(IDC_CHALLENGE), "otp-md5 42 stored");
    EXPECT_EQ(ws.log.back().rfind("WM_DRAWCLIPBOARD", 0), 0u) << "the join is the last step";
}

TEST_F(MainDialog, WithAutoPasteTheStoredChallengeIsNotRead) {
    Store("Defaults", "Challenge", "otp-md5 42 stored");
    OpenMain();
    EXPECT_TRUE(ws.Calls("Defaults").empty());
    EXPECT_EQ(Text(IDC_CHALLENGE), "");
    EXPECT_EQ(Text(IDC_PASSWORD), "");
    EXPECT_EQ(window->focus, IDC_CHALLENGE);
    EXPECT_EQ(dlg->m_settings.AutoPaste, 1);
    EXPECT_EQ(dlg->m_settings.Algorithm, 1);
}

TEST_F(MainDialog, AutoPasteOffWithNothingStoredStartsEmpty) {
    Store("Settings", "AutoPaste", "0");
    OpenMain();
    EXPECT_EQ(Text(IDC_CHALLENGE), "");
}

TEST_F(MainDialog, WithoutTheAboutStringTheSystemMenuIsUnchanged) {
    ws.strings.clear();
    OpenMain();
    EXPECT_TRUE(window->systemMenu.empty());
}

TEST_F(MainDialog, JoinsTheViewerChainEvenWithCBViewerOff) {
    Store("Settings", "CBViewer", "0");
    FakeViewer& other = ws.StartOtherViewer();
    OpenMain();
    EXPECT_EQ(dlg->m_hwndNextViewer, other.handle);
    EXPECT_EQ(ws.chainHead, window->Handle());
}

TEST_F(MainDialog, TheStartUpMoveWritesTheFramePositionNotTheClientPosition) {
    OpenMain();
    // The fake's WM_MOVE carries (23, 42); the frame is at (20, 20).
    EXPECT_TRUE(InOrder({"SetWindowPos 20 20", "GetWindowRect", "WriteProfileInt Location Left 20",
                         "WriteProfileInt Location Top 20", "GetProfileInt Settings AutoPaste"}));
}

TEST_F(MainDialog, AStoredNegativeOriginIsAppliedUnchecked) {
    Store("Location", "Left", "-30");
    Store("Location", "Top", "-4");
    OpenMain();
    EXPECT_EQ(window->frame.left, -30);
    EXPECT_EQ(window->frame.top, -4);
}

TEST_F(MainDialog, MovesAreRecordedOnlyWhileNotMinimised) {
    OpenMain();
    ws.profile.store.calls.clear();
    window->frame = Rect{-12, 300, 228, 450};
    dlg->OnMove(-9, 322);
    EXPECT_EQ(ProfileWrites(), (std::vector<std::string>{"WriteProfileInt Location Left -12",
                                                         "WriteProfileInt Location Top 300"}));
    ws.profile.store.calls.clear();
    window->iconic = true;
    dlg->OnMove(-32000, -32000);
    EXPECT_TRUE(ProfileWrites().empty());
}

TEST_F(MainDialog, SystemCommandsSixteenToThirtyOneOpenTheAboutBox) {
    OpenMain();
    const struct {
        unsigned id;
        bool about;
    } cases[] = {{16, true},      {31, true},      {17, true},      {32, false},
                 {15, false},     {0xF000, false}, {0xF010, false}, {0xF020, false},
                 {0xF120, false}, {0xF060, false}};
    for (const auto& c : cases) {
        ws.ClearLog();
        dlg->OnSysCommand(c.id, 0);
        EXPECT_EQ(!ws.Calls("DoModal 100 parent 102").empty(), c.about) << c.id;
        if (!c.about) {
            EXPECT_EQ(ws.log, std::vector<std::string>{"Default"}) << c.id;
        }
    }
}

TEST_F(MainDialog, TheMinimisedIconIsCentredWithTruncatingDivision) {
    OpenMain();
    window->iconic = true;
    const struct {
        int w, h;
        std::string draw;
    } cases[] = {{36, 36, "DrawIcon 2 2 128"},
                 {31, 31, "DrawIcon 0 0 128"},
                 {0, 0, "DrawIcon -15 -15 128"},
                 {100, 37, "DrawIcon 34 3 128"}};
    for (const auto& c : cases) {
        ws.ClearLog();
        window->client = Rect{0, 0, c.w, c.h};
        dlg->OnPaint();
        EXPECT_EQ(ws.log, (std::vector<std::string>{"BeginPaint", "WM_ICONERASEBKGND",
                                                    "GetClientRect", c.draw, "EndPaint"}));
    }
    window->iconic = false;
    ws.ClearLog();
    dlg->OnPaint();
    EXPECT_EQ(ws.log, std::vector<std::string>{"Default"});
    EXPECT_EQ(dlg->OnQueryDragIcon(), FakeWindowSystem::kAppIcon);
}

TEST_F(MainDialog, HelpAsksForContextOneFromTheButtonAndTwoFromF1) {
    OpenMain();
    ws.ClearLog();
    window->Click(IDHELP);
    EXPECT_TRUE(dlg->OnHelpInfo());
    EXPECT_EQ(ws.log, (std::vector<std::string>{"WinHelp 1 1", "WinHelp 2 1"}));
}

TEST_F(MainDialog, EscEndsTheDialogAndComputeNever) {
    OpenMain();
    Compute("otp-md5 99 TeSt", kPass);
    EXPECT_FALSE(window->ended);
    dlg->OnCommand(IDCANCEL);
    EXPECT_TRUE(window->ended);
    EXPECT_EQ(window->result, IDCANCEL);
}

TEST_F(MainDialog, InitInstanceRunsTheMainDialogAndEndsTheProgram) {
    ws.modalScripts[IDD_MAIN] = [](Dialog& d, FakeDialogWindow&) { d.OnCommand(IDCANCEL); };
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(ws.log.front(), "Enable3dControls");
    EXPECT_TRUE(InOrder({"CreateDialog 102", "SetClipboardViewer", "EndDialog 2",
                         "DestroyWindow 102", "ChangeClipboardChain"}));
    EXPECT_EQ(ws.chainHead, 0u) << "the dialog left the viewer chain";
}

// ---- Compute -----------------------------------------------------------------

TEST_F(MainDialog, ComputeShowsTheResponseInLowerCaseAndCopiesItInCapitals) {
    const struct {
        const char* challenge;
        int algorithmIndex;
        std::string response;
    } cases[] = {
        {"otp-md5 99 TeSt", 0, kMd5Test99},
        {"otp-md4 99 TeSt", 1, kMd4Test99},
        {"99 TeSt", 1, kMd5Test99}, // no algorithm named: the default decides
        {"99 TeSt", 0, kMd4Test99},
        {"  OTP-MD5   99  TeSt ", 0, kMd5Test99},
        {"otp-md5 1 TeSt", 0, "EASE OIL FUM CURE AWRY AVIS"},
    };
    for (const auto& c : cases) {
        if (dlg)
            ws.Destroy(*dlg);
        OpenMain();
        dlg->m_settings.Algorithm = c.algorithmIndex;
        Compute(c.challenge, kPass);
        EXPECT_EQ(Text(IDC_RESPONSE), Lower(c.response)) << c.challenge;
        EXPECT_EQ(ws.clipboardText.value_or(""), c.response) << c.challenge;
        EXPECT_EQ(window->focus, IDC_RESPONSE);
        EXPECT_EQ(Text(IDC_CHALLENGE), c.challenge) << "no AutoDecrement: left as typed";
        EXPECT_EQ(ws.profile.store.GetProfileString("Defaults", "Challenge", ""), c.challenge);
        EXPECT_EQ(Text(IDC_PASSWORD), kPass) << "no AutoClear";
        EXPECT_TRUE(dlg->m_password.empty()) << "our copy never outlives a Compute";
    }
}

TEST_F(MainDialog, ComputeRunsItsStepsInOrder) {
    OpenMain();
    window->Type(IDC_CHALLENGE, "otp-md5 99 TeSt");
    window->Type(IDC_PASSWORD, kPass);
    ws.ClearLog();
    window->Click(IDOK);
    const std::vector<std::string> expected = {
        "SetCursor wait",
        "GetWindowText 1001",
        "GetWindowText 1000",
        "WriteProfileString Defaults Challenge otp-md5 99 TeSt",
        "SetWindowText 1002 'BAIL TUFT BITS GANG CHEF THY'",
        "SetFocus 1002",
        "EM_SETSEL 1002 0 -1",
        "EM_LINESCROLL 1002 0 0",
        "OpenClipboard",
        "EmptyClipboard",
        "SetClipboardData CF_TEXT 'BAIL TUFT BITS GANG CHEF THY' size 29",
        "CloseClipboard",
        // Our own copy comes back as a clipboard change; it is no challenge.
        "WM_DRAWCLIPBOARD to " + std::to_string(window->Handle()),
        "SetCursor arrow",
    };
    EXPECT_EQ(ws.log, expected);
}

TEST_F(MainDialog, AppendCRLFGoesToTheClipboardOnly) {
    OpenMain();
    dlg->m_settings.AppendCRLF = 1;
    Compute("otp-md5 99 TeSt", kPass);
    EXPECT_EQ(*ws.clipboardText, kMd5Test99 + "\r\n");
    EXPECT_EQ(ws.Calls("SetClipboardData").at(0),
              "SetClipboardData CF_TEXT '" + kMd5Test99 + "\\r\\n' size 31");
    EXPECT_EQ(Text(IDC_RESPONSE), Lower(kMd5Test99));
}

TEST_F(MainDialog, WithoutAutoCopyTheClipboardIsLeftAlone) {
    OpenMain();
    dlg->m_settings.AutoCopy = 0;
    dlg->m_settings.AppendCRLF = 1;
    Compute("otp-md5 99 TeSt", kPass);
    EXPECT_TRUE(ws.Calls("OpenClipboard").empty());
    EXPECT_EQ(Text(IDC_RESPONSE), Lower(kMd5Test99));
}

TEST_F(MainDialog, ComputeFailuresShowTheirMessageAndTouchNothingElse) {
    const struct {
        const char* challenge;
        const char* message;
        int focus; // 0: where it was
    } cases[] = {
        {"", "invalid OTP challenge", IDC_CHALLENGE},
        {"otp-md5 0 TeSt", "invalid OTP challenge", IDC_CHALLENGE},
        {"otp-sha1 99 TeSt", "invalid OTP challenge", IDC_CHALLENGE},
        {"otp-md5 99 TeSt ext", "invalid OTP challenge", IDC_CHALLENGE},
        {"otp-md5 99 seventeen-chars-xx", "key crunch failed", 0},
        {"otp-md5 99 \xC4\xE9\xF8\xFF-17-bytes-long", "key crunch failed", 0},
    };
    for (const int autoClear : {0, 1}) {
        for (const auto& c : cases) {
            if (dlg)
                ws.Destroy(*dlg);
            Store("Defaults", "Challenge", "before");
            OpenMain();
            dlg->m_settings.AutoClear = autoClear;
            dlg->m_settings.AutoDecrement = 1;
            dlg->m_settings.AutoMinimize = 1;
            window->SetFocus(IDC_PASSWORD);
            ws.profile.store.calls.clear();
            ws.ClearLog();
            Compute(c.challenge, kPass);
            EXPECT_EQ(Text(IDC_RESPONSE), Lower(c.message)) << c.challenge;
            EXPECT_EQ(Text(IDC_CHALLENGE), c.challenge) << c.challenge;
            EXPECT_EQ(Text(IDC_PASSWORD), autoClear ? "" : kPass) << c.challenge;
            EXPECT_TRUE(dlg->m_password.empty()) << "our copy never outlives a Compute";
            EXPECT_EQ(window->focus, c.focus ? c.focus : IDC_PASSWORD) << c.challenge;
            EXPECT_EQ(window->Control(IDC_CHALLENGE).allSelected, c.focus != 0);
            EXPECT_TRUE(ProfileWrites().empty()) << c.challenge;
            EXPECT_TRUE(ws.Calls("Clipboard").empty());
            EXPECT_FALSE(window->iconic);
            EXPECT_EQ(ws.log.back(), "SetCursor arrow");
            EXPECT_EQ(ws.cursor, FakeWindowSystem::kArrowCursor);
        }
    }
}

TEST_F(MainDialog, AutoDecrementRewritesTheChallengeInLowerCaseWithSingleSpaces) {
    const struct {
        const char* typed;
        int algorithmIndex;
        const char* next;
    } cases[] = {
        {"otp-md5 99 TeSt", 0, "otp-md5 98 test"},
        {"  OTP-MD4   7   SeEd  ", 1, "otp-md4 6 seed"},
        {"5 SeEd", 1, "otp-md5 4 seed"}, // the default algorithm is named
        {"5 SeEd", 0, "otp-md4 4 seed"},
        {"otp-md5 10 Sixteen-Chars-xy", 1, "otp-md5 9 sixteen-chars-xy"},
        {"otp-md5 1 TeSt", 1, "otp-md5 0 test"},
    };
    for (const auto& c : cases) {
        if (dlg)
            ws.Destroy(*dlg);
        OpenMain();
        dlg->m_settings.AutoDecrement = 1;
        dlg->m_settings.Algorithm = c.algorithmIndex;
        Compute(c.typed, kPass);
        EXPECT_EQ(Text(IDC_CHALLENGE), c.next);
        EXPECT_EQ(ws.profile.store.GetProfileString("Defaults", "Challenge", ""), c.next);
    }
    // The rewritten "... 0 test" no longer parses.
    window->Click(IDOK);
    EXPECT_EQ(Text(IDC_RESPONSE), "invalid otp challenge");
    EXPECT_EQ(ws.profile.store.GetProfileString("Defaults", "Challenge", ""), "otp-md5 0 test");
}

TEST_F(MainDialog, AutoClearEmptiesThePassPhraseAfterSuccess) {
    OpenMain();
    dlg->m_settings.AutoClear = 1;
    Compute("otp-md5 99 TeSt", kPass);
    EXPECT_EQ(Text(IDC_PASSWORD), "");
    EXPECT_TRUE(dlg->m_password.empty());
    EXPECT_EQ(Text(IDC_RESPONSE), Lower(kMd5Test99));
}

TEST_F(MainDialog, AnEmptyPassPhraseIsComputedLikeAnyOther) {
    OpenMain();
    Compute("otp-md5 99 TeSt", "");
    const std::string response = Text(IDC_RESPONSE);
    EXPECT_NE(response, "key crunch failed");
    EXPECT_EQ(std::count(response.begin(), response.end(), ' '), 5);
}

TEST_F(MainDialog, AutoMinimizeMinimisesAfterTheCopy) {
    OpenMain();
    dlg->m_settings.AutoMinimize = 1;
    Compute("otp-md5 99 TeSt", kPass);
    EXPECT_TRUE(window->iconic);
    EXPECT_TRUE(InOrder({"CloseClipboard", "SetWindowPlacement 6", "SetCursor arrow"}));
}

TEST_F(MainDialog, AClipboardHeldByAnotherProgramSkipsTheCopyButNotTheMinimise) {
    OpenMain();
    dlg->m_settings.AutoMinimize = 1;
    ws.clipboardText = "theirs";
    ws.clipboardHeldByOther = true;
    Compute("otp-md5 99 TeSt", kPass);
    EXPECT_EQ(*ws.clipboardText, "theirs");
    EXPECT_TRUE(ws.Calls("EmptyClipboard").empty());
    EXPECT_TRUE(window->iconic);
    EXPECT_EQ(Text(IDC_RESPONSE), Lower(kMd5Test99));
    EXPECT_EQ(ws.log.back(), "SetCursor arrow");
}

} // namespace
