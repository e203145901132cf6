// varnolt-patch: the patch engine from the command line.
#include <langinfo.h>

#include <clocale>
#include <cstdio>

#include "cli/commands.h"

int main(int argc, char** argv) {
    using namespace varnolt::cli;
    std::setlocale(LC_ALL, "");
    const std::string codeset = nl_langinfo(CODESET);

    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const ParsedCommandLine parsed = parseCommandLine(args);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "varnolt-patch: %s\nTry 'varnolt-patch --help' for more.\n", parsed.error.c_str());
        return exitUsage;
    }
    int status = exitDone;
    switch (parsed.options.command) {
        case Command::help: std::fputs(usageText().c_str(), stdout); break;
        case Command::version: std::puts("varnolt-patch " VARNOLT_VERSION); break;
        case Command::find: status = runFind(parsed.options, codeset, stdout, stderr); break;
        case Command::replace: status = runReplace(parsed.options, codeset, stdout, stderr); break;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("varnolt-patch: cannot write the output\n", stderr);
        if (status == exitDone) status = exitFileError;
    }
    return status;
}
