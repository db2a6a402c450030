// A profile held in memory, for tests: it follows the same rules as the file
// profiles and records every call in order.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "settings/AppProfile.h"

class MemoryProfile : public AppProfile {
  public:
    // One entry per call: operation, section, key and the default or the
    // value, separated by single spaces, e.g.
    // "GetProfileInt Settings AutoPaste 1" or
    // "WriteProfileString Defaults Challenge otp-md5 99 seed".
    std::vector<std::string> calls;

    // When set, writes store nothing and return false (they are still logged).
    bool failWrites = false;

    int GetProfileInt(const char* section, const char* key, int defaultValue) override;
    std::string GetProfileString(const char* section, const char* key,
                                 const char* defaultValue) override;
    bool WriteProfileInt(const char* section, const char* key, int value) override;
    bool WriteProfileString(const char* section, const char* key, const char* value) override;

    // Stores a value without logging it, to prepare a test.
    void Set(const std::string& section, const std::string& key, const std::string& value);
    // The stored text, or nothing when the key is missing; not logged.
    std::optional<std::string> Find(const std::string& section, const std::string& key) const;

  private:
    struct NameLess {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    using Section = std::map<std::string, std::string, NameLess>;

    void Log(const char* op, const char* section, const char* key, const std::string& value);
    bool Store(const char* section, const char* key, const std::string& value);

    std::map<std::string, Section, NameLess> sections_;
};
