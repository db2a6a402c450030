// The behaviour every AppProfile shares, run against each of them: the
// in-memory profile, IniProfile and, on Windows, the platform's own.
#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/IniProfile.h"
#include "settings/SettingsStore.h"
#include "tests/settings/TestFiles.h"
#include "tests/support/MemoryProfile.h"
#ifdef _WIN32
#include "settings/PrivateProfile.h"
#endif

namespace {

struct ProfileKind {
    const char* name;
    std::function<std::unique_ptr<AppProfile>(const TempDir&)> make;
};

const ProfileKind kKinds[] = {
    {"Memory", [](const TempDir&) { return std::make_unique<MemoryProfile>(); }},
    // A folder that does not exist yet: the first write must create it.
    {"Ini",
     [](const TempDir& dir) {
         return std::make_unique<IniProfile>(dir / "config" / "vennox" / "Vennox.ini");
     }},
#ifdef _WIN32
    {"Private",
     [](const TempDir& dir) {
         return std::make_unique<PrivateProfile>((dir / "Vennox.INI").string());
     }},
#endif
};

class ProfileContract : public testing::TestWithParam<ProfileKind> {
  protected:
    TempDir dir;
    std::unique_ptr<AppProfile> profile = GetParam().make(dir);
    AppProfile& p = *profile;
};

TEST_P(ProfileContract, EmptyProfileReadsDefaults) {
    EXPECT_EQ(p.GetProfileInt("Location", "Left", 20), 20);
    EXPECT_EQ(p.GetProfileInt("Location", "Top", -7), -7);
    EXPECT_EQ(p.GetProfileString("Settings", "Algorithm", "MD5"), "MD5");
    EXPECT_EQ(p.GetProfileString("Defaults", "Challenge", ""), "");
    // The default comes back exactly, trailing blank included.
    EXPECT_EQ(p.GetProfileString("Defaults", "Challenge", "otp-md5 99 seed "), "otp-md5 99 seed ");

    // A missing key in a section that exists, and a missing section.
    ASSERT_TRUE(p.WriteProfileInt("Settings", "AutoCopy", 0));
    EXPECT_EQ(p.GetProfileInt("Settings", "AutoPaste", 1), 1);
    EXPECT_EQ(p.GetProfileString("Settings", "Algorithm", "MD5"), "MD5");
    EXPECT_EQ(p.GetProfileInt("Location", "Left", 20), 20);
}

TEST_P(ProfileContract, IntegersRoundTripAsDecimalText) {
    struct Case {
        int value;
        const char* text;
    };
    const Case cases[] = {{0, "0"},
                          {1, "1"},
                          {-1, "-1"},
                          {20, "20"},
                          {-1050, "-1050"},
                          {7, "7"},
                          {INT_MAX, "2147483647"},
                          {INT_MIN, "-2147483648"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(p.WriteProfileInt("Location", "Left", c.value));
        EXPECT_EQ(p.GetProfileInt("Location", "Left", 20), c.value);
        EXPECT_EQ(p.GetProfileString("Location", "Left", ""), c.text);
    }
}

TEST_P(ProfileContract, TextRoundTripsUnchanged) {
    const std::string cases[] = {
        "otp-md5 99 seed",      "MD5",       "md5",         "a=b=c",         "[Evil]",
        ";not a comment",       "#nor this", "tab\tinside", "quote\"inside", "\xE9t\xE9 \xFF",
        std::string(300, 'x'),  // longer than a first buffer
        std::string(5000, 'y'), // several times longer
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text.substr(0, 40));
        ASSERT_TRUE(p.WriteProfileString("Defaults", "Challenge", text.c_str()));
        EXPECT_EQ(p.GetProfileString("Defaults", "Challenge", "default"), text);
    }
}

TEST_P(ProfileContract, EmptyTextIsAValueNotAMissingKey) {
    ASSERT_TRUE(p.WriteProfileString("Defaults", "Challenge", ""));
    EXPECT_EQ(p.GetProfileString("Defaults", "Challenge", "default"), "");
    ASSERT_TRUE(p.WriteProfileString("Defaults", "Challenge", "otp-md5 5 x"));
    ASSERT_TRUE(p.WriteProfileString("Defaults", "Challenge", ""));
    EXPECT_EQ(p.GetProfileString("Defaults", "Challenge", "default"), "");
}

TEST_P(ProfileContract, NamesMatchWithoutRegardToCase) {
    ASSERT_TRUE(p.WriteProfileInt("Settings", "AutoPaste", 0));
    EXPECT_EQ(p.GetProfileInt("SETTINGS", "autopaste", 1), 0);
    ASSERT_TRUE(p.WriteProfileInt("settings", "AUTOPASTE", 5));
    EXPECT_EQ(p.GetProfileInt("Settings", "AutoPaste", 1), 5);
    ASSERT_TRUE(p.WriteProfileString("DEFAULTS", "challenge", "otp-md4 3 s"));
    EXPECT_EQ(p.GetProfileString("Defaults", "Challenge", ""), "otp-md4 3 s");
}

TEST_P(ProfileContract, WriteChangesOnlyItsOwnKey) {
    ASSERT_TRUE(p.WriteProfileInt("Location", "Left", 1));
    ASSERT_TRUE(p.WriteProfileInt("Location", "Top", 2));
    ASSERT_TRUE(p.WriteProfileInt("Settings", "Left", 3)); // same key, other section
    ASSERT_TRUE(p.WriteProfileString("Defaults", "Challenge", "otp-md5 9 a"));

    ASSERT_TRUE(p.WriteProfileInt("Location", "Left", -4));

    EXPECT_EQ(p.GetProfileInt("Location", "Left", 20), -4);
    EXPECT_EQ(p.GetProfileInt("Location", "Top", 20), 2);
    EXPECT_EQ(p.GetProfileInt("Settings", "Left", 20), 3);
    EXPECT_EQ(p.GetProfileString("Defaults", "Challenge", ""), "otp-md5 9 a");
}

TEST_P(ProfileContract, IntegerReadsTextThatHoldsANumber) {
    ASSERT_TRUE(p.WriteProfileString("Location", "Left", "-300"));
    EXPECT_EQ(p.GetProfileInt("Location", "Left", 20), -300);
    ASSERT_TRUE(p.WriteProfileString("Location", "Left", "42"));
    EXPECT_EQ(p.GetProfileInt("Location", "Left", 20), 42);
}

// Only the first line of a value is stored: nothing after a line break can
// become a line of the file.
TEST_P(ProfileContract, LineBreakEndsTheValue) {
    const char* cases[] = {"otp-md5 99 seed\r\n[Evil]\r\nInjected=1",
                           "otp-md5 99 seed\n[Evil]\nInjected=1",
                           "otp-md5 99 seed\r[Evil]\rInjected=1"};
    for (const char* text : cases) {
        ASSERT_TRUE(p.WriteProfileString("Defaults", "Challenge", text));
        EXPECT_EQ(p.GetProfileString("Defaults", "Challenge", ""), "otp-md5 99 seed");
        EXPECT_EQ(p.GetProfileInt("Evil", "Injected", 0), 0);
        EXPECT_EQ(p.GetProfileInt("Defaults", "Injected", 0), 0);
    }
}

TEST_P(ProfileContract, NamesThatCannotBeWrittenAreRefused) {
    const char* bad[] = {"", "a]b", "a[b", "a=b", "a\nb", "a\rb", ";a", "#a", " a", "a "};
    for (const char* name : bad) {
        SCOPED_TRACE(testing::PrintToString(name));
        EXPECT_FALSE(p.WriteProfileString(name, "Key", "1"));
        EXPECT_FALSE(p.WriteProfileString("Section", name, "1"));
        EXPECT_FALSE(p.WriteProfileInt(name, "Key", 1));
        EXPECT_EQ(p.GetProfileInt(name, "Key", 9), 9);
        EXPECT_EQ(p.GetProfileString("Section", name, "d"), "d");
    }
    // Nothing of the refused writes shows up under the names' parts.
    EXPECT_EQ(p.GetProfileString("a", "Key", "d"), "d");
    EXPECT_EQ(p.GetProfileString("Section", "a", "d"), "d");
    EXPECT_EQ(p.GetProfileString("Section", "b", "d"), "d");
}

TEST_P(ProfileContract, StoreRoundTrip) {
    const WindowOrigin origin{-1200, -3};
    const Settings settings{0, 7, 1, -1, 0, 1, 0, 1};
    SaveWindowOrigin(p, origin);
    SaveSettings(p, settings);
    SaveDefaultChallenge(p, "otp-md5 498 ke1234");
    EXPECT_EQ(LoadWindowOrigin(p), origin);
    EXPECT_EQ(LoadSettings(p), settings);
    EXPECT_EQ(LoadDefaultChallenge(p), "otp-md5 498 ke1234");
}

TEST_P(ProfileContract, LowerCaseMd5LoadsAsMd4) {
    ASSERT_TRUE(p.WriteProfileString("Settings", "Algorithm", "md5"));
    EXPECT_EQ(LoadSettings(p).Algorithm, 0);
    ASSERT_TRUE(p.WriteProfileString("Settings", "Algorithm", "MD5"));
    EXPECT_EQ(LoadSettings(p).Algorithm, 1);
}

INSTANTIATE_TEST_SUITE_P(AllProfiles, ProfileContract, testing::ValuesIn(kKinds),
                         [](const testing::TestParamInfo<ProfileKind>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
