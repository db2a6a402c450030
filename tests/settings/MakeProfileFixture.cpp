// Writes the fixture profile to the given file: with the platform's private
// profile on Windows, with IniProfile elsewhere. Used to (re)make the files
// in fixtures/.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "tests/settings/ProfileFixture.h"

#ifdef _WIN32
#include "settings/WindowsApi.h"

#include "settings/PrivateProfile.h"
#else
#include "settings/IniProfile.h"
#endif

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_profile_fixture FILE\n");
        return 2;
    }
    std::filesystem::path file = std::filesystem::absolute(argv[1]);
    std::error_code ec;
    std::filesystem::remove(file, ec);
#ifdef _WIN32
    PrivateProfile profile(file.string());
#else
    IniProfile profile(file);
#endif
    WriteFixtureProfile(profile);
#ifdef _WIN32
    // Flush the platform's cached copy to disk.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, profile.fileName().c_str());
#endif
    return 0;
}
