#include "cli/command_line.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "engine/occurrence_search.h"

namespace varnolt::cli {
namespace {

// A decimal number from min to max, nothing else: no sign, no spaces.
std::optional<std::int32_t> number(std::string_view s, std::int32_t min, std::int32_t max = INT32_MAX) {
    std::int32_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || s.front() == '-' || ec != std::errc() || end != s.data() + s.size() || v < min || v > max)
        return std::nullopt;
    return v;
}

std::optional<std::vector<std::int32_t>> numberList(std::string_view s) {
    std::vector<std::int32_t> list;
    for (;;) {
        const std::size_t comma = s.find(',');
        const std::optional<std::int32_t> n = number(s.substr(0, comma), 1);
        if (!n) return std::nullopt;
        list.push_back(*n);
        if (comma == std::string_view::npos) return list;
        s.remove_prefix(comma + 1);
    }
}

struct Parser {
    explicit Parser(const std::vector<std::string_view>& a) : args(a) {}

    const std::vector<std::string_view>& args;
    std::size_t next = 0;
    ParsedCommandLine result;
    std::vector<std::string_view> operands;
    std::vector<std::string> given;  // option names seen, to check them against the command

    bool fail(std::string message) {
        if (result.error.empty()) result.error = std::move(message);
        return false;
    }

    // The value of an option given as --name=value or as the next argument.
    std::optional<std::string_view> value(std::string_view name, std::optional<std::string_view> inline_) {
        if (inline_) return inline_;
        if (next >= args.size()) {
            fail("option " + std::string(name) + " needs a value");
            return std::nullopt;
        }
        return args[next++];
    }

    bool selection(Selection s, std::string_view name, std::optional<std::string_view> list) {
        Options& o = result.options;
        if (o.selection != Selection::none && o.selection != s)
            return fail("choose the places with one of --all, --hits and --at");
        o.selection = s;
        if (!list) return true;
        const auto numbers = numberList(*list);
        if (!numbers) return fail(std::string(name) + " takes numbers from 1 separated by commas, such as 1,4,7");
        o.numbers.insert(o.numbers.end(), numbers->begin(), numbers->end());
        return true;
    }

    bool option(std::string_view arg) {
        std::string_view name = arg;
        std::optional<std::string_view> inline_;
        if (const std::size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            inline_ = arg.substr(eq + 1);
        }
        given.emplace_back(name);
        Options& o = result.options;
        const bool flag = name == "--json" || name == "--dry-run" || name == "--all";
        if (flag && inline_) return fail("option " + std::string(name) + " takes no value");

        const bool valued = name == "--before" || name == "--after" || name == "--max" || name == "--hits" ||
                            name == "--at" || name == "--encoding" || name == "-o" || name == "--output";
        if (!flag && !valued) return fail("unknown option " + std::string(name));

        if (name == "--json") return o.json = true;
        if (name == "--dry-run") return o.dryRun = true;
        if (name == "--all") return selection(Selection::all, name, std::nullopt);

        const std::optional<std::string_view> v = value(name, inline_);
        if (!v) return false;
        if (name == "--before" || name == "--after") {
            // The window's cells hold at most maxCellBytes; so do these rows.
            const auto n = number(*v, 0, maxCellBytes);
            if (!n)
                return fail(std::string(name) + " takes a number of bytes from 0 to " + std::to_string(maxCellBytes) +
                            ", not \"" + std::string(*v) + "\"");
            (name == "--before" ? o.before : o.after) = *n;
            return true;
        }
        if (name == "--max") {
            const auto n = number(*v, 1);
            if (!n) return fail("--max takes a number from 1, not \"" + std::string(*v) + "\"");
            o.max = *n;
            return true;
        }
        if (name == "--hits") return selection(Selection::hits, name, v);
        if (name == "--at") return selection(Selection::at, name, v);
        if (name == "--encoding") {
            const auto e = encodingNamed(*v);
            if (!e)
                return fail("unknown encoding \"" + std::string(*v) +
                            "\"; use gbk, utf-8, utf-16le, utf-16be, big5, shift-jis or hex");
            o.encoding = *e;
            return true;
        }
        if (v->empty()) return fail("-o needs a file name");
        o.output = *v;  // -o or --output, the last valued option left
        return true;
    }

