#include "settings/SettingsStore.h"

namespace {
constexpr const char* kLocation = "Location";
constexpr const char* kSettings = "Settings";
constexpr const char* kDefaults = "Defaults";
} // namespace

WindowOrigin LoadWindowOrigin(AppProfile& profile) {
    WindowOrigin origin;
    origin.Left = profile.GetProfileInt(kLocation, "Left", 20);
    origin.Top = profile.GetProfileInt(kLocation, "Top", 20);
    return origin;
}

// Write results are not examined: a profile that cannot be written leaves the
// running program with the values it holds.
void SaveWindowOrigin(AppProfile& profile, WindowOrigin origin) {
    profile.WriteProfileInt(kLocation, "Left", origin.Left);
    profile.WriteProfileInt(kLocation, "Top", origin.Top);
}

Settings LoadSettings(AppProfile& profile) {
    Settings s;
    s.AutoPaste = profile.GetProfileInt(kSettings, "AutoPaste", 1);
    s.AutoCopy = profile.GetProfileInt(kSettings, "AutoCopy", 1);
    s.AutoDecrement = profile.GetProfileInt(kSettings, "AutoDecrement", 0);
    s.AutoClear = profile.GetProfileInt(kSettings, "AutoClear", 0);
    s.AppendCRLF = profile.GetProfileInt(kSettings, "AppendCRLF", 0);
    s.CBViewer = profile.GetProfileInt(kSettings, "CBViewer", 0);
    s.AutoMinimize = profile.GetProfileInt(kSettings, "AutoMinimize", 0);
    s.Algorithm = AlgorithmIndexFromText(profile.GetProfileString(kSettings, "Algorithm", "MD5"));
    return s;
}

// "AutoCopy" comes before "AutoPaste": this order is also the line order of a
// profile that Save creates.
void SaveSettings(AppProfile& profile, const Settings& s) {
    profile.WriteProfileInt(kSettings, "AutoCopy", s.AutoCopy);
    profile.WriteProfileInt(kSettings, "AutoPaste", s.AutoPaste);
    profile.WriteProfileInt(kSettings, "AutoDecrement", s.AutoDecrement);
    profile.WriteProfileInt(kSettings, "AutoClear", s.AutoClear);
    profile.WriteProfileInt(kSettings, "AppendCRLF", s.AppendCRLF);
    profile.WriteProfileInt(kSettings, "CBViewer", s.CBViewer);
    profile.WriteProfileInt(kSettings, "AutoMinimize", s.AutoMinimize);
    profile.WriteProfileString(kSettings, "Algorithm", AlgorithmTextFromIndex(s.Algorithm));
}

std::string LoadDefaultChallenge(AppProfile& profile) {
    return profile.GetProfileString(kDefaults, "Challenge", "");
}

void SaveDefaultChallenge(AppProfile& profile, const std::string& challenge) {
    profile.WriteProfileString(kDefaults, "Challenge", challenge.c_str());
}

int AlgorithmIndexFromText(const std::string& text) {
    return text == "MD5" ? 1 : 0;
}

const char* AlgorithmTextFromIndex(int index) {
    return index == 0 ? "MD4" : "MD5";
}
