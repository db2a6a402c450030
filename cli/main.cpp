#include "cli/OtpCli.h"
#include "cli/PassPhrase.h"
#include "engine/Secret.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    DisableCoreDumps();
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const bool terminal = StdinIsTerminal();
    const PassPhraseReader reader =
        terminal ? PassPhraseReader(ReadPassPhraseFromTerminal)
                 : PassPhraseReader([](const char*, SecretString& passPhrase) {
                       return ReadPassPhraseFromStdin(passPhrase);
                   });
    const int status = RunOtpCli(args, reader, terminal, std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : 1;
}
