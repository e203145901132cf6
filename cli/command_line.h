// What the user asked for on the command line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/encoding.h"

namespace varnolt::cli {

enum class Command { help, version, find, replace };

// Which places a replace writes: every occurrence, chosen hit numbers (as find
// numbers them) or chosen 1-based byte positions.
enum class Selection { none, all, hits, at };

struct Options {
    Command command = Command::help;
    std::string file;
    std::string text;
    std::string replacement;
    std::string output;  // replace: where to save; empty means over file
    Encoding encoding = Encoding::gbk;
    std::int32_t before = 10;  // context bytes, as the window's length boxes; at most maxCellBytes
    std::int32_t after = 10;
    std::int64_t max = 1000;  // find: most rows listed, as the window
    bool json = false;
    bool dryRun = false;
    Selection selection = Selection::none;
    std::vector<std::int32_t> numbers;  // hit numbers or positions, as given
};

struct ParsedCommandLine {
    Options options;
    std::string error;  // a usage error, empty when the line made sense
};

// args excludes the program name. Options may come before or after the
// operands, as --name value or --name=value; "--" ends the options, so a text
// that starts with "-" can be given after it.
ParsedCommandLine parseCommandLine(const std::vector<std::string_view>& args);

// The --help text.
std::string usageText();

}  // namespace varnolt::cli
