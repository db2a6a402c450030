#include "tests/support/MemoryProfile.h"

#include <algorithm>

#include "settings/IniText.h"

namespace {
const char* OrEmpty(const char* s) {
    return s ? s : "";
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

bool MemoryProfile::NameLess::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(LowerAscii(x)) <
               static_cast<unsigned char>(LowerAscii(y));
    });
}

void MemoryProfile::Log(const char* op, const char* section, const char* key,
                        const std::string& value) {
    std::string entry = op;
    entry.append(" ").append(OrEmpty(section)).append(" ").append(OrEmpty(key));
    entry.append(" ").append(value);
    calls.push_back(std::move(entry));
}

std::optional<std::string> MemoryProfile::Find(const std::string& section,
                                               const std::string& key) const {
    if (!IsValidProfileName(section) || !IsValidProfileName(key))
        return std::nullopt;
    auto s = sections_.find(section);
    if (s == sections_.end())
        return std::nullopt;
    auto k = s->second.find(key);
    if (k == s->second.end())
        return std::nullopt;
    return k->second;
}

void MemoryProfile::Set(const std::string& section, const std::string& key,
                        const std::string& value) {
    sections_[section][key] = value;
}

bool MemoryProfile::Store(const char* section, const char* key, const std::string& value) {
    if (failWrites || !IsValidProfileName(OrEmpty(section)) || !IsValidProfileName(OrEmpty(key)))
        return false;
    Set(section, key, std::string(ProfileLine(value)));
    return true;
}

int MemoryProfile::GetProfileInt(const char* section, const char* key, int defaultValue) {
    Log("GetProfileInt", section, key, std::to_string(defaultValue));
    auto value = Find(OrEmpty(section), OrEmpty(key));
    return value ? ParseProfileInt(*value, defaultValue) : defaultValue;
}

std::string MemoryProfile::GetProfileString(const char* section, const char* key,
                                            const char* defaultValue) {
    Log("GetProfileString", section, key, OrEmpty(defaultValue));
    auto value = Find(OrEmpty(section), OrEmpty(key));
    return value ? *value : std::string(OrEmpty(defaultValue));
}

bool MemoryProfile::WriteProfileInt(const char* section, const char* key, int value) {
    std::string text = std::to_string(value);
    Log("WriteProfileInt", section, key, text);
    return Store(section, key, text);
}

bool MemoryProfile::WriteProfileString(const char* section, const char* key, const char* value) {
    Log("WriteProfileString", section, key, OrEmpty(value));
    return Store(section, key, OrEmpty(value));
}
