#include "cli/encoding.h"

#include <gtest/gtest.h>

namespace varnolt::cli {
namespace {

// Arguments typed in a locale other than UTF-8, which the process tests
// cannot set up without generating locales.
TEST(Encoding, ArgumentsFromANonUtf8Locale) {
    struct Case {
        const char* argument;
        const char* codeset;
        Encoding to;
        std::string bytes;
    };
    const Case cases[] = {
        {"\xd6\xd0\xce\xc4", "GBK", Encoding::gbk, "\xd6\xd0\xce\xc4"},
        {"\xd6\xd0\xce\xc4", "GBK", Encoding::utf8, "\xe4\xb8\xad\xe6\x96\x87"},
        {"\xa4\xa4", "BIG5", Encoding::utf16be, "\x4e\x2d"},
        {"abc", "ANSI_X3.4-1968", Encoding::utf16le, std::string("a\0b\0c\0", 6)},
    };
    for (const Case& c : cases) {
        const Conversion got = encodeArgument(c.argument, c.to, c.codeset);
        EXPECT_TRUE(got.ok()) << got.error;
        EXPECT_EQ(got.bytes, c.bytes) << c.codeset << " to " << nameOf(c.to);
    }
    // Non-ASCII bytes under the C locale cannot be read as any character.
    EXPECT_FALSE(encodeArgument("\xd6\xd0", Encoding::gbk, "ANSI_X3.4-1968").ok());
}

// What a cell shows where the locale cannot hold a character.
TEST(Encoding, CellsInAnAsciiLocale) {
    const std::u32string text = decode("\xd6\xd0" "a\xff", Encoding::gbk);
    EXPECT_EQ(cellText(text, "ANSI_X3.4-1968"), "\\u{4e2d}a\\xff");
    EXPECT_EQ(cellText(text, "GBK"), "\xd6\xd0" "a\\xff");
}

}  // namespace
}  // namespace varnolt::cli
