// The profile layout: which keys hold the preferences, the window origin and
// the last challenge, with their defaults. Each operation does its reads or
// writes straight through to the profile, in a fixed order; nothing is cached.
#pragma once

#include <string>

#include "settings/AppProfile.h"
#include "settings/Settings.h"

WindowOrigin LoadWindowOrigin(AppProfile& profile);
void SaveWindowOrigin(AppProfile& profile, WindowOrigin origin);

Settings LoadSettings(AppProfile& profile);
void SaveSettings(AppProfile& profile, const Settings& settings);

std::string LoadDefaultChallenge(AppProfile& profile);
void SaveDefaultChallenge(AppProfile& profile, const std::string& challenge);

// 1 (MD5) only for exactly "MD5", case included; anything else is 0 (MD4).
int AlgorithmIndexFromText(const std::string& text);
// "MD4" for 0, "MD5" for every other index.
const char* AlgorithmTextFromIndex(int index);
