#include "installer/CertificateSet.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TempFolder.h"

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

TEST(CertificateSetTest, ReadFileBytesReturnsContentUnchanged)
{
    TempFolder folder;
    std::string content("\x30\x82\r\n\x00\x1A\xFF\n", 8); // line ends and EOF bytes stay raw
    std::string path = folder.PathOf("ÄrgerCA.crt");
    TempFolder::WriteFile(path, content);
    auto bytes = ReadFileBytes(path);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, Bytes(content));
}

TEST(CertificateSetTest, ReadFileBytesGivesEmptyContentForEmptyFile)
{
    TempFolder folder;
    std::string path = folder.PathOf("empty.crt");
    TempFolder::WriteFile(path, "");
    auto bytes = ReadFileBytes(path);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_TRUE(bytes->empty());
}

TEST(CertificateSetTest, ReadFileBytesRefusesWhatIsNoReadableFile)
{
    TempFolder folder;
    EXPECT_FALSE(ReadFileBytes(folder.PathOf("missing.crt")).has_value());
    EXPECT_FALSE(ReadFileBytes(folder.Path()).has_value()) << "a folder is not a certificate";
    EXPECT_FALSE(ReadFileBytes("").has_value());
}

TEST(CertificateSetTest, ReadFileBytesAcceptsUpToTheSizeBoundAndNoMore)
{
    TempFolder folder;
    const std::size_t bound = static_cast<std::size_t>(kMaxCertificateFileBytes);
    std::string atBound = folder.PathOf("at-bound.crt");
    TempFolder::WriteFile(atBound, std::string(bound, 'x'));
    std::string overBound = folder.PathOf("over-bound.crt");
    TempFolder::WriteFile(overBound, std::string(bound + 1, 'x'));

    auto bytes = ReadFileBytes(atBound);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(bytes->size(), bound);
    EXPECT_FALSE(ReadFileBytes(overBound).has_value());
}

} // namespace
