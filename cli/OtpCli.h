// vennox-otp: the command-line calculator, kept apart from main() so the
// whole run can be tested with strings for streams.
#pragma once

#include "engine/Secret.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

// Shows the prompt (on a terminal) and fills the pass phrase; false when it
// could not be read. Each call reads the next one.
using PassPhraseReader = std::function<bool(const char* prompt, SecretString&)>;

// Reads one line through getByte (a byte 0-255, or -1 at the end) without its
// LF or CR LF. False on a read error (getByte returns -2).
bool ReadPassPhraseLine(const std::function<int()>& getByte, SecretString& passPhrase);

// args are the arguments after the program name; fromTerminal tells that the
// pass phrases are typed with echo off, where a typing error would go unseen.
// Returns the exit status: 0 done, 1 failure, 2 usage error.
int RunOtpCli(const std::vector<std::string>& args, const PassPhraseReader& readPassPhrase,
              bool fromTerminal, std::ostream& out, std::ostream& err);

// The same, with the pass phrases on the lines of in.
int RunOtpCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
              std::ostream& err);
