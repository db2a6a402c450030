// The profile as an INI file of our own, for platforms without private
// profile files. The text rules are those of IniText.h.
//
// Reads take no lock: a write never changes the file in place, it replaces
// it whole by renaming a finished copy over it, so a reader sees either the
// old or the new file. Each write holds an exclusive lock on "<file>.lock"
// (a separate file, since the rename replaces the profile's own inode),
// re-reads the file and changes only its own key, so two programs writing at
// once never lose each other's keys; for each key the later write wins. The
// lock file is left in place: removing it would race with the next writer.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "settings/AppProfile.h"

class IniProfile : public AppProfile {
  public:
    explicit IniProfile(std::filesystem::path file);

    const std::filesystem::path& path() const { return path_; }

    int GetProfileInt(const char* section, const char* key, int defaultValue) override;
    std::string GetProfileString(const char* section, const char* key,
                                 const char* defaultValue) override;
    bool WriteProfileInt(const char* section, const char* key, int value) override;
    bool WriteProfileString(const char* section, const char* key, const char* value) override;

  private:
    std::optional<std::string> Lookup(const char* section, const char* key) const;

    std::filesystem::path path_;
};

// Files larger than this are not taken for a profile: they read as empty and
// are never rewritten.
inline constexpr std::size_t kMaxIniProfileSize = 16 * 1024 * 1024;

// $XDG_CONFIG_HOME/vennox/Vennox.ini, or ~/.config/vennox/Vennox.ini when that
// variable is unset, empty or not an absolute path.
std::filesystem::path DefaultIniProfilePath();
// The same from given values of XDG_CONFIG_HOME and HOME (either may be null).
// Without a usable HOME the home directory comes from the user database; an
// empty path means there is none.
std::filesystem::path DefaultIniProfilePath(const char* xdgConfigHome, const char* home);
