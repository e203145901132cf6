// The find and replace commands, from parsed options to exit status.
#pragma once

#include <cstdio>
#include <string>

#include "cli/command_line.h"

namespace varnolt::cli {

enum ExitStatus : int {
    exitDone = 0,
    exitNothingFound = 1,  // no occurrence, or a chosen place holds none
    exitUsage = 2,         // the command line, or a text that cannot be encoded
    exitFileError = 3,     // FILE cannot be read, or the result cannot be saved
};

// Results go to out, messages to err. localeCodeset is the encoding the
// arguments were typed in.
int runFind(const Options& o, const std::string& localeCodeset, std::FILE* out, std::FILE* err);
int runReplace(const Options& o, const std::string& localeCodeset, std::FILE* out, std::FILE* err);

}  // namespace varnolt::cli
