// textToInt against a reading written from its rules, and the round trip
// through intToText in ASCII and in full-width digits.
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/byte_string.h"
#include "fuzz/fuzz_support.h"

namespace {

using varnolt::fuzzing::require;

// One character of the folded text: a byte below 0x80 stays; a lead byte and
// the byte after it become the ASCII form the table gives, or stay as a pair.
std::string foldCharacter(unsigned char lead, unsigned char second) {
    if (lead == 0xA3 && second >= 0xA1 && second <= 0xFE) return std::string(1, static_cast<char>(second - 0x80));
    if (lead == 0xA1 && second == 0xA1) return " ";
    if (lead == 0xA1 && second == 0xAB) return "~";
    if (lead == 0xA1 && (second == 0xEE || second == 0xEF)) return "*";
    return {static_cast<char>(lead), static_cast<char>(second)};
}

std::int32_t referenceTextToInt(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::string folded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            folded += static_cast<char>(c);
        } else if (i + 1 < text.size()) {
            folded += foldCharacter(c, static_cast<unsigned char>(text[++i]));
        } else {
            break;
        }
    }
    std::size_t i = folded.find_first_not_of(" \t\n\v\f\r");
    if (i == std::string::npos) return 0;
    const bool negative = folded[i] == '-';
    if (folded[i] == '-' || folded[i] == '+') ++i;
    // The value modulo 2^32, kept small in 64 bits so nothing overflows.
    std::uint64_t value = 0;
    for (; i < folded.size() && folded[i] >= '0' && folded[i] <= '9'; ++i)
        value = (value * 10 + static_cast<std::uint64_t>(folded[i] - '0')) % (std::uint64_t{1} << 32);
    if (negative) value = ((std::uint64_t{1} << 32) - value) % (std::uint64_t{1} << 32);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::string fullWidth(const std::string& ascii) {
    std::string out;
    for (char c : ascii) {
        out += '\xa3';
        out += static_cast<char>(static_cast<unsigned char>(c) + 0x80);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::int32_t value = varnolt::textToInt(text);
    require(value == referenceTextToInt(text), "textToInt agrees with the reference");

    const std::string shown = varnolt::intToText(value);
    require(varnolt::textToInt(shown) == value, "textToInt(intToText(n)) == n");
    require(varnolt::textToInt("\xa1\xa1 \t" + fullWidth(shown) + "x") == value,
            "full-width digits after white space read as their ASCII forms");
    return 0;
}
