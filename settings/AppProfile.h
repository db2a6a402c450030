// The application profile: values addressed by section and key.
#pragma once

#include <string>

// <windows.h> defines GetProfileInt, GetProfileString and WriteProfileString
// as macros; seen here they would rename the operations below in some files
// and not in others. Such a file includes settings/WindowsApi.h instead.
#if defined(GetProfileInt) || defined(GetProfileString) || defined(WriteProfileString)
#error "<windows.h>'s profile macros would rename AppProfile: include settings/WindowsApi.h"
#endif

// Every implementation follows the same rules, so the store behaves alike on
// each platform:
// - section and key names match without regard to ASCII letter case;
// - a name that could not be written as one INI name (see IsValidProfileName)
//   reads as the default and makes a write fail;
// - a text value is stored up to its first line break, so it can never add
//   lines of its own to the file;
// - a missing file, section or key reads as the default.
class AppProfile {
  public:
    virtual ~AppProfile();
    virtual int GetProfileInt(const char* section, const char* key, int defaultValue) = 0;
    virtual std::string GetProfileString(const char* section, const char* key,
                                         const char* defaultValue) = 0;
    virtual bool WriteProfileInt(const char* section, const char* key, int value) = 0;
    virtual bool WriteProfileString(const char* section, const char* key, const char* value) = 0;
};
