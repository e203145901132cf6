#include "cli/commands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <optional>
#include <cstring>

#include "cli/occurrences.h"
#include "engine/loaded_file.h"

namespace varnolt::cli {
namespace {

int report(std::FILE* err, int status, const std::string& message) {
    std::fprintf(err, "varnolt-patch: %s\n", message.c_str());
    return status;
}

// The engine only says that a file could not be read; the user wants to know why.
std::string whyUnreadable(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return "it is a folder";
    if (!S_ISREG(st.st_mode)) return "it is not a regular file";
    if (st.st_size > INT32_MAX) return "it is 2 GiB or larger";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    ::close(fd);
    return "it could not be read whole";
}

bool load(LoadedFile& file, const std::string& path, std::FILE* err) {
    if (file.load(path)) return true;
    report(err, exitFileError, "cannot read " + path + ": " + whyUnreadable(path));
    return false;
}

// The search text as bytes of the chosen encoding, or a usage error.
bool encode(const std::string& argument, const Options& o, const std::string& localeCodeset, ByteString& bytes,
            std::FILE* err) {
    const Conversion c = encodeArgument(argument, o.encoding, localeCodeset);
    if (!c.ok()) {
        report(err, exitUsage, c.error);
        return false;
    }
    if (c.bytes.empty() || c.bytes.size() > INT32_MAX) {
        report(err, exitUsage, "\"" + argument + "\" gives no bytes to search for");
        return false;
    }
    bytes = ByteString::copyOf(c.bytes);
    return true;
}

// A context span as the window's cell shows it: up to its first NUL character.
// Hex shows every byte, since the user asked for bytes.
std::u32string spanText(const ByteString& span, Encoding e) {
    if (e == Encoding::hex) {
        const std::string hex = hexOf(span.view());
        return {hex.begin(), hex.end()};
    }
    std::u32string text = decode(span.view(), e);
    text.resize(std::min(text.find(U'\0'), text.size()));
    return text;
}

std::string jsonField(const char* name, const std::string& value, bool quoted = true) {
    std::string s = ",\"";
    s += name;
    s += "\":";
    if (quoted) s += '"';
    s += value;
    if (quoted) s += '"';
    return s;
}

void writeLine(std::FILE* out, std::string& line) {
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), out);
}

}  // namespace

int runFind(const Options& o, const std::string& localeCodeset, std::FILE* out, std::FILE* err) {
    ByteString pattern;
    if (!encode(o.text, o, localeCodeset, pattern, err)) return exitUsage;
    LoadedFile file;
    if (!load(file, o.file, err)) return exitFileError;
    const ByteString& buffer = file.buffer();

    const std::u32string typed = decode(o.text, localeCodeset);
    const std::string foundCell = cellText(typed, localeCodeset);
    const std::string foundJson = jsonText(typed);
    const std::string foundHex = hexOf(pattern.view());
    std::string line;
    std::int32_t number = 0;
    const std::int64_t count = forEachPosition(buffer, pattern, o.max, [&](std::int32_t pos) {
        const Occurrence row = occurrenceAt(buffer, ++number, pos, pattern.size(), o.before, o.after);
        const std::u32string before = spanText(row.before, o.encoding);
        const std::u32string after = spanText(row.after, o.encoding);
        if (o.json) {
            line = "{\"number\":" + std::to_string(row.number);
            line += jsonField("position", std::to_string(row.position), false);
            line += jsonField("before", jsonText(before)) + jsonField("before_hex", hexOf(row.before.view()));
            line += jsonField("found", foundJson) + jsonField("found_hex", foundHex);
            line += jsonField("after", jsonText(after)) + jsonField("after_hex", hexOf(row.after.view()));
            line += '}';
        } else {
            line = std::to_string(row.number) + '\t' + cellText(before, localeCodeset) + '\t' + foundCell + '\t' +
                   cellText(after, localeCodeset) + '\t' + std::to_string(row.position);
        }
        writeLine(out, line);
        return true;
    });
    if (count == 0) return report(err, exitNothingFound, "\"" + o.text + "\" does not occur in " + o.file);
    return exitDone;
}

