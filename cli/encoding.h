// The encodings a search text can be given in, and the conversions between
// command-line arguments, file bytes and what is shown to the user.
//
// Conversions go through the C library's iconv. A character that the target
// encoding cannot hold is an error, never a substitute: a patch tool that
// quietly writes "?" would patch the wrong bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varnolt::cli {

enum class Encoding { gbk, utf8, utf16le, utf16be, big5, shiftJis, hex };

// gbk, utf-8, utf-16le, utf-16be, big5, shift-jis or hex; nullopt otherwise.
std::optional<Encoding> encodingNamed(std::string_view name);
std::string_view nameOf(Encoding e);

// The bytes of an argument, or why there are none.
struct Conversion {
    std::string bytes;
    std::string error;  // empty on success
    bool ok() const { return error.empty(); }
};

// The argument, given in localeCodeset (as nl_langinfo(CODESET) reports it),
// as bytes of the encoding. With hex the argument is pairs of hex digits,
// optionally separated by white space ("48 65 6c"), and the locale plays no
// part.
Conversion encodeArgument(std::string_view argument, Encoding e, const std::string& localeCodeset);

// Characters decoded from bytes. A byte that starts no valid character is kept
// as U+DC00 + byte, a lone surrogate that no decoder yields, so the display can
// show it as the byte it was.
std::u32string decode(std::string_view bytes, const std::string& codeset);
std::u32string decode(std::string_view bytes, Encoding e);
constexpr bool isRawByte(char32_t c) { return c >= 0xDC00 && c <= 0xDCFF; }

// The iconv name of an encoding; hex has none and yields "".
std::string codesetOf(Encoding e);

// "48 65 6c": every byte as two lower-case hex digits, separated by spaces.
std::string hexOf(std::string_view bytes);

// Characters for one tab-separated cell in localeCodeset: backslash, tab, line
// breaks and other control characters are escaped (\\, \t, \n, \r, \xHH), so a
// row stays on one line; a raw byte shows as \xHH and a character the locale
// cannot hold as \u{HHHH}.
std::string cellText(const std::u32string& text, const std::string& localeCodeset);

// Characters as the content of a JSON string (without the quotes), in UTF-8;
// raw bytes become U+FFFD.
std::string jsonText(const std::u32string& text);

}  // namespace varnolt::cli
