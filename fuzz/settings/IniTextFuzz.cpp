// Feeds arbitrary bytes to the profile reader and editor. Besides not
// crashing, an edit must set exactly its own key: afterwards the key reads
// back as written, every other key reads as before, and the same edit again
// changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "settings/IniText.h"

namespace {

const char* const kSections[] = {"Settings", "Location", "Defaults", "S"};
const char* const kKeys[] = {"AutoPaste", "Left", "Challenge", "K"};

std::string PickName(FuzzedDataProvider& in, const char* const (&names)[4]) {
    if (in.ConsumeBool())
        return in.ConsumeRandomLengthString(16);
    return names[in.ConsumeIntegralInRange<std::size_t>(0, 3)];
}

// What the profile would return for the key: nothing or its stored line.
std::string Read(std::string_view text, std::string_view section, std::string_view key) {
    auto value = IniFindValue(text, section, key);
    return value ? "=" + std::string(ProfileLine(*value)) : "missing";
}

void Check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string section = PickName(in, kSections);
    const std::string key = PickName(in, kKeys);
    const std::string value = in.ConsumeRandomLengthString(64);
    const std::string text = in.ConsumeRemainingBytesAsString();

    std::vector<std::string> before;
    for (const char* s : kSections) {
        for (const char* k : kKeys) {
            before.push_back(Read(text, s, k));
            if (auto v = IniFindValue(text, s, k))
                (void)ParseProfileInt(*v, 20);
        }
    }
    if (!IsValidProfileName(section) || !IsValidProfileName(key))
        return 0;

    const std::string_view line = ProfileLine(value);
    const std::string edited = IniSetValue(text, section, key, line);
    Check(Read(edited, section, key) == "=" + std::string(line));
    std::size_t i = 0;
    for (const char* s : kSections) {
        for (const char* k : kKeys) {
            if (!(ProfileNamesEqual(s, section) && ProfileNamesEqual(k, key)))
                Check(Read(edited, s, k) == before[i]);
            ++i;
        }
    }
    Check(IniSetValue(edited, section, key, line) == edited);
    return 0;
}