int runReplace(const Options& o, const std::string& localeCodeset, std::FILE* out, std::FILE* err) {
    ByteString pattern, replacement;
    if (!encode(o.text, o, localeCodeset, pattern, err)) return exitUsage;
    if (!encode(o.replacement, o, localeCodeset, replacement, err)) return exitUsage;
    if (replacement.size() > pattern.size())
        return report(err, exitUsage,
                      "the replacement is " + std::to_string(replacement.size()) + " bytes in " +
                          std::string(nameOf(o.encoding)) + ", longer than the text's " +
                          std::to_string(pattern.size()) + "; the file's size must not change");
    // Zero bytes up to the text's length, so nothing after a place moves.
    const ByteString bytes = concat({replacement, zeros(pattern.size() - replacement.size())});

    LoadedFile file;
    if (!load(file, o.file, err)) return exitFileError;
    const ByteString& buffer = file.buffer();

    // The chosen places in ascending order; every one is checked before a
    // single byte is written, so a wrong number changes nothing.
    std::vector<std::int32_t> chosen = o.numbers;
    std::sort(chosen.begin(), chosen.end());
    chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
    if (o.selection == Selection::hits) {
        std::vector<std::int32_t> positions;
        std::int32_t number = 0;
        const std::int64_t seen = forEachPosition(buffer, pattern, chosen.back(), [&](std::int32_t pos) {
            if (++number == chosen[positions.size()]) positions.push_back(pos);
            return positions.size() < chosen.size();
        });
        if (positions.size() < chosen.size())
            return report(err, exitNothingFound,
                          "there is no occurrence number " + std::to_string(chosen[positions.size()]) + ": " +
                              o.file + " holds " + std::to_string(seen) + " of \"" + o.text + "\"");
        chosen = std::move(positions);
    } else if (o.selection == Selection::at) {
        for (std::int32_t pos : chosen)
            if (!occursAt(buffer, pattern, pos))
                return report(err, exitNothingFound,
                              "\"" + o.text + "\" does not occur at position " + std::to_string(pos) + " of " + o.file);
    } else {
        forEachPosition(buffer, pattern, INT64_MAX, [&](std::int32_t pos) {
            chosen.push_back(pos);
            return true;
        });
        if (chosen.empty()) return report(err, exitNothingFound, "\"" + o.text + "\" does not occur in " + o.file);
    }
    const auto n = static_cast<long long>(chosen.size());
    const char* plural = n == 1 ? "" : "s";
    const std::string target = o.output.empty() ? o.file : o.output;

    if (o.dryRun) {
        const std::string change = '\t' + hexOf(pattern.view()) + '\t' + hexOf(bytes.view());
        std::string line;
        for (std::int32_t pos : chosen) {
            line = std::to_string(pos) + change;
            writeLine(out, line);
        }
        std::fprintf(out, "dry run: would write %lld place%s to %s; nothing was written\n", n, plural, target.c_str());
        return exitDone;
    }

    // Every place is known before the first write, so writing in place cannot
    // hide or make an occurrence. The working copy is ours alone: no copy.
    ByteBuilder next = ByteBuilder::writableFrom(file.takeBuffer());
    PlaceWriter writer(next.data(), bytes);
    for (std::int32_t pos : chosen) writer.write(pos);
    file.replaceBuffer(std::move(next).freeze());
    if (!file.save(target))
        return report(err, exitFileError,
                      "cannot write " + target + (o.output.empty() ? "; the file is unchanged" : ""));
    std::fprintf(out, "wrote %lld place%s to %s\n", n, plural, target.c_str());
    return exitDone;
}

}  // namespace varnolt::cli
