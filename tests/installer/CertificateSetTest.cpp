#include "installer/CertificateSet.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

TEST(CertificateSetTest, BytesToHexWritesTwoLowerCaseDigitsPerByte)
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
        EXPECT_EQ(BytesToHex(Bytes(c.bytes)), c.hex);
    }
}

} // namespace