    // Options that the command does not take are refused rather than ignored:
    // a misplaced --all must not turn a find into something else.
    bool checkOptionsFit() {
        const Options& o = result.options;
        for (const std::string& name : given) {
            const bool common = name == "--encoding";
            const bool forFind = name == "--before" || name == "--after" || name == "--max" || name == "--json" ||
                                 name == "--all";
            const bool forReplace = name == "--all" || name == "--hits" || name == "--at" || name == "-o" ||
                                    name == "--output" || name == "--dry-run";
            const bool fits = common || (o.command == Command::find ? forFind : forReplace);
            if (!fits)
                return fail("option " + name + " does not go with " +
                            (o.command == Command::find ? "find" : "replace"));
        }
        return true;
    }

    void run() {
        Options& o = result.options;
        // --help and --version win wherever they stand, whatever else is there.
        for (std::string_view arg : args) {
            if (arg == "--") break;
            if (arg == "--help" || arg == "-h") {
                o.command = Command::help;
                return;
            }
            if (arg == "--version") o.command = Command::version;
        }
        if (o.command == Command::version) return;

        bool optionsEnded = false;
        while (next < args.size()) {
            const std::string_view arg = args[next++];
            if (!optionsEnded && arg == "--") {
                optionsEnded = true;
            } else if (!optionsEnded && arg.size() > 1 && arg.front() == '-') {
                if (!option(arg)) return;
            } else {
                operands.push_back(arg);
            }
        }
        if (operands.empty()) {
            fail("no command given");
            return;
        }
        const std::string_view command = operands.front();
        if (command == "find") {
            o.command = Command::find;
        } else if (command == "replace") {
            o.command = Command::replace;
        } else {
            fail("unknown command \"" + std::string(command) + "\"; use find or replace");
            return;
        }
        if (!checkOptionsFit()) return;

        const std::size_t wanted = o.command == Command::find ? 3 : 4;
        if (operands.size() != wanted) {
            fail(o.command == Command::find ? "find takes FILE and TEXT"
                                            : "replace takes FILE, TEXT and REPLACEMENT");
            return;
        }
        o.file = operands[1];
        o.text = operands[2];
        if (o.text.empty()) {
            fail("the search text is empty");
            return;
        }
        if (o.command == Command::find) {
            if (o.selection == Selection::all) o.max = INT32_MAX;
            if (o.selection == Selection::all && std::find(given.begin(), given.end(), "--max") != given.end())
                fail("--all and --max do not go together");
            return;
        }
        o.replacement = operands[3];
        if (o.replacement.empty())
            fail("the replacement is empty; a shorter replacement is padded with zero bytes, so give at least one character");
        else if (o.selection == Selection::none)
            fail("choose the places to write with --all, --hits N,N or --at POS,POS");
    }
};

}  // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string_view>& args) {
    Parser p(args);
    p.run();
    return std::move(p.result);
}

std::string usageText() {
    return R"(Usage:
  varnolt-patch find FILE TEXT [--before N] [--after N] [--max N | --all] [--json] [--encoding NAME]
  varnolt-patch replace FILE TEXT REPLACEMENT (--all | --hits N,N,... | --at POS,POS,...)
                [-o OUT] [--dry-run] [--encoding NAME]
  varnolt-patch --help | --version

Finds the bytes of TEXT in FILE, or overwrites them in place. A REPLACEMENT
shorter than TEXT is followed by zero bytes up to TEXT's length, so the file
keeps its size and no later byte moves; a longer one is refused.

find lists one row per occurrence, overlapping ones included, in the order of
position: number, bytes before, the text, bytes after, 1-based byte position,
separated by tabs. Context stops at its first zero byte, as in the window.
  --before N, --after N  context bytes, 0 to 4096 (default 10 each)
  --max N                list at most N rows (default 1000, as the window)
  --all                  list every occurrence
  --json                 one JSON object per line, with every context byte in
                         hex beside the text

replace writes the chosen places and saves the whole file atomically.
  --all                  every occurrence
  --hits N,N,...         the occurrences that find numbers N
  --at POS,POS,...       the occurrences at these 1-based byte positions
  -o, --output OUT       save to OUT and leave FILE as it is
  --dry-run              list what would change and write nothing

  --encoding NAME        how TEXT and REPLACEMENT are written in the file: gbk
                         (code page 936, the default), utf-8, utf-16le,
                         utf-16be, big5, shift-jis, or hex for bytes given as
                         hex digits such as "48 65 6c"
Arguments are read in the locale's encoding (LC_ALL, LC_CTYPE, LANG); a
character the chosen encoding cannot hold is an error. Put -- before a TEXT
or REPLACEMENT that starts with "-".

Exit status: 0 done, 1 nothing found (or a chosen place holds no occurrence),
2 usage error, 3 file error.
)";
}

}  // namespace varnolt::cli
