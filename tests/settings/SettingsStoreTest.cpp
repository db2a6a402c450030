// The store operations: which keys they touch, in which order, with which
// defaults and conversions.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/IniProfile.h"
#include "settings/SettingsStore.h"
#include "tests/settings/TestFiles.h"
#include "tests/support/MemoryProfile.h"

namespace {

using Calls = std::vector<std::string>;

TEST(SettingsStore, EmptyProfileGivesTheDefaults) {
    MemoryProfile p;
    EXPECT_EQ(LoadWindowOrigin(p), (WindowOrigin{20, 20}));
    const Settings s = LoadSettings(p);
    EXPECT_EQ(s.AutoPaste, 1);
    EXPECT_EQ(s.AutoCopy, 1);
    EXPECT_EQ(s.AutoDecrement, 0);
    EXPECT_EQ(s.AutoClear, 0);
    EXPECT_EQ(s.Algorithm, 1);
    EXPECT_EQ(s.AppendCRLF, 0);
    EXPECT_EQ(s.CBViewer, 0);
    EXPECT_EQ(s.AutoMinimize, 0);
    EXPECT_EQ(LoadDefaultChallenge(p), "");
}

TEST(SettingsStore, StartUpReadsInOrderWithTheirDefaults) {
    MemoryProfile p;
    LoadWindowOrigin(p);
    LoadSettings(p);
    // "Algorithm" comes after all seven flags; "Challenge" is not read here.
    EXPECT_EQ(p.calls, (Calls{
                           "GetProfileInt Location Left 20",
                           "GetProfileInt Location Top 20",
                           "GetProfileInt Settings AutoPaste 1",
                           "GetProfileInt Settings AutoCopy 1",
                           "GetProfileInt Settings AutoDecrement 0",
                           "GetProfileInt Settings AutoClear 0",
                           "GetProfileInt Settings AppendCRLF 0",
                           "GetProfileInt Settings CBViewer 0",
                           "GetProfileInt Settings AutoMinimize 0",
                           "GetProfileString Settings Algorithm MD5",
                       }));
}

TEST(SettingsStore, LoadDefaultChallengeReadsOneKey) {
    MemoryProfile p;
    p.Set("Settings", "AutoPaste", "0");
    EXPECT_EQ(LoadSettings(p).AutoPaste, 0);
    p.calls.clear();
    // With no "Challenge" stored the challenge field starts empty.
    EXPECT_EQ(LoadDefaultChallenge(p), "");
    EXPECT_EQ(p.calls, (Calls{"GetProfileString Defaults Challenge "}));

    p.Set("Defaults", "Challenge", "otp-md5 97 sEEd");
    EXPECT_EQ(LoadDefaultChallenge(p), "otp-md5 97 sEEd");
}

TEST(SettingsStore, FlagsAreTakenAsStored) {
    MemoryProfile p;
    p.Set("Settings", "AutoPaste", "0");
    p.Set("Settings", "AutoCopy", "7");
    p.Set("Settings", "AutoDecrement", "-1");
    p.Set("Settings", "AutoClear", "1");
    p.Set("Settings", "AppendCRLF", "2");
    p.Set("Settings", "CBViewer", "1");
    p.Set("Settings", "AutoMinimize", "0");
    p.Set("Settings", "Algorithm", "MD4");
    EXPECT_EQ(LoadSettings(p), (Settings{0, 7, -1, 1, 0, 2, 1, 0}));
}

TEST(SettingsStore, AlgorithmTextMustBeExactlyMd5) {
    struct Case {
        const char* stored; // null: key missing
        int index;
    };
    const Case cases[] = {
        {nullptr, 1}, {"MD5", 1},  {"md5", 0},  {"Md5", 0},  {"MD4", 0},
        {"", 0},      {" MD5", 0}, {"MD5 ", 0}, {"MD55", 0}, {"SHA1", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(missing)");
        MemoryProfile p;
        if (c.stored)
            p.Set("Settings", "Algorithm", c.stored);
        EXPECT_EQ(LoadSettings(p).Algorithm, c.index);
        if (c.stored) {
            EXPECT_EQ(AlgorithmIndexFromText(c.stored), c.index);
        }
    }
}

TEST(SettingsStore, AlgorithmIndexToText) {
    struct Case {
        int index;
        const char* text;
    };
    const Case cases[] = {{0, "MD4"}, {1, "MD5"}, {2, "MD5"}, {-1, "MD5"}, {5, "MD5"}};
    for (const Case& c : cases)
        EXPECT_STREQ(AlgorithmTextFromIndex(c.index), c.text) << c.index;
}

TEST(SettingsStore, SaveSettingsWritesAllEightInItsOrder) {
    MemoryProfile p;
    SaveSettings(p, Settings{1, 0, 1, 0, 1, 0, 1, 0});
    SaveSettings(p, Settings{0, 1, 0, 1, 0, 1, 0, 1}); // every time, changed or not
    SaveSettings(p, Settings{0, 1, 0, 1, 0, 1, 0, 1});
    const Calls first{
        "WriteProfileInt Settings AutoCopy 0",      "WriteProfileInt Settings AutoPaste 1",
        "WriteProfileInt Settings AutoDecrement 1", "WriteProfileInt Settings AutoClear 0",
        "WriteProfileInt Settings AppendCRLF 0",    "WriteProfileInt Settings CBViewer 1",
        "WriteProfileInt Settings AutoMinimize 0",  "WriteProfileString Settings Algorithm MD5",
    };
    const Calls again{
        "WriteProfileInt Settings AutoCopy 1",      "WriteProfileInt Settings AutoPaste 0",
        "WriteProfileInt Settings AutoDecrement 0", "WriteProfileInt Settings AutoClear 1",
        "WriteProfileInt Settings AppendCRLF 1",    "WriteProfileInt Settings CBViewer 0",
        "WriteProfileInt Settings AutoMinimize 1",  "WriteProfileString Settings Algorithm MD4",
    };
    Calls expected = first;
    expected.insert(expected.end(), again.begin(), again.end());
    expected.insert(expected.end(), again.begin(), again.end());
    EXPECT_EQ(p.calls, expected);
}

TEST(SettingsStore, OriginAndChallengeWrites) {
    MemoryProfile p;
    SaveWindowOrigin(p, {-1200, -3});
    SaveDefaultChallenge(p, "otp-md5 99 seed");
    EXPECT_EQ(p.calls, (Calls{
                           "WriteProfileInt Location Left -1200",
                           "WriteProfileInt Location Top -3",
                           "WriteProfileString Defaults Challenge otp-md5 99 seed",
                       }));
}

// The file a first Save, move and Compute create.
TEST(SettingsStore, NewProfileFileText) {
    TempDir dir;
    IniProfile p(dir / "Vennox.ini");
    SaveWindowOrigin(p, {-8, 30});
    SaveSettings(p, Settings{1, 1, 0, 0, 0, 0, 0, 0});
    SaveDefaultChallenge(p, "otp-md5 99 seed");
    SaveWindowOrigin(p, {-9, 31});
    EXPECT_EQ(ReadBytes(p.path()), "[Location]\n"
                                   "Left=-9\n"
                                   "Top=31\n"
                                   "\n"
                                   "[Settings]\n"
                                   "AutoCopy=1\n"
                                   "AutoPaste=1\n"
                                   "AutoDecrement=0\n"
                                   "AutoClear=0\n"
                                   "AppendCRLF=0\n"
                                   "CBViewer=0\n"
                                   "AutoMinimize=0\n"
                                   "Algorithm=MD4\n"
                                   "\n"
                                   "[Defaults]\n"
                                   "Challenge=otp-md5 99 seed\n");
}

// A move partly off the top-left of the screen is stored and restored as it
// was, with no adjustment.
TEST(SettingsStore, NegativeOriginSurvivesARestart) {
    TempDir dir;
    {
        IniProfile run1(dir / "Vennox.ini");
        SaveWindowOrigin(run1, {-1920, -40});
    }
    IniProfile run2(dir / "Vennox.ini");
    EXPECT_EQ(LoadWindowOrigin(run2), (WindowOrigin{-1920, -40}));
}

// Writes that fail change nothing the program sees; the store reports nothing.
TEST(SettingsStore, UnwritableProfileReadsAsDefaults) {
    TempDir dir;
    WriteBytes(dir / "not-a-folder", "x");
    IniProfile p(dir / "not-a-folder" / "Vennox.ini");
    SaveSettings(p, Settings{0, 0, 1, 1, 0, 1, 1, 1});
    SaveWindowOrigin(p, {5, 5});
    EXPECT_EQ(LoadSettings(p), (Settings{1, 1, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(LoadWindowOrigin(p), (WindowOrigin{20, 20}));
}

} // namespace
