// The options dialog over the main dialog's live settings.
#include "ui/OptionsDlg.h"
#include "tests/ui/DialogFixture.h"

namespace {

class Options : public DialogFixture {
  protected:
    // Opens the options dialog from the main dialog's button; the script
    // acts as the user while it is open.
    void RunOptions(std::function<void(FakeDialogWindow&)> user) {
        ws.modalScripts[IDD_OPTIONS] = [user](Dialog&, FakeDialogWindow& w) { user(w); };
        window->Click(IDC_OPTIONS);
    }
};

const int kBoxes[] = {IDC_AUTOPASTE,  IDC_AUTOCOPY, IDC_AUTODECREMENT, IDC_AUTOCLEAR,
                      IDC_APPENDCRLF, IDC_CBVIEWER, IDC_AUTOMINIMIZE};

TEST_F(Options, ShowsTheDefaults) {
    OpenMain();
    RunOptions([](FakeDialogWindow& w) {
        EXPECT_TRUE(w.Control(IDC_MD5).checked);
        EXPECT_FALSE(w.Control(IDC_MD4).checked);
        EXPECT_FALSE(w.Control(IDC_SHA1).checked);
        EXPECT_TRUE(w.Control(IDC_SHA1).style & kDisabled);
        for (int id : kBoxes)
            EXPECT_EQ(w.Control(id).checked, id == IDC_AUTOPASTE || id == IDC_AUTOCOPY) << id;
        EXPECT_EQ(w.focus, IDC_MD4) << "the first tab stop";
    });
    EXPECT_FALSE(ws.Calls("DoModal 107 parent 102").empty());
}

TEST_F(Options, CancelChangesNothing) {
    OpenMain();
    const Settings before = dlg->m_settings;
    ws.profile.store.calls.clear();
    RunOptions([](FakeDialogWindow& w) {
        for (int id : kBoxes)
            w.Click(id);
        w.Click(IDC_MD4);
        w.dialog.OnCommand(IDCANCEL);
        EXPECT_EQ(w.result, IDCANCEL);
    });
    EXPECT_TRUE(before == dlg->m_settings);
    EXPECT_TRUE(ProfileWrites().empty());
}

TEST_F(Options, ApplyChangesTheLiveSettingsOnly) {
    OpenMain();
    ws.profile.store.calls.clear();
    RunOptions([](FakeDialogWindow& w) {
        for (int id : kBoxes)
            w.Click(id);
        w.Click(IDC_MD4);
        w.Click(IDC_SHA1); // disabled: stays unchecked, MD4 stays chosen
        w.Click(IDOK);
        EXPECT_EQ(w.result, IDOK);
    });
    const Settings& s = dlg->m_settings;
    EXPECT_EQ(s.AutoPaste, 0);
    EXPECT_EQ(s.AutoCopy, 0);
    EXPECT_EQ(s.AutoDecrement, 1);
    EXPECT_EQ(s.AutoClear, 1);
    EXPECT_EQ(s.AppendCRLF, 1);
    EXPECT_EQ(s.CBViewer, 1);
    EXPECT_EQ(s.AutoMinimize, 1);
    EXPECT_EQ(s.Algorithm, 0);
    EXPECT_TRUE(ProfileWrites().empty());
}

TEST_F(Options, SaveWritesAllEightKeysInOrderEvenWhenUnchanged) {
    OpenMain();
    for (bool change : {false, true}) {
        ws.profile.store.calls.clear();
        RunOptions([change](FakeDialogWindow& w) {
            if (change) {
                w.Click(IDC_AUTODECREMENT);
                w.Click(IDC_MD4);
            }
            w.Click(IDC_SAVE);
            EXPECT_EQ(w.result, IDOK);
        });
        const std::string dec = change ? "1" : "0";
        const std::string alg = change ? "MD4" : "MD5";
        EXPECT_EQ(
            ProfileWrites(),
            (std::vector<std::string>{
                "WriteProfileInt Settings AutoCopy 1", "WriteProfileInt Settings AutoPaste 1",
                "WriteProfileInt Settings AutoDecrement " + dec,
                "WriteProfileInt Settings AutoClear 0", "WriteProfileInt Settings AppendCRLF 0",
                "WriteProfileInt Settings CBViewer 0", "WriteProfileInt Settings AutoMinimize 0",
                "WriteProfileString Settings Algorithm " + alg}));
    }
    EXPECT_EQ(dlg->m_settings.AutoDecrement, 1);
}

TEST_F(Options, MD4AppliedIsTheDefaultForChallengesThatNameNoAlgorithm) {
    OpenMain();
    RunOptions([](FakeDialogWindow& w) {
        w.Click(IDC_MD4);
        w.Click(IDOK);
    });
    Compute("99 TeSt", "This is a test.");
    EXPECT_EQ(Text(IDC_RESPONSE), "note out ibis sink nave mode");
    Compute("otp-md5 99 TeSt", "This is a test.");
    EXPECT_EQ(Text(IDC_RESPONSE), "bail tuft bits gang chef thy");
}

TEST_F(Options, TheDialogShowsTheLiveValuesAndF1AsksForContextThree) {
    OpenMain();
    dlg->m_settings.Algorithm = 0;
    dlg->m_settings.CBViewer = 1;
    RunOptions([](FakeDialogWindow& w) {
        EXPECT_TRUE(w.Control(IDC_MD4).checked);
        EXPECT_FALSE(w.Control(IDC_MD5).checked);
        EXPECT_TRUE(w.Control(IDC_CBVIEWER).checked);
        EXPECT_TRUE(w.dialog.OnHelpInfo());
    });
    EXPECT_EQ(ws.Calls("WinHelp"), std::vector<std::string>{"WinHelp 3 1"});
}

} // namespace
