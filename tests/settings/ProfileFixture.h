// The profile that the cross-format fixtures hold: a first run with the
// defaults, then a second that changes every value, so each key has been
// created once and overwritten once.
#pragma once

#include "settings/AppProfile.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"

inline constexpr WindowOrigin kFixtureOrigin{-8, -1050};
inline constexpr Settings kFixtureSettings{0, 1, 1, 0, 0, 1, 1, 7};
inline constexpr const char* kFixtureChallenge = "otp-md4 98 AbCd12";

inline void WriteFixtureProfile(AppProfile& profile) {
    SaveWindowOrigin(profile, {20, 20});
    SaveSettings(profile, Settings{1, 1, 0, 0, 1, 0, 0, 0});
    SaveDefaultChallenge(profile, "otp-md5 99 seed");
    SaveWindowOrigin(profile, kFixtureOrigin);
    SaveSettings(profile, kFixtureSettings);
    SaveDefaultChallenge(profile, kFixtureChallenge);
}
