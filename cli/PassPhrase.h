// Reading the pass phrase from the terminal or from standard input.
#pragma once

#include "engine/Secret.h"

// True when standard input is an interactive terminal (a console on Windows).
bool StdinIsTerminal();

// Shows the prompt on the terminal and reads one line from it with echo off.
bool ReadPassPhraseFromTerminal(const char* prompt, SecretString& passPhrase);

// Reads the next line of standard input byte by byte, so no library buffer
// keeps a copy and the rest of the input stays unread.
bool ReadPassPhraseFromStdin(SecretString& passPhrase);
