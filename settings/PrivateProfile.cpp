#include "settings/PrivateProfile.h"

#include <optional>
#include <utility>
#include <vector>

#include "settings/WindowsApi.h"

#include "settings/IniText.h"

namespace {

const char* OrEmpty(const char* s) {
    return s ? s : "";
}

bool ValidNames(const char* section, const char* key) {
    return IsValidProfileName(OrEmpty(section)) && IsValidProfileName(OrEmpty(key));
}

// The value, or the given default when the key is missing; the buffer grows
// until the value fits.
std::string ReadString(const char* section, const char* key, const char* fallback,
                       const std::string& file) {
    std::vector<char> buf(256);
    for (;;) {
        DWORD n = GetPrivateProfileStringA(section, key, fallback, buf.data(),
                                           static_cast<DWORD>(buf.size()), file.c_str());
        // A result that fills the buffer may have been cut short.
        if (n + 1 < buf.size())
            return std::string(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

} // namespace

PrivateProfile::PrivateProfile(std::string fileName) : fileName_(std::move(fileName)) {}

std::string PrivateProfile::ModuleProfileName() {
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return "Vennox.INI";
        if (n < buf.size()) {
            std::string path(buf.data(), n);
            std::size_t slash = path.find_last_of("\\/");
            std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
            std::size_t dot = name.rfind('.');
            if (dot != std::string::npos && dot > 0)
                name.erase(dot);
            return name + ".INI";
        }
        buf.resize(buf.size() * 2);
    }
}

int PrivateProfile::GetProfileInt(const char* section, const char* key, int defaultValue) {
    if (!ValidNames(section, key))
        return defaultValue;
    return static_cast<int>(GetPrivateProfileIntA(section, key, defaultValue, fileName_.c_str()));
}

std::string PrivateProfile::GetProfileString(const char* section, const char* key,
                                             const char* defaultValue) {
    if (!ValidNames(section, key))
        return OrEmpty(defaultValue);
    // The platform cuts blanks off the end of a default and cannot tell a
    // missing key from one that holds the default, so ask with two sentinels
    // that no value written through this class can hold both of.
    std::string value = ReadString(section, key, "\x01", fileName_);
    if (value != "\x01")
        return value;
    value = ReadString(section, key, "\x02", fileName_);
    if (value != "\x02")
        return value;
    return OrEmpty(defaultValue);
}

bool PrivateProfile::WriteProfileInt(const char* section, const char* key, int value) {
    return WriteProfileString(section, key, std::to_string(value).c_str());
}

bool PrivateProfile::WriteProfileString(const char* section, const char* key, const char* value) {
    if (!ValidNames(section, key))
        return false;
    // A null value would delete the key; a line break would add lines.
    std::string line(ProfileLine(OrEmpty(value)));
    return WritePrivateProfileStringA(section, key, line.c_str(), fileName_.c_str()) != 0;
}
