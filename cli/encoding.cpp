#include "cli/encoding.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdint>
#include <strings.h>

namespace varnolt::cli {
namespace {

// Characters travel between conversions as UTF-32LE, the same on every host.
constexpr const char* kWide = "UTF-32LE";

class Converter {
public:
    Converter(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    ~Converter() {
        if (valid()) iconv_close(cd_);
    }
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of in as it can, appending to out. Returns the number of
    // input bytes consumed; stops early at the first byte it cannot convert.
    std::size_t convert(std::string_view in, std::string& out) {
        char* src = const_cast<char*>(in.data());
        std::size_t left = in.size();
        std::array<char, 4096> chunk{};
        for (;;) {
            char* dst = chunk.data();
            std::size_t room = chunk.size();
            const std::size_t r = iconv(cd_, &src, &left, &dst, &room);
            out.append(chunk.data(), static_cast<std::size_t>(dst - chunk.data()));
            if (r != static_cast<std::size_t>(-1) && left == 0) break;
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG) break;
        }
        if (left == 0) {
            // Flush any shift state into the output.
            char* dst = chunk.data();
            std::size_t room = chunk.size();
            iconv(cd_, nullptr, nullptr, &dst, &room);
            out.append(chunk.data(), static_cast<std::size_t>(dst - chunk.data()));
        } else {
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return in.size() - left;
    }

private:
    iconv_t cd_;
};

std::u32string fromWide(std::string_view wide) {
    std::u32string s;
    s.reserve(wide.size() / 4);
    for (std::size_t i = 0; i + 4 <= wide.size(); i += 4) {
        const auto* p = reinterpret_cast<const unsigned char*>(wide.data() + i);
        s.push_back(static_cast<char32_t>(p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24));
    }
    return s;
}

std::string toWide(char32_t c) {
    const auto v = static_cast<std::uint32_t>(c);
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF), static_cast<char>(v >> 16 & 0xFF),
            static_cast<char>(v >> 24)};
}

void appendUtf8(std::string& out, char32_t c) {
    const auto v = static_cast<std::uint32_t>(c);
    if (v < 0x80) {
        out.push_back(static_cast<char>(v));
    } else if (v < 0x800) {
        out.push_back(static_cast<char>(0xC0 | v >> 6));
        out.push_back(static_cast<char>(0x80 | (v & 0x3F)));
    } else if (v < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | v >> 12));
        out.push_back(static_cast<char>(0x80 | (v >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (v & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | v >> 18));
        out.push_back(static_cast<char>(0x80 | (v >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (v >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (v & 0x3F)));
    }
}

std::string format(const char* pattern, unsigned value) {
    std::array<char, 16> buf{};
    std::snprintf(buf.data(), buf.size(), pattern, value);
    return buf.data();
}

std::string codePoint(char32_t c) { return format("U+%04X", static_cast<unsigned>(c)); }

bool isUtf8(const std::string& codeset) {
    return strcasecmp(codeset.c_str(), "UTF-8") == 0 || strcasecmp(codeset.c_str(), "utf8") == 0;
}

// The escapes that a cell and a JSON string share.
const char* shortEscape(char32_t c) {
    switch (c) {
        case '\\': return "\\\\";
        case '\t': return "\\t";
        case '\n': return "\\n";
        case '\r': return "\\r";
        default: return nullptr;
    }
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

Conversion parseHex(std::string_view text) {
    Conversion out;
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            if (high >= 0) return {"", "hex bytes come as pairs of digits: \"" + std::string(text) + "\""};
            continue;
        }
        const int d = hexDigit(c);
        if (d < 0) return {"", "not a hex digit: '" + std::string(1, c) + "' in \"" + std::string(text) + "\""};
        if (high < 0) {
            high = d;
        } else {
            out.bytes.push_back(static_cast<char>(high << 4 | d));
            high = -1;
        }
    }
    if (high >= 0) return {"", "hex bytes come as pairs of digits: \"" + std::string(text) + "\""};
    return out;
}

}  // namespace

std::optional<Encoding> encodingNamed(std::string_view name) {
    for (Encoding e : {Encoding::gbk, Encoding::utf8, Encoding::utf16le, Encoding::utf16be, Encoding::big5,
                       Encoding::shiftJis, Encoding::hex})
        if (nameOf(e) == name) return e;
    return std::nullopt;
}

std::string_view nameOf(Encoding e) {
    switch (e) {
        case Encoding::gbk: return "gbk";
        case Encoding::utf8: return "utf-8";
        case Encoding::utf16le: return "utf-16le";
        case Encoding::utf16be: return "utf-16be";
        case Encoding::big5: return "big5";
        case Encoding::shiftJis: return "shift-jis";
        case Encoding::hex: return "hex";
    }
    return "";
}

std::string codesetOf(Encoding e) {
    switch (e) {
        // glibc's GBK is code page 936, the window's code page (0x80 is the euro sign).
        case Encoding::gbk: return "GBK";
        case Encoding::utf8: return "UTF-8";
        case Encoding::utf16le: return "UTF-16LE";
        case Encoding::utf16be: return "UTF-16BE";
        case Encoding::big5: return "BIG5";
        case Encoding::shiftJis: return "SHIFT_JIS";
        case Encoding::hex: return "";
    }
    return "";
}

Conversion encodeArgument(std::string_view argument, Encoding e, const std::string& localeCodeset) {
    if (e == Encoding::hex) return parseHex(argument);

    const std::u32string chars = decode(argument, localeCodeset);
    for (char32_t c : chars) {
        if (isRawByte(c))
            return {"", "\"" + std::string(argument) + "\" is not valid in the locale's encoding " + localeCodeset +
                            " (set LC_ALL or LANG to the encoding the arguments are typed in)"};
    }
    Converter toTarget(codesetOf(e), kWide);
    if (!toTarget.valid()) return {"", "this system cannot convert to " + std::string(nameOf(e))};
    Conversion out;
    for (char32_t c : chars) {
        // One character at a time, so the error can name the one that failed.
        const std::string wide = toWide(c);
        if (toTarget.convert(wide, out.bytes) != wide.size()) {
            return {"", "the character " + cellText({c}, localeCodeset) + " (" + codePoint(c) + ") in \"" +
                            std::string(argument) + "\" has no form in " + std::string(nameOf(e))};
        }
    }
    return out;
}

std::u32string decode(std::string_view bytes, const std::string& codeset) {
    Converter toWideChars(kWide, codeset);
    std::string wide;
    if (!toWideChars.valid()) {
        for (char b : bytes) wide += toWide(0xDC00 + static_cast<unsigned char>(b));
        return fromWide(wide);
    }
    while (!bytes.empty()) {
        const std::size_t used = toWideChars.convert(bytes, wide);
        bytes.remove_prefix(used);
        if (bytes.empty()) break;
        wide += toWide(0xDC00 + static_cast<unsigned char>(bytes.front()));
        bytes.remove_prefix(1);
    }
    return fromWide(wide);
}

std::u32string decode(std::string_view bytes, Encoding e) { return decode(bytes, codesetOf(e)); }

std::string hexOf(std::string_view bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string s;
    s.reserve(bytes.size() * 3);
    for (char b : bytes) {
        const auto v = static_cast<unsigned char>(b);
        if (!s.empty()) s.push_back(' ');
        s.push_back(digits[v >> 4]);
        s.push_back(digits[v & 0xF]);
    }
    return s;
}

std::string cellText(const std::u32string& text, const std::string& localeCodeset) {
    const bool utf8 = isUtf8(localeCodeset);
    Converter toLocale(localeCodeset, kWide);
    std::string out;
    for (char32_t c : text) {
        if (isRawByte(c)) {
            out += format("\\x%02x", static_cast<unsigned>(c - 0xDC00));
        } else if (const char* e = shortEscape(c)) {
            out += e;
        } else if (c < 0x20 || c == 0x7F) {
            out += format("\\x%02x", static_cast<unsigned>(c));
        } else if (c >= 0x80 && c < 0xA0) {
            out += format("\\u{%04x}", static_cast<unsigned>(c));
        } else if (utf8) {
            appendUtf8(out, c);
        } else {
            const std::string wide = toWide(c);
            std::string local;
            if (toLocale.valid() && toLocale.convert(wide, local) == wide.size())
                out += local;
            else
                out += format("\\u{%04x}", static_cast<unsigned>(c));
        }
    }
    return out;
}

std::string jsonText(const std::u32string& text) {
    std::string out;
    for (char32_t c : text) {
        if (isRawByte(c)) {
            appendUtf8(out, U'\uFFFD');
        } else if (c == '"') {
            out += "\\\"";
        } else if (const char* e = shortEscape(c)) {
            out += e;
        } else if (c < 0x20) {
            out += format("\\u%04x", static_cast<unsigned>(c));
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

}  // namespace varnolt::cli
