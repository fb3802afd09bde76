#include "pdf/io/Hexadecimal.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(HexadecimalTest, BytesAreWrittenAsTwoLowerCaseDigitsEach)
{
    struct HexCase
    {
        const char* what;
        std::string bytes;
        std::string hex;
    };
    const HexCase cases[] = {
        {"empty", "", ""},
        {"leading zero kept", std::string("\x00\xAB\x10", 3), "00ab10"},
        {"extremes", std::string("\x01\xFF\x7F\x80", 4), "01ff7f80"},
        {"text", "0A", "3041"},
        {"every digit in both places",
         "\x01\x23\x45\x67\x89\xAB\xCD\xEF\xFE\xDC\xBA\x98\x76\x54\x32\x10",
         "0123456789abcdeffedcba9876543210"},
    };
    for (const HexCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Hexadecimal::ToLowerHex(c.bytes), c.hex);
    }
}

TEST(HexadecimalTest, DigitsAreReadInEitherCaseSkippingOtherBytes)
{
    struct DigitsCase
    {
        const char* what;
        std::string digits;
        std::string bytes;
    };
    const DigitsCase cases[] = {
        {"empty", "", ""},
        {"a lone digit counts as followed by 0", "0", std::string(1, '\0')},
        {"white space and junk skipped", "4 1\r\n4\t2zz", "AB"},
        {"both cases", "fF", "\xff"},
        {"odd count", "414", "A@"},
    };
    for (const DigitsCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Hexadecimal::FromHex(c.digits), c.bytes);
    }
}

} // namespace
