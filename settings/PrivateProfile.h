// The profile as the platform's own private-profile file (Windows only).
#pragma once

#include <string>

#include "settings/AppProfile.h"

class PrivateProfile : public AppProfile {
  public:
    // A bare file name lets the platform choose the folder (the Windows
    // folder); tests pass a full path instead.
    explicit PrivateProfile(std::string fileName = ModuleProfileName());

    const std::string& fileName() const { return fileName_; }

    // Integer values are read by the platform, with its own rules for values
    // that are empty or not numbers.
    int GetProfileInt(const char* section, const char* key, int defaultValue) override;
    std::string GetProfileString(const char* section, const char* key,
                                 const char* defaultValue) override;
    bool WriteProfileInt(const char* section, const char* key, int value) override;
    bool WriteProfileString(const char* section, const char* key, const char* value) override;

    // The executable's base name with the extension INI, e.g. "Vennox.INI".
    static std::string ModuleProfileName();

  private:
    std::string fileName_;
};
