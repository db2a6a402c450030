// vennox-otp: the command-line calculator, kept apart from main() so the
// whole run can be tested with strings for streams.
#pragma once

#include "engine/Secret.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

// Fills the pass phrase; false when it could not be read.
using PassPhraseReader = std::function<bool(SecretString&)>;

// Reads one line through getByte (a byte 0-255, or -1 at the end) without its
// LF or CR LF. False on a read error (getByte returns -2).
bool ReadPassPhraseLine(const std::function<int()>& getByte, SecretString& passPhrase);

// args are the arguments after the program name. Returns the exit status:
// 0 done, 1 failure, 2 usage error.
int RunOtpCli(const std::vector<std::string>& args, const PassPhraseReader& readPassPhrase,
              std::ostream& out, std::ostream& err);

// The same, with the pass phrase on the first line of in.
int RunOtpCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
              std::ostream& err);
