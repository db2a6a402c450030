// One run of vennox-otp's whole logic with strings for its streams.
#pragma once

#include "cli/OtpCli.h"

#include <sstream>
#include <string>
#include <vector>

struct CliRun {
    int status;
    std::string out, err;
};

// input holds the lines the program reads (pass phrases).
inline CliRun RunCli(const std::vector<std::string>& args, const std::string& input) {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = RunOtpCli(args, in, out, err);
    return {status, out.str(), err.str()};
}
