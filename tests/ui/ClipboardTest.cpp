// The clipboard monitor, auto-paste on activation and the viewer chain.
#include "tests/ui/DialogFixture.h"

namespace {

using Clipboard = DialogFixture;

const std::string kChallenge = "otp-md5 99 TeSt";

TEST_F(Clipboard, WithCBViewerOffTheDialogStillForwardsAndLeavesTheChain) {
    Store("Settings", "CBViewer", "0");
    FakeViewer& other = ws.StartOtherViewer();
    OpenMain();
    const int before = other.drawsSeen;
    ws.ClearLog();
    ws.CopyFromOtherProgram(kChallenge);
    EXPECT_EQ(other.drawsSeen, before + 1);
    EXPECT_TRUE(ws.Calls("OpenClipboard").empty()) << "the change is not examined";

    FakeViewer& late = ws.StartOtherViewer(); // joins ahead of us
    ws.StopOtherViewer(late);
    EXPECT_EQ(dlg->m_hwndNextViewer, other.handle);

    ws.Destroy(*dlg);
    EXPECT_EQ(ws.chainHead, other.handle) << "the chain is repaired when we leave";
    ws.CopyFromOtherProgram("after");
    EXPECT_EQ(other.drawsSeen, before + 2);
}

TEST_F(Clipboard, TheLastViewerForwardsNothing) {
    OpenMain();
    EXPECT_EQ(dlg->m_hwndNextViewer, 0u);
    ws.ClearLog();
    ws.CopyFromOtherProgram("x");
    EXPECT_EQ(ws.Calls("WM_DRAWCLIPBOARD").size(), 1u) << "only the one to us";
}

TEST_F(Clipboard, TheNextViewerLeavingIsReplacedAndStillTold) {
    FakeViewer& far = ws.StartOtherViewer();
    FakeViewer& near = ws.StartOtherViewer(); // chain: near -> far
    OpenMain();                               // chain: us -> near -> far
    ASSERT_EQ(dlg->m_hwndNextViewer, near.handle);
    ws.ClearLog();
    ws.StopOtherViewer(near);
    EXPECT_EQ(dlg->m_hwndNextViewer, far.handle);
    EXPECT_EQ(ws.Calls("WM_CHANGECBCHAIN to " + std::to_string(far.handle)).size(), 1u);
    const int before = far.drawsSeen;
    ws.CopyFromOtherProgram("x");
    EXPECT_EQ(far.drawsSeen, before + 1);
}

TEST_F(Clipboard, AViewerFurtherDownLeavingIsForwardedAndChangesNothing) {
    FakeViewer& far = ws.StartOtherViewer();
    FakeViewer& near = ws.StartOtherViewer();
    OpenMain();
    ws.StopOtherViewer(far);
    EXPECT_EQ(dlg->m_hwndNextViewer, near.handle);
    EXPECT_EQ(near.next, 0u) << "near heard of it from us";
}

TEST_F(Clipboard, AChallengeCopiedWhileMinimisedRestoresPastesAndMovesTheFocus) {
    Store("Settings", "CBViewer", "1");
    OpenMain();
    window->Type(IDC_CHALLENGE, "old text");
    window->iconic = true;
    ws.ClearLog();
    ws.CopyFromOtherProgram(kChallenge);
    EXPECT_FALSE(window->iconic);
    EXPECT_EQ(Text(IDC_CHALLENGE), kChallenge);
    EXPECT_EQ(window->focus, IDC_PASSWORD);
    EXPECT_TRUE(InOrder({"OpenClipboard", "GetClipboardData", "CloseClipboard",
                         "SetWindowPlacement 1", "WM_ACTIVATE 102 1", "SetFocus 1000",
                         "EM_SETSEL 1000", "OpenClipboard", "CloseClipboard", "WM_PASTE 1000",
                         "SetFocus 1001", "EM_SETSEL 1001", "SetForegroundWindow"}));
    EXPECT_TRUE(ws.Calls("failed").empty());
}

TEST_F(Clipboard, AChallengeCopiedWhileNotMinimisedOnlyComesToTheFront) {
    Store("Settings", "CBViewer", "1");
    Store("Settings", "AutoPaste", "0");
    OpenMain();
    ws.ClearLog();
    ws.CopyFromOtherProgram(kChallenge);
    EXPECT_TRUE(ws.Calls("SetWindowPlacement").empty());
    EXPECT_EQ(ws.Calls("SetForegroundWindow").size(), 1u);
    EXPECT_EQ(Text(IDC_CHALLENGE), "") << "no auto-paste";
}

TEST_F(Clipboard, ActivationPastesAChallengeAndOtherwiseOnlySelects) {
    const struct {
        std::optional<std::string> clipboard;
        bool heldByOther;
        std::string field; // after activation
        int focus;
    } cases[] = {
        {kChallenge, false, kChallenge, IDC_PASSWORD},
        {"99 seed", false, "99 seed", IDC_PASSWORD},
        {kChallenge + "\r\n", false, kChallenge, IDC_PASSWORD}, // the field takes one line
        {kChallenge + " ext", false, "typed", IDC_CHALLENGE},   // a fourth token
        {"otp-md5 0 seed", false, "typed", IDC_CHALLENGE},
        {"hello world", false, "typed", IDC_CHALLENGE},
        {std::nullopt, false, "typed", IDC_CHALLENGE}, // no text on the clipboard
        {kChallenge, true, "typed", IDC_CHALLENGE},    // another program holds it
    };
    for (const auto& c : cases) {
        if (dlg)
            ws.Destroy(*dlg);
        OpenMain();
        window->Type(IDC_CHALLENGE, "typed");
        ws.clipboardText = c.clipboard;
        ws.clipboardHeldByOther = c.heldByOther;
        ws.Activate(*dlg);
        EXPECT_EQ(Text(IDC_CHALLENGE), c.field) << c.clipboard.value_or("(none)");
        EXPECT_EQ(window->focus, c.focus) << c.clipboard.value_or("(none)");
        EXPECT_TRUE(window->Control(window->focus).allSelected);
        ws.Deactivate(*dlg);
        ws.clipboardHeldByOther = false;
    }
}

TEST_F(Clipboard, WithoutAutoPasteActivationOnlySelectsTheChallenge) {
    Store("Settings", "AutoPaste", "0");
    OpenMain();
    ws.clipboardText = kChallenge;
    ws.ClearLog();
    ws.Activate(*dlg);
    EXPECT_EQ(ws.log, (std::vector<std::string>{"WM_ACTIVATE 102 1", "Default", "SetFocus 1000",
                                                "EM_SETSEL 1000 0 -1"}));
}

TEST_F(Clipboard, DeactivationDoesNothingButTheDefault) {
    OpenMain();
    ws.Activate(*dlg);
    ws.clipboardText = kChallenge;
    ws.ClearLog();
    dlg->OnActivate(kActivateInactive, 0, false);
    EXPECT_EQ(ws.log, std::vector<std::string>{"Default"});
}

TEST_F(Clipboard, EveryReturnToTheDialogPastesTheChallengeAgain) {
    OpenMain();
    ws.Activate(*dlg);
    ws.clipboardText = kChallenge;
    window->Type(IDC_CHALLENGE, "edited by hand");
    dlg->OnSysCommand(IDM_ABOUTBOX, 0); // the About box runs and closes
    EXPECT_EQ(Text(IDC_CHALLENGE), kChallenge);
}

TEST_F(Clipboard, AChallengeAlreadyThereAtStartBringsTheDialogForwardAndIsNotForwarded) {
    Store("Settings", "CBViewer", "1");
    FakeViewer& other = ws.StartOtherViewer();
    ws.clipboardText = kChallenge;
    const int before = other.drawsSeen;
    OpenMain();
    EXPECT_EQ(ws.Calls("SetForegroundWindow").size(), 1u);
    EXPECT_EQ(other.drawsSeen, before) << "the notification inside the join finds no next viewer";
}

TEST_F(Clipboard, AnyClipboardContentIsSurvived) {
    Store("Settings", "CBViewer", "1");
    OpenMain();
    ws.Activate(*dlg);
    std::string binary;
    for (int i = 1; i < 256; ++i)
        binary += static_cast<char>(i);
    const std::string inputs[] = {std::string(1 << 20, 'x'),
                                  "otp-md5 99 " + std::string(1 << 20, 's'),
                                  std::string(100000, ' ') + "1 s",
                                  binary,
                                  "\n",
                                  "\r\n",
                                  "",
                                  "otp-md5 99999999999999999999 seed"};
    for (const auto& text : inputs) {
        window->Type(IDC_CHALLENGE, "kept");
        ws.CopyFromOtherProgram(text);
        ws.Deactivate(*dlg);
        ws.Activate(*dlg);
        const bool challenge = text == "otp-md5 99 " + std::string(1 << 20, 's') ||
                               text == std::string(100000, ' ') + "1 s";
        EXPECT_EQ(Text(IDC_CHALLENGE) == "kept", !challenge) << text.size();
    }
}

// A text too large to copy (hundreds of megabytes in a 32-bit program) is
// no challenge: nothing escapes, the clipboard is closed, the chain goes on.
TEST_F(Clipboard, ATextThatCannotBeCopiedIsNoChallenge) {
    Store("Settings", "CBViewer", "1");
    FakeViewer& other = ws.StartOtherViewer();
    OpenMain();
    window->Type(IDC_CHALLENGE, "kept");
    window->iconic = true;
    ws.clipboardCopyFails = true;
    const int before = other.drawsSeen;
    ws.ClearLog();
    ASSERT_NO_THROW(ws.CopyFromOtherProgram(kChallenge));
    EXPECT_TRUE(window->iconic);
    EXPECT_TRUE(ws.Calls("SetForegroundWindow").empty());
    EXPECT_EQ(other.drawsSeen, before + 1);
    EXPECT_TRUE(InOrder({"OpenClipboard", "GetClipboardData", "CloseClipboard"}));

    ASSERT_NO_THROW(ws.Activate(*dlg));
    EXPECT_EQ(Text(IDC_CHALLENGE), "kept");
    EXPECT_EQ(window->focus, IDC_CHALLENGE);
    EXPECT_FALSE(ws.clipboardOpen);
}

TEST_F(Clipboard, ClearingCBViewerStopsTheMonitorAtOnceButNotTheForwarding) {
    Store("Settings", "CBViewer", "1");
    FakeViewer& other = ws.StartOtherViewer();
    OpenMain();
    dlg->m_settings.CBViewer = 0; // as Apply in the options dialog does
    const int before = other.drawsSeen;
    ws.ClearLog();
    ws.CopyFromOtherProgram(kChallenge);
    EXPECT_TRUE(ws.Calls("OpenClipboard").empty());
    EXPECT_TRUE(ws.Calls("SetForegroundWindow").empty());
    EXPECT_EQ(other.drawsSeen, before + 1);
}

} // namespace
