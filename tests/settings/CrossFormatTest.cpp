// The Windows build and IniProfile share one file format: each reads the
// other's profile the same. fixtures/ holds a profile written by the
// platform's private-profile functions (under Wine) and one written by
// IniProfile, both by make_profile_fixture.
#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "settings/IniProfile.h"
#include "settings/SettingsStore.h"
#include "tests/settings/ProfileFixture.h"
#include "tests/settings/TestFiles.h"
#ifdef _WIN32
#include "settings/WindowsApi.h"

#include "settings/PrivateProfile.h"
#endif

namespace {

fs::path Fixture(const char* name) {
#ifdef VENNOX_FIXTURES_RELATIVE
    return fs::absolute(fs::path("fixtures") / name);
#else
    return fs::path(VENNOX_SETTINGS_FIXTURES) / name;
#endif
}

void ExpectFixtureValues(AppProfile& profile) {
    EXPECT_EQ(LoadWindowOrigin(profile), kFixtureOrigin);
    EXPECT_EQ(LoadSettings(profile), kFixtureSettings);
    EXPECT_EQ(LoadDefaultChallenge(profile), kFixtureChallenge);
}

TEST(CrossFormat, IniProfileReadsTheWindowsProfile) {
    const std::string text = ReadBytes(Fixture("written-by-windows.ini"));
    ASSERT_NE(text.find("\r\n"), std::string::npos) << "the platform writes CR LF";
    IniProfile profile(Fixture("written-by-windows.ini"));
    ExpectFixtureValues(profile);
}

TEST(CrossFormat, IniProfileReadsItsOwnFixture) {
    IniProfile profile(Fixture("written-by-ini-profile.ini"));
    ExpectFixtureValues(profile);
}

// The committed fixture is what IniProfile writes today.
TEST(CrossFormat, IniProfileFixtureIsCurrent) {
    TempDir dir;
    IniProfile profile(dir / "Vennox.ini");
    WriteFixtureProfile(profile);
    EXPECT_EQ(ReadBytes(profile.path()), ReadBytes(Fixture("written-by-ini-profile.ini")));
}

// IniProfile editing a Windows profile changes one value and keeps the rest,
// CR LF line ends included.
TEST(CrossFormat, IniProfileEditsTheWindowsProfileInPlace) {
    TempDir dir;
    const std::string original = ReadBytes(Fixture("written-by-windows.ini"));
    const fs::path copy = dir / "Vennox.INI";
    WriteBytes(copy, original);
    IniProfile profile(copy);
    SaveDefaultChallenge(profile, "otp-md5 97 NewSeed");

    std::string expected = original;
    const std::string oldLine = std::string("Challenge=") + kFixtureChallenge + "\r\n";
    const std::size_t at = expected.find(oldLine);
    ASSERT_NE(at, std::string::npos);
    expected.replace(at, oldLine.size(), "Challenge=otp-md5 97 NewSeed\r\n");
    EXPECT_EQ(ReadBytes(copy), expected);

#ifdef _WIN32
    PrivateProfile platform(copy.string());
    EXPECT_EQ(LoadDefaultChallenge(platform), "otp-md5 97 NewSeed");
    EXPECT_EQ(LoadSettings(platform), kFixtureSettings);
#endif
}

#ifdef _WIN32

TEST(CrossFormat, PlatformReadsTheIniProfileFixture) {
    PrivateProfile profile(Fixture("written-by-ini-profile.ini").string());
    ExpectFixtureValues(profile);
}

// The committed Windows fixture is what this platform writes.
TEST(CrossFormat, WindowsFixtureIsWhatThePlatformWrites) {
    TempDir dir;
    PrivateProfile profile((dir / "Vennox.INI").string());
    WriteFixtureProfile(profile);
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, profile.fileName().c_str());
    EXPECT_EQ(ReadBytes(dir / "Vennox.INI"), ReadBytes(Fixture("written-by-windows.ini")));
}

struct LiveValue {
    const char* section;
    const char* key;
    std::string text;
};

const LiveValue kLiveValues[] = {
    {"Location", "Left", "-2147483648"}, {"Location", "Top", "2147483647"},
    {"Settings", "Algorithm", "md5"},    {"Defaults", "Challenge", "otp-md5 499 \xE9t\xE9=[x];y"},
    {"Defaults", "Empty", ""},           {"Defaults", "Long", std::string(4000, 'L')},
};

TEST(CrossFormat, LiveRoundTripPlatformToIniProfile) {
    TempDir dir;
    PrivateProfile writer((dir / "Vennox.INI").string());
    for (const LiveValue& v : kLiveValues)
        ASSERT_TRUE(writer.WriteProfileString(v.section, v.key, v.text.c_str()));
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, writer.fileName().c_str());
    IniProfile reader(dir / "Vennox.INI");
    for (const LiveValue& v : kLiveValues)
        EXPECT_EQ(reader.GetProfileString(v.section, v.key, "(missing)"), v.text) << v.key;
    EXPECT_EQ(reader.GetProfileInt("Location", "Left", 0), INT_MIN);
}

TEST(CrossFormat, LiveRoundTripIniProfileToPlatform) {
    TempDir dir;
    IniProfile writer(dir / "Vennox.INI");
    for (const LiveValue& v : kLiveValues)
        ASSERT_TRUE(writer.WriteProfileString(v.section, v.key, v.text.c_str()));
    PrivateProfile reader((dir / "Vennox.INI").string());
    for (const LiveValue& v : kLiveValues)
        EXPECT_EQ(reader.GetProfileString(v.section, v.key, "(missing)"), v.text) << v.key;
    EXPECT_EQ(reader.GetProfileInt("Location", "Left", 0), INT_MIN);
}

// The program's own profile is the executable's name with INI, in the folder
// the platform picks for a bare file name.
TEST(CrossFormat, DefaultFileIsNamedAfterTheExecutable) {
    EXPECT_EQ(PrivateProfile::ModuleProfileName(), "settings_tests.INI");
    PrivateProfile profile;
    EXPECT_EQ(profile.fileName(), "settings_tests.INI");
    ASSERT_TRUE(profile.WriteProfileInt("Location", "Left", -77));
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, profile.fileName().c_str());
    char windowsDir[MAX_PATH];
    ASSERT_NE(GetWindowsDirectoryA(windowsDir, MAX_PATH), 0u);
    const fs::path where = fs::path(windowsDir) / "settings_tests.INI";
    IniProfile same(where);
    EXPECT_EQ(same.GetProfileInt("Location", "Left", 20), -77);
    std::error_code ec;
    fs::remove(where, ec);
}

#endif

} // namespace
