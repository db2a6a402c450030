// Any text: ParseChallenge must not crash, and what it accepts must hold up
// in the generator.
#include "engine/Challenge.h"
#include "engine/OtpGenerator.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
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
