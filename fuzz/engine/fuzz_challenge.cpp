// Any text: ParseChallenge (the dialogs' grammar) and ParseServerChallenge
// (the command line's) must not crash; what either accepts must hold up in
// the generator; and the command line's grammar must read every challenge the
// dialogs' grammar takes exactly as it does.
#include "engine/Challenge.h"
#include "engine/OtpGenerator.h"
#include "engine/OtpHash.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::string WithoutTrailingBlanks(const std::string& text) {
    const auto end = text.find_last_not_of(" \t\r\n");
    return text.substr(0, end == std::string::npos ? 0 : end + 1);
}

void CheckServerChallenge(const std::string& text) {
    ServerChallenge wide;
    const int result = ParseServerChallenge(text, wide);
    if (result != 0 && result != 1)
        std::abort();

    int algorithm = 0, sequence = 0;
    std::string seed;
    if (ParseChallenge(WithoutTrailingBlanks(text), algorithm, sequence, seed) == 1) {
        const int code = !wide.named                 ? -1
                         : wide.hash == OtpHash::Md4 ? 4
                         : wide.hash == OtpHash::Md5 ? 5
                                                     : 0;
        if (result != 1 || code != algorithm || wide.sequence != sequence || wide.seed != seed ||
            wide.extended)
            std::abort();
    } else if (result == 1 && !wide.extended && !(wide.named && wide.hash == OtpHash::Sha1)) {
        std::abort(); // only SHA-1 and "ext" widen the grammar
    }
    if (result != 1)
        return;
    if (wide.sequence < 1 || wide.seed.empty() || wide.seed.find(' ') != std::string::npos)
        std::abort();
    // The line end of a challenge copied from a file never reaches the seed.
    const char last = wide.seed.back();
    if (!wide.extended && (last == '\t' || last == '\r' || last == '\n'))
        std::abort();

    // Short counts only: the cost is in proportion to the count.
    unsigned char key[8];
    if (CrunchOtpKey(wide.hash, key, wide.seed.data(), "pass phrase") == 0) {
        for (int i = wide.sequence % 4; i > 0; --i)
            StepOtpKey(wide.hash, key);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckServerChallenge(text);

    int algorithm = 0, sequence = 0;
    std::string seed;
    if (ParseChallenge(text, algorithm, sequence, seed) != 1)
        return 0;
    if (algorithm != 4 && algorithm != 5 && algorithm != -1)
        std::abort();
    if (sequence < 1 || seed.empty() || seed.find(' ') != std::string::npos)
        std::abort();

    // Short counts only: the cost is in proportion to the count.
    std::string response = "unchanged";
    const int result = ComputeResponse(algorithm, sequence % 4, seed, "pass phrase", response);
    if (result == 0 && response != "unchanged")
        std::abort();
    if (result == 1 && (response.size() < 11 || response.size() > 29))
        std::abort();
    return 0;
}
